#!/bin/bash
# getAutoProxyConfig0 of rwtnative.dll against the same query in plain
# WinHTTP, both inside one Wine process (proxytime.exe) that serves the proxy
# script on 127.0.0.1 itself: first call, median, 10th and 90th percentile in
# milliseconds, with one script URL throughout and with a new one each call.
# Usage: bench/native/proxy.sh [win64|win32] [calls]   (win64, 200 calls by default)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/bench/common.sh"
arch=${1:-win64}
shift || true
run_bench_program "$arch" proxytime "$@"
