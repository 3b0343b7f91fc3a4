#!/usr/bin/env bash
# Makes the Windows setup, OUT_DIR/quarvel-setup-VERSION.exe, from a cross build (quarvel.exe and
# kmd.exe) with NSIS 3 (Debian package nsis).
# Usage: packaging/windows/make-setup.sh BUILD_WIN_DIR OUT_DIR VERSION README LICENSE
set -euo pipefail

fail() { echo "make-setup: $*" >&2; exit 1; }
[ $# -eq 5 ] || { echo "usage: $0 BUILD_WIN_DIR OUT_DIR VERSION README LICENSE" >&2; exit 2; }
build=$1 out=$2 version=$3 readme=$4 license=$5
here=$(cd "$(dirname "$0")" && pwd)

# The version also makes the setup's version resource, which takes numbers only.
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "VERSION must be x.y.z (numbers), not '$version'"
command -v makensis >/dev/null || fail "makensis not found (apt-get install nsis)"
for f in "$build/src/gui/win32/quarvel.exe" "$build/src/kmd.exe" "$readme" "$license"; do
  [ -f "$f" ] || fail "missing $f"
done

# The script takes one folder with both programs.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/src/gui/win32/quarvel.exe" "$build/src/kmd.exe" "$stage/"

mkdir -p "$out"
setup="$(cd "$out" && pwd)/quarvel-setup-$version.exe"
# makensis works in the script's folder: every path it is given is absolute.
makensis -V2 -WX -DVERSION="$version" -DSRCDIR="$stage" -DREADME="$(realpath "$readme")" \
  -DLICENSE="$(realpath "$license")" -DOUTFILE="$setup" "$here/quarvel.nsi"
echo "$setup"
