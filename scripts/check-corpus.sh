#!/usr/bin/env bash
# Loads every scene (*.ase, any letter case) of a folder with ase_report from the ASan + UBSan build,
# each in a private working folder, and prints one line per scene. With --viewer it runs the same
# build's kestrel_sse headless for a few frames on each instead, and the line also lists the message
# boxes the run showed (headless, a box is a "Caption: text" line on standard error). Fails when any
# run crashes, hangs, exits with an error or draws a sanitizer finding; the findings of a failed scene
# are printed below its line.
# Usage: scripts/check-corpus.sh [--viewer] [FOLDER]   (default /work/shared/corpus). Builds build-asan
# when needed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
viewer=0
if [ "${1:-}" = "--viewer" ]; then
  viewer=1
  shift
fi
corpus="${1:-/work/shared/corpus}"
tool="$root/build-asan/tools/ase_report"
[ "$viewer" -eq 0 ] || tool="$root/build-asan/kestrel_sse"
viewer_frames=5

if [ ! -d "$corpus" ]; then
  echo "check-corpus: no folder $corpus" >&2
  exit 2
fi
if [ ! -x "$tool" ]; then
  bash "$root/scripts/build.sh" --sanitize >/dev/null
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

work="$(mktemp -d "${TMPDIR:-/tmp}/kestrel-corpus-XXXXXX")"
trap 'rm -rf "$work"' EXIT

scenes=0
failed=0
while IFS= read -r -d '' scene; do
  scenes=$((scenes + 1))
  run="$work/$scenes"
  mkdir -p "$run"
  status=0
  if [ "$viewer" -eq 1 ]; then
    (cd "$run" && timeout 300 "$tool" --headless --frames "$viewer_frames" --scene "$scene") \
      >"$run/stdout" 2>"$run/stderr" || status=$?
  else
    (cd "$run" && timeout 300 "$tool" "$scene") >"$run/stdout" 2>"$run/stderr" || status=$?
  fi
  # The viewer refuses a file that is no scene with status 1 and the reason: an answer, not a failure.
  if [ "$viewer" -eq 1 ] && [ "$status" -eq 1 ] && grep -q ': it is not a scene file (' "$run/stderr" &&
     ! grep -qE "Sanitizer|runtime error" "$run/stderr"; then
    echo "ok    $scene (refused: $(sed -n 's/^kestrel: //p' "$run/stderr" | head -1))"
    continue
  fi
  if [ "$status" -eq 0 ] && ! grep -qE "Sanitizer|runtime error" "$run/stderr"; then
    if [ "$viewer" -eq 1 ]; then
      boxes=$(grep -E '^(Report|TIF Error|ERROR): ' "$run/stderr" | paste -sd';' - || true)
      echo "ok    $scene ($(sed -n 's/^kestrel: //p' "$run/stdout" | cut -d, -f1); boxes: ${boxes:-none})"
    else
      report_lines=$(wc -l <"$run/test.txt" 2>/dev/null || echo 0)
      echo "ok    $scene ($(cut -d' ' -f2- "$run/stdout"), report $report_lines lines)"
    fi
  else
    failed=$((failed + 1))
    echo "FAIL  $scene (exit $status)"
    sed 's/^/      /' "$run/stderr" | head -60
  fi
done < <(find "$corpus" -type f -iname '*.ase' -print0 | sort -z)

echo "check-corpus: $scenes scenes, $failed failed"
[ "$scenes" -gt 0 ] && [ "$failed" -eq 0 ]
