#!/bin/bash
# check-folder-namespaces.sh <source root>: fails when a file below
# <root>/launcher/win/<folder>/ opens no namespace tavik::<folder>, or opens a
# named namespace outside it, and names each such file. Anonymous namespaces
# and namespaces nested in tavik::<folder> are the file's own business.
set -euo pipefail
root=$1
[ -d "$root/launcher/win" ] || { echo "no launcher/win directory below $root"; exit 2; }
cd "$root"

files=0
strays=0
while read -r file; do
    folder=$(cut -d/ -f3 <<<"$file")
    want="tavik::$folder"
    opened=$(sed -n 's/^[[:space:]]*namespace[[:space:]]\{1,\}\([A-Za-z_][A-Za-z_0-9:]*\)[[:space:]]*{.*/\1/p' "$file" | sort -u)
    others=$(grep -vxE "$want(::[A-Za-z_][A-Za-z_0-9]*)*" <<<"$opened" || true)
    files=$((files + 1))
    if ! grep -qx "$want" <<<"$opened"; then
        echo "$file: not in $want (opens: $(paste -sd' ' <<<"${opened:-nothing}"))"
        strays=$((strays + 1))
    elif [ -n "$others" ]; then
        echo "$file: opens $(paste -sd' ' <<<"$others") besides $want"
        strays=$((strays + 1))
    fi
done < <(find launcher/win -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$strays" -gt 0 ]; then
    echo "$strays of $files files stand outside their folder's namespace"
    exit 1
fi
echo "all $files files in their folder's namespace"
