#!/usr/bin/env bash
# Makes the Wine prefix named by WINEPREFIX.
#   wine-boot.sh 64   a 64-bit prefix: the 32-bit loader is hidden from
#                     wineboot, which then skips the 32-bit half of its set-up
#                     (minutes where 32-bit programs run under emulation)
#   wine-boot.sh 32   a WoW64 prefix, for the 32-bit programs
# Hiding the loader takes a private mount namespace (root); without one the
# 64-bit prefix is made the ordinary way, only slower.
set -u
if [ "${1:-}" = 64 ] && [ -e /usr/lib/wine/wine ] && unshare -m true 2>/dev/null; then
  exec unshare -m bash -c 'mount --bind /dev/null /usr/lib/wine/wine && exec /usr/lib/wine/wine64 wineboot -i'
fi
exec /usr/lib/wine/wine64 wineboot -i
