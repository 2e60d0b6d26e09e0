#!/bin/bash
# The communication natives of rwtnative.dll against the same named-pipe
# exchange in plain Win32, both inside one Wine process (pipetime.exe): 16-byte
# blocks in round trips per second, 1 MiB blocks in MiB/s of payload counted
# in both directions; one line per run, then the medians and natives/direct.
# Usage: bench/native/pipes.sh [win64|win32] [runs] [small round trips] [large round trips]
#        (win64, 7 runs, 20000 and 256 round trips by default)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/bench/common.sh"
arch=${1:-win64}
shift || true
run_bench_program "$arch" pipetime "$@"
