#!/usr/bin/env bash
# The Windows setup under Wine, in a fresh prefix and the Japanese locale (code page 932): a silent
# installation, the files, shortcut and registry entries it leaves, a diff opened as Explorer opens
# it (through shell_open_probe.exe), a silent uninstallation and what it leaves; then an installation
# into a chosen folder, an upgrade over it that must stay there, and its uninstallation.
# Usage: tests/windows_installer_test.sh SETUP_EXE PROBE_EXE KMD SAMPLE_DIFF [EXPECTED_COUNT]
#   KMD is kmd.exe (run under Wine) or the native kmd; it counts the diff's entries when
#   EXPECTED_COUNT is not given.
set -uo pipefail

if [ $# -lt 4 ] || [ $# -gt 5 ]; then
  echo "usage: $0 SETUP_EXE PROBE_EXE KMD SAMPLE_DIFF [EXPECTED_COUNT]" >&2
  exit 2
fi
# The programs show windows: without a display, a virtual one.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

setup=$(realpath "$1") probe=$(realpath "$2") kmd=$3 sample=$(realpath "$4") expected=${5:-}
[[ $kmd == */* ]] && kmd=$(realpath "$kmd")
started=$SECONDS
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
fatal() { echo "FAIL: $*" >&2; echo "windows installer test: stopped after $((SECONDS - started)) s" >&2; exit 1; }
# check WHAT GOT WANTED
check() { [ "$2" = "$3" ] || fail "$1: got '$2', wanted '$3'"; }

locale -a 2>/dev/null | grep -i '^ja_JP\.utf-\?8$' >/dev/null ||
  fatal "the ja_JP.UTF-8 locale is missing (localedef -i ja_JP -f UTF-8 ja_JP.UTF-8)"
for f in "$setup" "$probe" "$sample"; do [ -f "$f" ] || fatal "missing $f"; done

# A prefix of its own, removed at the end with its server. winemenubuilder would copy the shortcut
# and the file type into the host's desktop menus: it stays off.
prefix=$(mktemp -d /tmp/quarvel-installer-test.XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$prefix"
}
trap cleanup EXIT

# One server for the prefix's life, started before the prefix is made, as the Windows suite does.
start_server() { wineserver -p </dev/null >"$prefix/wineserver.log" 2>&1 || fatal "wineserver did not start"; }
# Stops every program of the prefix and its server; waits for them.
stop_server() { wineserver -k 2>/dev/null; timeout 60 wineserver -w 2>/dev/null; }

start_server
LANG=C.UTF-8 wine wineboot </dev/null >"$prefix/wineboot.log" 2>&1 || fatal "wineboot failed: $(cat "$prefix/wineboot.log")"
# The dialogs' Japanese font from the host, and title bars without a window manager, as the rest of
# the Windows suite has them.
. "$(dirname "$0")/../tools/windows-suite.sh"
wine_gui_settings
export LANG=ja_JP.UTF-8
unset LC_ALL

# Wine's console programs write code page 932 here.
wtext() { wine "$@" </dev/null 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r'; }
# A folder of the Windows user, as Windows names it and as a Unix path.
win_env() { wtext cmd /c echo "%$1%"; }
unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# A value of a registry key (VALUE empty: the default one); nothing and status 1 when missing.
reg_value() {
  local out
  if [ -z "$2" ]; then out=$(wtext reg query "$1" /ve) || return 1; else out=$(wtext reg query "$1" /v "$2") || return 1; fi
  printf '%s\n' "$out" | sed -n 's/^    .*    REG_[A-Z_]*    //p' | head -n 1
}
key_exists() { wine reg query "$1" </dev/null >/dev/null 2>&1; }
# The whole per-user classes tree, to compare before and after.
classes_tree() { wtext reg query 'HKCU\Software\Classes' /s; }

classes='HKCU\Software\Classes'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarvel'
class_id='{6F1C2A4E-8B3D-4E57-9A60-2D7C5B1E3F48}'
installed_files=$'LICENSE.txt\nREADME.md\nkmd.exe\nquarvel.exe\nuninstall.exe'
version=$(basename "$setup" | sed -n 's/^quarvel-setup-\(.*\)\.exe$/\1/p')

local_appdata=$(win_env LOCALAPPDATA)
appdata=$(win_env APPDATA)
profile=$(win_env USERPROFILE)
[ -n "$local_appdata" ] && [ -n "$appdata" ] && [ -n "$profile" ] || fatal "the user's folders are unknown"
windir="$local_appdata\\Programs\\Quarvel"
winexe="$windir\\quarvel.exe"
dir=$(unix_path "$windir")
programs=$(unix_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs")
shortcut="$programs/Quarvel.lnk"

# What another program keeps: a class of its own, which must survive.
wine reg add "$classes\\.quarveltestkeep" /ve /d "Keep.Me" /f </dev/null >/dev/null 2>&1 || fatal "reg add failed"
classes_before=$(classes_tree)
programs_before=$(cd "$programs" && find . | sort)

# Runs the setup silently with ARGS, Wine's error messages kept in a log; its exit status. A status
# other than 0 prints what the log and the folder say, so that a failure on a CI machine explains itself.
run_setup() {
  local log=$prefix/setup.log rc
  WINEDEBUG=fixme-all,warn-all,trace-all wine "$setup" /S "$@" </dev/null >"$log" 2>&1
  rc=$?
  if [ $rc -ne 0 ]; then
    echo "the setup${*:+ $*} exited $rc; Wine said:" >&2
    tail -n 20 "$log" >&2
    echo "the program folder holds: $(cd "$dir" 2>/dev/null && ls -A | tr '\n' ' ')" >&2
  fi
  return $rc
}

# --- Installation ---
run_setup
rc=$?
# NSIS ends a failed script with 2 and a cancelled one with 1, which a silent setup cannot be. A CI
# machine once saw 1 from the first program of a prefix made seconds before, with nothing said: the
# status is printed with Wine's messages, and the setup run once more, as an upgrade would run it.
if [ $rc -ne 0 ] && [ $rc -ne 2 ]; then
  echo "note: the setup exited $rc; trying once more" >&2
  sleep 2
  run_setup
  rc=$?
fi
[ $rc -eq 0 ] || fatal "the setup exited $rc"
[ -d "$dir" ] || fatal "nothing installed in $windir"
check "installed files" "$(cd "$dir" && ls -A | LC_ALL=C sort)" "$installed_files"
[ -f "$shortcut" ] || fail "no shortcut $shortcut"
# The link holds its target as ANSI and as UTF-16 text (not grep -q: pipefail would see strings' SIGPIPE).
{ strings -a "$shortcut"; strings -a -el "$shortcut"; } 2>/dev/null | grep -F "$winexe" >/dev/null ||
  fail "the shortcut does not name $winexe"

check ".kmd" "$(reg_value "$classes\\.kmd" "")" "ZELT Document.1"
check "ZELT Document.1" "$(reg_value "$classes\\ZELT Document.1" "")" "Velmo差分ﾌｧｲﾙ"
check "ZELT Document.1\\CLSID" "$(reg_value "$classes\\ZELT Document.1\\CLSID" "")" "$class_id"
check "shell\\open\\command" "$(reg_value "$classes\\ZELT Document.1\\shell\\open\\command" "")" "\"$winexe\" \"%1\""
icon=$(reg_value "$classes\\ZELT Document.1\\DefaultIcon" "")
[[ $icon == "\"$winexe\","* ]] || fail "DefaultIcon: got '$icon', wanted \"$winexe\",INDEX"
check "ZELT.Application.1\\CLSID" "$(reg_value "$classes\\ZELT.Application.1\\CLSID" "")" "$class_id"
check "CLSID ProgID" "$(reg_value "$classes\\CLSID\\$class_id\\ProgID" "")" "ZELT.Application.1"
check "CLSID LocalServer32" "$(reg_value "$classes\\CLSID\\$class_id\\LocalServer32" "")" "\"$winexe\""

check "DisplayName" "$(reg_value "$uninstall_key" DisplayName)" "Quarvel"
if [ -n "$version" ]; then
  check "DisplayVersion" "$(reg_value "$uninstall_key" DisplayVersion)" "$version"
else
  [ -n "$(reg_value "$uninstall_key" DisplayVersion)" ] || fail "no DisplayVersion"
fi
check "Publisher" "$(reg_value "$uninstall_key" Publisher)" "The Quarvel developers"
check "DisplayIcon" "$(reg_value "$uninstall_key" DisplayIcon)" "$winexe,0"
check "InstallLocation" "$(reg_value "$uninstall_key" InstallLocation)" "$windir"
check "UninstallString" "$(reg_value "$uninstall_key" UninstallString)" "\"$windir\\uninstall.exe\""
check "QuietUninstallString" "$(reg_value "$uninstall_key" QuietUninstallString)" "\"$windir\\uninstall.exe\" /S"
check "NoModify" "$(reg_value "$uninstall_key" NoModify)" "0x1"
check "NoRepair" "$(reg_value "$uninstall_key" NoRepair)" "0x1"
bytes=$(cd "$dir" && cat $installed_files | wc -c)
size=$(reg_value "$uninstall_key" EstimatedSize)
check "EstimatedSize (KB)" "$((size))" "$(((bytes + 1023) / 1024))"

# --- A diff opened as Explorer opens it, from a folder whose names hold a space and Japanese ---
if [ -z "$expected" ]; then
  if [[ $kmd == *.exe ]]; then
    # kmd.exe writes UTF-8 whatever the code page.
    shown=$(wine "$kmd" show "Z:${sample//\//\\}" </dev/null 2>/dev/null | tr -d '\r')
  else
    shown=$("$kmd" show "$sample")
  fi
  expected=$(printf '%s\n' "$shown" | sed -n 's/^entries: \([0-9]*\)$/\1/p')
  [ -n "$expected" ] || fatal "'kmd show' gave no entry count for $sample"
fi
diff_dir=$(unix_path "$profile")/"差分 テスト"
windiff="$profile\\差分 テスト\\更新 A.kmd"
mkdir -p "$diff_dir" && cp "$sample" "$diff_dir/更新 A.kmd" || fatal "could not copy the sample diff"
probe_out=$(timeout 120 wine "$probe" "$windiff" </dev/null 2>"$prefix/probe.err" | tr -d '\r')
probe_rc=$?
probe_field() { printf '%s\n' "$probe_out" | sed -n "s/^$1: //p" | head -n 1; }
probe_failures=$failures
check "the dialog's caption" "$(probe_field caption)" "Velmo 差分ファイル取込"
check "the dialog's path (control 901)" "$(probe_field path)" "$windiff"
check "the dialog's entry count (list 401)" "$(probe_field count)" "$expected"
check "the dialog's list lines" "$(printf '%s\n' "$probe_out" | grep -c '^line: ')" "$expected"
check "the program closed on WM_CLOSE" "$(probe_field closed)" "yes"
# icon: PATH,INDEX of COUNT
icon_line=$(probe_field icon)
if [[ $icon_line =~ ^(.*),(-?[0-9]+)\ of\ ([0-9]+)$ ]]; then
  check "the icon's file" "${BASH_REMATCH[1]}" "$winexe"
  index=${BASH_REMATCH[2]} count=${BASH_REMATCH[3]}
  [ "$index" -lt 0 ] || [ "$count" -gt "$index" ] ||
    fail "DefaultIcon names icon $index of quarvel.exe, which has $count icon(s)"
else
  fail "the probe gave no icon line"
fi
[ $probe_rc -eq 0 ] || fail "the probe exited $probe_rc (its messages below)"
if [ $failures -ne $probe_failures ]; then
  echo "--- the probe said:" >&2
  printf '%s\n' "$probe_out" >&2
  cat "$prefix/probe.err" >&2
  echo "---" >&2
fi

# --- Uninstallation ---
echo "user's own" >"$dir/my notes.txt"
# The uninstaller copies itself away and runs from there: wine returns before it is done. With the
# persistent server stopped, "wineserver -w" waits for it to end.
stop_server
wine "$windir\\uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller exited $?"
timeout 60 wineserver -w 2>/dev/null || fatal "the uninstaller did not end within 60 s"
start_server
check "the folder after uninstalling" "$(cd "$dir" 2>/dev/null && ls -A)" "my notes.txt"
[ ! -e "$shortcut" ] || fail "the shortcut is left"
for key in "$classes\\.kmd" "$classes\\ZELT Document.1" "$classes\\ZELT.Application.1" \
  "$classes\\CLSID\\$class_id" "$uninstall_key"; do
  key_exists "$key" && fail "$key is left"
done
check "the unrelated class" "$(reg_value "$classes\\.quarveltestkeep" "")" "Keep.Me"
classes_after=$(classes_tree)
[ "$classes_after" = "$classes_before" ] ||
  fail "the classes differ from before the installation: $(diff <(echo "$classes_before") <(echo "$classes_after"))"
check "the Start menu" "$(cd "$programs" && find . | sort)" "$programs_before"

# --- A chosen folder; an upgrade finds it; an uninstallation that empties it removes it ---
chosen='C:\QuarvelTest\インストール先'
chosen_dir=$(unix_path "$chosen")
# /D= must come last and unquoted, so the folder has no space.
run_setup "/D=$chosen" || fatal "the setup into $chosen failed"
check "files in the chosen folder" "$(cd "$chosen_dir" 2>/dev/null && ls -A | LC_ALL=C sort)" "$installed_files"
touch -d '2001-01-01' "$chosen_dir/quarvel.exe"
run_setup || fatal "the upgrade failed"
[ "$(stat -c %Y "$chosen_dir/quarvel.exe")" -gt "$(date -d 2001-01-02 +%s)" ] ||
  fail "the upgrade did not replace quarvel.exe in $chosen"
check "the default folder after the upgrade" "$(cd "$dir" 2>/dev/null && ls -A)" "my notes.txt"
check "InstallLocation after the upgrade" "$(reg_value "$uninstall_key" InstallLocation)" "$chosen"
check "the command after the upgrade" "$(reg_value "$classes\\ZELT Document.1\\shell\\open\\command" "")" \
  "\"$chosen\\quarvel.exe\" \"%1\""
stop_server
wine "$chosen\\uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller exited $?"
timeout 60 wineserver -w 2>/dev/null || fatal "the uninstaller did not end within 60 s"
start_server
[ ! -e "$chosen_dir" ] || fail "$chosen is left: $(ls -A "$chosen_dir")"
key_exists "$uninstall_key" && fail "$uninstall_key is left"
[ "$(classes_tree)" = "$classes_before" ] || fail "the classes differ from before the second installation"

if [ $failures -ne 0 ]; then
  echo "windows installer test: $failures failure(s), $((SECONDS - started)) s" >&2
  exit 1
fi
echo "windows installer test: ok, $((SECONDS - started)) s"
