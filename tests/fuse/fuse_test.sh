#!/usr/bin/env bash
# kmd against real I/O errors. faultfs.py, a FUSE pass-through that fails chosen calls, holds the
# current menu directory of an analysis, the directory a diff is written to, a diff being imported,
# and a menu directory being imported into; every outcome must be the old or the new state of the
# menu directory, with anything else left there named by kmd, and nothing lost.
# Usage: fuse_test.sh KMD SAMPLE_GENERATOR        (exit 77: FUSE cannot be used here)
set -uo pipefail
kmd=$1
sample=$2
here=$(cd "$(dirname "$0")" && pwd)
py=/usr/bin/python3  # python3-fuse is Debian's python's
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LC_ALL=C.UTF-8
started=$SECONDS

skip() { echo "SKIP: $*"; exit 77; }
[ -c /dev/fuse ] || skip "no /dev/fuse"
command -v fusermount3 >/dev/null || skip "no fusermount3 (Debian package fuse3)"
"$py" -c 'import fuse' 2>/dev/null || skip "no python3-fuse for $py"

work=$(mktemp -d "${TMPDIR:-/tmp}/kmd-fuse.XXXXXX")
mounts=()
fs_pids=()
cleanup() {
  local m p
  for m in "${mounts[@]}"; do fusermount3 -u -z "$m" 2>/dev/null; done
  for p in "${fs_pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${fs_pids[@]}"; do wait "$p" 2>/dev/null; done
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# One build for the whole run, even when the tree is rebuilt meanwhile.
cp "$kmd" "$work/kmd" && cp "$sample" "$work/sample" || { echo "FAIL: cannot copy $kmd and $sample"; exit 1; }
kmd=$work/kmd
sample=$work/sample

# ---- results: one scenario passes when none of its checks fails
passed=0
failed=0
scenario=""
scenario_ok=1
begin() { scenario=$1; scenario_ok=1; }
fail() { echo "FAIL [$scenario]: $*"; scenario_ok=0; }
# FUSE_TEST_VERBOSE=1 also shows each passed scenario with kmd's last words.
end() {
  if [ "$scenario_ok" -eq 1 ]; then
    passed=$((passed + 1))
    [ -z "${FUSE_TEST_VERBOSE:-}" ] || echo "ok [$scenario]: exit ${rc:-}: $(printf '%s %s' "${out:-}" "${err:-}" | tr '\n' ' ' | cut -c1-160)"
  else
    failed=$((failed + 1))
  fi
}
section() { echo "== $* (at $((SECONDS - started)) s)"; }
contains() { case "$1" in *"$2"*) ;; *) fail "expected '$2' in: $1" ;; esac; }

# run ARGS...: kmd with a time limit; $rc, $out, $err. A sanitizer report fails the scenario.
run() {
  out=$(timeout -k 5 60 "$kmd" "$@" 2>"$work/err")
  rc=$?
  err=$(cat "$work/err")
  case "$err" in
    *Sanitizer* | *"runtime error:"*) fail "sanitizer report from kmd $*: $err" ;;
  esac
  [ "$rc" -le 2 ] || fail "kmd $* ended with $rc: $err"
}

