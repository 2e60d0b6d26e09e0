#!/bin/bash
# Builds everything (host tools and tests, both Windows templates and their
# tests) and packs the example application for both architectures into dist/.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

"$repo/scripts/setup.sh"

for preset in win64 win32 host; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

rm -rf dist
mkdir -p dist/bin dist/lib dist/win64 dist/win32
install -s build/host/tools/pack/tavik-pack dist/bin/
cp build/win64/launcher/win/launcher.exe dist/win64/
cp build/win32/launcher/win/launcher.exe dist/win32/
cp build/win64/native/rwtnative.dll dist/win64/
cp build/win32/native/rwtnative.dll dist/win32/
cp build/host/java/tavik-runtime.jar dist/lib/

"$repo/examples/hello/build-example.sh" "$repo/dist"
echo "dist/:"; (cd dist && find . -type f | sort)
