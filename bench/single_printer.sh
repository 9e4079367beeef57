#!/usr/bin/env bash
# One printer that takes data as fast as it comes (a loopback sink, nc -l): how long a
# 512 MiB file takes through quarnctl download, beside netcat sending the same file. Medians
# over RUNS runs of each, interleaved. CUPS's socket backend is timed as well when it is
# installed (/usr/lib/cups/backend/socket).
#
#   bench/single_printer.sh [RUNS] [MIB]   (default 5 runs of 512 MiB; needs root for a
#                                           private network namespace)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ -z "${QUARN_BENCH_IN_NETNS:-}" ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target quarnctl >/dev/null
  exec unshare -n env QUARN_BENCH_IN_NETNS=1 "$0" "$@"
fi

runs=${1:-5}
mib=${2:-512}
ip link set lo up

quarnctl="$root/build/default/cli/quarnctl"
cups_socket=/usr/lib/cups/backend/socket
work="$root/build/bench-single"
rm -rf "$work"; mkdir -p "$work/config"
export XDG_CONFIG_HOME="$work/config" TMPDIR="$work"
file="$work/image.bin"
head -c $((mib * 1024 * 1024)) /dev/urandom > "$file"
document="$work/one.qps"
"$quarnctl" add "$document" --network 127.0.0.1 --no-calibrate --name sink >/dev/null
"$quarnctl" set-file "$document" "$file" >/dev/null

# Runs the sender given as arguments against a fresh sink; prints its wall seconds.
timed() {
  nc -d -l 127.0.0.1 9100 > /dev/null &
  local sink=$!
  for _ in $(seq 1 50); do ss -ltn | grep -q ':9100 ' && break; sleep 0.02; done
  local started ended
  started=$(date +%s%N)
  "$@" > /dev/null 2>&1 || { echo "sender failed: $*" >&2; kill "$sink" 2>/dev/null; exit 1; }
  ended=$(date +%s%N)
  wait "$sink" 2>/dev/null || true
  awk -v n=$((ended - started)) 'BEGIN { printf "%.3f\n", n / 1e9 }'
}

: > "$work/quarnctl.txt"; : > "$work/netcat.txt"; : > "$work/cups.txt"
for run in $(seq 1 "$runs"); do
  timed "$quarnctl" download "$document" >> "$work/quarnctl.txt"
  timed nc -N 127.0.0.1 9100 < "$file" >> "$work/netcat.txt"
  if [ -x "$cups_socket" ]; then
    timed env DEVICE_URI=socket://127.0.0.1:9100 "$cups_socket" 1 bench bench 1 "" "$file" >> "$work/cups.txt"
  fi
  echo "run $run: quarnctl $(tail -1 "$work/quarnctl.txt") s | netcat $(tail -1 "$work/netcat.txt") s" >&2
done

median() { sort -n "$1" | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
q=$(median "$work/quarnctl.txt"); n=$(median "$work/netcat.txt"); c=$(median "$work/cups.txt")
echo "One fast printer, $mib MiB, medians of $runs runs"
echo "  quarnctl          $q s"
echo "  netcat            $n s   quarnctl/netcat $(awk -v q="$q" -v n="$n" 'BEGIN { printf "%.2f", q / n }')"
if [ -n "$c" ]; then
  echo "  CUPS socket       $c s   quarnctl/CUPS $(awk -v q="$q" -v c="$c" 'BEGIN { printf "%.2f", q / c }') (target <= 2)"
else
  echo "  CUPS socket       not installed ($cups_socket)"
fi
rm -f "$file"
