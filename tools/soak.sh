#!/usr/bin/env bash
# The long runs: a million checks in one process (memory and handles after
# warm-up against the end), then a million random scenarios checked against
# the rules. Usage: tools/soak.sh [checks] [scenarios]
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh >/dev/null || { echo "setup failed"; exit 1; }
. tools/wine-env.sh
trap wine_prefix_down EXIT
bash tools/configure.sh x64 || exit 1
cmake --build --preset x64 --target LayerBench test_robustness >/dev/null || exit 1
wine_prefix_up build/x64
status=0
"$WINE64" build/x64/bin/LayerBench.exe --soak "${1:-1000000}" || status=1
OANOCACHE=1 ROBUST_SCENARIOS="${2:-1000000}" "$WINE64" build/x64/bin/test_robustness.exe \
  --gtest_filter='*RandomScenarioTest.*' || status=1
exit $status
