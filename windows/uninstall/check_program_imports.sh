#!/usr/bin/env bash
# Checks a Windows console program: a PE image for MACHINE (i386 or x86-64)
# of the console subsystem that imports from no DLL but the ones named.
#   check_program_imports.sh OBJDUMP PROGRAM MACHINE DLL...
set -uo pipefail

if [ $# -lt 4 ]; then
  echo "usage: $0 OBJDUMP PROGRAM MACHINE DLL..." >&2
  exit 2
fi
objdump=$1
program=$2
machine=$3
shift 3
name=$(basename "$program")

faults=0
fault() { echo "$name: $*"; faults=$((faults + 1)); }

headers=$("$objdump" -p "$program") || { echo "$name: not readable by $objdump"; exit 1; }
grep -q "file format pei-$machine" <<<"$headers" || fault "not a PE image for $machine"
subsystem=$(awk '$1 == "Subsystem" { print $2; exit }' <<<"$headers")
[ "$subsystem" = "00000003" ] || fault "subsystem $subsystem, not console (3)"

dlls=$(awk '/DLL Name:/ { print $3 }' <<<"$headers")
[ -n "$dlls" ] || fault "imports nothing"
for dll in $dlls; do
  allowed=0
  for permitted in "$@"; do
    [ "${dll,,}" = "${permitted,,}" ] && allowed=1
  done
  [ $allowed -eq 1 ] || fault "imports from $dll"
done

if [ $faults -ne 0 ]; then
  echo "$name: $faults fault(s)"
  exit 1
fi
echo "$name: imports from" $dlls
