#!/usr/bin/env bash
# Runs kestrel_sse and kestrel_scalar headless on the default scene and on a generated scene of 100,000
# triangles, and prints for each the frame rate, the time per frame spent animating and relighting, and
# the SSE-to-scalar ratio; then the peak memory and wall time of two frames of a generated scene of 40
# objects whose multi-material has 255 sub-materials (many face groups per mesh).
# Usage: scripts/measure-fps.sh [FRAMES] [BUILD_DIR]   (defaults 300 and build; another build folder,
# say one of an older commit, is measured on the same generated scenes for a before-and-after table)
#        scripts/measure-fps.sh --views [FRAMES] [BUILD_DIR] [ROUNDS]
# With --views: kestrel_sse on the 100,000-triangle scene in each view mode and with the scene panel,
# ROUNDS times (default 3) in turn so that a change of the machine's load reaches every setting alike;
# prints the wall and CPU time per frame of each (medians, less a one-frame run's start-up) and its
# cost against the normal view.
# With MILLION_FRAMES above 0, also the generated scene of 1,000,000 triangles (480 objects of 2,084
# faces): its frame rate without the load, from two runs of 1 and 1 + MILLION_FRAMES frames.
# MILLION_FRAMES is the third argument (default 0). THREADS=N runs the programs with --threads N where they have that option.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
views=0
if [ "${1:-}" = "--views" ]; then
  views=1
  shift
fi
frames=${1:-300}
build=$(cd "${2:-build}" && pwd)
million_frames=${3:-0}

for program in kestrel_sse kestrel_scalar gen_default_scene gen_scene; do
  if ! find "$build" -maxdepth 2 -name "$program" -type f -perm -u+x | grep -q .; then
    echo "measure-fps: $build/$program is missing; run scripts/build.sh first" >&2
    exit 1
  fi
done
if [ ! -x /usr/bin/time ]; then
  echo "measure-fps: /usr/bin/time is missing (Debian package: time)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 100 animated objects of 1000 faces each: 100,000 triangles, each with its own lightmap tile.
"$build/tools/gen_scene" --objects 100 --faces 1000 --lights 1 --cameras 1 --keys 30 --chain 4 "$work/large.ase" >/dev/null
# Every odd object uses material 1, a multi-material of 255 sub-materials, so its 512 faces fall into
# 255 face groups.
"$build/tools/gen_scene" --objects 40 --materials 2 --submaterials 255 "$work/groups.ase" >/dev/null

extra_options=()  # view options of the next headless run

thread_option=()
if [ -n "${THREADS:-}" ] && "$build/kestrel_sse" --help | grep -q -- --threads; then
  thread_option=(--threads "$THREADS")
fi

headless() {  # program scene label frames [prefix...] -> runs in its own folder, stdout to result.txt
  local program=$1 scene=$2 dir="$work/$1-$3" count=$4
  shift 4
  mkdir -p "$dir"
  (cd "$dir" && SDL_VIDEODRIVER=offscreen "$@" "$build/$program" --headless --scene "$scene" \
     --frames "$count" --screenshot "$dir/last.png" "${thread_option[@]}" "${extra_options[@]}" >"$dir/result.txt" 2>"$dir/stderr.txt")
  echo "$dir"
}

run() {  # program scene label -> "fps relight_ms"
  local dir
  dir=$(headless "$1" "$2" "$3" "$frames")
  tail -n 1 "$dir/result.txt" |
    sed -E 's/.* ([0-9.]+) frames per second on average.* ([0-9.]+) ms per frame animating.*/\1 \2/'
}

