#!/usr/bin/env bash
# Builds the Windows artefacts and runs their tests:
#   build/windows-i686:   sorvex1.sys, sorvex0.sys and uninstall.exe (the
#                         deliverables) and the checks of their tables;
#   build/windows-x86_64: uninstall.exe for 64 bits and the uninstaller's
#                         scenarios under Wine;
# then runs the two driver images themselves (scripts/test_driver_images.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup_windows.sh
jobs=$(nproc)
for arch in i686 x86_64; do
  build=build/windows-$arch
  echo "== windows $arch build"
  cmake -S windows -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
  cmake --build "$build" -j "$jobs"
  echo "== windows $arch tests"
  ctest --test-dir "$build" -j "$jobs" --output-on-failure
done

scripts/test_driver_images.sh
