#!/bin/bash
# check-native-exports.sh HEADERS_DIR DLL: the DLL exports exactly the
# natives that javac -h declares for the Java classes, plus registerNatives.
set -euo pipefail
headers=$1 dll=$2
[ -f "$dll" ] || { echo "no $dll"; exit 1; }
expected=$( (grep -ho 'JNICALL Java_[A-Za-z0-9_]*' "$headers"/*.h | sed 's/JNICALL //'; echo registerNatives) | sort)
actual=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
         sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*\([A-Za-z0-9_@]*\).*/\1/p' | sort)
if [ "$expected" != "$actual" ]; then
    diff <(echo "$expected") <(echo "$actual") | sed 's/^</missing:/; s/^>/unexpected:/' | grep -v '^[0-9]'
    exit 1
fi
echo "$(echo "$actual" | wc -l) exports, as the Java classes declare them"
