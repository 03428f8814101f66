#!/usr/bin/env bash
# Builds the module and its bench, and runs the bench under Wine: x86_64, then
# i686 where this machine runs 32-bit programs natively.
# Usage: tools/bench.sh            the figures (about a minute per target)
#        tools/bench.sh --soak N   N checks in one process, memory and handles
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh >/dev/null || { echo "setup failed"; exit 1; }
. tools/wine-env.sh
trap wine_prefix_down EXIT
echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, Linux $(uname -r), $("$WINE64" --version)"

# Usage: run_bench <preset> <loader> [bench arguments...]
run_bench() {
  local preset=$1 loader=$2
  shift 2
  bash tools/configure.sh "$preset" || return 1
  cmake --build --preset "$preset" --target LayerBench >/dev/null || return 1
  wine_prefix_up "build/$preset"
  "$loader" "build/$preset/bin/LayerBench.exe" "$@"
  local rc=$?
  wine_prefix_down
  return $rc
}

echo "=== x86_64"
run_bench x64 "$WINE64" "$@" || exit 1
how=$(bash tools/can-run-32bit.sh --how)
echo "=== i686"
if [ "$how" = "32-bit programs run natively" ] && have_wine32; then
  run_bench x86 "$WINE32" "$@" || exit 1
else
  echo "No i686 figures: $how; timings of an emulated processor would say nothing about the module."
fi
