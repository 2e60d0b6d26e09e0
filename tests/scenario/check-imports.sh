#!/bin/bash
# check-imports.sh win64|win32 launcher.exe: fails when the executable imports
# a DLL outside the Windows system set (a MinGW runtime DLL, for instance), or
# is not a GUI-subsystem program.
set -euo pipefail
arch=$1 exe=$2
case "$arch" in win64) objdump=x86_64-w64-mingw32-objdump ;; *) objdump=i686-w64-mingw32-objdump ;; esac
[ -f "$exe" ] || { echo "missing $exe"; exit 1; }
headers=$($objdump -p "$exe")
system='^(kernel32|user32|advapi32|shell32|ole32|oleaut32|gdi32|comctl32|comdlg32|shlwapi|version|ws2_32|msvcrt|ntdll|userenv|secur32|netapi32|wtsapi32|crypt32|rpcrt4|winhttp|wininet|bcrypt|api-ms-win-[a-z0-9-]+)\.dll$'
status=0
while read -r dll; do
    name=$(echo "$dll" | tr 'A-Z' 'a-z')
    if [[ "$name" =~ $system ]]; then echo "system import: $dll"; else echo "NOT a system DLL: $dll"; status=1; fi
done < <(echo "$headers" | awk '/DLL Name:/ {print $3}')
grep -q 'Subsystem.*(Windows GUI)' <<< "$headers" || { echo "not a GUI-subsystem program"; status=1; }
exit $status
