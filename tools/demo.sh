#!/usr/bin/env bash
# The main job. Until the host simulator and the sample assistants exist, it
# builds the module and shows what it offers: its exports and its contract.
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh || { echo "setup failed"; exit 1; }
cmake --preset x64 >/dev/null && cmake --build --preset x64 >/dev/null || exit 1
cmake --preset x86 >/dev/null && cmake --build --preset x86 >/dev/null || exit 1
for arch in x64 x86; do
  case $arch in x64) t=x86_64-w64-mingw32;; x86) t=i686-w64-mingw32;; esac
  echo "== build/$arch/bin/Layer.dll"
  bash tools/check-binary.sh $t-objdump build/$arch/bin/Layer.dll
done
echo "== type library LAYERLib2 (interfaces/LayerLib2.idl)"
grep -E '^interface|HRESULT [A-Za-z]+\(' interfaces/LayerLib2.idl | sed 's/^    /  /'
