#!/usr/bin/env bash
# Installs what the Windows build and its tests need, from Debian's
# packages: the MinGW-w64 cross compilers for 32-bit and 64-bit Windows
# (with the DDK headers and the kernel's import libraries) and Wine, 64-bit
# only (no i386 architecture is added).
# Idempotent: does nothing when everything is there already.
set -euo pipefail

packages=(g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 mingw-w64-i686-dev
          binutils-mingw-w64-i686 wine wine64)
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
