# shellcheck shell=bash
# Running the Windows programs under Wine on a private Xvfb, for the tests.
# Source it from bash:
#
#     . tests/wine/lib-wine.sh
#     wine_require                               # exits 77 (skipped) without Wine or Xvfb
#     wine_start 800x600 "$work" 301 "$prefix"   # Xvfb :301 (or the next free one), the prefix
#     wine_run "$work/out" program.exe ARG...    # in the background, in Wine's virtual desktop
#     wine_wait_window "Trenchmoor Setup " 20    # a window with exactly this title
#     wine_screenshot "$work/screen.png"
#     wine_stop
#
# Every program runs inside one virtual desktop of the screen's size (Wine's
# explorer draws Windows' own frames there, no window manager is involved), so
# a window's frame and position are what Windows would give it. Window ids are
# decimal, as xdotool prints them. Every wait is bounded; on a timeout a
# function returns 1 and leaves what it expected and what it saw in WINE_ERROR.
#
# The prefix (WINEPREFIX) is made once per test run by wine_prefix_make and
# shared by the tests, one after the other (ctest's RESOURCE_LOCK "wine"):
# making one takes 7 to 25 s and 700 MB, too much for each test. Each test
# ends every Wine process of the prefix with `wineserver -k`, under that same
# WINEPREFIX and nothing broader.

# shellcheck disable=SC2034 # globals for the scripts that source this file
WINE_ERROR=""
WINE_WINDOW=""
WINE_PID=""
WINE_STATUS=""
WINE_XVFB_PID=""
WINE_WIDTH=0
WINE_HEIGHT=0

# shellcheck source=tests/e2e/lib-x11.sh
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib-x11.sh" # x11_display_taken, x11_now_us

export WINEDEBUG=-all
# No Mono or Gecko installers asked for when a prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="

# wine_require: exits 77 (skipped) when a program the Wine tests need is missing.
wine_require() {
    local missing="" program
    for program in wine wineserver wineboot Xvfb xdotool xwininfo import python3 "$@"; do
        command -v "$program" >/dev/null 2>&1 || missing+="$program "
    done
    if [ -n "$missing" ]; then
        echo "SKIP: missing programs: $missing(Debian packages: wine wine64 xvfb xdotool x11-utils imagemagick python3)"
        exit 77
    fi
}

# wine_prefix_make PREFIX: a fresh prefix in PREFIX (an existing one is replaced).
wine_prefix_make() {
    local prefix=$1
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")" || return 1
    if ! WINEPREFIX=$prefix DISPLAY="" wineboot -i >"$prefix.log" 2>&1; then
        WINE_ERROR="wineboot -i failed: $(tail -n 5 "$prefix.log")"
        return 1
    fi
    WINEPREFIX=$prefix wineserver -w
}

# wine_unix_to_windows PATH: the name Windows programs see for a Unix path
# (Z: is the Unix root).
wine_unix_to_windows() {
    local path=$1
    printf 'Z:%s' "${path//\//\\}"
}

