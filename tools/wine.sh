#!/usr/bin/env bash
# Runs a Windows program in the Wine prefix of the x86_64 build, the one
# tools/demo.sh makes and registers the servers in:
#   bash tools/wine.sh zurhost [options] <project.xml> [<scenario>]
#   bash tools/wine.sh reg add ...    bash tools/wine.sh regsvr32 ...    bash tools/wine.sh cscript ...
# It calls the 64-bit loader itself (Debian puts no wine64 on the PATH), keeps
# Wine's own diagnostics quiet and tells zurhost the terminal's width.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/x64/bin
export WINEPREFIX=$root/build/x64/wineprefix
export WINEDEBUG=-all
if [ ! -d "$WINEPREFIX" ] || [ ! -e "$bin/zurhost.exe" ]; then
  echo "tools/wine.sh: no x86_64 build with its Wine prefix yet; run: bash tools/demo.sh" >&2
  exit 2
fi
[ $# -gt 0 ] || { echo "usage: bash tools/wine.sh <program> [arguments...]" >&2; exit 2; }
# Exported only here: Wine programs cannot ask a Unix terminal for its size.
if [ -t 1 ] && [ -z "${COLUMNS:-}" ]; then
  COLUMNS=$(stty size </dev/tty 2>/dev/null | cut -d' ' -f2)
  [ -n "$COLUMNS" ] && export COLUMNS
fi
program=$1; shift
case $program in
  zurhost | zurhost.exe) program=$bin/zurhost.exe ;;
esac
exec /usr/lib/wine/wine64 "$program" "$@"