# ---- the file system
# mount_fs NAME SOURCE: mounts SOURCE at $work/NAME.mnt; rules in $work/NAME.rules, calls in $work/NAME.log.
mount_fs() {
  local name=$1 src=$2 mnt=$work/$1.mnt pid
  mkdir -p "$mnt"
  : >"$work/$name.rules"
  : >"$work/$name.log"
  # direct_io: every read reaches the file system (no page cache to hide a fault, short reads come
  # through); no attribute or name caching; hard_remove: no .fuse_hidden files.
  "$py" "$here/faultfs.py" "$mnt" -f -o "source=$src,rules=$work/$name.rules,log=$work/$name.log,fsname=faultfs,direct_io,hard_remove,use_ino,attr_timeout=0,entry_timeout=0,negative_timeout=0" \
    >"$work/$name.fs.out" 2>&1 &
  pid=$!
  for _ in $(seq 200); do
    if grep -qF " $mnt fuse" /proc/mounts; then
      fs_pids+=("$pid")
      mounts+=("$mnt")
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  # Not allowed to mount: no access to /dev/fuse, or (not root) no fusermount for libfuse 2.
  if grep -qiE 'permission|not permitted|device not found|/dev/fuse|fusermount' "$work/$name.fs.out"; then
    skip "cannot mount FUSE here: $(grep -m1 -iE 'fuse|permi' "$work/$name.fs.out")"
  fi
  echo "FAIL: faultfs did not mount: $(head -c 1000 "$work/$name.fs.out")"
  exit 1
}
generation=0
# rules NAME LINE...: the rules of NAME's file system, counted from now on.
rules() {
  local name=$1
  shift
  generation=$((generation + 1))
  { echo "# $generation"; printf '%s\n' "$@"; } >"$work/$name.rules.new"
  mv "$work/$name.rules.new" "$work/$name.rules"
  : >"$work/$name.log"
}
fired() { grep -c '^FAULT ' "$work/$1.log"; }

# ---- states of a menu directory: name, type, size, mode, time (seconds) and bytes of each entry
state() {
  (cd "$1" && find . -mindepth 1 -maxdepth 1 -printf '%P\t%y\t%s\t%m\t%T@\n' | LC_ALL=C sort |
    while IFS=$'\t' read -r n t s m time; do
      h=-
      [ "$t" = f ] && h=$(md5sum <"$n" | cut -c1-32)
      printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$n" "$t" "$s" "$m" "${time%.*}" "$h"
    done)
}
# as_state old|new STATE: STATE as it is compared with that state: a library that the import rebuilds
# has its rebuild's time, which is not compared.
as_state() {
  if [ "$1" = new ]; then
    printf '%s\n' "$2" | awk -F'\t' -v OFS='\t' -v names="$rebuilt" \
      'BEGIN { n = split(names, a, " "); for (i = 1; i <= n; i++) r[a[i]] = 1 } { if ($1 in r) $5 = "-"; print }'
  else
    printf '%s\n' "$2"
  fi
}
# judge DIR MESSAGE: $verdict is old or new when DIR is that state apart from entries that MESSAGE
# names (a journal counts as named by a message that sends the user to kmd recover); else "bad",
# and the scenario fails.
judge() {
  local dir=$1 msg=$2 cur which ref missing extra unnamed n
  cur=$(state "$dir")
  verdict=bad
  for which in old new; do
    ref=${which}_state
    missing=$(LC_ALL=C comm -13 <(as_state $which "$cur") <(as_state $which "${!ref}"))
    [ -z "$missing" ] || continue
    extra=$(LC_ALL=C comm -23 <(as_state $which "$cur") <(as_state $which "${!ref}") | cut -f1)
    unnamed=""
    while IFS= read -r n; do
      [ -n "$n" ] || continue
      case "$msg" in
        *"$n"*) ;;
        *"kmd recover"*) [ "$n" = QUARVEL.JNL ] || unnamed="$unnamed $n" ;;  # the journal that drives it
        *) unnamed="$unnamed $n" ;;
      esac
    done <<<"$extra"
    if [ -z "$unnamed" ]; then
      verdict=$which
      return 0
    fi
    fail "the $which state with entries that kmd did not name:$unnamed -- kmd said: $msg"
    return 1
  done
  fail "neither the old nor the new state -- kmd said: $msg"
  echo "  against the old state:"
  diff <(printf '%s\n' "$old_state") <(printf '%s\n' "$cur") | sed 's/^/    /'
  echo "  against the new state:"
  diff <(printf '%s\n' "$new_state") <(printf '%s\n' "$cur") | sed 's/^/    /'
  return 1
}

