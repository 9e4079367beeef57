#!/usr/bin/env bash
# Loads and tears down a printer-settings document of COUNT network printers (default
# 1000) with `quarnctl list`: every printer gets its port and its download thread on load,
# and every thread is stopped on teardown. Reports the median wall time and peak memory
# of RUNS runs (default 5).
#
#   bench/document.sh [COUNT] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-1000}
runs=${2:-5}
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quarnctl quarn-bench-document >/dev/null

work=build/bench-document
mkdir -p "$work"
document="$work/printers-$count.qps"
build/default/bench/quarn-bench-document "$count" "$document"
export TMPDIR="$work"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: > "$work/times"
for _ in $(seq 1 "$runs"); do
  /usr/bin/time -o "$work/one" -f "%e %M" build/default/cli/quarnctl list "$document" > "$work/list.out"
  cat "$work/one" >> "$work/times"
  [ "$(wc -l < "$work/list.out")" -eq "$count" ] || { echo "list showed the wrong number of printers" >&2; exit 1; }
done
wall=$(awk '{ print $1 }' "$work/times" | median)
peak=$(awk '{ print $2 }' "$work/times" | median)
awk -v n="$count" -v runs="$runs" -v w="$wall" -v p="$peak" -v size="$(stat -c %s "$document")" 'BEGIN {
  printf "Document of %d printers (%d bytes), load and teardown by quarnctl list, medians of %d runs\n", n, size, runs
  printf "  wall time    %6.3f s     (target < 2 s)\n", w
  printf "  peak memory  %6.1f MiB   (target < 100 MiB)\n", p / 1024
}'
