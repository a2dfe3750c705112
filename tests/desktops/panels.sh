#!/usr/bin/env bash
# The launcher on a desktop with panels, under a real window manager:
#
#     panels.sh openbox|metacity LAUNCHER DOCK DISPLAY_NUMBER [OUTDIR]
#
# An 800x600 Xvfb screen with a 24-pixel panel at the top and a 48-pixel one
# at the bottom (DOCK, the test helper built from dock.c, reserving its strip
# with _NET_WM_STRUT_PARTIAL). The whole accepted run, Enter on each dialog:
#  - the offer, the manual note, the game question, the sound note and the
#    product range carry _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER
#    (ShowInTaskbar False), the welcome screen neither;
#  - the welcome screen keeps the work area (maximised with a title bar);
#  - under openbox, the offer's frame opens at 361,349, where the arithmetic
#    over the whole screen puts it;
#  - the product range screen's frame is the whole screen, 0,0 800x600, above
#    the panels, and a click at the screen coordinates of Finish (729,557,
#    inside the bottom panel's strip) ends the program with status 0.
# Under metacity also: the dialogs allow no close, minimise or maximise
# (_NET_WM_ALLOWED_ACTIONS, from which metacity draws the frame's buttons),
# and each dialog's frame is saved as OUTDIR/metacity-DIALOG.png, to be
# looked at: a title bar without buttons.
# Exit 0 passed, 1 failed, 77 skipped.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../e2e/lib-x11.sh"

wm=${1:?usage: $0 openbox|metacity LAUNCHER DOCK DISPLAY_NUMBER [OUTDIR]}
launcher=${2:?}
dock=${3:?}
display_number=${4:-}
outdir=${5:-}
timeout=${E2E_TIMEOUT:-20}

