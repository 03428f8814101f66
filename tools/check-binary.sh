#!/usr/bin/env bash
# Static checks of a built module: it exports exactly the four COM entry
# points, undecorated, and imports system DLLs only.
# Usage: check-binary.sh <objdump> <module.dll>
set -u
objdump=$1 dll=$2 fail=0
exports=$("$objdump" -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^\t\[/{print $NF} t&&/^$/{t=0}' | sort | tr '\n' ' ')
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
if [ "$exports" != "$expected" ]; then
  echo "FAIL exports of $dll: '$exports', expected '$expected'"; fail=1
else
  echo "ok   exports: $exports"
fi
allowed=" KERNEL32.dll USER32.dll ADVAPI32.dll ole32.dll OLEAUT32.dll msvcrt.dll api-ms-win-crt-runtime-l1-1-0.dll "
for dll_name in $("$objdump" -p "$dll" | awk '/DLL Name:/{print $3}'); do
  case "$allowed" in
    *" $dll_name "*) echo "ok   imports $dll_name" ;;
    *) echo "FAIL imports $dll_name, not a system DLL"; fail=1 ;;
  esac
done
[ $fail = 0 ] && echo "binary checks of $dll: all good"
exit $fail
