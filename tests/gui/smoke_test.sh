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
grep -qxF "Exec=\"$(readlink -f "$quarvel")\" %f" "$XDG_DATA_HOME/applications/quarvel.desktop" ||
  fail "the desktop entry does not name the program by its path"
grep -q '^MimeType=application/x-velmo-kmd;$' "$XDG_DATA_HOME/applications/quarvel.desktop" || fail "no mime type"

rm -rf "$XDG_DATA_HOME"
xvfb "$quarvel" "$tmp/update.kmd" || fail "import mode exited $?"
[ ! -e "$XDG_DATA_HOME" ] || fail "import mode registered"

# Registration only: no display needed, no window, exit 0, and an association the desktop's tools
# answer from: by the name, by the first bytes of a diff named otherwise, and the program for the type.
rm -rf "$XDG_DATA_HOME"
env -u DISPLAY -u WAYLAND_DISPLAY "$quarvel" /RegServer || fail "registration mode exited $?"
[ -f "$XDG_DATA_HOME/applications/quarvel.desktop" ] || fail "registration mode wrote no desktop entry"
[ -f "$XDG_DATA_HOME/icons/hicolor/48x48/apps/quarvel.png" ] || fail "registration mode installed no icon"
if command -v xdg-mime >/dev/null && command -v mimetype >/dev/null && command -v update-desktop-database >/dev/null; then
  export XDG_DATA_DIRS=$tmp/none XDG_CURRENT_DESKTOP=X-Generic
  cp "$tmp/update.kmd" "$tmp/update without extension"
  for f in "$tmp/update.kmd" "$tmp/update without extension"; do
    type=$(xdg-mime query filetype "$f")
    [ "$type" = application/x-velmo-kmd ] || fail "xdg-mime types $f as '$type'"
  done
  app=$(xdg-mime query default application/x-velmo-kmd)
  [ "$app" = quarvel.desktop ] || fail "xdg-mime opens the type with '$app'"
else
  echo "smoke: xdg-mime, mimetype or update-desktop-database missing: association not queried" >&2
fi
version=$(env -u DISPLAY "$quarvel" --version) || fail "--version exited $?"
[[ $version =~ ^quarvel\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"
echo "smoke ok"
