#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh --tests
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${PENNET_BUILD_DIR:-build}" --output-on-failure -j "${PENNET_JOBS:-$(nproc)}" --timeout 600

# The engine's and the page's tests once more under AddressSanitizer and UBSan, leaks
# included: a build of their own in build-asan (only those targets, -O1 with
# line tables only).
# PENNET_SKIP_ASAN=1 leaves it out.
if [ "${PENNET_SKIP_ASAN:-0}" != 1 ]; then
  PENNET_BUILD_DIR=build-asan \
    PENNET_CMAKE_ARGS="-DPENNET_ASAN=ON -DPENNET_BENCH=OFF -DCMAKE_CXX_FLAGS_RELEASE='-O1 -g1'" \
    scripts/build.sh engine_tests page_tests
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
    build-asan/tests/engine/engine_tests --gtest_brief=1
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
    build-asan/tests/page/page_tests --gtest_brief=1
fi
