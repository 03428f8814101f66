#!/usr/bin/env bash
# Builds the x86_64 module and its bench, and runs the bench under Wine.
# Usage: tools/bench.sh            the figures (about a minute)
#        tools/bench.sh --soak N   N checks in one process, memory and handles
# The i686 bench is built by tools/test.sh but runs only where the kernel
# runs 32-bit programs.
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh >/dev/null || { echo "setup failed"; exit 1; }
. tools/wine-env.sh
trap wine_prefix_down EXIT
cmake --preset x64 >/dev/null || exit 1
cmake --build --preset x64 --target LayerBench >/dev/null || exit 1
wine_prefix_up build/x64
echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, Linux $(uname -r), $(/usr/lib/wine/wine64 --version)"
"$WINE64" build/x64/bin/LayerBench.exe "$@"
