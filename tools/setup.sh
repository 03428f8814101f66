#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian 12 machine.
# Safe to run again: it installs only what is missing.
set -u
here=$(dirname "$0")
need=()
for p in mingw-w64 mingw-w64-tools wine libwine-dev cmake ninja-build googletest nlohmann-json3-dev libcli11-dev \
    pandoc man-db python3 gnuplot-nox \
    clang-format clang-tidy libxml2-utils; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
updated=0
apt_update() {
  if [ $updated = 0 ]; then
    # the i386 security index may be missing on the mirror; the other lists still load
    apt-get update >/dev/null 2>&1 || true
    updated=1
  fi
}
if [ ${#need[@]} -gt 0 ]; then
  apt_update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}" || exit 1
fi

# Where the kernel refuses 32-bit programs, user-mode emulation runs them.
if ! bash "$here/can-run-32bit.sh"; then
  bash "$here/setup-emulation.sh" || echo "setup: no emulator for 32-bit programs could be set up" >&2
fi
echo "setup: $(bash "$here/can-run-32bit.sh" --how)"

# 32-bit half of Wine for the i686 module. Pin the main suite so that both
# architectures take the same versions (multiarch needs equal versions).
if ! bash "$here/can-run-32bit.sh"; then
  echo "setup: the i686 tests cannot run here (wine32 is not installed)"
elif ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  dpkg --add-architecture i386
  updated=0; apt_update
  pin=$(mktemp)
  printf 'Package: *\nPin: release n=bookworm,l=Debian\nPin-Priority: 1001\n' > "$pin"
  if ! DEBIAN_FRONTEND=noninteractive apt-get -o Dir::Etc::Preferences="$pin" install -y \
      --allow-downgrades --no-install-recommends wine32; then
    echo "setup: wine32 could not be installed; the i686 tests will not run" >&2
  fi
  rm -f "$pin"
fi
exit 0
