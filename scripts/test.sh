#!/usr/bin/env bash
# Builds and runs every test twice: a normal optimised build and a build
# with AddressSanitizer and UndefinedBehaviorSanitizer; then the fuzz targets
# for a short run each and a valgrind check (scripts/test_reliability.sh).
# Then builds the Windows artefacts and runs their tests (scripts/test_windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

# xvfb, xdotool and x11-apps (xwd): the live view's test drives its window
# on a virtual display.
scripts/setup.sh xvfb xdotool x11-apps
export SORVEX_TESTDATA="${SORVEX_TESTDATA:-$PWD/testdata}"
scripts/fetch_test_images.sh "$SORVEX_TESTDATA"

jobs=$(nproc)
for preset in dev asan; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset tests"
  ctest --preset "$preset" -j "$jobs"
done

# Short fuzz runs and the valgrind memcheck of the main scenarios.
scripts/test_reliability.sh build/dev

scripts/test_windows.sh
