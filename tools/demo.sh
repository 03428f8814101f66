#!/usr/bin/env bash
# The main job: builds the layer, the host simulator, the sample assistants and
# zurhost, then puts the edits of the sample scenario (a bottling line on three
# buses) to the layer and shows its verdicts. Installs what it needs first.
# Usage: tools/demo.sh [--arch x64|x86] [zurhost options...]
#   --arch x86   the same run on the 32-bit module, simulator and assistants
# Other arguments go to zurhost (for example --trace, --log or --json).
set -uo pipefail
cd "$(dirname "$0")/.."
arch=x64
if [ "${1:-}" = --arch ]; then
  arch=${2:-}
  shift 2 || shift
fi
case $arch in
x64) name=x86_64 ;;
x86) name=i686 ;;
*) echo "demo.sh: --arch takes x64 or x86, not '$arch'" >&2; exit 2 ;;
esac
bash tools/setup.sh || { echo "setup failed"; exit 1; }
. tools/wine-env.sh
loader=$WINE64
if [ $arch = x86 ]; then
  if ! have_wine32; then
    echo "demo.sh: this machine cannot run 32-bit programs (see tools/setup.sh's message above)" >&2
    exit 2
  fi
  loader=$WINE32
fi
echo "=== build ($name)"
bash tools/configure.sh $arch && cmake --build --preset $arch >/dev/null || exit 1
trap wine_prefix_down EXIT
wine_prefix_up build/$arch
echo "=== zurhost examples/plant.xml examples/bottling.scenario ($name)"
cd build/$arch/bin
"$loader" zurhost.exe --tree "$@" 'examples\plant.xml' 'examples\bottling.scenario'
