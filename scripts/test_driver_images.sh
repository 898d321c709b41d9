#!/usr/bin/env bash
# Runs the shipped driver images: builds build/windows-i686/sorvex1.sys and
# sorvex0.sys (MinGW) and the 32-bit Linux runner (build/driver-images,
# windows/runner/), which loads those very files as the kernel's loader
# would and runs the driver-image tests on them, directly where the machine
# runs i386 code and under qemu-i386 where it cannot.
# Installs what it needs (idempotent).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup_windows.sh
packages=(g++-multilib qemu-user libgtest-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

jobs=$(nproc)
echo "== driver images"
cmake -S windows -B build/windows-i686 -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-w64-mingw32.cmake" >/dev/null
cmake --build build/windows-i686 -j "$jobs" --target sorvex1_sys sorvex0_sys
echo "== driver image runner (i386)"
cmake -S windows/runner -B build/driver-images -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i386-linux.cmake" \
  -DSORVEX_DRIVER_IMAGES="$PWD/build/windows-i686" >/dev/null
cmake --build build/driver-images -j "$jobs"
echo "== driver image tests"
ctest --test-dir build/driver-images -L driver-image -j "$jobs" --output-on-failure
