#!/usr/bin/env bash
# Configures the build tree of a preset (x64 or x86). A tree that an older
# checkout configured for another generator is configured afresh.
set -u
preset=$1
cache=build/$preset/CMakeCache.txt
cd "$(dirname "$0")/.."
if [ -f "$cache" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$cache"; then
  rm -rf "$cache" "build/$preset/CMakeFiles"
fi
cmake --preset "$preset" >/dev/null
