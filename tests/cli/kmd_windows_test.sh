#!/usr/bin/env bash
# kmd.exe under Wine: the main job's round trip, and diff files exchanged with the native kmd both ways.
# Usage: kmd_windows_test.sh WIN_KMD WIN_SAMPLE NATIVE_KMD NATIVE_SAMPLE CASE
set -euo pipefail
win_kmd=$1 win_sample=$2 kmd=$3 sample=$4 case=$5
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

# A Unix path as Windows names it (Wine's drive Z: is the root).
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
wkmd() { wine "$win_kmd" "$@" | tr -d '\r'; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# The sample pair, with names that mix kana, kanji and Latin letters and a read-only file.
make_pair() {
  "$1" "$work/old" "$work/new" >/dev/null
  printf 'kana' >"$work/new/見積テストA.CSV"
  printf 'ro' >"$work/new/RO.TXT"
  chmod a-w "$work/new/RO.TXT"
  touch -d '2021-03-04 05:06:08' "$work/new/見積テストA.CSV" "$work/new/RO.TXT"
}

expect_same() {
  local result
  result=$("$kmd" analyse "$work/target" "$work/new" --ext CSV,TXT)
  [ "$result" = "no changes" ] || fail "$1: the target differs from the newer copy: $result"
  case $(stat -c %A "$work/target/RO.TXT") in *w*) fail "$1: RO.TXT lost its read-only flag" ;; esac
  [ "$(cat "$work/target/見積テストA.CSV")" = kana ] || fail "$1: the kana file is wrong"
  return 0
}

case $case in
  roundtrip)
    # Everything through kmd.exe: sample, analysis, show, verify, dry run, import, and the check.
    wine "$win_sample" "$(winpath "$work/old")" "$(winpath "$work/new")" >/dev/null
    printf 'kana' >"$work/new/見積テストA.CSV"
    wkmd analyse "$(winpath "$work/old")" "$(winpath "$work/new")" --ext CSV,TXT -o "$(winpath "$work/u.kmd")" \
      --comment "sample update" >/dev/null
    wkmd show "$(winpath "$work/u.kmd")" | grep -q "見積テストA.CSV" || fail "show does not list the kana file"
    wkmd verify "$(winpath "$work/u.kmd")" >/dev/null
    cp -a "$work/old" "$work/target"
    wkmd import "$(winpath "$work/u.kmd")" "$(winpath "$work/target")" --dry-run | grep -q "見積テストA.CSV" ||
      fail "the dry run does not name the kana file"
    wkmd import "$(winpath "$work/u.kmd")" "$(winpath "$work/target")" >/dev/null
    result=$(wkmd analyse "$(winpath "$work/target")" "$(winpath "$work/new")" --ext CSV,TXT)
    [ "$result" = "no changes" ] || fail "the target differs: $result"
    [ ! -e "$work/target/QUARVEL.LCK" ] && [ ! -e "$work/target/QUARVEL.JNL" ] || fail "lock or journal left"
    ;;
  native-to-windows)
    make_pair "$sample"
    "$kmd" analyse "$work/old" "$work/new" --ext CSV,TXT -o "$work/u.kmd" >/dev/null
    # Sealed here, verified there: the digests of one host are those of the other.
    case $(wkmd verify "$(winpath "$work/u.kmd")") in "sealed, "*" verified") ;; *) fail "kmd.exe does not verify a native seal" ;; esac
    cp -a "$work/old" "$work/target"
    wkmd import "$(winpath "$work/u.kmd")" "$(winpath "$work/target")" >/dev/null
    expect_same "native diff, Windows import"
    # Imported again, every entry is found applied by its base.
    wkmd import "$(winpath "$work/u.kmd")" "$(winpath "$work/target")" | grep -q "already applied" ||
      fail "kmd.exe does not find the entries applied"
    ;;
  windows-to-native)
    make_pair "$sample"
    wkmd analyse "$(winpath "$work/old")" "$(winpath "$work/new")" --ext CSV,TXT -o "$(winpath "$work/u.kmd")" >/dev/null
    case $("$kmd" verify "$work/u.kmd") in "sealed, "*" verified") ;; *) fail "kmd does not verify a seal of kmd.exe" ;; esac
    cp -a "$work/old" "$work/target"
    # A local edit made since is named by the native import, as by any.
    printf 'edited' >>"$work/target/PRICES.CSV"
    "$kmd" import "$work/u.kmd" "$work/target" >/dev/null 2>&1 && fail "a conflict in a Windows diff was imported"
    cp -a "$work/old/PRICES.CSV" "$work/target/PRICES.CSV"
    "$kmd" import "$work/u.kmd" "$work/target" >/dev/null
    expect_same "Windows diff, native import"
    ;;
  *) fail "unknown case $case" ;;
esac
echo "ok $case"
