#!/usr/bin/env bash
# Configures and builds the project. Usage: scripts/build.sh [--sanitize] [extra cmake options...]
# The normal build goes to build/, the ASan + UBSan build (clang 14) to build-asan/.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
cmake_args=()
if [ "${1:-}" = "--sanitize" ]; then
  shift
  build_dir=build-asan
  cmake_args+=(-DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DKESTREL_SANITIZE=ON -DKESTREL_BENCH=OFF)
fi
cmake -S . -B "$build_dir" "${cmake_args[@]}" "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