if [ "$views" = 1 ]; then
  rounds=${3:-3}
  settings=(start normal panel lightmaps textures wireframe)
  declare -A wall cpu
  for round in $(seq "$rounds"); do
    for setting in "${settings[@]}"; do
      # "start" is one frame of the normal view: the load and the first frame, taken off the others.
      count=$frames
      extra_options=(--view "$setting")
      [ "$setting" = start ] && count=1 extra_options=(--view normal)
      [ "$setting" = panel ] && extra_options=(--view normal --panel)
      dir=$(headless kestrel_sse "$work/large.ase" "$setting-$round" "$count" /usr/bin/time -f "times %e %U %S")
      read -r e u s < <(grep '^times ' "$dir/stderr.txt" | cut -d' ' -f2-)
      wall[$setting]="${wall[$setting]:-} $e"
      cpu[$setting]="${cpu[$setting]:-} $(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')"
    done
  done
  extra_options=()
  median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
  echo "100,000 triangles, kestrel_sse, $frames frames per run, $rounds rounds;" \
    "$(uptime | sed 's/.*load/load/')"
  printf '%-10s %12s %8s %12s %8s\n' setting "wall ms" "" "CPU ms" ""
  per_frame() { awk -v a="$1" -v b="$2" -v n="$frames" 'BEGIN { printf "%.1f", (a - b) * 1000 / (n - 1) }'; }
  normal_wall=$(per_frame "$(median "${wall[normal]}")" "$(median "${wall[start]}")")
  normal_cpu=$(per_frame "$(median "${cpu[normal]}")" "$(median "${cpu[start]}")")
  for setting in normal panel lightmaps textures wireframe; do
    w=$(per_frame "$(median "${wall[$setting]}")" "$(median "${wall[start]}")")
    c=$(per_frame "$(median "${cpu[$setting]}")" "$(median "${cpu[start]}")")
    awk -v s="$setting" -v w="$w" -v c="$c" -v nw="$normal_wall" -v nc="$normal_cpu" 'BEGIN {
      printf "%-10s %12.1f %+7.1f%% %12.1f %+7.1f%%\n", s, w, (w / nw - 1) * 100, c, (c / nc - 1) * 100 }'
  done
  echo "(per frame: median of the runs, less the median one-frame run; wall and CPU of all threads)"
  exit 0
fi

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

dir=$(headless kestrel_sse "$work/groups.ase" groups 2 /usr/bin/time -v)
awk '/Maximum resident set size/ { rss = $NF } /Elapsed \(wall clock\)/ { wall = $NF }
  END { printf "255 sub-materials, kestrel_sse, 2 frames: peak memory %.0f MB, wall time %s\n", rss / 1024, wall }' \
  "$dir/stderr.txt"

if [ "$million_frames" -gt 0 ]; then
  "$build/tools/gen_scene" --objects 480 --faces 2084 --lights 1 --cameras 1 --keys 30 --chain 4 \
    "$work/million.ase" >/dev/null
  run_million() {  # program frames label -> "elapsed_s cpu_s peak_kb": the run's own elapsed seconds (load
    # included), the processor seconds of all its threads, its peak memory
    local dir
    dir=$(headless "$1" "$work/million.ase" "$3" "$2" /usr/bin/time -o "$work/$1-$3.time" -f '%U %S %M')
    read -r user system peak <"$work/$1-$3.time"
    echo "$(tail -n 1 "$dir/result.txt" | sed -E 's/.* frames in ([0-9.]+) s.*/\1/') $(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') $peak"
  }
  for program in kestrel_sse kestrel_scalar; do
    read -r one one_cpu _ < <(run_million "$program" 1 million-1)
    read -r more more_cpu peak < <(run_million "$program" $((million_frames + 1)) million-n)
    relight=$(tail -n 1 "$work/$program-million-n/result.txt" | sed -E 's/.* ([0-9.]+) ms per frame animating.*/\1/')
    awk -v a="$one" -v b="$more" -v n="$million_frames" -v p="$program" -v r="$relight" -v ca="$one_cpu" \
        -v cb="$more_cpu" -v m="$peak" 'BEGIN {
      printf "1,000,000 triangles, %s: %.3f frames per second without the load (%d frames in %.2f s), " \
             "%.0f ms of processor time per frame (all threads), %s ms per frame animating and relighting, " \
             "first frame %.2f s after start, peak memory %.0f MB\n", p, (b > a ? n / (b - a) : 0), n, b - a,
             1000 * (cb - ca) / n, r, a, m / 1024 }'
  done
fi
