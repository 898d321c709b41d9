#!/usr/bin/env bash
# The vector units' objects define nothing the linker may merge with a copy
# from another unit: no weak or unique symbols (the out-of-line copies of
# inline functions and templates). Such a copy, built with a vector unit's
# flags, could be the one kept for every caller, running vector
# instructions where the floating-point state was not saved.
#   check_vector_units.sh NM OBJECT...
set -uo pipefail
nm=$1
shift
fail=0
for object in "$@"; do
  merged=$("$nm" -C --defined-only "$object" | awk '$2 ~ /^[WVu]$/')
  if [ -n "$merged" ]; then
    echo "$(basename "$object"): symbols another unit's copy could replace:"
    echo "$merged"
    fail=1
  fi
done
[ $fail -eq 0 ] && echo "vector units: $# objects define only their own symbols"
exit $fail
