#!/bin/bash
# build-example.sh <dist>: compiles the example application for Java 8, and
# packs it with the launcher templates of both architectures.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=$1
work=$here/build
rm -rf "$work" && mkdir -p "$work/classes"
javac --release 8 -d "$work/classes" $(find "$here/src" -name '*.java')
jar --create --file "$work/hello.jar" -C "$work/classes" .
for arch in win64 win32; do
    "$dist/bin/tavik-pack" "$dist/$arch/launcher.exe" "$here/hello.toml" "$dist/$arch/hello.exe"
done
