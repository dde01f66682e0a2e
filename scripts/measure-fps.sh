#!/usr/bin/env bash
# Runs kestrel_sse and kestrel_scalar headless on the default scene and on a generated scene of about
# 50,000 triangles, and prints for each the frame rate, the time per frame spent animating and
# relighting, and the SSE-to-scalar ratio. Usage: scripts/measure-fps.sh [FRAMES]   (default 300)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
frames=${1:-300}

for program in kestrel_sse kestrel_scalar gen_default_scene gen_scene; do
  if ! find build -maxdepth 2 -name "$program" -type f -perm -u+x | grep -q .; then
    echo "measure-fps: build/$program is missing; run scripts/build.sh first" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 48 animated objects of 1042 faces each: 50,016 triangles, each with its own lightmap tile.
build/tools/gen_scene --objects 48 --faces 1042 --lights 1 --cameras 1 --keys 30 --chain 4 "$work/large.ase" >/dev/null

run() {  # program scene label -> "fps relight_ms"
  local dir="$work/$1-$3"
  mkdir -p "$dir"
  (cd "$dir" && SDL_VIDEODRIVER=offscreen "$root/build/$1" --headless --scene "$2" --frames "$frames" \
     --screenshot "$dir/last.png" 2>"$dir/stderr.txt" | tail -n 1) |
    sed -E 's/.* ([0-9.]+) frames per second on average.* ([0-9.]+) ms per frame animating.*/\1 \2/'
}

printf '%-14s %-16s %12s %22s\n' scene program "frames/s" "relight ms per frame"
for scene in default large; do
  path="$root/assets/light.ase"
  [ "$scene" = large ] && path="$work/large.ase"
  read -r sse_fps sse_ms < <(run kestrel_sse "$path" "$scene")
  read -r scalar_fps scalar_ms < <(run kestrel_scalar "$path" "$scene")
  printf '%-14s %-16s %12s %22s\n' "$scene" kestrel_sse "$sse_fps" "$sse_ms"
  printf '%-14s %-16s %12s %22s\n' "$scene" kestrel_scalar "$scalar_fps" "$scalar_ms"
  awk -v a="$sse_fps" -v b="$scalar_fps" -v c="$scalar_ms" -v d="$sse_ms" -v s="$scene" 'BEGIN {
    printf "%-14s ratio sse/scalar: %.2fx frames per second, %.2fx faster relight\n", s,
      (b > 0 ? a / b : 0), (d > 0 ? c / d : 0) }'
done
