#!/usr/bin/env bash
# Size and import gate of a stub image: at most LIMIT bytes, imports only from
# KERNEL32, USER32, ADVAPI32 and msvcrt, and no run of the local-header signature
# bytes 50 4B 03 04 anywhere in the image (the walk forms the value at run time).
# Usage: check_stub.sh STUB.exe OBJDUMP LIMIT
set -euo pipefail
stub=$1 objdump=$2 limit=$3
size=$(stat -c %s "$stub")
echo "$(basename "$stub"): $size bytes (limit $limit)"
fail=0
if [ "$size" -gt "$limit" ]; then echo "FAIL: larger than $limit bytes"; fail=1; fi
dlls=$("$objdump" -p "$stub" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
echo "imports: $(echo $dlls)"
for dll in $dlls; do
  case "$dll" in
    KERNEL32.DLL|USER32.DLL|ADVAPI32.DLL|MSVCRT.DLL) ;;
    *) echo "FAIL: imports $dll"; fail=1 ;;
  esac
done
if [ -z "$dlls" ]; then echo "FAIL: no import table found"; fail=1; fi
if od -An -v -tx1 "$stub" | tr -d ' \n' | grep -q '504b0304'; then
  echo "FAIL: the image holds the bytes 50 4B 03 04"; fail=1
fi
exit $fail
