#!/bin/bash
# Installs what the build and the tests need: Debian packages, the locales the
# Wine scenarios select, and an i386 root with 32-bit Wine for the x86 tests.
# Idempotent and quiet when everything is present.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
packages=(
    cmake ninja-build g++ make
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    wine64 googletest libgtest-dev libgmock-dev libbenchmark-dev
    openjdk-17-jdk-headless libtomlplusplus-dev
    clang libclang-rt-14-dev
    locales debootstrap util-linux procps
    xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" = 0 ] || sudo_cmd=(sudo)

if [ ${#missing[@]} -gt 0 ]; then
    echo "[setup] installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >/tmp/tavik-setup-apt.log 2>&1 \
      || { "${sudo_cmd[@]}" apt-get update -q >>/tmp/tavik-setup-apt.log 2>&1 \
           && "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >>/tmp/tavik-setup-apt.log 2>&1; } \
      || { tail -30 /tmp/tavik-setup-apt.log >&2; echo "[setup] apt-get failed" >&2; exit 1; }
fi

# The posix threading model gives MinGW a working std::thread and std::mutex.
for arch in x86_64 i686; do
    for tool in g++ gcc; do
        alt=/usr/bin/$arch-w64-mingw32-$tool-posix
        [ "$(readlink -f /usr/bin/$arch-w64-mingw32-$tool)" = "$(readlink -f "$alt")" ] \
            || "${sudo_cmd[@]}" update-alternatives --quiet --set "$arch-w64-mingw32-$tool" "$alt"
    done
done

# Locales the Wine scenarios select with LC_ALL.
wanted_locales="de_CH.UTF-8 fr_CA.UTF-8 en_US.UTF-8 ja_JP.UTF-8 ru_RU.UTF-8"
need_gen=0
for l in $wanted_locales; do
    locale -a 2>/dev/null | grep -qix "$(echo "$l" | sed 's/UTF-8/utf8/')" || need_gen=1
done
if [ $need_gen = 1 ]; then
    echo "[setup] generating locales: $wanted_locales" >&2
    for l in $wanted_locales; do
        grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    done
    "${sudo_cmd[@]}" locale-gen >/dev/null
fi

# 32-bit Wine lives in its own i386 root, with the same locales; a failure
# here only makes the x86 tests report themselves as skipped.
wine32_root=/opt/wine32-i386
wine32_missing=()
[ -x $wine32_root/usr/lib/wine/wine ] || wine32_missing+=("32-bit Wine")
for l in $wanted_locales; do
    [ -e "$wine32_root/usr/lib/locale/${l%%.*}.utf8/LC_CTYPE" ] || wine32_missing+=("$l")
done
if ! ia32_reason=$("$here/probe-ia32"); then
    [ -x $wine32_root/usr/lib/wine/wine ] || echo "[setup] no 32-bit Wine: $ia32_reason; x86 tests will be skipped" >&2
elif [ ${#wine32_missing[@]} -gt 0 ]; then
    echo "[setup] preparing the i386 root for the x86 tests: ${wine32_missing[*]} (first time: a few minutes)" >&2
    "${sudo_cmd[@]}" env WINE32_ROOT=$wine32_root WINE32_LOCALES="$wanted_locales" \
        "$here/wine32/setup-wine32.sh" 2>/tmp/tavik-setup-wine32.log \
        || echo "[setup] 32-bit Wine unavailable, x86 tests will be skipped (see /tmp/tavik-setup-wine32.log)" >&2
fi
exit 0
