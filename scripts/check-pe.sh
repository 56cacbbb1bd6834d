#!/usr/bin/env bash
# Checks that a Windows program is a 32-bit (PE32) program of the GUI
# subsystem (or, with --console, of the console subsystem) that imports
# only the DLLs it is allowed to.
# Usage: check-pe.sh [--console] PROGRAM.exe DLL...
set -euo pipefail

subsystem="Windows GUI"
if [ "$1" = --console ]; then
  subsystem="Windows CUI"
  shift
fi
program=$1
shift
headers=$(i686-w64-mingw32-objdump -p "$program")

grep -q "^Magic.*010b.*(PE32)" <<<"$headers" || { echo "$program: not PE32"; exit 1; }
grep -q "^Subsystem.*($subsystem)" <<<"$headers" ||
  { echo "$program: not of the $subsystem subsystem"; exit 1; }

allowed=" $(tr 'A-Z' 'a-z' <<<"$*") "
status=0
while read -r dll; do
  if [[ "$allowed" != *" $dll "* ]]; then
    echo "$program: imports $dll, which is not allowed"
    status=1
  fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
[ $status -eq 0 ] && echo "$program: PE32, $subsystem subsystem, imports: $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
exit $status
