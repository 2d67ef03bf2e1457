#!/usr/bin/env bash
# Configures and builds Pennet into build/ (or $PENNET_BUILD_DIR).
# Arguments name the targets to build; none builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${PENNET_BUILD_DIR:-build}"
jobs="${PENNET_JOBS:-$(nproc)}"
cmake -S . -B "$build_dir" -G Ninja -DPENNET_WERROR=ON ${PENNET_CMAKE_ARGS:-} >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build_dir" -j "$jobs" "${targets[@]}"
