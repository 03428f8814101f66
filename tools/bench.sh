#!/usr/bin/env bash
# Builds the module and its bench, and runs the bench under Wine: x86_64, then
# i686 where this machine runs 32-bit programs natively.
# Usage: tools/bench.sh            the figures (about a minute per target);
#                                  their data goes to build/bench/<arch>.csv,
#                                  the machine, date and load to <arch>.run
#                                  (tools/bench-doc.sh build/bench makes the
#                                  benchmark document's tables and plot of them)
#        tools/bench.sh --soak N   N checks in one process, memory and handles
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh >/dev/null || { echo "setup failed"; exit 1; }
. tools/wine-env.sh
trap wine_prefix_down EXIT
machine="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
system="Linux $(uname -r), $("$WINE64" --version)"
echo "Machine: $machine, $system"
mkdir -p build/bench

# Usage: run_bench <preset> <loader> <arch> [bench arguments...]
run_bench() {
  local preset=$1 loader=$2 arch=$3
  shift 3
  bash tools/configure.sh "$preset" || return 1
  cmake --build --preset "$preset" --target LayerBench >/dev/null || return 1
  wine_prefix_up "build/$preset"
  local data=() load_start
  load_start=$(cut -d' ' -f1 /proc/loadavg)
  [ $# -eq 0 ] && data=(--data "build/bench/$arch.csv")
  "$loader" "build/$preset/bin/LayerBench.exe" "${data[@]}" "$@"
  local rc=$?
  wine_prefix_down
  if [ $# -eq 0 ] && [ $rc = 0 ]; then
    printf 'machine=%s\nsystem=%s\ndate=%s\nload=%s at the start, %s at the end (1-minute average)\n' "$machine" \
      "$system" "$(date -u '+%Y-%m-%d %H:%M UTC')" "$load_start" "$(cut -d' ' -f1 /proc/loadavg)" > "build/bench/$arch.run"
  fi
  return $rc
}

echo "=== x86_64"
run_bench x64 "$WINE64" x86_64 "$@" || exit 1
how=$(bash tools/can-run-32bit.sh --how)
echo "=== i686"
if [ "$how" = "32-bit programs run natively" ] && have_wine32; then
  run_bench x86 "$WINE32" i686 "$@" || exit 1
else
  echo "No i686 figures: $how; timings of an emulated processor would say nothing about the module."
fi
