#!/usr/bin/env bash
# Runs one uninstaller scenario in its own copy of the base prefix: the
# helper sets it up, uninstall.exe runs (it must print nothing and exit 0),
# the helper records and closes the scenario's windows, and once every
# process of the prefix has ended it compares the prefix with what the
# scenario says must remain.
#   run_scenario.sh BASE_PREFIX WORK_DIR UNINSTALL_EXE HELPER_EXE SCENARIO
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: $0 BASE_PREFIX WORK_DIR UNINSTALL_EXE HELPER_EXE SCENARIO" >&2; exit 2; }
base=$1
prefix=$2/$5
uninstall=$3
helper=$4
scenario=$5
source "$(dirname "$0")/wine_env.sh" "$prefix"

# A copy of the base prefix: its files hard-linked, which nothing changes in
# place, except the registry files, which Wine rewrites.
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
cp -al "$base" "$prefix"
for registry in "$base"/*.reg; do
  cp --remove-destination "$registry" "$prefix/"
done
# Whatever fails, nothing of the scenario stays running.
trap 'wineserver -k 2>/dev/null || true' EXIT

wine "$helper" setup "$scenario"
status=0
output=$(wine "$uninstall") || status=$?
if [ $status -ne 0 ] || [ -n "$output" ]; then
  echo "$scenario: uninstall.exe exited with $status and printed: '$output'"
  exit 1
fi
wine "$helper" close-windows
# The window owner and any program the uninstaller started end here.
timeout 120 wineserver -w
wine "$helper" check "$scenario"
wineserver -w
trap - EXIT
rm -rf "$prefix"
