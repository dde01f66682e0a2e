#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 14, ASan + UBSan, into build-fuzz/) and runs each for the given
# number of seconds, one after another. Usage: scripts/fuzz.sh [seconds-per-target] [target...]
# Each target starts from its committed seeds and its own work corpus in fuzz/corpus-work/<target>/,
# which grows from run to run and is never committed. Any crash, leak, hang or sanitizer report stops
# the script with a failure; the input that caused it is left in fuzz/corpus-work/ as crash-*, leak-*,
# timeout-* or oom-*.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(tiff tga skin scene animation)

cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DKESTREL_SANITIZE=ON -DKESTREL_FUZZ=ON -DKESTREL_TESTS=OFF -DKESTREL_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# The work folder and the corpora are named by absolute paths: the targets change into a private
# folder of their own before libFuzzer reads or writes any corpus.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp}
for target in "${targets[@]}"; do
  work="$root/fuzz/corpus-work/$target"
  mkdir -p "$work"
  echo "fuzz: $target for ${seconds}s"
  "$root/build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -dict="$root/fuzz/$target.dict" \
    -artifact_prefix="$root/fuzz/corpus-work/$target-" "$work" "$root/fuzz/seeds/$target"
done
echo "fuzz: no findings"
