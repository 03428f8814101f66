#!/usr/bin/env bash
# Builds both modules (x86_64 and i686) and runs every test suite under Wine.
# Installs what it needs first. Usage: tools/test.sh [ctest arguments...]
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh || { echo "setup failed"; exit 1; }
. tools/wine-env.sh
trap wine_prefix_down EXIT

for arch in x64 x86; do
  echo "=== build $arch"
  bash tools/configure.sh $arch || exit 1
  cmake --build --preset $arch || exit 1
done

status=0
summary=$(mktemp)
trap 'wine_prefix_down; rm -f "$summary"' EXIT
# The test programs see every BSTR the runtime frees without running
# themselves a second time to switch its cache off.
export OANOCACHE=1
# Runs ctest and keeps its lines for the summary of both targets.
run_ctest() {
  local arch=$1
  shift
  ctest "$@" 2>&1 | tee >(sed "s/^/$arch /" >>"$summary")
  return "${PIPESTATUS[0]}"
}

echo "=== test x64"
wine_prefix_up build/x64
run_ctest x86_64 --preset x64 "$@" || status=1
wine_prefix_down

if have_wine32; then
  echo "=== test x86 ($(bash tools/can-run-32bit.sh --how))"
  wine_prefix_up build/x86
  run_ctest i686 --preset x86 "$@" || status=1
  wine_prefix_down
else
  echo "=== test x86: static checks only"
  echo "NOTE: the i686 tests under Wine did not run: this machine cannot run 32-bit programs"
  echo "NOTE: (its kernel has no 32-bit support, or wine32 is not installed); the i686 module"
  echo "NOTE: was built and its exports and imports were checked."
  run_ctest i686 --preset x86 -L static "$@" || status=1
fi
# Every suite that ran, per target, with its time; then both targets together,
# in the closing form CI reads.
echo "=== suites"
awk '$3 == "Test" && $4 ~ /^#/ { res = ($0 ~ / Passed /) ? "passed" : "FAILED"
       printf "%-6s %-32s %-7s %8s s\n", $1, $5, res, $(NF-1) }' "$summary"
awk '/tests passed, .* tests failed out of/ {f += $5; t += $NF} END {printf "all targets: %d passed, %d failed\n", t - f, f}' "$summary"
exit $status