x11_require "$wm"
work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-panels.XXXXXX") || exit 1
declare -a helper_pids=()
launcher_pid=""
passed=0
cleanup() {
    local pid
    [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
    for pid in $(cut -d' ' -f2 "$work/starts.log" 2>/dev/null); do
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qx 'sleep 30 ' && kill "$pid" 2>/dev/null
    done
    for pid in "${helper_pids[@]}"; do kill "$pid" 2>/dev/null; done
    x11_stop
    if [ "$passed" = 1 ]; then rm -rf "$work"; else echo "The test's files are kept in $work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM
step_label=start
fail() {
    echo "FAIL [$wm, $step_label]: $1"
    [ -n "${2:-}" ] && echo "  seen: $2"
    if [ -n "$X11_XVFB_PID" ]; then
        echo "windows on the screen (topmost first):"
        x11_describe
        x11_screenshot "$work/failure.png" && echo "screenshot: $work/failure.png"
    fi
    [ -s "$work/launcher.err" ] && { echo "launcher stderr:"; sed 's/^/  /' "$work/launcher.err"; }
    exit 1
}

# --- the disc: the launcher and stand-ins that write down their start ---------
mkdir -p "$work/disc/Acrobat"
cp "$launcher" "$work/disc/trenchmoor-setup"
for installer in Acrobat/Setup.exe Tallset.exe; do
    printf '#!/bin/sh\necho "$0 $$" >>"%s/starts.log"\nexec sleep 30\n' "$work" >"$work/disc/$installer"
    chmod 755 "$work/disc/$installer"
done

# --- the desktop ------------------------------------------------------------------
x11_start 800x600 "$work/x" "$display_number" "$wm" || fail "$X11_ERROR"
# A window mapped while the window manager is still starting may stay
# unmanaged: a panel that is not in the client list after a while starts again.
dock_managed() { # output file of the dock
    local id
    id=$(head -n 1 "$1" 2>/dev/null)
    [ -n "$id" ] && xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -qw "$id"
}
start_dock() { # top|bottom HEIGHT
    local attempt pid
    for attempt in 1 2 3; do
        "$dock" "$1" "$2" >"$work/dock-$1.out" 2>&1 &
        pid=$!
        if x11_wait_for 3 "the $1 panel managed" dock_managed "$work/dock-$1.out"; then
            helper_pids+=("$pid")
            return 0
        fi
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    return 1
}
start_dock top 24 || fail "$X11_ERROR"
start_dock bottom 48 || fail "$X11_ERROR"
work_area_reserved() { xprop -root _NET_WORKAREA 2>/dev/null | grep -q '= 0, 24, 800, 528'; }
x11_wait_for "$timeout" "the panels to reserve their strips (_NET_WORKAREA 0, 24, 800, 528)" work_area_reserved ||
    fail "$X11_ERROR" "$(xprop -root _NET_WORKAREA)"
echo "$wm on $DISPLAY, panels at the top (24) and the bottom (48)"

(cd "$work" && exec "$work/disc/trenchmoor-setup" >"$work/launcher.out" 2>"$work/launcher.err") &
launcher_pid=$!

skips_taskbar() { # id: yes or no
    local state
    state=$(xprop -id "$1" _NET_WM_STATE 2>/dev/null)
    if [[ $state == *_NET_WM_STATE_SKIP_TASKBAR* && $state == *_NET_WM_STATE_SKIP_PAGER* ]]; then
        echo yes
    elif [[ $state != *_NET_WM_STATE_SKIP_TASKBAR* && $state != *_NET_WM_STATE_SKIP_PAGER* ]]; then
        echo no
    else
        echo "one of the two: $state"
    fi
}

step_label="welcome screen"
x11_wait_window "Welcome to Trenchmoor Setup" "$timeout" || fail "$X11_ERROR"
welcome=$X11_WINDOW
[ "$(skips_taskbar "$welcome")" = no ] || fail "expected the welcome screen in task bars" "$(xprop -id "$welcome" _NET_WM_STATE)"
read -r x y w h < <(x11_frame_geometry "$welcome")
[ "$x $y $w" = "0 24 800" ] || fail "expected the welcome screen's frame in the work area, from 0,24, 800 wide" "frame at $x,$y ${w}x$h"

for dialog in offer manual game sound; do
    step_label=$dialog
    case $dialog in
    offer | manual) title="Acrobat Reader Setup  (recommended)" ;;
    *) title="Trenchmoor Setup " ;;
    esac
    x11_wait_window "$title" "$timeout" || fail "$X11_ERROR"
    id=$X11_WINDOW
    x11_wait_active "$id" "$timeout" || fail "$X11_ERROR"
    [ "$(skips_taskbar "$id")" = yes ] || fail "expected the $dialog dialog out of task bars and pagers" "$(xprop -id "$id" _NET_WM_STATE)"
    if [ "$dialog" = offer ] && [ "$wm" = openbox ]; then
        # The placement arithmetic is the screen's, not the work area's.
        # (metacity keeps a normal window wholly inside the work area whatever
        # it asks for: its taller title bar makes the offer 209 high, which
        # from 349 would reach into the bottom panel, so it moves it up to 343.)
        read -r x y _ < <(x11_frame_geometry "$id")
        [ "${x#-}" -ge 360 ] && [ "$x" -le 362 ] && [ "$y" -ge 348 ] && [ "$y" -le 350 ] ||
            fail "expected the offer's frame at 361,349 (the screen's arithmetic), within a pixel" "frame at $x,$y"
    fi
    if [ "$wm" = metacity ]; then
        actions=$(xprop -id "$id" _NET_WM_ALLOWED_ACTIONS 2>/dev/null)
        grep -Eq '_NET_WM_ACTION_(CLOSE|MINIMIZE|MAXIMIZE_HORZ|MAXIMIZE_VERT)' <<<"$actions" &&
            fail "expected metacity to allow the $dialog dialog no close, minimise or maximise" "$actions"
        grep -q '_NET_WM_ACTION_MOVE' <<<"$actions" || fail "expected metacity to let the $dialog dialog move" "$actions"
        if [ -n "$outdir" ]; then
            mkdir -p "$outdir"
            x11_wait_settled 5 >/dev/null
            x11_screenshot "$outdir/metacity-$dialog.png" "$id"
        fi
    fi
    x11_key "$id" Return || fail "$X11_ERROR"
done

step_label="product range"
x11_wait_window "Range of our products" "$timeout" || fail "$X11_ERROR"
range=$X11_WINDOW
[ "$(skips_taskbar "$range")" = yes ] || fail "expected the product range out of task bars and pagers" "$(xprop -id "$range" _NET_WM_STATE)"
covers_screen() { [ "$(x11_frame_geometry "$range")" = "0 0 800 600" ]; }
x11_wait_for "$timeout" "the product range screen's frame to cover the screen, 0,0 800x600" covers_screen ||
    fail "$X11_ERROR" "frame $(x11_frame_geometry "$range")"
x11_wait_active "$range" "$timeout" || fail "$X11_ERROR"
x11_wait_settled 5 >/dev/null
# Finish: 81x25 pixels, ending 30 pixels from the screen's right and bottom edges.
x11_pointer_to 729 557 || fail "$X11_ERROR"
xdotool click 1
deadline=$(( $(x11_now_us) + timeout * 1000000 ))
while kill -0 "$launcher_pid" 2>/dev/null; do
    [ "$(x11_now_us)" -lt "$deadline" ] || fail "expected a click at 729,557 (Finish) to end the program"
    sleep 0.05
done
wait "$launcher_pid"
status=$?
launcher_pid=""
[ "$status" -eq 0 ] || fail "expected exit status 0 after Finish" "status $status"
passed=1
echo "PASS: panels and task bar hints under $wm"
