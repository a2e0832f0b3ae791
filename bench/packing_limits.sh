#!/bin/bash
# Whole tilora-convert processes on truecolour pictures whose sub-palettes
# cannot fit: elapsed and processor time and peak memory (GNU time), against
# the limits: a refusal within 1 s and 64 MiB, and any conversion within
# 48 MiB plus 24 bytes a pixel. Fails when a limit is passed.
# Usage: bench/packing_limits.sh     (needs `make bench` built)
set -euo pipefail
cd "$(dirname "$0")/.."

bin=build/release/bin
for tool in tilora-convert make_picture; do
  [ -x "$bin/$tool" ] || { echo "packing_limits.sh: $bin/$tool missing; run 'make bench' first" >&2; exit 1; }
done
work=$(mktemp -d -p "${BENCH_DIR:-$PWD/build}")
trap 'rm -rf "$work"' EXIT
"$bin/make_picture" --overlapping 1024 1024 "$work/over1024.bmp"
"$bin/make_picture" --overlapping 1024 2048 "$work/over2048.bmp"
"$bin/make_picture" --themed 1024 1024 "$work/themed.bmp"

status=0
printf '%-34s %8s %8s %10s %10s %s\n' run "wall (s)" "cpu (s)" "peak (KiB)" "limit" outcome
# NAME PIXELS LIMIT_SECONDS(or -) OPTIONS... PICTURE
measure() {
  local name=$1 pixels=$2 seconds=$3
  shift 3
  local limit=$(( 48 * 1024 + pixels * 24 / 1024 ))
  [ "$seconds" != - ] && limit=$(( 64 * 1024 < limit ? 64 * 1024 : limit ))
  /usr/bin/time -o "$work/time" -f '%e %U %S %M' "$bin/tilora-convert" "$@" >/dev/null 2>"$work/err" || true
  read -r wall user sys peak <<<"$(tail -1 "$work/time")"
  local cpu
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
  local said
  said=$(head -1 "$work/err" | sed 's/^[^:]*: //' | cut -c 1-60)
  printf '%-34s %8s %8s %10s %10s %s\n' "$name" "$wall" "$cpu" "$peak" "$limit" "${said:-(no message)}"
  if [ "$peak" -gt "$limit" ]; then status=1; fi
  if [ "$seconds" != - ] && awk -v w="$wall" -v l="$seconds" 'BEGIN { exit !(w > l) }'; then status=1; fi
}
measure "overlapping 1024x1024" $((1024 * 1024)) 1 --palettes 8 "$work/over1024.bmp"
measure "overlapping 1024x2048" $((1024 * 2048)) 1 --palettes 8 "$work/over2048.bmp"
measure "overlapping 1024x1024 --info" $((1024 * 1024)) 1 --info "$work/over1024.bmp"
measure "overlapping 1024x1024 8 bpp" $((1024 * 1024)) - --bpp 8 --palettes 1 --name "$work/o" "$work/over1024.bmp"
measure "overlapping 1024x1024 8 bpp lossy" $((1024 * 1024)) - --bpp 8 --palettes 1 --colours 16 --lossy \
  --name "$work/o" "$work/over1024.bmp"
measure "overlapping 1024x2048 lossy map" $((1024 * 2048)) - --palettes 8 --lossy --map --name "$work/o" \
  "$work/over2048.bmp"
measure "themed 1024x1024 --palettes 7" $((1024 * 1024)) - --palettes 7 --map --name "$work/t" "$work/themed.bmp"
measure "themed 1024x1024 8 bpp" $((1024 * 1024)) - --bpp 8 --palettes 1 --name "$work/t" "$work/themed.bmp"
exit $status
