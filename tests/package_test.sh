#!/usr/bin/env bash
# Checks the Linux package from the outside, as the desktop and Debian's tools see it: its files, the
# diff type and its program as xdg-mime answers from the package alone, the desktop entry, lintian,
# the manual pages and the completion.
# Usage: tests/package_test.sh DEB KMD SAMPLE   (KMD and SAMPLE make a diff to type)
set -euo pipefail
deb=$1 kmd=$2 sample=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$tmp/root
dpkg-deb -x "$deb" "$root"
for f in usr/bin/quarvel usr/bin/kmd usr/share/applications/quarvel.desktop usr/share/mime/packages/quarvel-kmd.xml \
         usr/share/icons/hicolor/48x48/apps/quarvel.png usr/share/icons/hicolor/scalable/apps/quarvel.svg \
         usr/share/icons/hicolor/48x48/mimetypes/application-x-velmo-kmd.png usr/share/man/man1/kmd.1.gz \
         usr/share/man/man1/quarvel.1.gz usr/share/bash-completion/completions/kmd usr/share/doc/quarvel/copyright; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libwxgtk3.2* && $depends == *libwxbase3.2* && $depends == *libc6* ]] || fail "Depends misses the linked libraries: $depends"
version=$(dpkg-deb -f "$deb" Version)
[ "$("$root/usr/bin/kmd" --version)" = "kmd $version" ] || fail "kmd --version does not print the package's $version"
[ "$(env -u DISPLAY "$root/usr/bin/quarvel" --version)" = "quarvel $version" ] || fail "quarvel --version differs"
grep -qxF 'Exec="/usr/bin/quarvel" %f' "$root/usr/share/applications/quarvel.desktop" || fail "Exec does not name /usr/bin/quarvel"

# The type and its program, answered from the package's folders alone (the databases built as the
# system's triggers build them on install).
"$sample" "$tmp/old" "$tmp/new" >/dev/null
"$kmd" analyse "$tmp/old" "$tmp/new" -o "$tmp/update.kmd" >/dev/null
cp "$tmp/update.kmd" "$tmp/update from mail"
export XDG_DATA_DIRS=$root/usr/share XDG_DATA_HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_CURRENT_DESKTOP=X-Generic
update-mime-database "$root/usr/share/mime"
update-desktop-database "$root/usr/share/applications"
for f in "$tmp/update.kmd" "$tmp/update from mail"; do
  type=$(xdg-mime query filetype "$f")
  [ "$type" = application/x-velmo-kmd ] || fail "xdg-mime types $(basename "$f") as '$type'"
done
app=$(xdg-mime query default application/x-velmo-kmd)
[ "$app" = quarvel.desktop ] || fail "xdg-mime opens the type with '$app'"

desktop-file-validate "$root/usr/share/applications/quarvel.desktop" || fail "desktop-file-validate"

# lintian: no error (warnings and notes are printed for the reader).
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v '^running with root privileges' || true)
[ -z "$lintian_out" ] || printf '%s\n' "$lintian_out"
if grep -q '^E: ' <<<"$lintian_out"; then fail "lintian reports errors"; fi

for page in kmd quarvel; do
  warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man -l $page.1: $warnings"
  MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null | grep . >/dev/null || fail "man -l $page.1 is empty"
done
bash -c '. "$1" && complete -p kmd' _ "$root/usr/share/bash-completion/completions/kmd" >/dev/null ||
  fail "the completion does not load"
echo "package ok"
