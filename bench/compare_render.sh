#!/bin/bash
# Times --render against the conversion whose outputs it draws: whole
# processes, as medians of alternating runs, on the background pipeline's
# 2048 x 1024 picture at 4 bpp with a map (both kinds of tiles), and prints
# the ratio. Fails when drawing takes more than 2 times converting.
# Usage: bench/compare_render.sh [RUNS]   (default 101; needs `make bench` built)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-101}
source bench/timing.sh

status=0
printf '%-24s %12s %12s %6s %10s\n' picture "convert (us)" "render (us)" ratio "PNG (KiB)"
for kind in tiled drawn; do
  "$bin/make_picture" "$([ $kind = tiled ] && echo --tiled || echo --tiled-drawn)" "$work/$kind.bmp" "$work/$kind.png"
  : >"$work/convert.times"
  : >"$work/render.times"
  for ((i = 0; i < runs; i++)); do
    elapsed_us "$convert" --bpp 4 --map --name "$work/t" "$work/$kind.bmp" >>"$work/convert.times"
    elapsed_us "$convert" --render "$work/drawn.png" --bpp 4 --columns 256 "$work/t.bin" "$work/t.plt" "$work/t.map" \
      >>"$work/render.times"
  done
  convert_us=$(median <"$work/convert.times")
  render_us=$(median <"$work/render.times")
  ratio=$(awk -v a="$render_us" -v b="$convert_us" 'BEGIN { printf "%.2f", a / b }')
  printf '%-24s %12s %12s %6s %10s\n' "--map $kind.bmp" "$convert_us" "$render_us" "$ratio" \
    $(($(stat -c %s "$work/drawn.png") / 1024))
  awk -v r="$ratio" 'BEGIN { exit !(r > 2.0) }' && status=1
done

if [ "$status" = 0 ]; then
  echo "compare_render.sh: --render within 2x of the conversion it draws"
else
  echo "compare_render.sh: a target was missed" >&2
fi
exit "$status"
