#!/usr/bin/env bash
# Fuzzes the compound-file reader with libFuzzer for a while.
#
#   tools/fuzz-storage.sh [SECONDS]      fuzz for SECONDS (default 60)
#   tools/fuzz-storage.sh --make-seeds   rewrite platform/storage/fuzz/seeds/
#
# A separate clang build (build-fuzz/, FUZZ_BUILD_DIR to choose another) of
# only the storage layer and the fuzz target, with AddressSanitizer and
# UndefinedBehaviorSanitizer. A crash, a leak, an input that runs longer than
# 5 seconds or needs more than 2 GiB fails the run; its input is saved as
# build-fuzz/storage-findings/crash-* (or timeout-*, oom-*, leak-*), to run
# again with: build-fuzz/bin/storage_reader_fuzzer FILE
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$here/build-fuzz}"
seeds="$here/platform/storage/fuzz/seeds"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DENABLE_SANITIZERS=ON -DBUILD_FUZZERS=ON >/dev/null

if [ "${1:-}" = "--make-seeds" ]; then
  cmake --build "$build" -j "$(nproc)" --target storage_seed_writer
  rm -rf "$seeds"
  /usr/bin/python3 "$here/platform/storage/fuzz/make_seeds.py" "$build/bin/storage_seed_writer" "$seeds"
  ls -l "$seeds"
  exit 0
fi

seconds="${1:-60}"
cmake --build "$build" -j "$(nproc)" --target storage_reader_fuzzer
# New inputs go to a working corpus in the build folder; the seeds and the
# storage tests' sample files are only read.
corpus="$build/storage-corpus"
findings="$build/storage-findings"
mkdir -p "$corpus" "$findings"
extra=()
for folder in "$here/platform/storage/tests/corpus/pass" "$here/platform/storage/tests/corpus/fail"; do
  [ -d "$folder" ] && extra+=("$folder")
done
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
"$build/bin/storage_reader_fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" \
  "$corpus" "$seeds" "${extra[@]}"
