#!/usr/bin/env bash
# Drives the built kmd binary. Usage: kmd_cli_test.sh KMD SAMPLE_GENERATOR CASE
set -uo pipefail
kmd=$1
sample=$2
case_name=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/kmd-test.XXXXXX")
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# expect CODE CMD...: runs CMD, keeps stdout in $out and stderr in $err, checks the exit code.
expect() {
  local want=$1
  shift
  out=$("$@" 2>"$work/stderr")
  local got=$?
  err=$(cat "$work/stderr")
  [ "$got" -eq "$want" ] || fail "exit $got (want $want): $* -- $err"
}
contains() { case "$1" in *"$2"*) ;; *) fail "expected '$2' in: $1" ;; esac; }
one_error_line() {
  [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "error is not one line: $err"
  contains "$err" "kmd: "
}
tree() { (cd "$1" && find . -type f -printf '%p %s %m %T@\n' | sort && cat ./* 2>/dev/null | md5sum); }

"$sample" "$work/old" "$work/new"

case "$case_name" in
  analyse)
    expect 0 "$kmd" analyse "$work/old" "$work/new" --ext CSV
    contains "$out" "○：ﾒﾆｭｰ：新メニュー"
    contains "$out" "×：書類：請求C"
    contains "$out" "○：ﾌｧｲﾙ：見積一覧.CSV"
    [ ! -e "$work/d.kmd" ] || fail "analyse without -o wrote a file"
    expect 0 "$kmd" analyse "$work/old" "$work/new" --ext CSV -o "$work/d.kmd" --comment hello
    [ -s "$work/d.kmd" ] || fail "no diff written"
    expect 0 "$kmd" analyse "$work/new" "$work/new" -o "$work/none.kmd"
    [ "$out" = "no changes" ] || fail "identical directories: $out"
    [ ! -e "$work/none.kmd" ] || fail "a diff was written for no changes"
    expect 1 "$kmd" analyse "$work/old" "$work/new" -o "$work/missing-dir/d.kmd"
    one_error_line
    ;;
  create)
    expect 0 "$kmd" create "$work/new" -o "$work/c.kmd" --comment byhand menu:SALES.SST lib:REPORT.SSD \
      "doc:DOCS.SSD/納品D" common:PARTS.SSV file:PRICES.CSV
    expect 0 "$kmd" show "$work/c.kmd" --json
    contains "$out" '"member": "納品D"'
    contains "$out" '"title": "営業メニュー"'
    contains "$out" '"description": "byhand"'
    expect 1 "$kmd" create "$work/new" -o "$work/x.kmd" menu:NOPE.SST
    one_error_line
    expect 1 "$kmd" create "$work/new" -o "$work/x.kmd" "doc:DOCS.SSD/NOPE"
    one_error_line
    expect 2 "$kmd" create "$work/new" -o "$work/x.kmd" bogus:THING
    one_error_line
    [ ! -e "$work/x.kmd" ] || fail "a refused create left a file"
    ;;
  show)
    "$kmd" analyse "$work/old" "$work/new" -o "$work/d.kmd" --comment note >/dev/null
    expect 0 "$kmd" show "$work/d.kmd"
    contains "$out" "description: note"
    contains "$out" "DOCS.SSD/見積B"
    expect 0 "$kmd" show "$work/d.kmd" --json
    # The deletion of OLDMENU.SST: op 1 with an empty block.
    printf '%s\n' "$out" | tr -d ' \n' | grep -q '{"block_length":0,"member":"","name":"OLDMENU.SST","op":1,' \
      || fail "json layout: $out"
    printf 'not a diff' >"$work/bad.kmd"
    expect 1 "$kmd" show "$work/bad.kmd"
    one_error_line
    expect 1 "$kmd" show "$work/nothing.kmd"
    one_error_line
    ;;
  verify)
    "$kmd" analyse "$work/old" "$work/new" -o "$work/d.kmd" >/dev/null
    expect 0 "$kmd" verify "$work/d.kmd"
    [ "$out" = "ok" ] || fail "verify said: $out"
    head -c -3 "$work/d.kmd" >"$work/cut.kmd"
    expect 1 "$kmd" verify "$work/cut.kmd"
    one_error_line
    contains "$err" "past the end"
    ;;
  list)
    expect 0 "$kmd" list "$work/new"
    contains "$out" "$(printf 'SALES\t営業メニュー')"
    expect 0 "$kmd" list "$work/new" libs
    contains "$out" "$(printf 'REPORT\t報告書')"
    expect 0 "$kmd" list "$work/new" commons
    contains "$out" "PARTS"
    expect 0 "$kmd" list "$work/new" docs DOCS.SSD
    contains "$out" "$(printf '納品D\t納品書')"
    expect 0 "$kmd" list "$work/new" files '*.CSV'
    contains "$out" "見積一覧.CSV"
    # The other files leave out menu files and libraries, as the creation dialog's fourth tab does.
    expect 0 "$kmd" list "$work/new" files '*.*'
    contains "$out" "見積一覧.CSV"
    case "$out" in *.SST*|*.SSD*|*.SSV*) fail "files lists menu or library files: $out" ;; esac
    expect 1 "$kmd" list "$work/new" docs NOPE.SSD
    one_error_line
    expect 2 "$kmd" list "$work/new" sideways
    one_error_line
    ;;
  roundtrip)
    "$kmd" analyse "$work/old" "$work/new" --ext CSV -o "$work/d.kmd" >/dev/null
    cp -a "$work/old" "$work/target"
    expect 0 "$kmd" import "$work/d.kmd" "$work/target" --dry-run
    contains "$out" "rebuild DOCS.SSD"
    [ "$(tree "$work/old")" = "$(tree "$work/target")" ] || fail "--dry-run changed the target"
    expect 0 "$kmd" import "$work/d.kmd" "$work/target"
    expect 0 "$kmd" analyse "$work/target" "$work/new" --ext CSV
    [ "$out" = "no changes" ] || fail "target differs after import: $out"
    # Leaving an entry out keeps that file as it was.
    cp -a "$work/old" "$work/partial"
    expect 0 "$kmd" import "$work/d.kmd" "$work/partial" --exclude 1
    expect 0 "$kmd" analyse "$work/partial" "$work/new" --ext CSV
    [ "$out" = "○：ﾒﾆｭｰ：営業メニュー" ] || fail "excluded entry: $out"
    ;;
  refused)
    "$kmd" analyse "$work/old" "$work/new" --ext CSV -o "$work/d.kmd" >/dev/null
    cp -a "$work/old" "$work/target"
    before=$(tree "$work/target")
    head -c -1 "$work/d.kmd" >"$work/cut.kmd"
    expect 1 "$kmd" import "$work/cut.kmd" "$work/target"
    one_error_line
    contains "$err" "nothing was changed"
    expect 2 "$kmd" import "$work/d.kmd" "$work/target" --exclude 99
    one_error_line
    expect 2 "$kmd" import "$work/d.kmd" "$work/target" --exclude 1,x
    printf 'garbage' >"$work/bad.kmd"
    expect 1 "$kmd" import "$work/bad.kmd" "$work/target"
    one_error_line
    # A library that cannot be read must not be replaced by the diff's documents alone.
    printf 'broken' >"$work/target/DOCS.SSD"
    before_broken=$(tree "$work/target")
    expect 1 "$kmd" import "$work/d.kmd" "$work/target"
    [ "$(tree "$work/target")" = "$before_broken" ] || fail "a refused import changed the target"
    cp "$work/old/DOCS.SSD" "$work/target/DOCS.SSD"
    touch -r "$work/old/DOCS.SSD" "$work/target/DOCS.SSD"
    [ "$(tree "$work/target")" = "$before" ] || fail "target changed"
    ;;
  usage)
    expect 2 "$kmd"
    one_error_line
    expect 2 "$kmd" frobnicate
    one_error_line
    expect 2 "$kmd" show
    one_error_line
    expect 0 "$kmd" --help
    contains "$out" "analyse"
    expect 0 "$kmd" import --help
    contains "$out" "--dry-run"
    ;;
  *)
    fail "unknown case $case_name"
    ;;
esac

if [ "$failures" -eq 0 ]; then
  echo "1 passed, 0 failed"
  exit 0
fi
echo "0 passed, 1 failed"
exit 1
