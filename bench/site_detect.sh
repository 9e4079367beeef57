#!/usr/bin/env bash
# A big site's search: `quarnctl detect` into a new document while COUNT simulated printers
# answer, all at once (back to back) or spread over 0-200 ms. Reports, per run, the printers
# found, the time from start to saved document (the search itself is 10 s), peak memory, and
# the receive buffer and lost answers quarnctl saw; one unprivileged run shows what a user
# without CAP_NET_ADMIN gets under this machine's net.core.rmem_max.
#
#   bench/site_detect.sh [COUNT...]     (default 1000 2000 5000; root)
#
# Two network namespaces of the benchmark's own, joined by a veth pair: the program in one,
# the printers in the other, where one local route makes a whole /16 the simulator's own.
# One simulator answers for every address; a TCP listener on 0.0.0.0 takes the test-opens.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1000 2000 5000)

cmake --preset default >/dev/null
cmake --build --preset default --target quarnctl quarn-printer-sim >/dev/null
quarnctl="$root/build/default/cli/quarnctl"
sim="$root/build/default/tools/printer-sim/quarn-printer-sim"
work="$root/build/bench-site"
rm -rf "$work"; mkdir -p "$work"; chmod 0777 "$work"

prog="quarnbench-prog-$$"
prn="quarnbench-prn-$$"
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  ip netns del "$prog" 2>/dev/null || true
  ip netns del "$prn" 2>/dev/null || true
}
trap cleanup EXIT
ip netns add "$prog"
ip netns add "$prn"
ip -n "$prog" link set lo up
ip -n "$prn" link set lo up
ip -n "$prog" link add veth0 type veth peer name veth1 netns "$prn"
ip -n "$prog" addr add 10.231.0.1/24 brd + dev veth0
ip -n "$prn" addr add 10.231.0.2/24 brd + dev veth1
ip -n "$prog" link set veth0 up
ip -n "$prn" link set veth1 up
ip -n "$prog" route add default dev veth0
ip -n "$prn" route add local 10.232.0.0/16 dev lo
ip -n "$prog" route add 10.232.0.0/16 via 10.231.0.2 dev veth0
sleep 1

start_sim() {
  ip netns exec "$prn" "$sim" --record "$work/record.jsonl" --discovery-fleet "10.232.0.1,$1$2" --network Any@0.0.0.0:9100 \
    --discovery-broadcast 255.255.255.255 > "$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 100); do grep -q '^ready$' "$work/sim.out" 2>/dev/null && return; sleep 0.1; done
  echo "simulator did not start" >&2; exit 1
}

# One detect into a new document; prints: found seconds peak-MiB and quarnctl's warning, if any.
detect() {
  local who=$1 document="$work/site.qps"
  rm -f "$document" "$work/time"
  local run=(env XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run-$who" XDG_STATE_HOME="$work/state-$who"
             /usr/bin/time -f "%e %M" -o "$work/time" "$quarnctl" detect "$document" --no-usb)
  mkdir -p "$work/run-$who" "$work/state-$who"; chmod 0700 "$work/run-$who"
  if [ "$who" = user ]; then
    chown nobody "$work/run-$who" "$work/state-$who"
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups "${run[@]}")
  fi
  ip netns exec "$prog" "${run[@]}" > "$work/detect.out" 2> "$work/detect.err" || true
  local found seconds kib
  found=$(grep -c '^added' "$work/detect.out" || true)
  read -r seconds kib < "$work/time"
  printf '%6s %-8s %-6s found %5d  %6.1f s  peak %4d MiB  %s\n' "$2" "$3" "$who" "$found" "$seconds" \
    $((kib / 1024)) "$(grep -o '[0-9]* answers to the network search were lost.*KiB' "$work/detect.err" || true)"
}

echo "machine: net.core.rmem_max=$(sysctl -n net.core.rmem_max), load $(cut -d' ' -f1-3 /proc/loadavg)"
for count in "${counts[@]}"; do
  for jitter in 0 200; do
    suffix=; label="back-to-back"
    [ "$jitter" -gt 0 ] && { suffix=",jitter-ms=$jitter"; label="0-${jitter}ms"; }
    start_sim "$count" "$suffix"
    detect root "$count" "$label"
    [ "$count" = "${USER_RUN_COUNT:-2000}" ] && [ "$jitter" = 0 ] && { detect user "$count" "$label"; }
    kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=
  done
done
