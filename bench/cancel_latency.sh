#!/usr/bin/env bash
# How long quarnctl download takes to end after Ctrl-C (SIGINT) in each wait a download can be
# in: a connect to an address that never answers, a printer whose window is shut, the final
# wait for a printer that keeps its connection open, and the pause before calibration. Time
# from the signal to the process's exit, median over RUNS runs per wait.
#
#   bench/cancel_latency.sh [RUNS]   (default 5; needs root for a private network namespace)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ -z "${QUARN_BENCH_IN_NETNS:-}" ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target quarnctl quarn-printer-sim >/dev/null
  exec unshare -n env QUARN_BENCH_IN_NETNS=1 "$0" "$@"
fi

runs=${1:-5}
ip link set lo up
# Nothing on the far end of this link owns 10.99.0.2: a connect there waits without an answer.
ip link add silent0 type veth peer name silent1
ip addr add 10.99.0.1/24 dev silent0
ip link set silent0 up
ip link set silent1 up

quarnctl="$root/build/default/cli/quarnctl"
sim="$root/build/default/tools/printer-sim/quarn-printer-sim"
work="$root/build/bench-cancel"
rm -rf "$work"; mkdir -p "$work/config"
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" TMPDIR="$work"
head -c $((4 * 1024 * 1024)) /dev/urandom > "$work/big.bin"
head -c 1024 /dev/urandom > "$work/small.bin"

"$sim" --network "shut@127.0.0.2:9100,stall=1024,rcvbuf=4096" --network "open@127.0.0.3:9100,atend=open" \
  --network "fast@127.0.0.4:9100" > "$work/sim.out" 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do grep -q '^ready$' "$work/sim.out" 2>/dev/null && break; sleep 0.1; done

# make_document NAME ADDRESS FILE [add options...]
make_document() {
  local document="$work/$1.qps"
  rm -f "$document"
  "$quarnctl" add "$document" --network "$2" --name "$1" "${@:4}" >/dev/null
  "$quarnctl" set-file "$document" "$3" >/dev/null
}
make_document connect 10.99.0.2 "$work/small.bin" --no-calibrate
make_document window 127.0.0.2 "$work/big.bin" --no-calibrate
make_document final 127.0.0.3 "$work/small.bin" --no-calibrate
make_document calibration 127.0.0.4 "$work/small.bin"

# One run: starts the download, signals it once it has been waiting for a second, prints the
# milliseconds from the signal to its exit.
latency_ms() {
  # A failed address resolution of the run before would end the next connect at once.
  ip neigh flush dev silent0
  "$quarnctl" download "$work/$1.qps" > /dev/null 2>&1 &
  local pid=$! signalled ended
  sleep 1
  signalled=$(date +%s%N)
  if ! kill -INT "$pid" 2>/dev/null; then
    echo "  (download $1 ended before the signal; run left out)" >&2
    wait "$pid" 2>/dev/null || true
    return
  fi
  wait "$pid" 2>/dev/null || true
  ended=$(date +%s%N)
  awk -v n=$((ended - signalled)) 'BEGIN { printf "%.1f\n", n / 1e6 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "Cancel latency of quarnctl download (SIGINT to exit), medians of $runs runs; target < 200 ms"
for wait in connect window final calibration; do
  : > "$work/$wait.txt"
  for _ in $(seq 1 "$runs"); do latency_ms "$wait" >> "$work/$wait.txt"; done
  printf '  %-12s %7s ms   (runs: %s)\n' "$wait" "$(median < "$work/$wait.txt")" "$(paste -sd' ' "$work/$wait.txt")"
done
