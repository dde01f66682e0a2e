#!/usr/bin/env bash
# Installs what is missing, builds, and runs the viewer on the default scene: in a window where there
# is a display, headless otherwise (then it renders 300 frames, writes kestrel.png and prints the frame
# rate). The reports the viewer writes while loading ("test.txt", "out.txt", "Banner.txt") and the
# picture land in build/run, so the committed assets stay as generated.
# Usage: scripts/run.sh [--scalar] [viewer options...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

program=kestrel_sse
if [ "${1:-}" = "--scalar" ]; then
  program=kestrel_scalar
  shift
fi
bash scripts/install-deps.sh
# Only the program: the tests, benchmarks and tools are most of a fresh build, and scripts/test.sh
# builds them.
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target "$program"
mkdir -p build/run
cd build/run
# A short relative path: the scene's own name fields (and its side file's) hold 127 characters.
exec "$root/build/$program" --scene ../../assets/light.ase "$@"
