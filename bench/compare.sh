#!/bin/bash
# Times whole processes: tilora-convert against cp of the same picture, as
# medians of alternating runs, on the largest pictures and on the narrowest
# and widest shapes, and prints the ratio. Also reports the converter's peak
# memory (GNU time's maximum resident set size). Fails when a ratio is over
# 1.5 or the peak over 6 MiB plus three times the picture's size. Last, a
# shared conversion of 100 pictures against converting them one at a time.
# Usage: bench/compare.sh [RUNS]        (default 101; needs `make bench` built)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-101}
source bench/timing.sh
shapes="2048x1024x4 1024x1024x8 8x4096x8 8192x64x4"
for shape in $shapes; do
  IFS=x read -r w h d <<<"$shape"
  "$bin/make_picture" "$w" "$h" "$d" "$work/$shape.bmp"
done

status=0
printf '%-12s %10s %12s %6s %10s %10s\n' picture "cp (us)" "convert (us)" ratio "peak (KiB)" "limit (KiB)"
for pic in $shapes; do
  : >"$work/cp.times"
  : >"$work/convert.times"
  for ((i = 0; i < runs; i++)); do
    elapsed_us cp "$work/$pic.bmp" "$work/copy.bmp" >>"$work/cp.times"
    elapsed_us "$convert" --name "$work/$pic" "$work/$pic.bmp" >>"$work/convert.times"
  done
  cp_us=$(median <"$work/cp.times")
  conv_us=$(median <"$work/convert.times")
  ratio=$(awk -v a="$conv_us" -v b="$cp_us" 'BEGIN { printf "%.2f", a / b }')
  peak=$(/usr/bin/time -v "$convert" --name "$work/$pic" "$work/$pic.bmp" 2>&1 >/dev/null |
    awk -F': ' '/Maximum resident set size/ { print $2 }')
  limit=$((6 * 1024 + 3 * $(stat -c %s "$work/$pic.bmp") / 1024))
  printf '%-12s %10s %12s %6s %10s %10s\n' "$pic" "$cp_us" "$conv_us" "$ratio" "$peak" "$limit"
  awk -v r="$ratio" 'BEGIN { exit !(r > 1.5) }' && status=1
  [ "$peak" -gt "$limit" ] && status=1
done
# The background pipeline: tiled pictures with --map against cp of their BMP
# (at most 2x), and the same pictures read from PNG against their BMP (at
# most 2x). Two kinds of tiles: random pixels (which hardly compress) and
# shapes drawn as tile art.
for kind in tiled drawn; do
  "$bin/make_picture" "$([ $kind = tiled ] && echo --tiled || echo --tiled-drawn)" "$work/$kind.bmp" "$work/$kind.png"
  : >"$work/cp.times"
  : >"$work/bmp.times"
  : >"$work/png.times"
  for ((i = 0; i < runs; i++)); do
    elapsed_us cp "$work/$kind.bmp" "$work/copy.bmp" >>"$work/cp.times"
    elapsed_us "$convert" --map --name "$work/tb" "$work/$kind.bmp" >>"$work/bmp.times"
    elapsed_us "$convert" --map --name "$work/tp" "$work/$kind.png" >>"$work/png.times"
  done
  cp_us=$(median <"$work/cp.times")
  bmp_us=$(median <"$work/bmp.times")
  png_us=$(median <"$work/png.times")
  map_ratio=$(awk -v a="$bmp_us" -v b="$cp_us" 'BEGIN { printf "%.2f", a / b }')
  png_ratio=$(awk -v a="$png_us" -v b="$bmp_us" 'BEGIN { printf "%.2f", a / b }')
  printf '%-24s %10s %12s %6s\n' "--map $kind.bmp vs cp" "$cp_us" "$bmp_us" "$map_ratio"
  printf '%-24s %10s %12s %6s\n' "--map $kind.png vs .bmp" "$bmp_us" "$png_us" "$png_ratio"
  awk -v r="$map_ratio" 'BEGIN { exit !(r > 2.0) }' && status=1
  awk -v r="$png_ratio" 'BEGIN { exit !(r > 2.0) }' && status=1
done

# Many pictures, one video memory: 100 indexed 256 x 224 pictures drawn
# from one set of 300 tiles, flipped, converted together (--shared) against
# one at a time in one process (-j 1 --map, a tileset each): at most 1.3x.
mkdir -p "$work/level"
"$bin/make_picture" --level 100 "$work/level"
level=()
for i in $(seq 1 100); do level+=("$work/level/p$i.bmp"); done
: >"$work/single.times"
: >"$work/shared.times"
for ((i = 0; i < runs; i++)); do
  elapsed_us "$convert" -j 1 --map "${level[@]}" >>"$work/single.times"
  elapsed_us "$convert" --shared "$work/level/lvl" "${level[@]}" >>"$work/shared.times"
done
single_us=$(median <"$work/single.times")
shared_us=$(median <"$work/shared.times")
shared_ratio=$(awk -v a="$shared_us" -v b="$single_us" 'BEGIN { printf "%.2f", a / b }')
printf '%-24s %10s %12s %6s\n' "--shared 100 vs -j 1" "$single_us" "$shared_us" "$shared_ratio"
awk -v r="$shared_ratio" 'BEGIN { exit !(r > 1.3) }' && status=1

if [ "$status" = 0 ]; then
  echo "compare.sh: conversion within 1.5x of cp, peak memory within 6 MiB plus 3x the picture, --map within 2x" \
    "of cp, PNG within 2x of BMP, --shared within 1.3x of one at a time"
else
  echo "compare.sh: a target was missed" >&2
fi
exit "$status"
