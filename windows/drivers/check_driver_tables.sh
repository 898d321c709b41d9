#!/usr/bin/env bash
# Checks a kernel driver image as the Windows loader will see it:
#   check_driver_tables.sh OBJDUMP IMAGE EXPORTS IMPORTS...
# - a PE32 DLL for i386 of the native subsystem, image base 0x10000,
#   relocations present, a valid checksum, entered at its DriverEntry export;
# - it exports exactly the names in EXPORTS (one a line);
# - it imports only what the IMPORTS files allow ("DLL routine" lines; a DLL
#   alone allows the DLL but none of its routines; "DLL routine partner"
#   allows the routine only together with its partner from the same DLL);
# - no sections of static constructors, unwind tables or thread-local data,
#   which need a C/C++ runtime that a kernel driver does not have.
# Reports every fault found; exits 1 if there was any.
set -uo pipefail

if [ $# -lt 4 ]; then
  echo "usage: $0 OBJDUMP IMAGE EXPORTS IMPORTS..." >&2
  exit 2
fi
objdump=$1
image=$2
exports_file=$3
shift 3
here=$(dirname "$0")
name=$(basename "$image")

faults=0
fault() { echo "$name: $*"; faults=$((faults + 1)); }
# The lines of a list file without comments and blank lines.
entries() { sed -e 's/#.*//' -e 's/[[:space:]]*$//' "$@" | grep -v '^$'; }

headers=$("$objdump" -p "$image") || { echo "$name: not readable by $objdump"; exit 1; }
field() { awk -v key="$1" '$1 == key { print $2; exit }' <<<"$headers"; }

# ---- The image ----
grep -q 'file format pei-i386' <<<"$headers" || fault "not a PE image for i386"
[ "$(field Magic)" = "010b" ] || fault "not PE32 (Magic $(field Magic))"
[ "$(field Subsystem)" = "00000001" ] || fault "subsystem $(field Subsystem), not native (1)"
[ "$(field ImageBase)" = "00010000" ] || fault "image base $(field ImageBase), not 00010000"
sed -n '/^Characteristics/,/^$/p' <<<"$headers" | grep -qx $'\tDLL' || fault "not a DLL"
sed -n '/^Characteristics/,/^$/p' <<<"$headers" | grep -q 'relocations stripped' &&
  fault "relocations stripped"
reloc_size=$("$objdump" -h "$image" | awk '$2 == ".reloc" { print $3 }')
[ -n "$reloc_size" ] && [ $((16#$reloc_size)) -gt 0 ] || fault "no relocations"
checksum=$("$here/pe_checksum.sh" "$image")
[ "$(field CheckSum)" = "$checksum" ] || fault "checksum $(field CheckSum), should be $checksum"

# ---- Exports ----
# "[Ordinal/Name Pointer] Table" lines "[   i] Name"; the address of entry i
# is line "[   i] +base[...] RVA Export RVA" of the address table.
exported=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
  sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p')
expected=$(entries "$exports_file" | sort)
actual=$(awk '{ print $2 }' <<<"$exported" | sort)
for missing in $(comm -23 <(echo "$expected") <(echo "$actual")); do fault "does not export $missing"; done
for extra in $(comm -13 <(echo "$expected") <(echo "$actual")); do fault "exports $extra"; done

entry=$(field AddressOfEntryPoint)
driver_entry_index=$(awk '$2 == "DriverEntry" { print $1 }' <<<"$exported")
driver_entry_rva=$(sed -n '/^Export Address Table/,/^$/p' <<<"$headers" |
  sed -n "s/^[[:space:]]*\[ *${driver_entry_index:-none}\] +base\[ *[0-9]*\] \([0-9a-f]*\) Export RVA$/\1/p")
if [ -z "$driver_entry_rva" ] || [ $((16#$entry)) -ne $((16#$driver_entry_rva)) ]; then
  fault "entry point $entry is not DriverEntry (${driver_entry_rva:-not exported})"
fi

# ---- Imports ----
allowed=$(entries "$@")
imports=$(sed -n '/^The Import Tables/,/^The Export Tables/p' <<<"$headers" | awk '
  /DLL Name:/ { dll = tolower($3); print dll; next }
  dll != "" && /^\t[0-9a-f]+\t/ { print dll, $3 }')
[ -n "$imports" ] || fault "imports nothing"
while read -r dll routine; do
  if [ -z "$routine" ]; then
    awk -v dll="$dll" 'tolower($1) == dll { found = 1 } END { exit !found }' <<<"$allowed" ||
      fault "imports from $dll"
    continue
  fi
  rule=$(awk -v dll="$dll" -v routine="$routine" 'tolower($1) == dll && $2 == routine { print; exit }' <<<"$allowed")
  if [ -z "$rule" ]; then
    fault "imports $routine from $dll"
    continue
  fi
  partner=$(awk '{ print $3 }' <<<"$rule")
  if [ -n "$partner" ] && ! grep -Fqx "$dll $partner" <<<"$imports"; then
    fault "imports $routine from $dll without $partner"
  fi
done <<<"$imports"

# ---- Runtime sections (objdump cuts section names to 8 characters) ----
sections=$("$objdump" -h "$image" | awk '$1 ~ /^[0-9]+$/ { print $2 }')
for section in $sections; do
  case "$section" in
    .ctors* | .dtors* | .init_ar* | .fini_ar* | .eh_fram* | .gcc_exc* | .tls* | .CRT*)
      fault "has a $section section" ;;
  esac
done

if [ $faults -ne 0 ]; then
  echo "$name: $faults fault(s)"
  exit 1
fi
echo "$name: tables as expected ($(wc -l <<<"$actual") exports, $(grep -c ' ' <<<"$imports") imports)"
