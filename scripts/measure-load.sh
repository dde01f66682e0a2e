#!/usr/bin/env bash
# Time to the first picture and peak memory of a generated scene of 1,000,320 triangles (480 animated
# objects of 2,084 faces, one light, one camera), headless with --frames 1, for two builds run back to
# back in turn, each run repeated; the load average is printed with every run, since the figures mean
# little on a busy machine. The reports ("test.txt", "out.txt") and the screenshot of every run must be
# the same bytes as the first run's, whatever the build; the script fails when they are not.
# Usage: scripts/measure-load.sh [REPEATS] [BEFORE_BUILD] [AFTER_BUILD] [PROGRAM]
#   (defaults 3, build, build, kestrel_sse: name an older commit's build folder as BEFORE_BUILD).
#   The scene (about 365 MB) is written once into a temporary folder and removed at exit.
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=${1:-3}
before=$(cd "${2:-build}" && pwd)
after=$(cd "${3:-build}" && pwd)
program=${4:-kestrel_sse}

for build in "$before" "$after"; do
  if [ ! -x "$build/$program" ]; then
    echo "measure-load: $build/$program is missing; run scripts/build.sh first" >&2
    exit 1
  fi
done
if [ ! -x /usr/bin/time ]; then
  echo "measure-load: /usr/bin/time is missing (Debian package: time)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$after/tools/gen_scene" --objects 480 --faces 2084 --lights 1 --cameras 1 --keys 30 --chain 4 "$work/million.ase" \
  >/dev/null

run() {  # label build index -> prints one line of figures; leaves the run's files in its folder
  local label=$1 build=$2 dir="$work/$1-$3"
  mkdir -p "$dir"
  local load
  load=$(cut -d ' ' -f 1-3 /proc/loadavg)
  (cd "$dir" && SDL_VIDEODRIVER=offscreen /usr/bin/time -v "$build/$program" --headless --scene "$work/million.ase" \
     --frames 1 --screenshot "$dir/first.png" >"$dir/stdout.txt" 2>"$dir/time.txt")
  awk -v label="$label" -v load="$load" '
    /User time/ { user = $NF } /System time/ { sys = $NF } /Maximum resident set size/ { rss = $NF }
    /Elapsed \(wall clock\)/ { n = split($NF, part, ":"); wall = part[n] + (n > 1 ? 60 * part[n - 1] : 0) }
    END { printf "%-7s wall %6.2f s  cpu %6.2f s  peak %5.0f MB  (load %s)\n", label, wall, user + sys, rss / 1024, load }' \
    "$dir/time.txt"
  for file in test.txt out.txt first.png; do
    if ! cmp -s "$dir/$file" "$work/before-1/$file"; then
      echo "measure-load: $label run $3 wrote a different $file" >&2
      exit 1
    fi
  done
}

echo "$program, 1,000,320 triangles, headless, --frames 1 (before: $before, after: $after)"
for i in $(seq 1 "$repeats"); do
  run before "$before" "$i"
  run after "$after" "$i"
done
echo "reports and first pictures: the same bytes in every run"
