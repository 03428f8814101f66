#!/usr/bin/env bash
# Runs the module suite's test program under Wine.
#   run-suite.sh <wine loader> <test program> [arguments...]
#     in the prefix given by WINEPREFIX (the build tree's);
#   run-suite.sh --fresh <wine loader> <test program> [arguments...]
#     in a prefix made for this run alone: what the program registers and
#     reads back starts from a registry that has never seen the module.
# The prefix's services (the RPC service that COM activation asks) are
# started first with their output going nowhere: started by the test program
# itself they would inherit its output pipe and keep ctest waiting for ever.
set -u
fresh=no
if [ "${1:-}" = "--fresh" ]; then fresh=yes; shift; fi
loader=$1 program=$2
shift 2
server=/usr/lib/wine/wineserver64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ $fresh = yes ]; then
  export WINEPREFIX="$(cd "$(dirname "$program")/.." && pwd)/module-wineprefix"
  "$server" -k >/dev/null 2>&1 </dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$server" -p >/dev/null 2>&1 </dev/null
  trap '"$server" -k >/dev/null 2>&1 </dev/null' EXIT
  bits=64
  case "$loader" in */wine) bits=32 ;; esac
  bash "$(dirname "$0")/../../tools/wine-boot.sh" $bits >/dev/null 2>&1 </dev/null
  # In the server that made the prefix every activation of an unregistered
  # class waits seconds for the RPC service; a new server answers at once.
  "$server" -k >/dev/null 2>&1 </dev/null
  "$server" -w >/dev/null 2>&1 </dev/null
  "$server" -p >/dev/null 2>&1 </dev/null
  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null
else
  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null
fi
"$loader" "$program" "$@"
