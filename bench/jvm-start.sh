#!/bin/bash
# Start-up cost under Wine: milliseconds from process creation to the
# JNI_CreateJavaVM call (the recording VM's clock) for a packed launcher with
# three embedded jars, against a trivial program's creation-to-entry time on
# the same clock; then whether 10,000 VM options from a .vmoptions file reach
# the VM whole and in order. Usage: [TEMPLATE=launcher.exe] bench/jvm-start.sh [runs]
# (after build.sh; TEMPLATE measures another template, by default the built one)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/bench/common.sh"
runs=${1:-21}
build=$repo/build/win64
ninja -C "$build" startclock test_runtime >/dev/null
work=$repo/build/bench/jvm-start
rm -rf "$work" && mkdir -p "$work/jars" "$work/tmp"
stand_in_runtime "$build" "$work/jre"
for i in 1 2 3; do head -c $((1024 * 1024)) /dev/urandom > "$work/jars/lib$i.jar"; done
project() {
    cat <<TOML
[application]
main_class = "com.example.Main"
executable_kind = "console"
$1
[java]
search_sequence = [ { kind = "A", value = "jre" } ]
[files]
embed = [ "jars/lib1.jar", "jars/lib2.jar", "jars/lib3.jar" ]
TOML
}
pack() {
    project "$1" > "$work/$2.toml"
    "$repo/build/host/tools/pack/tavik-pack" --runtime-jar "$repo/build/host/java/tavik-runtime.jar" \
        "${TEMPLATE:-$build/launcher/win/launcher.exe}" "$work/$2.toml" "$work/$2.exe"
}
pack "" app
"$repo/scripts/wine-prefix" win64 start >/dev/null
run_app() {
    "$repo/scripts/wine-run" win64 "$build/tests/support/envrun.exe" \
        "TMP=$(winpath "$work/tmp")" "TEMP=$(winpath "$work/tmp")" -- "$(winpath "$work/$1.exe")" /run >/dev/null 2>&1
}
created_at() { sed -n 's/^JNI_CreateJavaVM at \([0-9]*\) ms\r\?$/\1/p' "$work/jre/bin/server/jvm-calls.log" | tail -1; }

run_app app  # the first run fills the runtime's version cache
launcher=(); trivial=()
for run in $(seq 1 "$runs"); do
    run_app app
    launcher+=("$(created_at)")
    trivial+=("$("$repo/scripts/wine-run" win64 "$build/bench/win/startclock.exe" | tr -d '\r')")
done
ml=$(median "${launcher[@]}"); mt=$(median "${trivial[@]}")
echo "launcher, creation to JNI_CreateJavaVM, ms: ${launcher[*]}"
echo "trivial program, creation to entry, ms:     ${trivial[*]}"
echo "median launcher $ml ms, median trivial $mt ms, ratio $(awk -v a="$ml" -v b="$mt" 'BEGIN {printf "%.1f", (b > 0 ? a/b : 0)}')"

# 10,000 options through the default .vmoptions file.
seq 1 10000 | sed 's/.*/-Dbench.option.&=value&/' > "$work/many.vmoptions"
pack "read_default_vmoptions = true" many
rm -f "$work/jre/bin/server/jvm-calls.log"
run_app many
tr -d '\r' < "$work/jre/bin/server/jvm-calls.log" | sed -n 's/^option \(-Dbench\.option\..*\)$/\1/p' > "$work/received.txt"
if cmp -s "$work/many.vmoptions" "$work/received.txt"; then
    echo "10000 of 10000 options from many.vmoptions reached the VM, in order"
else
    echo "options differ: $(wc -l < "$work/received.txt") of 10000 arrived"; exit 1
fi
