#!/usr/bin/env bash
# Loads every scene (*.ase, any letter case) of a folder with ase_report from the ASan + UBSan build,
# each in a private working folder, and prints one line per scene. Fails when any load crashes, exits
# with an error or draws a sanitizer finding; the findings of a failed scene are printed below its line.
# Usage: scripts/check-corpus.sh [FOLDER]   (default /work/shared/corpus). Builds build-asan when needed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="${1:-/work/shared/corpus}"
tool="$root/build-asan/tools/ase_report"

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

work="$(mktemp -d "${TMPDIR:-/tmp}/kestrel-corpus-XXXXXX")"
trap 'rm -rf "$work"' EXIT

scenes=0
failed=0
while IFS= read -r -d '' scene; do
  scenes=$((scenes + 1))
  run="$work/$scenes"
  mkdir -p "$run"
  status=0
  (cd "$run" && "$tool" "$scene") >"$run/stdout" 2>"$run/stderr" || status=$?
  if [ "$status" -eq 0 ] && ! grep -qE "Sanitizer|runtime error" "$run/stderr"; then
    report_lines=$(wc -l <"$run/test.txt" 2>/dev/null || echo 0)
    echo "ok    $scene ($(cut -d' ' -f2- "$run/stdout"), report $report_lines lines)"
  else
    failed=$((failed + 1))
    echo "FAIL  $scene (exit $status)"
    sed 's/^/      /' "$run/stderr" | head -40
  fi
done < <(find "$corpus" -type f -iname '*.ase' -print0 | sort -z)

echo "check-corpus: $scenes scenes, $failed failed"
[ "$scenes" -gt 0 ] && [ "$failed" -eq 0 ]
