#!/usr/bin/env bash
# The main job of ./run: carries a real change from one installation to another on the bundled sample.
# Usage: tools/demo.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
kmd="$build/src/kmd"
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"

step() { printf '\n== %s\n' "$*"; }

step "1. Make the sample: an old menu directory and a newer copy of it"
"$build/tools/quarvel-sample" "$demo/old" "$demo/new"
echo "old: $(ls "$demo/old" | tr '\n' ' ')"
echo "new: $(ls "$demo/new" | tr '\n' ' ')"

step "2. Analyse what changed (kmd analyse OLD NEW) and write the diff file"
"$kmd" analyse "$demo/old" "$demo/new" --ext CSV,TXT -o "$demo/update.kmd" --comment "sample update"

step "3. What the diff file holds (kmd show)"
"$kmd" show "$demo/update.kmd"
"$kmd" verify "$demo/update.kmd"

step "4. Another installation still has the old copy; check, then import into it"
cp -a "$demo/old" "$demo/target"
"$kmd" import "$demo/update.kmd" "$demo/target" --dry-run
"$kmd" import "$demo/update.kmd" "$demo/target"

step "5. The target now matches the newer copy (kmd analyse TARGET NEW)"
result=$("$kmd" analyse "$demo/target" "$demo/new" --ext CSV,TXT)
echo "$result"
if [ "$result" != "no changes" ]; then
  echo "the target does not match the newer copy" >&2
  exit 1
fi
echo
echo "Done: everything is under $demo"
