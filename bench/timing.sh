# Sourced by the whole-process comparisons: checks that the release tools
# are built, makes a work folder on this machine's disk (a memory file
# system would flatter both sides) that goes when the script ends, and
# gives the timing helpers. Sets bin, convert and work.
bench_name=$(basename "$0")
bin=build/release/bin
for tool in tilora-convert make_picture; do
  [ -x "$bin/$tool" ] || { echo "$bench_name: $bin/$tool missing; run 'make bench' first" >&2; exit 1; }
done
convert=$(realpath "$bin/tilora-convert")
work=$(mktemp -d -p "${BENCH_DIR:-$PWD/build}")
trap 'rm -rf "$work"' EXIT

# Microseconds taken by one run of the command, from bash's own clock so no
# timing process is started between the runs.
elapsed_us() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null
  local end=$EPOCHREALTIME
  echo $(( (${end/./} - ${start/./}) ))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
