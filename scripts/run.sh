#!/usr/bin/env bash
# The main job on simulated printers: installs what is missing, builds, starts 8 simulated
# network printers on 127.0.0.2 to 127.0.0.9, each on a TCP port the system gives as free
# (so that nothing else listening on this machine is in the way), writes a printer-settings
# document for them with those ports and gives each its own file of a few MiB, at most 3
# downloads at a time. With a display, the downloader window opens on that document (choose
# Printer > Download All); without one, quarnctl downloads to all of them and checks that
# every printer received exactly its file.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh
cmake --preset default >/dev/null
gui=""
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then gui=QuarnDownloader; fi
cmake --build --preset default --target quarnctl quarn-printer-sim $gui

bin="$root/build/default"
quarnctl="$bin/cli/quarnctl"
sim="$bin/tools/printer-sim/quarn-printer-sim"
demo="$root/build/demo"
mkdir -p "$demo/files" "$demo/config"
# The demo keeps its ceiling in its own settings folder, not in yours.
export XDG_CONFIG_HOME="$demo/config"

printers=8
record="$demo/printers.jsonl"
sim_args=(--record "$record")
for i in $(seq 1 $printers); do
  # 1.5 MB/s each, so every printer's progress is visible for a few seconds.
  sim_args+=(--network "Printer#$i@127.0.0.$((i + 1)):0,rate=1500000,rcvbuf=65536")
done
"$sim" "${sim_args[@]}" > "$demo/sim.out" &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; wait $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do grep -q '^ready$' "$demo/sim.out" 2>/dev/null && break; sleep 0.1; done
grep -q '^ready$' "$demo/sim.out" || { echo "The printer simulator did not start; see $demo/sim.out" >&2; exit 1; }

document="$demo/demo.qps"
rm -f "$document"
for i in $(seq 1 $printers); do
  file="$demo/files/firmware-$i.prg"
  [ -f "$file" ] || head -c $(( (2 + i % 3) * 1024 * 1024 + i * 4099 )) /dev/urandom > "$file"
  # The simulator says "listening NAME ADDRESS:PORT" for each printer once it listens.
  port=$(sed -n "s/^listening Printer#$i 127\.0\.0\.$((i + 1)):\([0-9]*\)\$/\1/p" "$demo/sim.out")
  "$quarnctl" add "$document" --network "127.0.0.$((i + 1))" --tcp-port "$port" --model "Simulated printer" \
    --no-calibrate
  "$quarnctl" set-file "$document" "$file" "Printer#$i"
done
"$quarnctl" max-downloads 3
echo
"$quarnctl" list "$document"
echo

if [ -n "$gui" ]; then
  echo "The downloader opens on $document; the simulated printers run until you close it."
  "$bin/downloader/QuarnDownloader" "$document"
  exit 0
fi
echo "Downloading to $printers printers, at most 3 at a time:"
status=0
"$quarnctl" download "$document" || status=$?

# A download ends when its last byte is handed to the network; the printer may still be
# taking the bytes in. Each connection is recorded once the printer has read all of it.
for _ in $(seq 1 600); do
  [ -f "$record" ] && [ "$(wc -l < "$record")" -ge "$printers" ] && break
  sleep 0.1
done
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; trap - EXIT
echo
echo "What each printer received:"
mismatches=0
for i in $(seq 1 $printers); do
  expected=$(sha256sum "$demo/files/firmware-$i.prg" | cut -d' ' -f1)
  line=$(grep "\"printer\":\"Printer#$i\"" "$record" | tail -1 || true)
  got=$(sed -n 's/.*"sha256":"\([0-9a-f]*\)".*/\1/p' <<<"$line")
  bytes=$(sed -n 's/.*"bytes":\([0-9]*\).*/\1/p' <<<"$line")
  if [ "$got" = "$expected" ]; then
    printf '  Printer#%d\t%s bytes\texact copy of its file\n' "$i" "$bytes"
  else
    printf '  Printer#%d\tDIFFERENT from its file\n' "$i"
    mismatches=$((mismatches + 1))
  fi
done
echo
echo "The document stays at $document; run it again with:"
echo "  XDG_CONFIG_HOME=$demo/config $quarnctl download $document"
[ "$status" -eq 0 ] && [ "$mismatches" -eq 0 ]
