#!/usr/bin/env bash
# Benchmarks the downloader's window in the default (release) build: a rebuild of a
# 1000-printer list (limit 200 ms) and 99 simultaneous downloads to simulated printers
# with the longest gap between two handled GUI events (limit 100 ms). Runs on the offscreen
# platform unless a display is given.
#
#   bench/gui_downloader.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quarn-bench-gui >/dev/null
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
build/default/tests/gui/quarn-bench-gui
