#!/usr/bin/env bash
# The main job: builds the layer, the host simulator, the sample assistants and
# zurhost, then puts the edits of the sample scenario (a bottling line on three
# buses) to the layer and shows its verdicts. Installs what it needs first.
# Extra arguments go to zurhost (for example --trace, --log or --json).
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh || { echo "setup failed"; exit 1; }
echo "=== build (x86_64)"
cmake --preset x64 >/dev/null && cmake --build --preset x64 >/dev/null || exit 1
. tools/wine-env.sh
trap wine_prefix_down EXIT
wine_prefix_up build/x64
echo "=== zurhost --tree examples/plant.xml examples/bottling.scenario"
bash tools/wine.sh zurhost --tree "$@" examples/plant.xml examples/bottling.scenario
