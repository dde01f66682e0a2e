#!/usr/bin/env bash
# Installs what is missing, builds, and runs the viewer on the default scene: in a window where there
# is a display, headless otherwise (then it renders 300 frames and writes kestrel.png).
# Usage: scripts/run.sh [--scalar] [viewer options...]
set -euo pipefail
cd "$(dirname "$0")/.."

program=kestrel_sse
if [ "${1:-}" = "--scalar" ]; then
  program=kestrel_scalar
  shift
fi
bash scripts/install-deps.sh
bash scripts/build.sh
cd assets
exec "../build/$program" "$@"
