# Sourced by the scripts that run Windows programs under Wine: a display (a
# headless X server when there is none) and a Wine prefix whose desktop is a
# virtual desktop.
#
# 64-bit Wine runs the 64-bit build of the Windows programs: the machines this
# project builds on cannot execute 32-bit Linux code, which 32-bit Wine needs.
QUILLOMAT_ROOT=${QUILLOMAT_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEPREFIX=${WINEPREFIX:-$QUILLOMAT_ROOT/build/wineprefix64}
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
WINE=$WINELOADER
# Wine reads Unix file names and arguments in the locale's character set: a
# UTF-8 one keeps every character of a name.
case "${LC_ALL:-${LANG:-}}" in
*[Uu][Tt][Ff]-8* | *[Uu][Tt][Ff]8*) ;;
*) export LC_ALL=C.UTF-8 ;;
esac
QUILLOMAT_XVFB_PID=

# Starts Xvfb on a free display when no display is set.
ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n
    for n in $(seq 91 120); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        QUILLOMAT_XVFB_PID=$!
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        export DISPLAY=":$n"
        return 0
    done
    echo "no free X display" >&2
    return 1
}

stop_display() {
    [ -n "$QUILLOMAT_XVFB_PID" ] && kill "$QUILLOMAT_XVFB_PID" 2>/dev/null
    QUILLOMAT_XVFB_PID=
}

# Creates the prefix once, with a 1024x768 virtual desktop.
ensure_wineprefix() {
    # A prefix made before 32-bit Wine was installed has no 32-bit system
    # folder, and 32-bit programs cannot start in it: it is made anew.
    if [ -f "$WINEPREFIX/.quillomat-ready" ] && [ -x /usr/lib/wine/wine ] &&
        [ -z "$(ls -A "$WINEPREFIX/drive_c/windows/syswow64" 2>/dev/null)" ]; then
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/.quillomat-ready" ]; then
        mkdir -p "$WINEPREFIX"
        "$WINE" wineboot --init >/dev/null 2>&1
        "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        # Wine's own fonts (fonts-wine), where this Wine build looks for them:
        # without Marlett, title-bar buttons show as "0 1 r".
        cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        "$WINESERVER" -w
        touch "$WINEPREFIX/.quillomat-ready"
    fi
}
