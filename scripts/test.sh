#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
cmake -S . -B build -G Ninja -DVRX_BUILD_TESTS=ON
cmake --build build
cd build
ctest --output-on-failure --timeout 300 -j "$(nproc)"