# ---- the sample, a diff, and the new state made by importing it into a plain copy
"$sample" "$work/old" "$work/new" >/dev/null || { echo "FAIL: the sample generator failed"; exit 1; }
"$kmd" analyse "$work/old" "$work/new" -o "$work/d.kmd" >/dev/null || { echo "FAIL: analyse of the sample"; exit 1; }
cp -a "$work/old" "$work/ref" && "$kmd" import "$work/d.kmd" "$work/ref" >/dev/null ||
  { echo "FAIL: import of the sample"; exit 1; }
old_state=$(state "$work/old")
new_state=$(state "$work/ref")
# The libraries that the import rebuilds: their time is that of the import, not of the diff.
rebuilt=$(LC_ALL=C join -t $'\t' <(state "$work/ref" | cut -f1,5) <(state "$work/new" | cut -f1,5) |
  awk -F'\t' '$2 - $3 > 2 || $3 - $2 > 2 { printf "%s ", $1 }')
[ -n "$rebuilt" ] || { echo "FAIL: the sample's import rebuilt no library"; exit 1; }
create_items=(menu:SALES.SST lib:REPORT.SSD "doc:DOCS.SSD/納品D" common:PARTS.SSV file:PRICES.CSV)
"$kmd" create "$work/new" -o "$work/c.kmd" "${create_items[@]}" >/dev/null || { echo "FAIL: create"; exit 1; }

# =====================================================================================================
# The analysis: the current menu directory on faultfs. A read that fails is never taken for an
# empty directory, library or file: exit 1, a read failure and the name, and no diff.
section "the analysis"
mkdir -p "$work/a.src" "$work/a.out"
cp -a "$work/new/." "$work/a.src/"
# A directory unchanged for a while, as a menu directory is: kmd then trusts what it read of it once.
touch -d '2025-04-01 09:00' "$work/a.src"
mount_fs a "$work/a.src"
amnt=$work/a.mnt
begin "analysis, no fault"
run analyse "$work/old" "$amnt" -o "$work/a.out/d.kmd"
[ "$rc" -eq 0 ] || fail "exit $rc: $err"
cmp -s "$work/a.out/d.kmd" "$work/d.kmd" || fail "the diff read through faultfs differs from the plain one"
rm -f "$work/a.out/d.kmd"
end
analysis_case() {  # analysis_case NAME-IN-MESSAGE RULE [kmd analyse options]
  local name=$1 rule=$2
  shift 2
  begin "analysis: $rule $*"
  rules a "$rule"
  run analyse "$work/old" "$amnt" -o "$work/a.out/d.kmd" "$@"
  [ "$(fired a)" -gt 0 ] || fail "the fault was never hit"
  [ "$rc" -eq 1 ] || fail "exit $rc (want 1): $out $err"
  # The analysis names what it could not read; the writer, which reads the files the diff carries,
  # names the entry whose file could not be read.
  case "$err" in
    *"kmd: cannot read"*|*"a file or document of the menu directory cannot be read"*) ;;
    *) fail "expected a read failure in: $err" ;;
  esac
  contains "$err" "$name"
  [ -z "$(ls -A "$work/a.out")" ] || fail "left in the -o directory: $(ls -A "$work/a.out")"
  rm -rf "${work:?}/a.out/"* "$work/a.out/".[!.]* 2>/dev/null
  rules a
  end
}
analysis_case DOCS.SSD 'read DOCS.SSD EIO'
analysis_case DOCS.SSD 'read DOCS.SSD eof after=1'
analysis_case SALES.SST 'read SALES.SST EIO'
analysis_case PRICES.CSV 'read PRICES.CSV EIO'
analysis_case 見積一覧.CSV 'read 見積一覧.CSV EIO'
analysis_case PRICES.CSV 'open PRICES.CSV EIO'
analysis_case NOTES.TXT 'read NOTES.TXT EIO' --content
analysis_case "$amnt" 'readdir . EIO'
analysis_case "$amnt" 'getattr PRICES.CSV EIO'
begin "list: readdir . EIO"
rules a 'readdir . EIO'
run list "$amnt"
[ "$rc" -eq 1 ] || fail "exit $rc (want 1) from a directory that cannot be read, listing: $out"
contains "$err" "kmd: cannot read"
rules a
end

