#!/usr/bin/env bash
# Builds and runs every test twice: a normal optimised build and a build
# with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
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
