#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh --tests
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${PENNET_BUILD_DIR:-build}" --output-on-failure -j "${PENNET_JOBS:-$(nproc)}" --timeout 600