# =====================================================================================================
# The writer: the -o directory on faultfs. A failed write, flush or rename leaves no diff and no
# KMDW... work file; a short write is written on.
section "the writer"
mkdir -p "$work/b.src"
mount_fs b "$work/b.src"
bmnt=$work/b.mnt
writer_case() {  # writer_case analyse|create RULE
  local how=$1 rule=$2 target reference
  begin "writer ($how -o): $rule"
  rules b "$rule"
  if [ "$how" = analyse ]; then
    target=$bmnt/d.kmd reference=$work/d.kmd
    run analyse "$work/old" "$work/new" -o "$target"
  else
    target=$bmnt/c.kmd reference=$work/c.kmd
    run create "$work/new" -o "$target" "${create_items[@]}"
  fi
  local hit
  hit=$(grep '^FAULT' "$work/b.log" | grep -vc ' short$')
  if [ "$hit" -gt 0 ]; then
    [ "$rc" -eq 1 ] || fail "exit $rc (want 1) after a failed call: $out $err"
    contains "$err" "kmd: "
    [ -z "$(ls -A "$work/b.src")" ] || fail "left behind: $(ls -A "$work/b.src")"
  else
    [ "$rc" -eq 0 ] || fail "exit $rc with no failed call: $err"
    rules b
    cmp -s "$work/b.src/${target##*/}" "$reference" || fail "the diff differs from the one written on a plain disk"
    [ "$(ls -A "$work/b.src")" = "${target##*/}" ] || fail "left behind: $(ls -A "$work/b.src")"
  fi
  rules b
  rm -f "$work/b.src/"* "$work/b.src/".[!.]* 2>/dev/null
  end
}
for how in analyse create; do
  for rule in 'write * ENOSPC' 'write * ENOSPC after=5' 'write * EIO after=20' 'fsync * EIO' 'create * EIO' \
    'rename * EIO' 'read KMDW* EIO' 'flush * EIO' 'write * short'; do
    writer_case "$how" "$rule"
  done
done
# Every write of analyse -o in turn.
for n in $(seq 0 200); do
  writer_case analyse "write * ENOSPC after=$n times=1"
  [ "$(fired b)" -gt 0 ] || break
done

# =====================================================================================================
# The import from a diff on faultfs, into a plain directory: a read that fails or ends early fails
# the import (exit 1) and the directory is as it was.
section "the import of a diff on faultfs"
mkdir -p "$work/c.src"
cp "$work/d.kmd" "$work/c.src/d.kmd"
mount_fs c "$work/c.src"
cdiff=$work/c.mnt/d.kmd
diff_case() {  # diff_case RULE: returns 1 when the rule was never hit
  local rule=$1
  begin "import of a diff on faultfs: $rule"
  rm -rf "$work/c.t" && cp -a "$work/old" "$work/c.t"
  rules c "$rule"
  run import "$cdiff" "$work/c.t"
  # Faults of reads that start at or past the end of the diff take nothing from it: kmd has every
  # byte already (it asked for more than was left), and either outcome is right.
  local size hit
  size=$(stat -c %s "$work/c.src/d.kmd")
  hit=$(awk -v size="$size" '$1 == "FAULT" { split($4, r, "+"); if (!(r[1] + 0 >= size)) n++ } END { print n + 0 }' "$work/c.log")
  if [ "$hit" -eq 0 ] && [ "$(fired c)" -gt 0 ]; then rule="$rule (past the end)"; fi
  rules c
  judge "$work/c.t" "$out $err"
  case "$rule" in
    *short*)
      [ "$rc" -eq 0 ] && [ "$verdict" != new ] && fail "exit 0 and not the new state"
      [ "$rc" -eq 1 ] && [ "$verdict" != old ] && fail "exit 1 and not the old state"
      ;;
    *)
      if [ "$hit" -gt 0 ]; then
        [ "$rc" -eq 1 ] || fail "exit $rc (want 1) after a failed read of the diff: $out $err"
        [ "$verdict" = old ] || fail "the failed import changed the directory"
      elif [ "$(fired c)" -gt 0 ]; then
        [ "$rc" -eq 0 ] && [ "$verdict" != new ] && fail "exit 0 and not the new state"
        [ "$rc" -eq 1 ] && [ "$verdict" != old ] && fail "exit 1 and not the old state"
      else
        [ "$rc" -eq 0 ] || fail "exit $rc with no failed call: $err"
        [ "$verdict" = new ] || fail "the import succeeded and the directory is not the new state"
      fi
      ;;
  esac
  end
  [ "$(fired c)" -gt 0 ]
}
diff_case 'open d.kmd EIO'
diff_case 'getattr d.kmd EIO after=1'
diff_case 'read d.kmd short'
for n in $(seq 0 300); do diff_case "read d.kmd EIO after=$n times=1" || break; done
for n in $(seq 0 300); do diff_case "read d.kmd eof after=$n" || break; done

