#!/usr/bin/env bash
# Installs what the build needs, from Debian's packages, and any further
# packages named as arguments (scripts/test.sh names what its tests run).
# Idempotent: does nothing when everything is there already.
set -euo pipefail

# libbenchmark-dev, libopencv-dev, libyuv-dev and python3: the benchmark and its report.
# libsdl2-dev: the camera front end's live view.
packages=(cmake ninja-build g++ clang libgtest-dev googletest libbenchmark-dev libpng-dev libjpeg-dev
          libraw-dev libopencv-dev libyuv-dev python3 pkg-config libsdl2-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi
