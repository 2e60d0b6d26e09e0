# Sourced by the benchmark scripts: the Windows form of a host path, the
# median of numbers, a stand-in Java runtime from the test programs, and the
# run of a Windows bench program under Wine.
winpath() { echo "Z:$1" | tr / '\\'; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
# stand_in_runtime <cross build dir> <home>: java.exe answering "17.0.1", the
# recording VM as bin\server\jvm.dll.
stand_in_runtime() {
    mkdir -p "$2/bin/server"
    cp "$1/tests/runtime/java.exe" "$2/bin/"
    cp "$1/tests/runtime/jvm.dll" "$2/bin/server/"
    printf 'openjdk version "17.0.1" 2021-10-19\n0\n' > "$2/bin/fake-java.cfg"
}
# run_bench_program <win64|win32> <target> [arguments...]: builds the bench
# program and the helper DLL if needed, then runs it under Wine.
run_bench_program() {
    local arch=$1 target=$2 build=$repo/build/$1
    shift 2
    [ -f "$build/build.ninja" ] || cmake --preset "$arch" -S "$repo" >/dev/null
    nice -n 5 ninja -C "$build" "$target" rwtnative >/dev/null
    "$repo/scripts/wine-prefix" "$arch" start >/dev/null
    "$repo/scripts/wine-run" "$arch" "$build/bench/native/$target.exe" "$@" </dev/null | tr -d '\r'
}
