#!/bin/bash
# What a refusal costs a whole tilora-convert process: files whose headers
# declare pictures far larger than they hold, or that the options refuse,
# must be refused within 0.2 s and 32 MiB (GNU time: elapsed and peak
# resident memory). Fails when a bound is passed.
# Usage: bench/refusal_bounds.sh     (needs `make bench` built, and python3)
set -euo pipefail
cd "$(dirname "$0")/.."

bin=build/release/bin
[ -x "$bin/tilora-convert" ] || { echo "refusal_bounds.sh: $bin/tilora-convert missing; run 'make bench' first" >&2; exit 1; }
work=$(mktemp -d -p "${BENCH_DIR:-$PWD/build}")
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'EOF'
import struct, sys, zlib
work = sys.argv[1]
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
def png(name, width, height, colour_type, rows):
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    with open(f"{work}/{name}", "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", rows) + chunk(b"IEND", b""))
# A header alone, declaring 8192 x 8192 colours with alpha.
png("header-8192.png", 8192, 8192, 6, zlib.compress(b""))
# Rows of zeros: a small file, a large picture.
png("zeros-8192x4096.png", 8192, 4096, 0, zlib.compress(bytes(8193 * 4096), 9))
png("zeros-8192x8192.png", 8192, 8192, 0, zlib.compress(bytes(8193 * 8192), 9))
# A bitmap's 54 bytes of headers declaring 8192 x 4096 at 32 bits.
with open(f"{work}/header-8192x4096.bmp", "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 54, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 8192, 4096, 1, 32, 0, 0, 0, 0, 0, 0))
EOF

status=0
printf '%-44s %8s %10s %s\n' run "wall (s)" "peak (KiB)" outcome
measure() {
  local name=$1
  shift
  /usr/bin/time -o "$work/time" -f '%e %M' "$bin/tilora-convert" "$@" >/dev/null 2>"$work/err" || true
  read -r wall peak <<<"$(tail -1 "$work/time")"
  local said
  said=$(head -1 "$work/err" | sed 's/^[^:]*: //' | cut -c 1-60)
  printf '%-44s %8s %10s %s\n' "$name" "$wall" "$peak" "${said:-(no message)}"
  if [ "$peak" -gt $((32 * 1024)) ]; then status=1; fi
  if awk -v w="$wall" 'BEGIN { exit !(w > 0.2) }'; then status=1; fi
}
measure "PNG header 8192x8192 RGBA" --name "$work/o" "$work/header-8192.png"
measure "PNG header 8192x8192 RGBA, --info" --info "$work/header-8192.png"
measure "BMP header 8192x4096x32, --info" --info "$work/header-8192x4096.bmp"
measure "BMP header 8192x4096x32, --palettes 1" --palettes 1 --name "$work/o" "$work/header-8192x4096.bmp"
measure "PNG zeros 8192x4096, --palettes 1 --mode7" --palettes 1 --mode7 --name "$work/o" "$work/zeros-8192x4096.png"
measure "PNG zeros 8192x8192, --info" --info "$work/zeros-8192x8192.png"
measure "PNG zeros 8192x4096, 8 bpp plain" --name "$work/o" "$work/zeros-8192x4096.png"
exit $status
