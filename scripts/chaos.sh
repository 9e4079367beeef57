#!/usr/bin/env bash
# The chaos test of the printer list at length: ROUNDS rounds (default 50) of simulated
# fleets whose printers are fast, slow, reset, refuse, accept and close, or stall, under a
# random ceiling, some rounds cancelled. Set QUARN_CHAOS_SEED to replay a round sequence.
#
#   scripts/chaos.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default --target integration_collection_download >/dev/null
QUARN_CHAOS_ROUNDS=${1:-50} build/default/tests/integration/integration_collection_download \
  --gtest_filter=CollectionDownload.ChaosRoundsKeepEveryPromise
