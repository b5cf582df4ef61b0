#!/usr/bin/env bash
# Installs what the program needs, builds it, assembles the program folder and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DVRX_BUILD_TESTS=OFF -DVRX_BUILD_BENCH=OFF
cmake --build build --target program
if [ -x build/program/vornexfw ]; then
    exec build/program/vornexfw "$@"
fi
echo "The program folder is assembled in build/program; the program itself is not built yet."