# wine_start WxH WORKDIR DISPLAY_NUMBER PREFIX
# Starts Xvfb on the display number, or on the next free one of the 50 after
# it, exports DISPLAY and WINEPREFIX, and makes every program of the prefix open
# in one virtual desktop of the screen's size.
wine_start() {
    local size=$1 dir=$2 number=$3 prefix=$4 tries
    WINE_WIDTH=${size%x*}
    WINE_HEIGHT=${size#*x}
    [ -d "$prefix/drive_c" ] || { WINE_ERROR="no Wine prefix at $prefix"; return 1; }
    export WINEPREFIX=$prefix
    # A test stopped halfway may have left its programs behind.
    wineserver -k >/dev/null 2>&1
    wineserver -w
    for ((tries = 0; tries < 50; tries++, number++)); do
        x11_display_taken "$number" && continue
        Xvfb ":$number" -screen 0 "${size}x24" -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
        WINE_XVFB_PID=$!
        local deadline=$(($(x11_now_us) + 5000000))
        while [ "$(x11_now_us)" -lt "$deadline" ]; do
            if xdpyinfo -display ":$number" >/dev/null 2>&1 ||
               DISPLAY=":$number" xdotool getdisplaygeometry >/dev/null 2>&1; then
                export DISPLAY=":$number"
                break 2
            fi
            kill -0 "$WINE_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$WINE_XVFB_PID" 2>/dev/null
        wait "$WINE_XVFB_PID" 2>/dev/null
        WINE_XVFB_PID=""
    done
    [ -n "$WINE_XVFB_PID" ] || { WINE_ERROR="no Xvfb could start ($(tail -n 3 "$dir/xvfb.log"))"; return 1; }
    # What winecfg's "Emulate a virtual desktop" writes: one desktop, named
    # trenchmoor, for every program. Started this way (rather than through
    # `explorer /desktop=...`) the program's exit status reaches the test.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d trenchmoor /f >/dev/null 2>&1 &&
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v trenchmoor /d "$size" /f >/dev/null 2>&1 ||
        { WINE_ERROR="cannot set up the virtual desktop in the prefix"; return 1; }
    # `reg` itself opened the desktop, at the size it had before: the next
    # program opens it afresh at this size.
    wineserver -k >/dev/null 2>&1
    wineserver -w
}

# wine_run OUTPUT PROGRAM [ARG...]: starts a Windows program in the background,
# in the current folder, stdout and stderr to OUTPUT.out and OUTPUT.err; its
# process is WINE_PID.
wine_run() {
    local output=$1
    shift
    wine "$@" >"$output.out" 2>"$output.err" &
    WINE_PID=$!
}

# wine_wait_exit TIMEOUT: waits for WINE_PID to end and leaves its exit status
# in WINE_STATUS; returns 1 when it is still running after TIMEOUT seconds.
# (Not in a command substitution: only this shell can wait for its child.)
wine_wait_exit() {
    local deadline=$(($(x11_now_us) + ${1:-20} * 1000000))
    while kill -0 "$WINE_PID" 2>/dev/null; do
        if [ "$(x11_now_us)" -ge "$deadline" ]; then
            WINE_ERROR="the program is still running after ${1:-20} s"
            return 1
        fi
        sleep 0.1
    done
    wait "$WINE_PID"
    WINE_STATUS=$?
    WINE_PID=""
}

# wine_regex TEXT: TEXT as an exact-match pattern for xdotool's --name.
wine_regex() {
    local text=$1
    text=$(printf '%s' "$text" | sed 's/[][\\.*^$+?(){}|]/\\&/g')
    printf '^%s$' "$text"
}

# wine_windows TITLE: the visible windows of that exact title, one id a line.
wine_windows() {
    xdotool search --onlyvisible --name "$(wine_regex "$1")" 2>/dev/null
}

# wine_wait_window TITLE [TIMEOUT]: waits for a visible window of that exact
# title and leaves its id in WINE_WINDOW.
wine_wait_window() {
    local title=$1 deadline=$(($(x11_now_us) + ${2:-20} * 1000000)) found
    while [ "$(x11_now_us)" -lt "$deadline" ]; do
        found=$(wine_windows "$title" | head -n 1)
        if [ -n "$found" ]; then
            WINE_WINDOW=$found
            return 0
        fi
        sleep 0.1
    done
    WINE_ERROR="no window titled \"$title\" after ${2:-20} s; seen: $(wine_describe | tr '\n' ';')"
    return 1
}

# wine_wait_gone WINDOW [TIMEOUT]: waits until the window is no longer shown.
wine_wait_gone() {
    local window=$1 deadline=$(($(x11_now_us) + ${2:-20} * 1000000))
    while [ "$(x11_now_us)" -lt "$deadline" ]; do
        xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$window" || return 0
        sleep 0.1
    done
    WINE_ERROR="window $window is still shown after ${2:-20} s"
    return 1
}

# wine_geometry WINDOW: "LEFT TOP WIDTH HEIGHT" of the window on the screen,
# frame included (Wine draws the frame inside its X window). From xwininfo:
# xdotool counts the offset of a window inside the desktop window twice.
wine_geometry() {
    xwininfo -id "$1" 2>/dev/null | awk -F: '
        /Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
        /^ *Width/ { w = $2 } /^ *Height/ { h = $2 }
        END { printf "%d %d %d %d\n", x, y, w, h }'
}

# wine_describe: the visible windows with their titles and geometry.
wine_describe() {
    local id
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        printf '%s "%s" %s\n' "$id" "$(xdotool getwindowname "$id" 2>/dev/null)" "$(wine_geometry "$id")"
    done
}

# wine_screenshot FILE: the whole screen.
wine_screenshot() {
    import -display "$DISPLAY" -window root "$1" 2>/dev/null
}

# wine_stop: ends every Wine process of this prefix and the Xvfb.
wine_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w 2>/dev/null
    fi
    if [ -n "$WINE_PID" ]; then
        wait "$WINE_PID" 2>/dev/null
        WINE_PID=""
    fi
    if [ -n "$WINE_XVFB_PID" ]; then
        kill "$WINE_XVFB_PID" 2>/dev/null
        wait "$WINE_XVFB_PID" 2>/dev/null
        WINE_XVFB_PID=""
    fi
}
