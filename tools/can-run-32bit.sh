#!/usr/bin/env bash
# Exit 0 when this machine runs 32-bit x86 programs (the 32-bit half of Wine
# needs that), natively or through an emulator registered with binfmt_misc.
# Some virtual machines' kernels have no 32-bit support.
#   can-run-32bit.sh            the exit status only
#   can-run-32bit.sh --how      also says in one line which way they run
#   can-run-32bit.sh --handler  prints the emulator registered for i386
#                               programs; exit 1 when there is none
set -u
i386_magic=7f454c4601010100000000000000000002000300

i386_handler() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    case "$(basename "$entry")" in register | status) continue ;; esac
    if grep -q "^magic $i386_magic" "$entry" 2>/dev/null && grep -qx enabled "$entry"; then
      sed -n 's/^interpreter //p' "$entry"
      return 0
    fi
  done
  return 1
}

if [ "${1:-}" = --handler ]; then
  i386_handler
  exit
fi

probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# A minimal 32-bit ELF program whose only instructions are exit(0).
python3 - "$probe" <<'PY'
import struct, sys
code = bytes([0xb8,1,0,0,0, 0x31,0xdb, 0xcd,0x80])
base = 0x08048000
ehdr = struct.pack('<16sHHIIIIIHHHHHH', b'\x7fELF\x01\x01\x01' + bytes(9), 2, 3, 1,
                   base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
phdr = struct.pack('<IIIIIIII', 1, 0, base, base, 84 + len(code), 84 + len(code), 5, 0x1000)
open(sys.argv[1], 'wb').write(ehdr + phdr + code)
PY
chmod +x "$probe"
"$probe" 2>/dev/null
runs=$?
if [ "${1:-}" = --how ]; then
  if [ $runs != 0 ]; then
    echo "32-bit programs cannot run on this machine"
  elif emulator=$(i386_handler); then
    echo "32-bit programs run under user-mode emulation ($emulator, $("$emulator" --version | head -1))"
  else
    echo "32-bit programs run natively"
  fi
fi
exit $runs
