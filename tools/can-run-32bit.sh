#!/usr/bin/env bash
# Exit 0 when this machine's kernel runs 32-bit x86 programs (the 32-bit half
# of Wine needs that). Some virtual machines' kernels have no 32-bit support.
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
