#!/usr/bin/env bash
# Installs the Debian packages that Pennet builds, runs and tests with, when
# they are missing. Runs apt-get update once, and only when something is
# missing; uses sudo when not root.
set -euo pipefail

PACKAGES=(
  cmake g++ ninja-build ccache pkg-config
  qt6-base-dev qt6-translations-l10n
  libosmesa6-dev libglu1-mesa-dev
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libcurl4-openssl-dev
  fonts-ipafont-gothic fonts-ipafont-mincho
  libharfbuzz-dev
  libgtest-dev libgmock-dev libbenchmark-dev
)
# Independent decoders and tools that the tests check outputs with.
TEST_PACKAGES=(
  pngcheck giflib-tools imagemagick libjpeg-turbo-progs
  poppler-utils
  libosd-dev
  libmeshoptimizer-dev
  libcgal-dev
)

# Only scripts/fuzz.sh needs these: clang, and libFuzzer with the sanitizer
# runtimes.
FUZZ_PACKAGES=(clang libclang-rt-dev)

wanted=("${PACKAGES[@]}")
if [[ "${1:-}" == "--tests" ]]; then
  wanted+=("${TEST_PACKAGES[@]}")
elif [[ "${1:-}" == "--fuzz" ]]; then
  wanted+=("${FUZZ_PACKAGES[@]}")
fi

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=()
  if [[ "$(id -u)" -ne 0 ]]; then sudo=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
