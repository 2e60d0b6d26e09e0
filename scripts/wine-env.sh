# Sourced by wine-run, wine-prefix and wine-display: picks the Wine and the
# prefix of an architecture ("win64" or "win32") and says why when that Wine
# cannot run. With TAVIK_WINE_DISPLAY set, the prefix is the one that sees the
# virtual X display of the test run (wine-display starts both); otherwise Wine
# runs headless.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)
wine_root=${TAVIK_WINE_ROOT:-$repo/build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
unset WAYLAND_DISPLAY
[ -n "${TAVIK_WINE_DISPLAY:-}" ] || unset DISPLAY

wine_skip_code=77

# The directory where wine-display keeps the X server of an architecture.
display_dir() { echo "$wine_root/display-$1"; }

# Sets wine_cmd, wineserver_cmd and WINEPREFIX for $1, or prints the reason
# 32-bit Wine or the display is unavailable and returns 1.
select_wine() {
    select_wine_of "$1" || return
    [ -n "${TAVIK_WINE_DISPLAY:-}" ] || return 0
    # Wine's desktop process keeps the display of the process that started
    # it for the server's whole life, so windows need a prefix of their own
    # whose every session starts with DISPLAY set.
    export WINEPREFIX=$WINEPREFIX-display
    local number
    number=$(cat "$(display_dir "$1")/number" 2>/dev/null)
    if [ -z "$number" ]; then
        echo "no virtual display for $1 (the display fixture, scripts/wine-display, did not start one)"; return 1
    fi
    export DISPLAY=:$number
}

select_wine_of() {
    case "$1" in
        win64)
            export WINEPREFIX=$wine_root/prefix64
            local bin=/usr/lib/wine
            [ -x $bin/wine64 ] || bin=$(dirname "$(command -v wine64)")
            wine_cmd=("$bin/wine64")
            wineserver_cmd=("$bin/wineserver")
            ;;
        win32)
            export WINEPREFIX=$wine_root/prefix32
            local reason
            if ! reason=$("$here/probe-ia32"); then
                echo "32-bit Wine unavailable: $reason"; return 1
            fi
            if [ ! -x /opt/wine32-i386/usr/lib/wine/wine ]; then
                echo "32-bit Wine unavailable: no i386 Wine root (scripts/setup.sh prepares it)"; return 1
            fi
            # The i386 root sees only a fixed set of top-level directories;
            # a checkout elsewhere (CI uses /check) must be added to it, the
            # same for every call that shares the prefix's server.
            local top
            for top in "$repo" "$wine_root"; do
                top=${top#/}; top=${top%%/*}
                case " ${WINE32_TOPS:-} " in *" $top "*) ;; *) WINE32_TOPS="${WINE32_TOPS:-} $top" ;; esac
            done
            export WINE32_TOPS
            wine_cmd=("$here/wine32/wine32")
            wineserver_cmd=("$here/wine32/wine32" --exec wineserver)
            ;;
        *) echo "unknown architecture $1" >&2; return 2 ;;
    esac
}
