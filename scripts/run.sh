#!/usr/bin/env bash
# Sets up, builds and runs the camera front end on its built-in scene.
# Extra arguments go to sorvexcam (try --help).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)" --target sorvexcam
build/dev/tools/sorvexcam/sorvexcam "$@"
