#!/usr/bin/env bash
# Installs what the program needs, builds it, assembles the program folder and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DVRX_BUILD_TESTS=OFF -DVRX_BUILD_BENCH=OFF
cmake --build build --target program
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running the program under a virtual display (Xvfb)."
    exec xvfb-run -a build/program/vornexfw "$@"
fi
exec build/program/vornexfw "$@"
