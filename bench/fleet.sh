#!/usr/bin/env bash
# Fleet benchmark: 32 simulated printers, each taking at most 2 MiB/s, get a 4 MiB file
# each with at most 8 downloads at a time (calibration off). The same bytes are then sent
# by a baseline in the same run: netcat, 8 at a time through xargs -P. Reports medians
# over RUNS runs of each, interleaved.
#
#   bench/fleet.sh [RUNS]        (default 5; needs root for a private network namespace)
#
# Everything runs inside a network namespace of its own with only the loopback, whose TCP
# buffers are kept small like a real printer's, so that a slow printer holds back its
# sender instead of the kernel swallowing whole files.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ -z "${QUARN_BENCH_IN_NETNS:-}" ]; then
  scripts/setup.sh
  cmake --preset default >/dev/null
  cmake --build --preset default --target quarnctl quarn-printer-sim quarn-bench-document >/dev/null
  exec unshare -n env QUARN_BENCH_IN_NETNS=1 "$0" "$@"
fi

runs=${1:-5}
printers=32
ceiling=8
rate=$((2 * 1024 * 1024))
size=$((4 * 1024 * 1024))

ip link set lo up
sysctl -q -w net.ipv4.tcp_wmem="4096 65536 131072" net.ipv4.tcp_rmem="4096 65536 131072"

bin="$root/build/default"
quarnctl="$bin/cli/quarnctl"
sim="$bin/tools/printer-sim/quarn-printer-sim"
work="$root/build/bench-fleet"
rm -rf "$work"; mkdir -p "$work/files" "$work/config"
export XDG_CONFIG_HOME="$work/config"
export TMPDIR="$work"

address() { echo "127.0.1.$(( $1 + 9 ))"; }

document="$work/fleet.qps"
jobs="$work/jobs"
: > "$jobs"
for i in $(seq 1 $printers); do
  head -c $size /dev/urandom > "$work/files/file-$i.bin"
  "$quarnctl" add "$document" --network "$(address "$i")" --no-calibrate >/dev/null
  "$quarnctl" set-file "$document" "$work/files/file-$i.bin" "Printer#$i" >/dev/null
  echo "$(address "$i") $work/files/file-$i.bin" >> "$jobs"
done
"$quarnctl" max-downloads $ceiling >/dev/null

now_ms() { date +%s%3N; }

start_sim() {
  local args=(--record "$work/record.jsonl")
  for i in $(seq 1 $printers); do args+=(--network "Printer#$i@$(address "$i"):9100,rate=$rate"); done
  "$sim" "${args[@]}" > "$work/sim.out" &
  sim_pid=$!
  for _ in $(seq 1 100); do grep -q '^ready$' "$work/sim.out" 2>/dev/null && return; sleep 0.1; done
  echo "simulator did not start" >&2; exit 1
}

# Waits until every printer has recorded its connection, checks every byte, stops the
# simulator and prints the epoch millisecond at which the last printer had its last byte.
finish_sim() {
  for _ in $(seq 1 1200); do
    [ -f "$work/record.jsonl" ] && [ "$(wc -l < "$work/record.jsonl")" -ge $printers ] && break
    sleep 0.05
  done
  kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true
  for i in $(seq 1 $printers); do
    local expected got
    expected=$(sha256sum "$work/files/file-$i.bin" | cut -d' ' -f1)
    got=$(grep "\"printer\":\"Printer#$i\"" "$work/record.jsonl" | sed -n 's/.*"sha256":"\([0-9a-f]*\)".*/\1/p')
    [ "$got" = "$expected" ] || { echo "Printer#$i did not receive its file exactly" >&2; exit 1; }
  done
  sed -n 's/.*"close_epoch_ms":\([0-9]*\).*/\1/p' "$work/record.jsonl" | sort -n | tail -1
}

# One measured run: prints "wall_s cpu_s peak_kib".
measure() {
  start_sim
  local started last
  started=$(now_ms)
  /usr/bin/time -o "$work/time" -f "%U %S %M" "$@" > /dev/null 2> "$work/stderr" || { cat "$work/stderr" >&2; exit 1; }
  last=$(finish_sim)
  read -r user sys peak < "$work/time"
  awk -v w=$((last - started)) -v u="$user" -v s="$sys" -v p="$peak" 'BEGIN { printf "%.3f %.3f %d\n", w / 1000, u + s, p }'
}

baseline() { xargs -P $ceiling -n 2 sh -c 'nc -N "$0" 9100 < "$1"' < "$jobs"; }

: > "$work/quarnctl.txt"; : > "$work/baseline.txt"
for run in $(seq 1 "$runs"); do
  measure "$quarnctl" download "$document" >> "$work/quarnctl.txt"
  measure bash -c "$(declare -f baseline); jobs='$jobs'; ceiling=$ceiling; baseline" >> "$work/baseline.txt"
  echo "run $run: quarnctl $(tail -1 "$work/quarnctl.txt") | baseline $(tail -1 "$work/baseline.txt")  (wall s, cpu s, peak KiB)" >&2
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column() { awk -v c="$2" '{ print $c }' "$1" | median; }

gib=$(awk -v n=$printers -v s=$size 'BEGIN { print n * s / 1073741824 }')
ideal=$(awk -v n=$printers -v c=$ceiling -v s=$size -v r=$rate 'BEGIN { printf "%.3f", int((n + c - 1) / c) * s / r }')
q_wall=$(column "$work/quarnctl.txt" 1); b_wall=$(column "$work/baseline.txt" 1)
q_cpu=$(column "$work/quarnctl.txt" 2); b_cpu=$(column "$work/baseline.txt" 2)
q_peak=$(column "$work/quarnctl.txt" 3); b_peak=$(column "$work/baseline.txt" 3)

awk -v runs="$runs" -v ideal="$ideal" -v qw="$q_wall" -v bw="$b_wall" -v qc="$q_cpu" -v bc="$b_cpu" \
    -v qp="$q_peak" -v bp="$b_peak" -v gib="$gib" 'BEGIN {
  printf "Fleet: 32 printers x 4 MiB at 2 MiB/s each, ceiling 8, medians of %d runs\n", runs
  printf "  ideal wall time                 %8.3f s\n", ideal
  printf "  quarnctl wall time              %8.3f s   efficiency %.3f (target >= 0.95)\n", qw, ideal / qw
  printf "  baseline (nc, xargs -P 8)       %8.3f s   efficiency %.3f\n", bw, ideal / bw
  printf "  wall time ratio quarnctl/base   %8.3f     (target <= 1.05)\n", qw / bw
  printf "  CPU per GiB quarnctl            %8.3f s\n", qc / gib
  printf "  CPU per GiB baseline            %8.3f s   ratio %.2f (target <= 2)\n", bc / gib, (qc / gib) / (bc / gib)
  printf "  peak memory quarnctl            %8.1f MiB\n", qp / 1024
  printf "  peak memory baseline (largest)  %8.1f MiB\n", bp / 1024
}'
