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
# An unsealed diff's import says so in a line of its own before any error.
one_error_line() {
  err=$(printf '%s\n' "$err" | grep -v '^kmd: not sealed: bytes and local changes are not checked$')
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
  damaged)
    # A changed library that does not read as one is no library without changes: cut in half in the
    # current copy, cut in the old copy, or with another magic, the analysis fails naming it (exit 1,
    # one line), lists nothing and writes no diff, by stamps and by content alike.
    half() { head -c $(($(stat -c %s "$1") / 2)) "$1" >"$2" && touch -r "$1" "$2"; }
    cp -a "$work/new" "$work/cut"
    half "$work/new/DOCS.SSD" "$work/cut/DOCS.SSD"
    expect 1 "$kmd" list "$work/cut" docs DOCS.SSD
    for how in "" --content; do
      expect 1 "$kmd" analyse "$work/old" "$work/cut" $how -o "$work/d.kmd"
      one_error_line
      contains "$err" "kmd: cannot read $work/cut/DOCS.SSD: it is not a library, or its header or index is damaged"
      [ -z "$out" ] || fail "a failed analysis listed changes: $out"
      [ ! -e "$work/d.kmd" ] || fail "a diff was written past a library that does not read"
    done
    cp -a "$work/old" "$work/oldcut"
    half "$work/old/DOCS.SSD" "$work/oldcut/DOCS.SSD"
    expect 1 "$kmd" analyse "$work/oldcut" "$work/new" -o "$work/d.kmd"
    one_error_line
    contains "$err" "cannot read $work/oldcut/DOCS.SSD: it is not a library"
    [ ! -e "$work/d.kmd" ] || fail "a diff was written past an old library that does not read"
    cp -a "$work/new" "$work/magic"
    printf 'XX' | dd of="$work/magic/DOCS.SSD" bs=1 conv=notrunc 2>/dev/null
    touch -r "$work/new/DOCS.SSD" "$work/magic/DOCS.SSD"
    expect 1 "$kmd" analyse "$work/old" "$work/magic"
    contains "$err" "cannot read $work/magic/DOCS.SSD: it is not a library"
    # A damaged library whose stamp did not change is not read, as any unchanged file.
    expect 0 "$kmd" analyse "$work/cut" "$work/cut"
    [ "$out" = "no changes" ] || fail "an unchanged damaged library: $out"
    ;;
  content)
    # A copy that did not keep the stamps: every file looks changed by its stamp, none by its bytes.
    cp -r "$work/old" "$work/copy"
    expect 0 "$kmd" analyse "$work/old" "$work/copy"
    contains "$out" "○：ﾒﾆｭｰ：メインメニュー"
    expect 0 "$kmd" analyse "$work/old" "$work/copy" --content
    [ "$out" = "no changes" ] || fail "an exact copy differs by content: $out"
    # A menu edited within its stamp (same size, one byte other, stamp put back) and a file grown by
    # one byte with its stamp kept: the stamps see nothing, the bytes both.
    cp -a "$work/old" "$work/kept"
    printf 'X' | dd of="$work/kept/MAIN.SST" bs=1 seek=70 conv=notrunc 2>/dev/null
    touch -r "$work/old/MAIN.SST" "$work/kept/MAIN.SST"
    printf 'y' >>"$work/kept/PRICES.CSV"
    touch -r "$work/old/PRICES.CSV" "$work/kept/PRICES.CSV"
    expect 0 "$kmd" analyse "$work/old" "$work/kept"
    [ "$out" = "no changes" ] || fail "stamps saw a change: $out"
    expect 0 "$kmd" analyse "$work/old" "$work/kept" --content -o "$work/c.kmd"
    [ "$out" = "$(printf '%s\n' "○：ﾒﾆｭｰ：メインメニュー" "○：ﾌｧｲﾙ：PRICES.CSV")" ] || fail "content: $out"
    expect 0 "$kmd" verify "$work/c.kmd"
    # Files only on one side are added and deleted as without the option.
    expect 0 "$kmd" analyse "$work/old" "$work/new" --content
    contains "$out" "○：ﾒﾆｭｰ：新メニュー"
    contains "$out" "×：ﾒﾆｭｰ：旧メニュー"
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
    printf '%s\n' "$out" | tr -d ' \n' | grep -q '"block_length":0,"member":"","name":"OLDMENU.SST","op":1,' \
      || fail "json layout: $out"
    # A control character in a text never breaks a line of the output.
    "$kmd" create "$work/new" -o "$work/nl.kmd" --comment "$(printf 'one\ntwo\033[31m')" menu:SALES.SST >/dev/null
    expect 0 "$kmd" show "$work/nl.kmd"
    contains "$out" 'description: one\x0Atwo\x1B[31m'
    # A damaged diff shows what can be read, and fails as verify does.
    head -c -3 "$work/d.kmd" >"$work/cut.kmd"
    expect 1 "$kmd" show "$work/cut.kmd"
    contains "$out" "description: note"
    one_error_line
    printf 'not a diff' >"$work/bad.kmd"
    expect 1 "$kmd" show "$work/bad.kmd"
    one_error_line
    expect 1 "$kmd" show "$work/nothing.kmd"
    one_error_line
    ;;
  verify)
    "$kmd" analyse "$work/old" "$work/new" -o "$work/d.kmd" >/dev/null
    expect 0 "$kmd" verify "$work/d.kmd"
    [ "$out" = "sealed, 10 entries verified" ] || fail "verify said: $out"
    head -c -3 "$work/d.kmd" >"$work/cut.kmd"
    expect 1 "$kmd" verify "$work/cut.kmd"
    one_error_line
    contains "$err" "not a valid seal"
    # Without its seal, a diff cut inside its last block.
    "$kmd" analyse "$work/old" "$work/new" -o "$work/plain.kmd" --plain >/dev/null
    expect 0 "$kmd" verify "$work/plain.kmd"
    [ "$out" = "ok, not sealed" ] || fail "verify said: $out"
    head -c -3 "$work/plain.kmd" >"$work/cut.kmd"
    expect 1 "$kmd" verify "$work/cut.kmd"
    one_error_line
    contains "$err" "past the end"
    ;;
  seal)
    # Sealed by default; --plain is the same diff without its trailer.
    "$kmd" analyse "$work/old" "$work/new" --ext CSV -o "$work/d.kmd" --comment c >/dev/null
    "$kmd" analyse "$work/old" "$work/new" --ext CSV -o "$work/p.kmd" --comment c --plain >/dev/null
    [ "$(head -c "$(stat -c %s "$work/p.kmd")" "$work/d.kmd" | md5sum)" = "$(md5sum <"$work/p.kmd")" ] ||
      fail "the sealed diff does not begin with the plain one"
    expect 0 "$kmd" show "$work/p.kmd"
    contains "$out" "seal: not sealed"
    # A diff that the writer before the seal wrote from this sample: --plain writes it byte for byte,
    # and it is read and imported as before.
    golden=$(dirname "$0")/../data/before-seal.kmd
    "$kmd" create "$work/new" -o "$work/g.kmd" --comment golden --plain menu:SALES.SST 'doc:DOCS.SSD/見積B' \
      common:PARTS.SSV file:PRICES.CSV >/dev/null
    cmp -s "$work/g.kmd" "$golden" || fail "--plain differs from the writer before the seal"
    expect 0 "$kmd" verify "$golden"
    [ "$out" = "ok, not sealed" ] || fail "verify of an unsealed diff said: $out"
    cp -a "$work/old" "$work/g"
    expect 0 "$kmd" import "$golden" "$work/g"
    contains "$out" "imported 4 of 4 entries"
    expect 0 "$kmd" show "$work/d.kmd"
    contains "$out" "made against 19 bytes"
    contains "$out" "seal: sealed, 10 entries verified"
    expect 0 "$kmd" create "$work/new" -o "$work/c.kmd" menu:SALES.SST
    expect 0 "$kmd" verify "$work/c.kmd"
    [ "$out" = "sealed, 1 entry verified" ] || fail "verify of a created diff said: $out"
    # One changed byte inside PRICES.CSV's bytes: named by verify and show, refused by the import.
    offset=$(LC_ALL=C grep -obUa 'pen,120' "$work/d.kmd" | head -1 | cut -d: -f1)
    [ -n "$offset" ] || fail "PRICES.CSV's bytes not found in the diff"
    cp "$work/d.kmd" "$work/x.kmd"
    printf 'Z' | dd of="$work/x.kmd" bs=1 seek="$offset" conv=notrunc 2>/dev/null
    expect 1 "$kmd" verify "$work/x.kmd"
    one_error_line
    contains "$err" "bytes differ from the seal"
    contains "$err" "PRICES.CSV"
    expect 1 "$kmd" show "$work/x.kmd"
    contains "$out" "DAMAGED"
    cp -a "$work/old" "$work/t"
    before=$(tree "$work/t")
    expect 1 "$kmd" import "$work/x.kmd" "$work/t"
    one_error_line
    [ "$(tree "$work/t")" = "$before" ] || fail "a damaged diff changed the target"
    # A local edit is a conflict: listed by the dry run (in JSON too) and the import, imported with --force.
    printf 'local\n' >>"$work/t/SALES.SST"
    before=$(tree "$work/t")
    expect 1 "$kmd" import "$work/d.kmd" "$work/t" --dry-run
    contains "$out" "conflict SALES.SST: the diff was made against "
    contains "$err" "kmd import --force"
    expect 1 "$kmd" import "$work/d.kmd" "$work/t" --dry-run --json
    printf '%s\n' "$out" | tr -d ' \n' | grep -q '"conflicts":\[{"entry":1,' || fail "json conflicts: $out"
    expect 2 "$kmd" import "$work/d.kmd" "$work/t" --json
    expect 1 "$kmd" import "$work/d.kmd" "$work/t"
    contains "$out" "conflict SALES.SST"
    [ "$(tree "$work/t")" = "$before" ] || fail "a refused import changed the target"
    # --force goes over the change, and names it.
    expect 0 "$kmd" import "$work/d.kmd" "$work/t" --force --dry-run
    contains "$out" "overwrite SALES.SST: the diff was made against "
    expect 0 "$kmd" import "$work/d.kmd" "$work/t" --force
    contains "$out" "overwrite SALES.SST"
    # Imported again: every entry is there already, and nothing is written.
    before=$(tree "$work/t")
    expect 0 "$kmd" import "$work/d.kmd" "$work/t"
    contains "$out" "already applied SALES.SST"
    contains "$out" "(10 already applied)"
    [ "$(tree "$work/t")" = "$before" ] || fail "an applied diff rewrote the target"
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
  paths)
    # An empty directory is not the root, and an empty -o is not "no output".
    expect 2 "$kmd" import "$work/d.kmd" ""
    one_error_line
    expect 2 "$kmd" list ""
    expect 2 "$kmd" analyse "" "$work/new"
    expect 2 "$kmd" analyse "$work/old" "$work/new" -o ""
    one_error_line
    # A missing or wrong directory is named, never taken for an empty one.
    : >"$work/afile"
    for args in "analyse /nonexistent $work/new" "analyse $work/old /nonexistent" "analyse $work/old $work/afile" \
                "list /nonexistent" "list $work/afile"; do
      expect 1 "$kmd" $args
      one_error_line
    done
    contains "$err" "not a directory"
    # The diff never lands among the files it describes.
    before=$(tree "$work/new")
    expect 2 "$kmd" analyse "$work/old" "$work/new" -o "$work/new/SALES.SST"
    one_error_line
    expect 2 "$kmd" create "$work/new" -o "$work/new/../new/SALES.SST" menu:SALES.SST
    expect 2 "$kmd" analyse "$work/old" "$work/new" -o "$work/old/x.kmd"
    [ "$(tree "$work/new")" = "$before" ] || fail "a refused -o changed the menu directory"
    [ ! -e "$work/old/x.kmd" ] || fail "a diff was written into OLD_DIR"
    # A dry run refuses what the import refuses, with the reason.
    "$kmd" analyse "$work/old" "$work/new" -o "$work/d.kmd" >/dev/null
    expect 1 "$kmd" import "$work/d.kmd" /nonexistent --dry-run
    expect 1 "$kmd" import "$work/d.kmd" "$work/afile" --dry-run
    cp -a "$work/old" "$work/target"
    mkdir "$work/target/NEWMENU.SST"
    expect 1 "$kmd" import "$work/d.kmd" "$work/target" --dry-run
    contains "$err" "a directory stands under the name"
    contains "$err" "NEWMENU.SST"
    expect 1 "$kmd" import "$work/d.kmd" "$work/target"
    contains "$err" "NEWMENU.SST"
    [ -d "$work/target/NEWMENU.SST" ] || fail "the directory under an entry's name was moved"
    ;;
  names)
    # Names mixing kana, kanji, half-width kana and Latin letters in both cases travel both ways.
    mkdir "$work/a" "$work/b"
    for n in "ﾃｽﾄa.csv" "見積b.Csv" "xテストY.csv" "漢字ｶﾅmix.CSV"; do printf '%s' "$n" >"$work/b/$n"; done
    printf 'old' >"$work/a/ﾃｽﾄa.csv"
    touch -d '2001-01-01' "$work/a/ﾃｽﾄa.csv"
    expect 0 "$kmd" list "$work/b" files '*.CSV'
    contains "$out" "ﾃｽﾄa.csv"
    expect 0 "$kmd" analyse "$work/a" "$work/b" --ext CSV -o "$work/n.kmd"
    contains "$out" "○：ﾌｧｲﾙ：見積B.CSV"
    expect 0 "$kmd" verify "$work/n.kmd"
    expect 0 "$kmd" import "$work/n.kmd" "$work/a"
    expect 0 "$kmd" analyse "$work/a" "$work/b" --ext CSV
    [ "$out" = "no changes" ] || fail "mixed names after import: $out"
    # The analysis names files upper-cased; the replaced file takes that name, the old one is gone.
    [ "$(cat "$work/a/ﾃｽﾄA.CSV")" = "ﾃｽﾄa.csv" ] || fail "ﾃｽﾄa.csv was not replaced"
    [ ! -e "$work/a/ﾃｽﾄa.csv" ] || fail "the old ﾃｽﾄa.csv is still there"
    ;;
  workfiles)
    # Leftovers of an interrupted import are neither listed nor carried.
    printf 'x' >"$work/new/SBN0AB.CDE"
    printf 'x' >"$work/new/sbn1zz.csv"
    expect 0 "$kmd" analyse "$work/old" "$work/new" --ext CDE,CSV
    case "$out" in *SBN*) fail "work files listed: $out" ;; esac
    expect 0 "$kmd" list "$work/new" files '*.*'
    case "$out" in *SBN*) fail "work files listed: $out" ;; esac
    expect 1 "$kmd" create "$work/new" -o "$work/w.kmd" file:SBN0AB.CDE
    one_error_line
    contains "$err" "SBN0AB.CDE"
    [ ! -e "$work/w.kmd" ] || fail "a diff carrying a work file was written"
    # Hidden names may be carried; the dry run says they will be hidden.
    printf 'h' >"$work/new/.hidden"
    expect 0 "$kmd" create "$work/new" -o "$work/h.kmd" file:.hidden
    expect 0 "$kmd" import "$work/h.kmd" "$work/old" --dry-run
    contains "$out" "create .hidden (hidden)"
    ;;
  recover)
    # Names, bytes and modes; a rebuilt library's time is its rebuild's.
    state() { (cd "$1" && find . -type f -printf '%p %s %m\n' | sort && cat ./* 2>/dev/null | md5sum); }
    head -c 48000000 /dev/urandom >"$work/new/BIG.DAT"
    "$kmd" analyse "$work/old" "$work/new" -o "$work/d.kmd" >/dev/null
    cp -a "$work/old" "$work/done" && "$kmd" import "$work/d.kmd" "$work/done" >/dev/null
    old_state=$(state "$work/old")
    new_state=$(state "$work/done")
    expect 0 "$kmd" recover "$work/done"
    [ "$out" = "no interrupted import in $work/done" ] || fail "clean directory: $out"
    # An import stopped while it holds the directory: everything else waits for it.
    stopped=0
    for try in 1 2 3 4 5 6 7 8; do
      rm -rf "$work/t" && cp -a "$work/old" "$work/t"
      "$kmd" import "$work/d.kmd" "$work/t" >/dev/null 2>&1 &
      pid=$!
      while kill -0 $pid 2>/dev/null && [ ! -e "$work/t/QUARVEL.JNL" ]; do :; done
      kill -STOP $pid 2>/dev/null
      if [ -e "$work/t/QUARVEL.LCK" ] && [ -e "$work/t/QUARVEL.JNL" ]; then stopped=1; break; fi
      kill -CONT $pid 2>/dev/null; wait $pid
    done
    [ "$stopped" -eq 1 ] || fail "could not stop an import midway"
    if [ "$stopped" -eq 1 ]; then
      midway=$(state "$work/t")
      expect 1 "$kmd" import "$work/d.kmd" "$work/t"
      one_error_line
      contains "$err" "another import is running in $work/t"
      expect 1 "$kmd" recover "$work/t"
      contains "$err" "another import is running in $work/t"
      expect 1 "$kmd" analyse "$work/old" "$work/new" -o "$work/t/x.kmd"
      contains "$err" "another import is running in $work/t"
      expect 1 "$kmd" analyse "$work/t" "$work/new"
      [ "$midway" = "$(state "$work/t")" ] || fail "a refused command touched the directory"
      # Killed there, the next command finishes it; a dry run first tells of it.
      kill -KILL $pid; wait $pid 2>/dev/null
      expect 0 "$kmd" import "$work/d.kmd" "$work/t" --dry-run
      contains "$out" "pending rolled back the interrupted import in $work/t"
      expect 1 "$kmd" analyse "$work/t" "$work/new"
      contains "$err" "awaits recovery in $work/t"
      expect 0 "$kmd" recover "$work/t"
      contains "$out" "the interrupted import in $work/t"
      [ "$(state "$work/t")" = "$old_state" ] || [ "$(state "$work/t")" = "$new_state" ] || fail "mixed after recover"
    fi
    # Killed at random moments: after kmd recover, always the old or the new state.
    olds=0 news=0
    for i in $(seq 1 24); do
      rm -rf "$work/t" && cp -a "$work/old" "$work/t"
      "$kmd" import "$work/d.kmd" "$work/t" >/dev/null 2>&1 &
      pid=$!
      sleep "$(printf '0.%03d' $((RANDOM % 140)))"
      kill -KILL $pid 2>/dev/null; wait $pid 2>/dev/null
      "$kmd" recover "$work/t" >/dev/null || fail "recover failed after kill $i"
      got=$(state "$work/t")
      if [ "$got" = "$old_state" ]; then olds=$((olds + 1))
      elif [ "$got" = "$new_state" ]; then news=$((news + 1))
      else fail "kill $i left a mixed directory"; fi
      ls "$work/t" | grep -q -E '^(SBN|QUARVEL|XXXXXX)' && fail "kill $i left work files: $(ls "$work/t")"
    done
    echo "24 killed imports: $olds old, $news new"
    # Killed once it moved files to their backups, which are then removed by hand: kmd recover says the
    # old state is not back and fails, names what it could not restore, and frees the directory.
    caught=0
    for try in 1 2 3 4 5 6 7 8; do
      rm -rf "$work/t" && cp -a "$work/old" "$work/t"
      "$kmd" import "$work/d.kmd" "$work/t" >/dev/null 2>&1 &
      pid=$!
      while kill -0 $pid 2>/dev/null && ! ls "$work/t" | grep -q '^SBN0'; do :; done
      kill -KILL $pid 2>/dev/null; wait $pid 2>/dev/null
      if ls "$work/t" | grep -q '^SBN0' &&
         "$kmd" import "$work/d.kmd" "$work/t" --dry-run 2>/dev/null | grep -q "pending rolled back"; then
        caught=1; break
      fi
    done
    if [ "$caught" -eq 1 ]; then
      rm -f "$work/t"/SBN0*
      expect 1 "$kmd" recover "$work/t"
      contains "$err" "its old state is not back: the old files of "
      contains "$err" "could not be restored"
      case "$out$err" in *"its old state is back"*) fail "a lost backup reported as rolled back" ;; esac
      expect 0 "$kmd" recover "$work/t"
      contains "$out" "no interrupted import in $work/t"
    else
      fail "could not kill an import after its first backup"
    fi    # A recovery completes only what it can prove, and removes only the import's own files. Killed at
    # its second rename(2), the commit's first library (the first puts the rewritten journal in place).
    if command -v strace >/dev/null; then
      killed_in_commit() {
        rm -rf "$work/t" && cp -a "$work/old" "$work/t"
        strace -f -o /dev/null -e trace=rename -e inject=rename:signal=KILL:when=$1 \
          "$kmd" import "$work/d.kmd" "$work/t" >/dev/null 2>&1
      }
      killed_in_commit 2
      expect 0 "$kmd" import "$work/d.kmd" "$work/t" --dry-run
      contains "$out" "pending completed the interrupted import"
      # A new file gone since: its old file, in its backup, is all there is of it, and stays.
      rm "$work/t/PRICES.CSV"
      expect 1 "$kmd" recover "$work/t"
      contains "$err" "but for PRICES.CSV"
      contains "$out" "kept SBN0"
      contains "$out" "placed DOCS.SSD"
      [ "$(ls "$work/t" | grep -c '^SBN0')" -eq 1 ] || fail "the backup of a vanished new file was removed"
      # A library edited since the import died is theirs now: the recovery keeps it and says so.
      killed_in_commit 2
      printf 'EDIT' >>"$work/t/DOCS.SSD"
      expect 1 "$kmd" recover "$work/t"
      contains "$out" "kept DOCS.SSD"
      case "$(tail -c 4 "$work/t/DOCS.SSD")" in EDIT) ;; *) fail "a library edited after the crash was replaced" ;; esac
      # A new file changed since is no more the import's than a missing one.
      killed_in_commit 2
      printf 'changed' >"$work/t/NEWMENU.SST"
      expect 1 "$kmd" recover "$work/t"
      contains "$err" "but for NEWMENU.SST"
      [ "$(cat "$work/t/NEWMENU.SST")" = "changed" ] || fail "a changed new file was not kept"
      # A stale journal in a directory put back to the new state removes none of its files.
      killed_in_commit 1
      cp "$work/t/QUARVEL.JNL" "$work/stale.jnl"
      expect 0 "$kmd" recover "$work/t"
      [ "$(state "$work/t")" = "$old_state" ] || fail "an import killed before writing is not rolled back"
      rm -rf "$work/t" && cp -a "$work/done" "$work/t" && cp "$work/stale.jnl" "$work/t/QUARVEL.JNL"
      expect 1 "$kmd" recover "$work/t"
      contains "$out" "kept NEWMENU.SST"
      case "$out" in *"removed NEWMENU.SST"*|*"removed PRICES.CSV"*) fail "a stale journal removed new files: $out" ;; esac
      for f in NEWMENU.SST PRICES.CSV BIG.DAT; do
        cmp -s "$work/done/$f" "$work/t/$f" || fail "a stale journal changed $f"
      done
    fi
    ;;
  undo)
    # Names, sizes, modes and times, and every byte; the time of DOCS.SSD, rebuilt, left out.
    but_docs_time() { tree "$1" | sed -E 's|^(\./DOCS\.SSD [0-9]+ [0-7]+) .*|\1|'; }
    "$kmd" analyse "$work/old" "$work/new" --ext CSV -o "$work/d.kmd" --comment "sample update" >/dev/null
    chmod a-w "$work/old/SALES.SST"
    cp -a "$work/old" "$work/t"
    before=$(tree "$work/t")
    # The dry run tells what the undo would hold, and writes nothing.
    expect 0 "$kmd" import "$work/d.kmd" "$work/t" --dry-run --undo "$work/u.kmd"
    contains "$out" "undo description undo "
    contains "$out" "sample update"
    contains "$out" "undo put SALES.SST (read-only)"
    contains "$out" "undo delete NEWMENU.SST"
    contains "$out" "undo put OLDMENU.SST"
    contains "$out" "undo put-document DOCS.SSD/請求C"
    contains "$out" "undo delete-document DOCS.SSD/納品D"
    planned=$(printf '%s\n' "$out" | grep -c '^undo \(put\|delete\)')
    [ ! -e "$work/u.kmd" ] || fail "--dry-run wrote the undo file"
    # An undo file is a new file outside the menu directory, never the diff, a link or a directory.
    : >"$work/taken.kmd"
    mkdir "$work/adir"
    ln -s "$work/nowhere" "$work/link.kmd"
    for bad in "$work/t/u.kmd" "$work/t/../t/u.kmd" "$work/d.kmd" "$work/taken.kmd" "$work/adir" "$work/link.kmd" ""; do
      expect 2 "$kmd" import "$work/d.kmd" "$work/t" --undo "$bad"
      one_error_line
    done
    expect 1 "$kmd" import "$work/d.kmd" "$work/t" --undo "$work/missing/u.kmd"
    one_error_line
    # A link under a name that the import replaces cannot be carried back: refused before any change.
    mv "$work/t/PRICES.CSV" "$work/prices"
    ln -s "$work/prices" "$work/t/PRICES.CSV"
    linked=$(tree "$work/t")
    # (--force: a link where the diff was made against a file is a local change, which the import
    # would refuse first.)
    expect 1 "$kmd" import "$work/d.kmd" "$work/t" --undo "$work/u.kmd" --force
    one_error_line
    contains "$err" "symbolic link"
    contains "$err" "is unchanged"
    [ "$(tree "$work/t")" = "$linked" ] && [ -L "$work/t/PRICES.CSV" ] || fail "a refused undo changed the target"
    rm "$work/t/PRICES.CSV" && mv "$work/prices" "$work/t/PRICES.CSV"
    [ "$(tree "$work/t")" = "$before" ] || fail "a refused undo path changed the target"
    [ ! -e "$work/u.kmd" ] && [ ! -e "$work/missing" ] || fail "a refused import left an undo file"
    [ "$(cat "$work/taken.kmd")" = "" ] && [ -d "$work/adir" ] && [ -L "$work/link.kmd" ] || fail "a refused undo path was touched"
    # The import with its undo, then the undo: the old state, every file with its bytes, mode and time.
    expect 0 "$kmd" import "$work/d.kmd" "$work/t" --undo "$work/u.kmd"
    contains "$out" "wrote the undo to $work/u.kmd"
    expect 0 "$kmd" verify "$work/u.kmd"
    expect 0 "$kmd" show "$work/u.kmd" --json
    [ "$(printf '%s\n' "$out" | grep -c '"op"')" -eq "$planned" ] || fail "the undo does not hold what the dry run said"
    expect 0 "$kmd" import "$work/u.kmd" "$work/t"
    [ "$(but_docs_time "$work/t")" = "$(but_docs_time "$work/old")" ] || fail "the undo did not give the old state back"
    expect 0 "$kmd" analyse "$work/t" "$work/old" --ext CSV
    [ "$out" = "no changes" ] || fail "after the undo: $out"
    # An entry left out of the import is left out of its undo.
    cp -a "$work/old" "$work/t2"
    expect 0 "$kmd" import "$work/d.kmd" "$work/t2" --exclude 1 --undo "$work/u2.kmd"
    expect 0 "$kmd" show "$work/u2.kmd"
    case "$out" in *SALES.SST*) fail "the excluded SALES.SST is in the undo: $out" ;; esac
    expect 0 "$kmd" import "$work/u2.kmd" "$work/t2"
    [ "$(but_docs_time "$work/t2")" = "$(but_docs_time "$work/old")" ] || fail "the partial undo did not give the old state back"
    # Nothing to undo: no undo file.
    entries=$("$kmd" show "$work/d.kmd" --json | grep -c '"op"')
    expect 0 "$kmd" import "$work/d.kmd" "$work/t2" --exclude "$(seq -s, 0 $((entries - 1)))" --undo "$work/u3.kmd"
    contains "$out" "nothing to undo"
    [ ! -e "$work/u3.kmd" ] || fail "an undo file was written for nothing"
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
    contains "$out" "--undo"
    ;;
  live)
    # The menu directory is in use while the import runs; the diff may lose its seal on the way.
    "$kmd" analyse "$work/old" "$work/new" --ext CSV -o "$work/d.kmd" >/dev/null
    # A seal cut off leaves a valid diff without checks: every reader says so.
    python3 -c 'import struct,sys; b=open(sys.argv[1],"rb").read(); n=struct.unpack_from("<I",b,len(b)-16)[0]; open(sys.argv[2],"wb").write(b[:len(b)-48-n])' \
      "$work/d.kmd" "$work/cut.kmd"
    expect 0 "$kmd" verify "$work/cut.kmd"
    # A header that claims more entries or a larger directory than the directory holds is damage.
    for at in 8 12; do
      python3 -c 'import struct,sys; b=bytearray(open(sys.argv[1],"rb").read()); struct.pack_into("<I",b,int(sys.argv[3]),10000000); open(sys.argv[2],"wb").write(b)' \
        "$work/d.kmd" "$work/head.kmd" "$at"
      expect 1 "$kmd" verify "$work/head.kmd"
      contains "$err" "the header's entry count or directory size does not match the directory"
    done
    cp -a "$work/old" "$work/t"
    printf 'my own edit' >>"$work/t/PRICES.CSV"
    expect 1 "$kmd" import "$work/d.kmd" "$work/t"
    expect 0 "$kmd" import "$work/cut.kmd" "$work/t" --dry-run
    contains "$err" "kmd: not sealed: bytes and local changes are not checked"
    expect 0 "$kmd" import "$work/cut.kmd" "$work/t" --dry-run --json
    contains "$out" '"sealed": false'
    expect 0 "$kmd" import "$work/d.kmd" "$work/old" --dry-run --json
    contains "$out" '"sealed": true'
    expect 0 "$kmd" import "$work/cut.kmd" "$work/t"
    contains "$err" "kmd: not sealed: bytes and local changes are not checked"
    # A library deleted here is a local change: a document added to it does not bring it back alone.
    rm -rf "$work/t" && cp -a "$work/old" "$work/t" && rm "$work/t/DOCS.SSD"
    expect 1 "$kmd" import "$work/d.kmd" "$work/t" --exclude 0,1,2,3,4,6,7,8,9
    contains "$out" "conflict DOCS.SSD/納品D: the diff was made against missing; the menu directory holds no library DOCS.SSD"
    contains "$err" "(entry 5: DOCS.SSD/納品D)"
    [ ! -e "$work/t/DOCS.SSD" ] || fail "the deleted library came back"
    # An edit made while the import runs: the import is held up just before it moves PRICES.CSV aside
    # (its second rename; the first puts the journal in place), and the file is appended to meanwhile.
    if command -v strace >/dev/null; then
      rm -rf "$work/t" && cp -a "$work/old" "$work/t"
      strace -f -o /dev/null -e trace=rename,renameat,renameat2 -e inject=rename,renameat,renameat2:delay_enter=1500000:when=2 \
        "$kmd" import "$work/d.kmd" "$work/t" >"$work/out" 2>"$work/stderr" &
      pid=$!
      sleep 0.8
      printf 'edit while importing' >>"$work/t/PRICES.CSV"
      wait $pid
      got=$?
      err=$(cat "$work/stderr")
      [ "$got" -eq 1 ] || fail "an import over a file edited meanwhile exited $got: $err"
      contains "$err" "was changed while the import ran; nothing was imported"
      case "$(cat "$work/t/PRICES.CSV")" in *"edit while importing") ;; *) fail "the edit made during the import was lost" ;; esac
      [ -e "$work/t/OLDMENU.SST" ] && [ ! -e "$work/t/NEWMENU.SST" ] || fail "the import was not rolled back"
      # A library saved anew while the import stages is kept, and the import rolls back.
      rm -rf "$work/t" && cp -a "$work/old" "$work/t"
      strace -f -o /dev/null -e trace=fsync,fdatasync -e inject=fsync,fdatasync:delay_enter=1500000:when=1 \
        "$kmd" import "$work/d.kmd" "$work/t" >"$work/out" 2>"$work/stderr" &
      pid=$!
      sleep 0.8
      cp "$work/new/DOCS.SSD" "$work/t/DOCS.new" && mv "$work/t/DOCS.new" "$work/t/DOCS.SSD"
      wait $pid
      got=$?
      err=$(cat "$work/stderr")
      [ "$got" -eq 1 ] || fail "an import over a library saved meanwhile exited $got: $err"
      contains "$err" "DOCS.SSD was changed while the import ran; nothing was imported"
      cmp -s "$work/new/DOCS.SSD" "$work/t/DOCS.SSD" || fail "the library saved during the import was lost"
    else
      echo "strace missing: the edits during an import are not tried"
    fi
    ;;
  edges)
    # Faults at the edges: what the file system, a crafted diff or a second process hands in.
    "$kmd" analyse "$work/old" "$work/new" --ext CSV -o "$work/d.kmd" >/dev/null
    # A directory that cannot be listed is no empty directory: as another user, whom mode 000 keeps out.
    if [ "$(id -u)" -eq 0 ]; then as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups); else as_user=(); fi
    chmod -R a+rX "$work/old" "$work/new"
    chmod 755 "$work"
    cp -a "$work/new" "$work/shut"
    chmod 000 "$work/shut"
    expect 1 "${as_user[@]}" "$kmd" analyse "$work/old" "$work/shut" -o "$work/empty.kmd"
    one_error_line
    contains "$err" "cannot read $work/shut/: permission denied"
    [ ! -e "$work/empty.kmd" ] || fail "an unreadable directory was analysed"
    expect 1 "${as_user[@]}" "$kmd" analyse "$work/shut" "$work/new" --content
    contains "$err" "cannot read $work/shut/"
    expect 1 "${as_user[@]}" "$kmd" list "$work/shut" menus
    contains "$err" "permission denied"
    chmod 755 "$work/shut"

    # The lock file is never written through a hard link, nor taken over when it is not this user's.
    cp -a "$work/old" "$work/t"
    printf 'precious' >"$work/outside.txt"
    ln "$work/outside.txt" "$work/t/QUARVEL.LCK"
    expect 1 "$kmd" import "$work/d.kmd" "$work/t"
    one_error_line
    contains "$err" "hard link"
    [ "$(cat "$work/outside.txt")" = "precious" ] || fail "the import wrote through a hard link: $(cat "$work/outside.txt")"
    expect 1 "$kmd" recover "$work/t"
    [ "$(cat "$work/outside.txt")" = "precious" ] || fail "the recovery wrote through a hard link"
    rm "$work/t/QUARVEL.LCK"
    if [ "$(id -u)" -eq 0 ]; then
      printf 'pid 1 on elsewhere' >"$work/t/QUARVEL.LCK"
      chown 65534:65534 "$work/t/QUARVEL.LCK"
      chmod 644 "$work/t/QUARVEL.LCK"
      expect 1 "$kmd" import "$work/d.kmd" "$work/t"
      contains "$err" "a lock file of another user's import is left in $work/t"
      [ "$(cat "$work/t/QUARVEL.LCK")" = "pid 1 on elsewhere" ] || fail "another user's lock file was written"
      rm "$work/t/QUARVEL.LCK"
    fi
    mkfifo "$work/t/QUARVEL.LCK"
    expect 1 "$kmd" import "$work/d.kmd" "$work/t"
    contains "$err" "FIFO"
    rm "$work/t/QUARVEL.LCK"
    mkdir "$work/t/QUARVEL.LCK"
    expect 1 "$kmd" import "$work/d.kmd" "$work/t"
    contains "$err" "a directory stands under the lock file's name"
    rmdir "$work/t/QUARVEL.LCK"
    # A stale lock of this user's (a crashed import) is simply taken over.
    printf 'pid 1 on here' >"$work/t/QUARVEL.LCK"
    expect 0 "$kmd" import "$work/d.kmd" "$work/t" --dry-run

    # -o is the path as typed: a file whose name differs in case only stays as it was.
    mkdir "$work/out"
    printf 'notes' >"$work/out/notes.kmd"
    expect 0 "$kmd" create "$work/new" -o "$work/out/NOTES.KMD" menu:SALES.SST
    [ "$(cat "$work/out/notes.kmd")" = "notes" ] || fail "create -o replaced a file of another case"
    expect 0 "$kmd" verify "$work/out/NOTES.KMD"
    expect 0 "$kmd" analyse "$work/old" "$work/new" -o "$work/out/Notes.Kmd"
    [ "$(cat "$work/out/notes.kmd")" = "notes" ] || fail "analyse -o replaced a file of another case"
    [ -f "$work/out/Notes.Kmd" ] || fail "analyse -o made no file under the name typed"

    # One check for all: a flipped op (a replacement turned deletion with its data still there, or the
    # dialogs' excluded mark) is refused by show and import as by verify, and the target stays.
    cp -a "$work/old" "$work/target"
    before=$(tree "$work/target")
    for op in '\x01' '\x00\x10'; do
      cp "$work/d.kmd" "$work/flip.kmd"
      printf "$op" | dd of="$work/flip.kmd" bs=1 seek=66 conv=notrunc 2>/dev/null
      expect 1 "$kmd" verify "$work/flip.kmd"
      expect 1 "$kmd" show "$work/flip.kmd"
      contains "$err" "flip.kmd: "
      expect 1 "$kmd" import "$work/flip.kmd" "$work/target"
      one_error_line
      contains "$err" "(entry 0:"
      expect 1 "$kmd" import "$work/flip.kmd" "$work/target" --dry-run
    done
    [ "$(tree "$work/target")" = "$before" ] || fail "a flipped op changed the target"

    # Names that Windows would strip of a last "." or " " are refused everywhere.
    printf 'x' >"$work/new/A.TXTZ"
    "$kmd" create "$work/new" -o "$work/dot.kmd" file:A.TXTZ >/dev/null
    at=$(grep -abo 'A.TXTZ' "$work/dot.kmd" | head -1 | cut -d: -f1)
    for end in '.' ' '; do
      printf "$end" | dd of="$work/dot.kmd" bs=1 seek=$((at + 5)) conv=notrunc 2>/dev/null
      expect 1 "$kmd" verify "$work/dot.kmd"
      expect 1 "$kmd" import "$work/dot.kmd" "$work/target"
      contains "$err" "not a plain file name"
    done
    expect 1 "$kmd" create "$work/new" -o "$work/x.kmd" "file:A.TXTZ."
    [ "$(tree "$work/target")" = "$before" ] || fail "a name with a last dot changed the target"

    # A dry run while another import holds the lock says so, not that it rolled anything back.
    printf 'held' >"$work/target/QUARVEL.LCK"
    cp "$work/target/SALES.SST" "$work/target/QUARVEL.JNL"
    python3 -c '
import fcntl, sys, time
f = open(sys.argv[1], "r+")
fcntl.lockf(f, fcntl.LOCK_EX)
open(sys.argv[2], "w").close()
time.sleep(30)' "$work/target/QUARVEL.LCK" "$work/held" &
    holder=$!
    for _ in $(seq 100); do [ -e "$work/held" ] && break; sleep 0.1; done
    expect 1 "$kmd" import "$work/d.kmd" "$work/target" --dry-run
    one_error_line
    contains "$err" "another import is running in $work/target"
    kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null
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
