# Sourced by the scripts: a Wine prefix private to one build tree, with a
# persistent wineserver that is stopped on every way out.
# The loaders are called directly: the "wine" wrapper prefers the 32-bit
# loader whenever wine32 is installed, even where the kernel cannot run it.
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver64

# True when the 32-bit half of Wine is installed and this kernel can run it.
have_wine32() {
  dpkg -s wine32:i386 >/dev/null 2>&1 && bash "$(dirname "${BASH_SOURCE[0]}")/can-run-32bit.sh"
}

# In the server that made a prefix, every activation of a class that is not
# registered waits 3 to 10 s for the RPC service; a new server answers at once.
wine_server_restart() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  "$WINESERVER" -p >/dev/null 2>&1 </dev/null
}

# Usage: wine_prefix_up <build-dir>
# The i686 tree (build/x86) gets a WoW64 prefix; every other tree a 64-bit
# one that never starts a 32-bit process.
wine_prefix_up() {
  mkdir -p "$1"
  export WINEPREFIX="$(cd "$1" && pwd)/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local bits=64
  [ "$(basename "$1")" = x86 ] && bits=32
  # A WoW64 prefix made before wine32 was installed cannot run 32-bit programs.
  local want="bits=64"
  [ $bits = 32 ] && want="bits=32 wow64=$(have_wine32 && echo yes || echo no)"
  if [ -d "$WINEPREFIX" ] && [ "$(cat "$WINEPREFIX/.layer-kind" 2>/dev/null)" != "$want" ]; then
    rm -rf "$WINEPREFIX"
  fi
  # Redirected: a server holding our stdout would keep the caller waiting.
  wine_server_restart
  if [ ! -f "$WINEPREFIX/.layer-kind" ]; then
    bash "$(dirname "${BASH_SOURCE[0]}")/wine-boot.sh" $bits >/dev/null 2>&1 </dev/null
    echo "$want" > "$WINEPREFIX/.layer-kind"
    wine_server_restart
  fi
  # The first program of a server starts Wine's services, which keep its
  # output handles: start them here, on /dev/null, not inside a test's pipe.
  "$WINE64" cmd /c exit >/dev/null 2>&1 </dev/null
}

wine_prefix_down() {
  if [ -n "${WINEPREFIX:-}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
  fi
}
