#!/usr/bin/env bash
# Lets a kernel that refuses 32-bit x86 programs run them under user-mode
# emulation: an i386 handler for binfmt_misc that hands them to qemu-i386.
#
# The emulator is Debian 13's qemu-i386 (a static program, so it runs here
# unchanged) when it can be fetched: Debian 12's qemu 7.2 walks the guest's
# address space page by page on every mapping, and a 32-bit Wine process, whose
# loader reserves most of the 4 GB, then takes 50 to 90 s to start instead of
# half a second. Debian 12's qemu-user-static is the fallback.
#
# Changes to the machine: the emulator's file, binfmt_misc mounted, and one
# handler named qemu-i386 registered in the running kernel (gone at reboot).
# A handler for i386 programs that is already there is left as it is, and no
# other handler is touched.
set -u
binfmt=/proc/sys/fs/binfmt_misc
own=/usr/local/lib/assistant-layer/qemu-i386

# Debian 13's qemu-i386, fetched through apt from a list used for this one
# download (signatures checked as for any package) and unpacked to $own.
fetch_current_qemu() {
  local list=/etc/apt/sources.list.d/assistant-layer-qemu.list dir
  dir=$(mktemp -d)
  echo "deb [arch=amd64] http://deb.debian.org/debian trixie main" > "$list"
  apt-get update -o Dir::Etc::sourcelist="$list" -o Dir::Etc::sourceparts=- \
      -o APT::Get::List-Cleanup=0 >/dev/null 2>&1 &&
    (cd "$dir" && apt-get download -o Dir::Etc::sourcelist="$list" -o Dir::Etc::sourceparts=- \
      qemu-user >/dev/null 2>&1)
  rm -f "$list"
  local deb
  deb=$(ls "$dir"/qemu-user_*.deb 2>/dev/null | head -1)
  if [ -n "$deb" ] && dpkg-deb -x "$deb" "$dir/x" && [ -x "$dir/x/usr/bin/qemu-i386" ]; then
    mkdir -p "$(dirname "$own")"
    install -m 755 "$dir/x/usr/bin/qemu-i386" "$own"
  fi
  rm -rf "$dir"
  [ -x "$own" ]
}

emulator=$own
if [ ! -x "$own" ] && ! fetch_current_qemu; then
  echo "setup: Debian 13's qemu-i386 could not be fetched; using Debian 12's (32-bit Wine starts take about a minute)" >&2
  dpkg -s qemu-user-static >/dev/null 2>&1 ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends qemu-user-static >/dev/null || exit 1
  emulator=/usr/bin/qemu-i386-static
fi

mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt" || exit 1
if existing=$(bash "$(dirname "$0")/can-run-32bit.sh" --handler); then
  echo "setup: an i386 handler is registered already ($existing); left as it is"
  exit 0
fi
# M: match the ELF header of an i386 executable; F: the kernel opens the
# emulator now, so it works inside any mount namespace.
printf ':qemu-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:%s:F' \
  "$emulator" > "$binfmt/register"