# =====================================================================================================
# The import into a menu directory on faultfs: each call of a kind fails in turn, once or from then
# on. The outcome is the old state (exit 1) or the new one (exit 0); after "kmd recover" in the
# message, a recovery with the faults gone gives one of them. Either way the directory then takes
# the import.
section "the import into faultfs"
mkdir -p "$work/d.src"
mount_fs d "$work/d.src"
dmnt=$work/d.mnt
reset_d() {
  rules d
  find "$work/d.src" -mindepth 1 -delete
  cp -a "$work/old/." "$work/d.src/"
  touch -d '2025-04-01 09:00' "$work/d.src"
}
# finish MESSAGE: a directory left with more than the old or new state: a recovery with no faults
# cleans it up, and it then takes the import.
finish() {
  local msg=$1 cur
  cur=$(state "$dmnt")
  [ "$cur" = "$old_state" ] || [ "$(as_state new "$cur")" = "$(as_state new "$new_state")" ] && return
  rules d
  run recover "$dmnt"
  [ "$rc" -eq 0 ] || fail "a recovery with no faults: exit $rc: $out $err"
  msg="$msg $out $err"
  judge "$dmnt" "$msg" || return
  if [ "$verdict" = old ]; then
    run import "$work/d.kmd" "$dmnt"
    [ "$rc" -eq 0 ] || fail "the import with no faults afterwards: exit $rc: $out $err"
    judge "$dmnt" "$msg $out $err"
  fi
}
import_case() {  # import_case RULE: returns 1 when the rule was never hit
  local rule=$1 msg hit
  begin "import into faultfs: $rule"
  reset_d
  rules d "$rule"
  run import "$work/d.kmd" "$dmnt"
  hit=$(($(fired d)))
  msg="$out $err"
  rules d
  if [ "$rc" -eq 0 ]; then
    judge "$dmnt" "$msg" && [ "$verdict" != new ] && fail "exit 0 and the old state"
  elif [ "$rc" -eq 1 ]; then
    contains "$err" "kmd: "
    case "$err" in
      *"kmd recover"*)
        run recover "$dmnt"
        [ "$rc" -le 1 ] || fail "kmd recover: exit $rc"
        msg="$msg $out $err"
        judge "$dmnt" "$msg"
        ;;
      *)
        judge "$dmnt" "$msg" && [ "$verdict" != old ] && fail "exit 1 and the new state"
        ;;
    esac
  fi
  [ "$hit" -gt 0 ] || [ "$rc" -eq 0 ] || fail "exit $rc with no failed call: $err"
  [ "$scenario_ok" -eq 1 ] && finish "$msg"
  end
  [ "$hit" -gt 0 ]
}
# Once, and from then on: at every call of the kinds with few calls; of reads, writes and opens (tens
# of calls), at every second call once and every fourth from then on.
for op in rename write fsync create unlink utimens open read truncate ftruncate chmod readdir; do
  case $op in write | create) e=ENOSPC ;; *) e=EIO ;; esac
  case $op in read | write | open) once=2 always=4 ;; *) once=1 always=1 ;; esac
  for n in $(seq 0 "$once" 150); do import_case "$op * $e after=$n times=1" || break; done
  for n in $(seq 0 "$always" 150); do import_case "$op * $e after=$n" || break; done
