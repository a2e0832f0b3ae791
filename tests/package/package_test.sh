#!/bin/sh
# Builds the Debian package from a finished build tree, unpacks it into a
# temporary root (as dpkg would install it, without touching the system) and
# runs the installed converter from there.
# Usage: package_test.sh CPACK BUILD_DIR
set -eu
cpack=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
set -- "$work"/out/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one .deb, found: $*"
deb=$1
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case $depends in *libc6*) ;; *) fail "dependencies were not taken from the linked libraries" ;; esac

dpkg -x "$deb" "$work/root"
usr=$work/root/usr
for f in bin/tilora-convert share/applications/tilora.desktop share/icons/hicolor/32x32/apps/tilora.png \
         share/icons/hicolor/128x128/apps/tilora.png share/man/man1/tilora-convert.1.gz; do
  [ -f "$usr/$f" ] || fail "missing $f"
done
grep -q '^MimeType=image/bmp;image/x-bmp;$' "$usr/share/applications/tilora.desktop" || fail "desktop entry"

# The licence in Debian's machine-readable form: its format line, and a
# paragraph for every file under GPL-2.0-or-later with that licence's text.
copyright=$usr/share/doc/tilora/copyright
[ -f "$copyright" ] || fail "missing share/doc/tilora/copyright"
[ "$(head -n 1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "share/doc/tilora/copyright is not in Debian's machine-readable format"
awk 'BEGIN { RS = "" }
     /(^|\n)Files: \*(\n|$)/ && /\nCopyright: [^\n]+/ && /\nLicense: GPL-2\.0-or-later(\n|$)/ { files = 1 }
     /^License: GPL-2\.0-or-later\n/ && /version 2 of the License/ && /any later version/ { text = 1 }
     END { exit !(files && text) }' "$copyright" || fail "share/doc/tilora/copyright does not give GPL-2.0-or-later"

version=$("$usr/bin/tilora-convert" --version)
case $version in "tilora-convert "[0-9]*) ;; *) fail "--version printed '$version'" ;; esac

# An 8 x 8 picture of 4 bits per pixel, every pixel colour 1 (pure red).
bytes() { for b in "$@"; do printf "\\$(printf %03o "$b")"; done; }
le16() { bytes $(($1 & 255)) $(($1 >> 8 & 255)); }
le32() { bytes $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
{
  printf BM; le32 150; le32 0; le32 118
  le32 40; le32 8; le32 8; le16 1; le16 4; le32 0; le32 32; le32 0; le32 0; le32 0; le32 0
  le32 0; bytes 0 0 255 0; i=2; while [ $i -lt 16 ]; do le32 0; i=$((i + 1)); done
  i=0; while [ $i -lt 32 ]; do bytes 17; i=$((i + 1)); done
} >"$work/pic.bmp"
(cd "$work" && "$usr/bin/tilora-convert" --name Pic pic.bmp) || fail "conversion failed"
hex() { od -An -tx1 -v "$1" | tr -d ' \n'; }
[ "$(hex "$work/Pic.bin")" = "ff00ff00ff00ff00ff00ff00ff00ff00$(printf "%032d" 0)" ] ||
  fail "tile data: $(hex "$work/Pic.bin")"
[ "$(hex "$work/Pic.plt")" = "00001f00$(printf "%056d" 0)" ] ||
  fail "palette: $(hex "$work/Pic.plt")"

if [ -e "$usr/libexec/tilora/tilora-metafile" ]; then
  "$usr/libexec/tilora/tilora-metafile" --help >/dev/null || fail "the metafile helper does not run"
fi
echo "package test: $(basename "$deb") installs and converts"
