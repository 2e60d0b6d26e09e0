#!/bin/bash
# Runs every test: host unit tests, the Windows-side tests under Wine, the
# end-to-end scenarios and a short fuzzing run, in one CTest run. The closing
# lines say how many x86 tests ran or were skipped, and why; the exit code is
# CTest's.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
"$repo/scripts/build.sh"
report=$repo/build/host/Testing/test-report.xml
rm -f "$report"
rc=0
# Passing programs keep all their output in the report, where the summary reads their skipped cases.
ctest --preset all --output-junit "$report" --test-output-size-passed 4194304 --test-output-truncation middle "$@" || rc=$?
if [ -f "$report" ]; then
    "$repo/scripts/test-summary" "$report" <(ctest --test-dir "$repo/build/host" --show-only=json-v1) \
        || echo "test summary failed; CTest's result above stands" >&2
fi
exit $rc
