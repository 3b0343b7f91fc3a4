#!/usr/bin/env bash
# Starts the quarvel binary under a virtual display: creation mode on a sample menu directory (it
# registers the diff type under $XDG_DATA_HOME), import mode on a diff file, and registration mode.
# Each window closes itself once shown (QUARVEL_CLOSE_WHEN_SHOWN).
set -euo pipefail
quarvel=$1 sample=$2 kmd=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_DATA_HOME=$tmp/data XDG_CONFIG_HOME=$tmp/config QUARVEL_CLOSE_WHEN_SHOWN=1
"$sample" "$tmp/old" "$tmp/new" >/dev/null
"$kmd" analyse "$tmp/old" "$tmp/new" --ext CSV,TXT -o "$tmp/update.kmd" >/dev/null
xvfb() { timeout -k 5 60 xvfb-run -a -s "-screen 0 1024x768x24" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# Creation mode takes no argument: the menu directory comes from the settings file.
mkdir -p "$XDG_CONFIG_HOME"
printf '[Tovlin]\nGL_sys_dir=%s/\n' "$tmp/new" >"$XDG_CONFIG_HOME/TOVLIN.INI"
xvfb "$quarvel" || fail "creation mode exited $?"
grep -q '<glob pattern="\*.kmd"/>' "$XDG_DATA_HOME/mime/packages/quarvel-kmd.xml" || fail "no mime package"
grep -q '^Exec=quarvel %f$' "$XDG_DATA_HOME/applications/quarvel.desktop" || fail "no desktop entry"
grep -q '^MimeType=application/x-quarvel-kmd;$' "$XDG_DATA_HOME/applications/quarvel.desktop" || fail "no mime type"

rm -rf "$XDG_DATA_HOME"
xvfb "$quarvel" "$tmp/update.kmd" || fail "import mode exited $?"
[ ! -e "$XDG_DATA_HOME" ] || fail "import mode registered"

# Registration only: no window, exit 0, the association written.
xvfb "$quarvel" /RegServer || fail "registration mode exited $?"
[ -f "$XDG_DATA_HOME/applications/quarvel.desktop" ] || fail "registration mode wrote no desktop entry"
echo "smoke ok"
