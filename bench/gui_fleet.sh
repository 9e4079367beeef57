#!/usr/bin/env bash
# The downloader's window with a fleet of COUNT network printers in one document against one
# of BASE (default 1000 against 100), a ceiling of 99: opening the document, downloading a
# small file to every printer, cancelling a download of slow printers and closing the window,
# per printer and as a ratio to the base (goal: within 2x); the most threads and open files
# during the download and the peak memory (goal: under 300 MiB). Every printer's bytes are
# checked against the file from the simulator's record.
#
#   bench/gui_fleet.sh [COUNT] [BASE]     (root: runs in a network namespace of its own)
#
# The printers listen on 127.0.x.y inside the namespace, offscreen unless a display is given.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${QUARN_BENCH_IN_NETNS:-}" ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target quarn-bench-gui-fleet quarn-printer-sim >/dev/null
  exec unshare -n env QUARN_BENCH_IN_NETNS=1 "$0" "$@"
fi
ip link set lo up
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
build/default/tests/gui/quarn-bench-gui-fleet "${1:-1000}" "${2:-100}"
