#!/usr/bin/env bash
# Installs the built programs into a temporary prefix and runs the installed viewer headless from an
# unrelated folder, where it must find its own default scene. Usage: scripts/check-install.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
prefix="$(mktemp -d)"
elsewhere="$(mktemp -d)"
trap 'rm -rf "$prefix" "$elsewhere"' EXIT

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for file in bin/kestrel_sse bin/kestrel_scalar share/kestrel/light.ase share/kestrel/light.txt \
            share/kestrel/floor.tif share/kestrel/wall.tga share/applications/kestrel.desktop \
            share/mime/packages/kestrel-ase.xml; do
  [ -e "$prefix/$file" ] || { echo "check-install: $file was not installed" >&2; exit 1; }
done
grep -q '^MimeType=model/x-ase;$' "$prefix/share/applications/kestrel.desktop"
grep -q 'pattern="\*\.ase"' "$prefix/share/mime/packages/kestrel-ase.xml"

cd "$elsewhere"
for program in kestrel_sse kestrel_scalar; do
  SDL_VIDEODRIVER=offscreen "$prefix/bin/$program" --headless --frames 3 >out.txt 2>err.txt ||
    { cat err.txt >&2; echo "check-install: the installed $program failed" >&2; exit 1; }
  [ -s kestrel.png ] && [ -s test.txt ] || { echo "check-install: $program drew no default scene" >&2; exit 1; }
  rm -f kestrel.png test.txt
done
echo "check-install: both installed programs open their default scene from $elsewhere"
