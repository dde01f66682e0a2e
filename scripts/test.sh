#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: the same suite built with ASan and UBSan)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build_dir=build
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
bash scripts/build.sh "$@"
cd "$build_dir"
ctest --output-on-failure -j"$(nproc)" --timeout 600
