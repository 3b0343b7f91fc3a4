# Sourced by ./test after the native suite: cross-builds the core, kmd and the core tests for Windows
# with mingw-w64 and runs them under Wine, in a prefix of the build tree.
# Usage: windows_suite NATIVE_BUILD_DIR
windows_suite() {
  local native=$1
  ensure_packages mingw-w64 wine wine64 locales
  # Code page 932 under Wine needs the Japanese locale on the host.
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  fi
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
  timeout 1200 ctest --test-dir build-win --output-on-failure -j2 --timeout 600 || rc=$?
  wineserver -k 2>/dev/null || true
  return $rc
}
