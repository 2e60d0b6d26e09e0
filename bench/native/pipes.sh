#!/bin/bash
# The communication natives of rwtnative.dll against the same named-pipe
# exchange in plain Win32, both inside one Wine process (pipetime.exe): 16-byte
# blocks in round trips per second, 1 MiB blocks in MiB/s of payload counted
# in both directions; one line per run, then the medians and natives/direct.
# Usage: bench/native/pipes.sh [win64|win32] [runs] [small round trips] [large round trips]
#        (win64, 7 runs, 20000 and 256 round trips by default)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
arch=${1:-win64}
shift || true
build=$repo/build/$arch
[ -f "$build/build.ninja" ] || cmake --preset "$arch" -S "$repo" >/dev/null
nice -n 5 ninja -C "$build" pipetime rwtnative >/dev/null
"$repo/scripts/wine-prefix" "$arch" start >/dev/null
"$repo/scripts/wine-run" "$arch" "$build/bench/native/pipetime.exe" "$@" </dev/null | tr -d '\r'
