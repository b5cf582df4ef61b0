#!/usr/bin/env bash
# Builds the request channel's tests under ThreadSanitizer (in build-tsan) and runs them.
#
#   scripts/tsan.sh                          the channel's tests once
#   scripts/tsan.sh --gtest_repeat=20        any further arguments go to the test binary
#   TSAN_TESTS='KernalCallBack*:Thread*' scripts/tsan.sh
#
# Only the test binary that holds the channel's tests is built. Qt and GoogleTest are the
# system's, not instrumented; scripts/tsan.supp says what is suppressed for that and why.
# The run stops at the first report (halt_on_error) and fails with its exit code.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRX_SANITIZE=thread \
    -DVRX_BUILD_TESTS=ON -DVRX_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
ninja -C build-tsan test_system
export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
# Kernels with high mmap randomisation break this ThreadSanitizer's memory layout
# ("unexpected memory mapping"); running without address randomisation avoids it.
run=()
if command -v setarch >/dev/null; then
    run=(setarch "$(uname -m)" -R)
fi
exec "${run[@]}" build-tsan/tests/Application/test_system \
    --gtest_filter="${TSAN_TESTS:-KernalCallBack*}" "$@"
