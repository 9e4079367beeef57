#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite in each preset
# (default and the sanitizer builds). Presets can be chosen: scripts/test.sh default asan
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(default asan tsan)

jobs=$(nproc)
failed=()
for preset in "${presets[@]}"; do
  echo "=== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== ${preset}: tests"
  if ! ctest --preset "$preset" -j "$jobs" --timeout 600; then
    failed+=("$preset")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Tests failed in: ${failed[*]}"
  exit 1
fi
echo "All tests passed in: ${presets[*]}"
