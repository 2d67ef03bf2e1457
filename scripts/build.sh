#!/usr/bin/env bash
# Configures and builds Pennet into build/ (or $PENNET_BUILD_DIR).
# Arguments name the targets to build; none builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${PENNET_BUILD_DIR:-build}"
jobs="${PENNET_JOBS:-$(nproc)}"
# PENNET_CMAKE_ARGS holds further cmake arguments, quoted as in a shell.
eval "extra=(${PENNET_CMAKE_ARGS:-})"
# Optimised without debug information: a quarter less compile time, which
# matters on small CI machines. PENNET_CMAKE_ARGS may override any of it.
cmake -S . -B "$build_dir" -G Ninja -DPENNET_WERROR=ON \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
  "${extra[@]}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build_dir" -j "$jobs" "${targets[@]}"
