#!/usr/bin/env bash
# Fuzzes one target with clang and libFuzzer (AddressSanitizer and UBSan):
#   scripts/fuzz.sh TARGET SECONDS
# TARGET is one of page_stream, page_file, object_records, gif, bmp. The
# build goes to build-fuzz/ (or $PENNET_FUZZ_BUILD_DIR); the corpus grows in
# build-fuzz/corpus/TARGET, starting from the seed corpus the project's
# writers make. Inputs that fail are written to build-fuzz/findings/TARGET;
# copy one into tests/fuzz/regressions/TARGET/ to keep it as a regression
# input that every test run replays.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ $# -ne 2 ]]; then
  echo "usage: $0 TARGET SECONDS" >&2
  exit 2
fi
scripts/deps.sh --fuzz
target="$1"
seconds="$2"
build_dir="${PENNET_FUZZ_BUILD_DIR:-build-fuzz}"
jobs="${PENNET_JOBS:-4}"
flags="-O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DPENNET_FUZZ=ON -DPENNET_BENCH=OFF -DPENNET_WERROR=OFF \
  -DCMAKE_C_FLAGS_RELEASE="$flags" -DCMAKE_CXX_FLAGS_RELEASE="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build_dir" -j "$jobs" --target "fuzz_$target" fuzz_seeds
corpus="$build_dir/corpus/$target"
findings="$build_dir/findings/$target"
mkdir -p "$corpus" "$findings"
QT_QPA_PLATFORM=offscreen "$build_dir/tests/fuzz/fuzz_seeds" "$build_dir/seeds"
cp -n "$build_dir/seeds/$target"/* "$corpus"/ 2>/dev/null || true
regressions="tests/fuzz/regressions/$target"
extra=()
[[ -d "$regressions" ]] && extra+=("$regressions")
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
"$build_dir/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=262144 \
  -artifact_prefix="$findings/" "$corpus" "${extra[@]}"
