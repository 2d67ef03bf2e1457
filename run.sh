#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pennet with the given files.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh pennet
exec "${PENNET_BUILD_DIR:-build}/pennet" "$@"
