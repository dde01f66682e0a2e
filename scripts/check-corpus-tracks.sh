#!/usr/bin/env bash
# Reads the animation of every .ase file in a folder with ase_tracks, built with ASan and UBSan, and
# prints each file's tracks and key counts. Fails when a read crashes or a sanitizer reports anything.
# Usage: scripts/check-corpus-tracks.sh [FOLDER]   (default /work/shared/corpus)
# The traces ("out.txt") go to a temporary folder; nothing is written beside the scenes.
set -euo pipefail
cd "$(dirname "$0")/.."

folder=$(realpath "${1:-/work/shared/corpus}")
if [ ! -d "$folder" ]; then
  echo "check-corpus-tracks: no folder $folder" >&2
  exit 2
fi

bash scripts/build.sh --sanitize >/dev/null
tool=$(realpath build-asan/tools/ase_tracks)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

checked=0
failed=0
while IFS= read -r -d '' scene; do
  checked=$((checked + 1))
  echo "== $(basename "$scene")"
  status=0
  (cd "$work" && "$tool" "$scene") >"$work/stdout" 2>"$work/stderr" || status=$?
  cat "$work/stdout"
  # UBSan may report without failing the process, so its findings are looked for in the text too.
  if [ "$status" -ne 0 ] || grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" "$work/stderr"; then
    failed=$((failed + 1))
    echo "FAILED (exit status $status)"
    cat "$work/stderr"
  fi
done < <(find "$folder" -maxdepth 1 -type f -iname '*.ase' -print0 | sort -z)

echo "$checked files read, $failed failed"
if [ "$checked" -eq 0 ]; then
  echo "check-corpus-tracks: no .ase files in $folder" >&2
  exit 2
fi
[ "$failed" -eq 0 ]
