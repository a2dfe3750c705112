#!/usr/bin/env bash
# The Wine set-up itself: a 64-bit program built here runs in the virtual
# desktop, xdotool finds its window by title, the window has the frame and
# place Windows gave it, a key typed on the X server reaches it, and its exit
# status comes back.
#
#     desktop-test.sh WINDOWS_BIN_DIR WORKDIR DISPLAY_NUMBER PREFIX
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/wine/lib-wine.sh
. "$here/lib-wine.sh"
wine_require
bin=$1 work=$2 display=$3 prefix=$4
rm -rf "$work" && mkdir -p "$work" || exit 1

fail() {
    echo "FAIL: $1"
    wine_describe
    wine_screenshot "$work/failure.png" && echo "screenshot: $work/failure.png"
    wine_stop
    exit 1
}
trap 'wine_stop' EXIT

wine_start 800x600 "$work" "$display" "$prefix" || fail "$WINE_ERROR"
cd "$work" || exit 1
wine_run "$work/probe" "$bin/wintool.exe" show "Trenchmoor probe"
wine_wait_window "Trenchmoor probe" 30 || fail "$WINE_ERROR"
# wintool opens it at 100,100, 320 x 200 pixels with its frame.
geometry=$(wine_geometry "$WINE_WINDOW")
[ "$geometry" = "100 100 320 200" ] || fail "the probe's window is at $geometry, not 100 100 320 200"
styles=$(wine "$bin/wintool.exe" styles "Trenchmoor probe") || fail "wintool styles: $styles"
grep -qx "rect 100 100 420 300" <<<"$styles" || fail "Windows puts the probe elsewhere: $styles"
wine_screenshot "$work/desktop.png" || fail "no screenshot"

xdotool mousemove --sync 200 200 click 1
xdotool key alt+F4
wine_wait_exit 20 || fail "$WINE_ERROR"
[ "$WINE_STATUS" = 0 ] || fail "the probe ended with status $WINE_STATUS"
grep -qx shown "$work/probe.out" || fail "nothing on the probe's stdout: $(cat "$work/probe.out")"
echo "PASS: probe window found, placed at 100,100 as 320x200, closed by Alt+F4, status 0; screenshot $work/desktop.png"
