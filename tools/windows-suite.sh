# Sourced by ./test after the native suite: cross-builds the core, kmd and the core tests for Windows
# with mingw-w64 and runs them under Wine, in a prefix of the build tree.
# Usage: windows_suite NATIVE_BUILD_DIR
windows_suite() {
  local native=$1
  ensure_packages mingw-w64 wine wine64 fonts-wine locales
  ensure_japanese_locale
  cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DQUARVEL_NATIVE_KMD="$PWD/$native/src/kmd" -DQUARVEL_NATIVE_SAMPLE="$PWD/$native/tools/quarvel-sample" >/dev/null
  cmake --build build-win -j2
  export WINEPREFIX="$PWD/build-win/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # One persistent server with its services detached: otherwise each test pays the start-up, and a
  # service started by the first test can hold ctest's output open for ever.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  # The server refuses to start for a prefix folder that does not exist yet (a fresh clone).
  mkdir -p "$WINEPREFIX"
  if ! wineserver -p </dev/null >build-win/wineserver.log 2>&1; then
    echo "windows suite: wineserver did not start:" >&2
    cat build-win/wineserver.log >&2
    return 1
  fi
  if ! LANG=C.UTF-8 wine wineboot </dev/null >build-win/wineboot.log 2>&1; then
    echo "windows suite: the Wine prefix could not be made:" >&2
    cat build-win/wineboot.log >&2
    wineserver -k 2>/dev/null || true
    return 1
  fi
  local rc=0
  timeout 1500 ctest --test-dir build-win --output-on-failure -j2 --timeout 600 || rc=$?
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  windows_gui_suite || rc=$?
  windows_installer_suite "$native" || rc=$?
  return $rc
}

# The setup made from this cross build, installed, used and uninstalled in a fresh Wine prefix.
windows_installer_suite() {
  local native=$1
  ensure_packages nsis xvfb xauth binutils
  echo "win.installer"
  local version
  version=$(cat build-win/quarvel-version.txt)
  packaging/windows/make-setup.sh build-win build-win/setup "$version" README.md LICENSE >/dev/null || return 1
  local diffs
  diffs=$(mktemp -d)
  "$native/tools/quarvel-sample" "$diffs/old" "$diffs/new" >/dev/null
  "$native/src/kmd" analyse "$diffs/old" "$diffs/new" --ext CSV,TXT -o "$diffs/update.kmd" >/dev/null
  local rc=0
  timeout -k 10 600 bash tests/windows_installer_test.sh "build-win/setup/quarvel-setup-$version.exe" \
    build-win/tests/shell_open_probe.exe "$native/src/kmd" "$diffs/update.kmd" || rc=1
  rm -rf "$diffs"
  return $rc
}

# Code page 932 under Wine needs the Japanese locale on the host.
ensure_japanese_locale() {
  locale -a 2>/dev/null | grep -i '^ja_JP\.utf-\?8$' >/dev/null && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
}

# The Win32 views under a virtual display, with a display and a Wine server of their own: the GUI
# tests once in the Japanese locale (code page 932) and once in another, whose sorting rules differ.
windows_gui_suite() {
  ensure_packages xvfb xauth fonts-ipafont-gothic fonts-wine
  timeout -k 10 900 xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    . tools/windows-suite.sh
    if ! wineserver -p </dev/null >build-win/wineserver-gui.log 2>&1; then
      echo "windows gui suite: wineserver did not start:" >&2
      cat build-win/wineserver-gui.log >&2
      exit 1
    fi
    LANG=C.UTF-8 wine wineboot </dev/null >/dev/null 2>&1
    wine_gui_settings
    rc=0
    for lang in ja_JP.UTF-8 C.UTF-8; do
      echo "win.gui in $lang"
      LANG=$lang timeout 300 wine build-win/tests/quarvel_win32_gui_tests.exe --gtest_brief=1 </dev/null || rc=1
    done
    wineserver -k 2>/dev/null || true
    exit $rc'
}

# Makes the Wine prefix ($WINEPREFIX) show the dialogs' Japanese font in any locale (a font from the
# host, given the dialogs' face names) and give windows title bars without a window manager. Needs a
# running server.
wine_gui_settings() {
  local reg=$WINEPREFIX/gui-settings.reg
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' '"MS UI Gothic"="IPAPGothic"' \
    '"MS Shell Dlg"="IPAPGothic"' '"MS Shell Dlg 2"="IPAPGothic"' '"Tahoma"="IPAPGothic"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' |
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
  wine regedit "$reg" </dev/null >/dev/null 2>&1
  # The caption buttons' glyphs: Wine looks for Marlett among the prefix's fonts.
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
}
