#!/bin/bash
# Extraction throughput under Wine: a packed launcher holding 100 MiB in 10
# files against a plain CopyFileW copy of the same files, same machine, same
# run. The launcher's time is read off its log (from "extracting files" to
# "extracting files done"). Usage: [TEMPLATE=launcher.exe] bench/extraction.sh [runs]
# (after build.sh; TEMPLATE measures another template, by default the built one)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/bench/common.sh"
runs=${1:-5}
work=$repo/build/bench/extraction
rm -rf "$work" && mkdir -p "$work/files" "$work/tmp" "$work/copy"
embed=""
for i in $(seq 1 10); do
    head -c $((10 * 1024 * 1024)) /dev/urandom > "$work/files/part$i.bin"
    embed+="\"files/part$i.bin\", "
done
cat > "$work/project.toml" <<TOML
[application]
executable_kind = "console"
[files]
embed = [ ${embed%, } ]
TOML
"$repo/build/host/tools/pack/tavik-pack" --runtime-jar "$repo/build/host/java/tavik-runtime.jar" "${TEMPLATE:-$repo/build/win64/launcher/win/launcher.exe}" "$work/project.toml" "$work/app.exe"
"$repo/scripts/wine-prefix" win64 start >/dev/null
ms_of() { sed -n "s/^.*\[\([0-9]*\):\([0-9]*\)\] $1\r\?$/\1 \2/p" "$2" | awk '{print $1*1000+$2}'; }

extract=(); copy=()
for run in $(seq 1 "$runs"); do
    rm -rf "$work/tmp"/* "$work/copy"/*
    TAVIK_LOG=yes "$repo/scripts/wine-run" win64 "$repo/build/win64/tests/support/envrun.exe" \
        "TMP=$(winpath "$work/tmp")" "TEMP=$(winpath "$work/tmp")" -- "$(winpath "$work/app.exe")" /run \
        >/dev/null 2>&1 || true
    log=$(ls "$work"/tmp/rwt_nlog_*.log)
    extract+=($(( $(ms_of "extracting files done" "$log") - $(ms_of "extracting files" "$log") )))
    files=(); for i in $(seq 1 10); do files+=("$(winpath "$work/files/part$i.bin")"); done
    copy+=($("$repo/scripts/wine-run" win64 "$repo/build/win64/bench/win/copytime.exe" "$(winpath "$work/copy")" "${files[@]}" | tr -d '\r'))
done
me=$(median "${extract[@]}"); mc=$(median "${copy[@]}")
echo "extraction ms: ${extract[*]}"
echo "copy ms:       ${copy[*]}"
echo "median extraction $me ms ($(awk -v t="$me" 'BEGIN {printf "%.0f", 100*1000/t}') MiB/s), median copy $mc ms, ratio $(awk -v a="$me" -v b="$mc" 'BEGIN {printf "%.2f", a/b}')"
