#!/usr/bin/env bash
# Runs a check on a faulty image and requires it to fail (exit 1) reporting
# every one of the given faults, each an extended regular expression for
# the text after "IMAGE-NAME: ".
#   expect_faults.sh FAULT... -- CHECK ARGUMENTS...
set -uo pipefail
expected=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  expected+=("$1")
  shift
done
if [ $# -lt 2 ] || [ ${#expected[@]} -eq 0 ]; then
  echo "usage: $0 FAULT... -- CHECK ARGUMENTS..." >&2
  exit 2
fi
shift
output=$("$@")
status=$?
echo "$output"

missed=0
for fault in "${expected[@]}"; do
  if ! grep -qE "^[^ ]+: ($fault)$" <<<"$output"; then
    echo "MISSED: $fault"
    missed=1
  fi
done
if [ $status -ne 1 ]; then
  echo "the check exited with $status, not 1"
  missed=1
fi
exit $missed
