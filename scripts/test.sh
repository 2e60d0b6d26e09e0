#!/bin/bash
# Runs every test: host unit tests, the Windows-side tests under Wine, the
# end-to-end scenarios and a short fuzzing run, in one CTest run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
"$repo/scripts/build.sh"
ctest --preset all "$@"
