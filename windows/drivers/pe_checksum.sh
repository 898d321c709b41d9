#!/usr/bin/env bash
# Prints the PE image checksum that IMAGE should carry, as the Windows loader
# computes it to verify a kernel-mode driver.
#   pe_checksum.sh IMAGE
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 IMAGE" >&2; exit 2; }
image=$1

# The CheckSum field: after the "PE\0\0" signature (4 bytes), the file header
# (20 bytes) and 64 bytes of the optional header.
pe_offset=$(od -An -v -t u4 --endian=little -j 60 -N 4 "$image" | tr -d ' ')
field=$((pe_offset + 4 + 20 + 64))
size=$(stat -c %s "$image")

# The 16-bit little-endian words of the file, the field's two counted as
# zero, folded into 16 bits with end-around carry, plus the file's size.
od -An -v -t u2 --endian=little -w2 "$image" | awk -v skip=$((field / 2)) -v size="$size" '
  { word = NR - 1
    if (word != skip && word != skip + 1) {
      sum += $1
      sum = (sum % 65536) + int(sum / 65536)
    } }
  END { sum = (sum % 65536) + int(sum / 65536); printf "%08x\n", sum + size }'
