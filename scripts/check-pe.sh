#!/usr/bin/env bash
# Checks that a Windows program is a 32-bit (PE32) GUI-subsystem program
# that imports only the DLLs it is allowed to.
# Usage: check-pe.sh PROGRAM.exe DLL...
set -euo pipefail

program=$1
shift
headers=$(i686-w64-mingw32-objdump -p "$program")

grep -q "^Magic.*010b.*(PE32)" <<<"$headers" || { echo "$program: not PE32"; exit 1; }
grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" || { echo "$program: not a GUI program"; exit 1; }

allowed=" $(tr 'A-Z' 'a-z' <<<"$*") "
status=0
while read -r dll; do
  if [[ "$allowed" != *" $dll "* ]]; then
    echo "$program: imports $dll, which is not allowed"
    status=1
  fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
[ $status -eq 0 ] && echo "$program: PE32, GUI subsystem, imports: $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
exit $status
