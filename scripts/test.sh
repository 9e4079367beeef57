#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite in each preset
# (default and the sanitizer builds). Presets can be chosen: scripts/test.sh default asan
#
#   --repeat N   runs each preset's suite N times in a row and lists every test that failed
#                in any of the runs, with how often, so that a flaky test cannot hide.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '2,6s/^# \{0,1\}//p' "$0"
  echo "Usage: scripts/test.sh [--repeat N] [PRESET...]"
}

repeat=1
presets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --repeat)
      [[ "${2:-}" =~ ^[1-9][0-9]*$ ]] || { echo "--repeat needs a count of 1 or more" >&2; exit 2; }
      repeat=$2
      shift 2
      ;;
    --repeat=*)
      repeat=${1#--repeat=}
      [[ "$repeat" =~ ^[1-9][0-9]*$ ]] || { echo "--repeat needs a count of 1 or more" >&2; exit 2; }
      shift
      ;;
    -h|--help) usage; exit 0 ;;
    -*) echo "unknown option $1" >&2; usage >&2; exit 2 ;;
    *) presets+=("$1"); shift ;;
  esac
done
[ ${#presets[@]} -eq 0 ] && presets=(default asan tsan)

scripts/setup.sh

jobs=$(nproc)
failed_runs=()
declare -A failures=()   # "preset test" -> how many runs it failed in
for preset in "${presets[@]}"; do
  echo "=== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  for run in $(seq 1 "$repeat"); do
    echo "=== ${preset}: tests (run ${run} of ${repeat})"
    failed_list="build/${preset}/Testing/Temporary/LastTestsFailed.log"
    rm -f "$failed_list"
    if ! ctest --preset "$preset" -j "$jobs" --timeout 600; then
      failed_runs+=("${preset}#${run}")
      # Lines of "number:name"; a run that fails without the list (a crash of ctest itself)
      # still counts as a failed run.
      if [ -f "$failed_list" ]; then
        while IFS= read -r line; do
          key="${preset} ${line#*:}"
          failures[$key]=$(( ${failures[$key]:-0} + 1 ))
        done < "$failed_list"
      fi
    fi
  done
done

if [ ${#failed_runs[@]} -ne 0 ]; then
  echo "Failed runs: ${failed_runs[*]}"
  if [ ${#failures[@]} -ne 0 ]; then
    echo "Tests that failed (preset, test, failed runs of ${repeat}):"
    for key in "${!failures[@]}"; do
      printf '  %s\t%s\n' "$key" "${failures[$key]}"
    done | sort
  fi
  exit 1
fi
echo "All tests passed in: ${presets[*]} (${repeat} run$([ "$repeat" -gt 1 ] && echo s) each)"
