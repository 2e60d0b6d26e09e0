#!/bin/bash
# Time checkJavaExe with a version-cache hit against a miss under Wine, on the
# stand-in runtime of tests/runtime. bench/check-java-exe.sh [build-dir] [repetitions]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win64}
reps=${2:-21}
ninja -C "$build" checktime runtime_java >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/jre/bin"
cp "$build/tests/runtime/java.exe" "$work/jre/bin/"
printf 'openjdk version "17.0.1" 2021-10-19\n0\n' > "$work/jre/bin/fake-java.cfg"
"$root/scripts/wine-run" win64 "$build/bench/win/checktime.exe" "Z:${work//\//\\}\\jre\\bin\\java.exe" "$reps" 2>/dev/null
