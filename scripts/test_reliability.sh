#!/usr/bin/env bash
# The reliability checks that need more than a test binary: a short run of
# every fuzz target (scripts/fuzz.sh) and a valgrind memcheck of the main
# scenarios, which fails on any memory error or leak:
#   - the camera front end on its built-in scene for a few frames,
#   - the uninstaller's end-to-end tests (the uninstaller runs as a child
#     process and is checked too),
#   - a short camera session with every stream, zoom, face tracking and a
#     snapshot.
# Usage: scripts/test_reliability.sh [BUILD_DIR]   (default build/dev, which
# must hold a build of sorvexcam, uninstall_tests and reliability_tests).
# SORVEX_FUZZ_SECONDS sets each fuzz target's run (default 12; 0 skips them).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/dev}
fuzz_seconds=${SORVEX_FUZZ_SECONDS:-12}

scripts/setup_reliability.sh
if [ "$fuzz_seconds" -gt 0 ]; then
  scripts/fuzz.sh all "$fuzz_seconds"
fi

echo "== valgrind memcheck"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
memcheck=(valgrind --tool=memcheck --quiet --error-exitcode=99 --leak-check=full
          --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible
          --track-origins=yes)

run_checked() {
  local name=$1
  shift
  echo "-- $name"
  if ! "${memcheck[@]}" --log-file="$work/$name.%p.log" "$@" >"$work/$name.out" 2>&1; then
    tail -n 40 "$work/$name.out"
    cat "$work/$name".*.log
    echo "valgrind: $name FAILED" >&2
    exit 1
  fi
  # Quiet, valgrind logs only errors and leaks: a child process whose errors
  # did not reach the exit code still leaves a log that is not empty.
  local log
  for log in "$work/$name".*.log; do
    [ -s "$log" ] || continue
    cat "$log"
    echo "valgrind: $name FAILED" >&2
    exit 1
  done
}

run_checked sorvexcam "$build/tools/sorvexcam/sorvexcam" --frames 12 --size 320x240 --format yuyv \
  --set 4:zoom=2 --set 8:snapshot --get 11:snapshot --save last --out "$work/sorvexcam"
run_checked uninstall --trace-children=yes "$build/tests/uninstall/uninstall_tests" \
  --gtest_filter='UninstallTest.InstalledPackageIsRemoved:UninstallTest.TwoInstalledCopiesOfTheInfAreRemovedInTwoPasses:UninstallTest.WithTheInstallerRegisteredOnlyItsMaintenanceProgramStarts'
run_checked session "$build/tests/reliability/reliability_tests" --gtest_filter='Sensors/CleanSessionTest.*'
echo "valgrind: no errors, no leaks"
