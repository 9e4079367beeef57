#!/usr/bin/env bash
# A fleet of COUNT network printers in one document against one of BASE printers (default
# 1000 against 100): `quarnctl list` (load and close), `quarnctl download` of a small file to
# every printer with a ceiling of 99, and a download cancelled with Ctrl-C (SIGINT) while the
# printers take it slowly. Reports each step's wall time per printer and its ratio to the base,
# and, sampled every 50 ms, the most threads and open files and the peak memory of quarnctl.
#
#   bench/site_download.sh [COUNT] [BASE]     (root, in a network namespace of its own)
#
# The printers listen on 127.0.x.y inside the namespace; every printer's bytes are checked
# against the file from the simulator's record.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ -z "${QUARN_BENCH_IN_NETNS:-}" ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target quarnctl quarn-printer-sim quarn-bench-document >/dev/null
  exec unshare -n env QUARN_BENCH_IN_NETNS=1 "$0" "$@"
fi
ip link set lo up

count=${1:-1000}
base=${2:-100}
bin="$root/build/default"
quarnctl="$bin/cli/quarnctl"
sim="$bin/tools/printer-sim/quarn-printer-sim"
work="$root/build/bench-site-download"
rm -rf "$work"; mkdir -p "$work/config"
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" TMPDIR="$work"
head -c 16384 /dev/urandom > "$work/label.bin"
expected=$(sha256sum "$work/label.bin" | cut -d' ' -f1)
"$quarnctl" max-downloads 99 >/dev/null
sim_pid=
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; true' EXIT

# Printer#i of the document is at 127.0.x.y, x.y being i.
address() { echo "127.0.$(( $1 >> 8 & 255 )).$(( $1 & 255 ))"; }

start_sim() {  # COUNT [OPTIONS]
  local args=(--record "$work/record.jsonl")
  for i in $(seq 1 "$1"); do args+=(--network "Printer#$i@$(address "$i"):9100${2:-}"); done
  rm -f "$work/record.jsonl"
  "$sim" "${args[@]}" > "$work/sim.out" &
  sim_pid=$!
  for _ in $(seq 1 300); do grep -q '^ready$' "$work/sim.out" 2>/dev/null && return; sleep 0.1; done
  echo "simulator did not start" >&2; exit 1
}
stop_sim() { kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=; }

# Runs quarnctl ARGS..., sampling its threads and descriptors; sets seconds, threads, files, mib.
# With INTERRUPT_AFTER set, sends SIGINT that many seconds in and times from there to the end.
measure() {
  local start end pid
  start=$(date +%s%N)
  /usr/bin/time -f "%M" -o "$work/time" "$quarnctl" "$@" > "$work/out" 2> "$work/err" &
  local timer=$!
  threads=0; files=0
  local interrupted=
  while kill -0 "$timer" 2>/dev/null; do
    pid=$(pgrep -P "$timer" -x quarnctl || true)
    if [ -n "$pid" ]; then
      local t f
      # The process may end between two looks.
      t=$(awk '/^Threads/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
      f=$( (ls "/proc/$pid/fd" 2>/dev/null || true) | wc -l)
      [ "${t:-0}" -gt "$threads" ] && threads=${t:-0}
      [ "$f" -gt "$files" ] && files=$f
      if [ -n "${INTERRUPT_AFTER:-}" ] && [ -z "$interrupted" ] &&
         [ $(( ($(date +%s%N) - start) / 1000000 )) -ge $(( INTERRUPT_AFTER * 1000 )) ]; then
        kill -INT "$pid"; interrupted=1; start=$(date +%s%N)
      fi
    fi
    sleep 0.05
  done
  wait "$timer" || true
  end=$(date +%s%N)
  seconds=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
  mib=$(( $(cat "$work/time") / 1024 ))
}

declare -A result
for n in "$base" "$count"; do
  document="$work/fleet-$n.qps"
  "$bin/bench/quarn-bench-document" "$n" "$document" 127 "$work/label.bin"
  start_sim "$n"

  measure list "$document"
  result[$n,load]=$seconds; result[$n,load_threads]=$threads; result[$n,load_files]=$files; result[$n,load_mib]=$mib

  measure download "$document"
  result[$n,download]=$seconds; result[$n,threads]=$threads; result[$n,files]=$files; result[$n,mib]=$mib
  received=$(grep -c "\"sha256\":\"$expected\"" "$work/record.jsonl" || true)
  [ "$received" -eq "$n" ] || echo "warning: $received of $n printers received the file exactly" >&2
  stop_sim

  # Slow printers: the download is still running when Ctrl-C comes.
  start_sim "$n" ",rate=2000"
  INTERRUPT_AFTER=3 measure download "$document"
  result[$n,cancel]=$seconds
  stop_sim
done

printf '%-28s %10s %10s %8s\n' "" "$base" "$count" "ratio/printer"
for step in load download cancel; do
  printf '%-28s %9.3fs %9.3fs %8.2f\n' "$step (wall)" "${result[$base,$step]}" "${result[$count,$step]}" \
    "$(awk -v a="${result[$base,$step]}" -v b="${result[$count,$step]}" -v n="$count" -v m="$base" 'BEGIN { print (b / n) / (a / m) }')"
done
printf '%-28s %10s %10s\n' "threads (most, download)" "${result[$base,threads]}" "${result[$count,threads]}"
printf '%-28s %10s %10s\n' "open files (most, download)" "${result[$base,files]}" "${result[$count,files]}"
printf '%-28s %9sM %9sM\n' "peak memory (download)" "${result[$base,mib]}" "${result[$count,mib]}"
printf '%-28s %9sM %9sM\n' "peak memory (load, close)" "${result[$base,load_mib]}" "${result[$count,load_mib]}"