done
import_case 'write * short'
for n in 0 5 20 80 200 400; do import_case "getattr * EIO after=$n times=1"; done

# =====================================================================================================
# Killed: a call of the import waits in faultfs, kmd is killed there, and kmd recover (with the
# faults gone, or first into a fault) gives the old or the new state.
# interrupt RULE: starts the import, kills it once a call waits under RULE; 1 when it ended first.
interrupt() {
  local rule=$1 pid
  reset_d
  rules d "$rule"
  "$kmd" import "$work/d.kmd" "$dmnt" >"$work/killed.out" 2>&1 &
  pid=$!
  for _ in $(seq 1000); do
    grep -q '^DELAY' "$work/d.log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  if ! grep -q '^DELAY' "$work/d.log"; then
    wait "$pid"
    return 1
  fi
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  # The call that waited goes on after the kill, as one on its way to the disk: let it end first.
  for _ in $(seq 500); do
    grep -q '^RESUME' "$work/d.log" && break
    sleep 0.01
  done
  rules d
  return 0
}
kill_case() {  # kill_case RULE: returns 1 when the import ended before the rule's call
  local rule=$1
  begin "killed at: $rule"
  if ! interrupt "$rule"; then
    judge "$dmnt" "$(cat "$work/killed.out")" && [ "$verdict" = new ] || fail "the import ended and not in the new state"
    end
    return 1
  fi
  run recover "$dmnt"
  [ "$rc" -le 1 ] || fail "kmd recover: exit $rc"
  [ "$rc" -eq 0 ] || fail "kmd recover after a kill: exit $rc: $out $err"
  judge "$dmnt" "$out $err"
  [ "$scenario_ok" -eq 1 ] && finish "$out $err"
  end
}
section "kills"
for op in rename unlink fsync create; do
  for n in $(seq 0 40); do kill_case "$op * delay=0.4 after=$n times=1" || break; done
done
for n in 0 3 8 14 19; do kill_case "write * delay=0.4 after=$n times=1"; done

# Recovery into a fault: killed as above, then the recovery meets a failing call (exit 1 naming what
# is left, or exit 0 and the old or new state), then recovers with the faults gone.
recover_case() {  # recover_case KILL-RULE FAULT-RULE
  local kill_rule=$1 rule=$2 msg hit
  begin "killed at: $kill_rule; recovered into: $rule"
  if ! interrupt "$kill_rule"; then
    fail "the import ended before $kill_rule"
    end
    return
  fi
  rules d "$rule"
  run recover "$dmnt"
  hit=$(($(fired d)))
  msg="$out $err"
  rules d
  # Exit 1 says what is left; exit 0 is the old or the new state, with anything else named.
  if [ "$rc" -eq 1 ]; then
    contains "$err" "kmd: "
  elif [ "$rc" -eq 0 ]; then
    judge "$dmnt" "$msg"
  fi
  [ "$hit" -gt 0 ] || [ "$rc" -eq 0 ] || fail "exit $rc with no failed call: $err"
  run recover "$dmnt"
  [ "$rc" -eq 0 ] || fail "the second recovery: exit $rc: $out $err"
  msg="$msg $out $err"
  judge "$dmnt" "$msg"
  [ "$scenario_ok" -eq 1 ] && finish "$msg"
  end
}
section "recovery into a fault"
for kill_rule in 'rename * delay=0.4 after=2 times=1' 'rename * delay=0.4 after=5 times=1' \
  'fsync * delay=0.4 after=3 times=1' 'unlink * delay=0.4 after=2 times=1'; do
  for rule in 'rename * EIO' 'unlink * EIO' 'write * ENOSPC' 'fsync * EIO' 'create * EIO' 'rename * EIO after=1' \
    'read * EIO'; do
    recover_case "$kill_rule" "$rule"
  done
done

echo "$passed passed, $failed failed ($((SECONDS - started)) s)"
[ "$failed" -eq 0 ]
