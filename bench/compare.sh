#!/bin/bash
# Times whole processes: tilora-convert on the two largest pictures against
# cp of the same file, as medians of alternating runs, and prints the ratio.
# Also reports the converter's peak memory (GNU time's maximum resident set
# size). Fails when a ratio is over 2 or the peak over 32 MiB.
# Usage: bench/compare.sh [RUNS]        (default 101; needs `make bench` built)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-101}
bin=build/release/bin
for tool in tilora-convert make_picture; do
  [ -x "$bin/$tool" ] || { echo "compare.sh: $bin/$tool missing; run 'make bench' first" >&2; exit 1; }
done
convert=$(realpath "$bin/tilora-convert")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/make_picture" 2048 1024 4 "$work/d4.bmp"
"$bin/make_picture" 1024 1024 8 "$work/d8.bmp"

# Microseconds taken by one run of the command, from bash's own clock so no
# timing process is started between the runs.
elapsed_us() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null
  local end=$EPOCHREALTIME
  echo $(( (${end/./} - ${start/./}) ))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

status=0
printf '%-8s %10s %12s %6s %10s\n' picture "cp (us)" "convert (us)" ratio "peak (KiB)"
for pic in d4 d8; do
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
  printf '%-8s %10s %12s %6s %10s\n' "$pic" "$cp_us" "$conv_us" "$ratio" "$peak"
  awk -v r="$ratio" 'BEGIN { exit !(r > 2.0) }' && status=1
  [ "$peak" -gt $((32 * 1024)) ] && status=1
done
if [ "$status" = 0 ]; then
  echo "compare.sh: conversion within 2x of cp, peak memory within 32 MiB"
else
  echo "compare.sh: a target was missed" >&2
fi
exit "$status"
