#!/usr/bin/env bash
# The launcher on a Wayland session: weston's headless backend at 800x600,
# XDG_SESSION_TYPE=wayland, no GDK_BACKEND.
#
#     wayland.sh xwayland LAUNCHER DISPLAY_NUMBER
#     wayland.sh native   DISC_FOLDER OUTDIR
#
# xwayland: weston with XWayland (DISPLAY set). The launcher must run on X11:
#   the welcome screen and the offer are X windows, and the offer asks for
#   its place as the user's (361, 349 at 800x600, North-West gravity). weston's
#   own X window manager places windows itself, so the request is checked,
#   not the frame. (XWayland on the headless backend has no input devices:
#   nothing is pressed here.) Started again with GDK_BACKEND=wayland, the
#   launcher runs on Wayland (no X window); with GDK_BACKEND=broadway, which
#   it does not run on, it ends with the engine's no-display line.
# native: weston alone (no DISPLAY). The disc's launcher runs on Wayland; a
#   screenshot through weston's screenshooter (weston --debug) goes to
#   OUTDIR/wayland-native.png and must show the offer's dark blue. Look at it:
#   the welcome screen fills the space below weston's panel, both windows with
#   the title bars GTK draws (weston draws none), the offer where weston put
#   it, without a close button. Then weston goes away: the launcher ends with
#   the engine's lost-display line and status 1.
#
# weston's XWayland takes the first display number without a lock file in
# /tmp, counting from 0; the test runs in a namespace of its own (bubblewrap:
# private /tmp and network) with lock files below DISPLAY_NUMBER, so that it
# takes no display anyone else uses. Exit 0 passed, 1 failed, 77 skipped.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../e2e/lib-x11.sh"

mode=${1:?usage: $0 xwayland LAUNCHER DISPLAY_NUMBER | native DISC_FOLDER OUTDIR}
if [ -z "${TRENCHMOOR_WAYLAND_INSIDE:-}" ]; then
    case $mode in xwayland) x11_require bwrap weston Xwayland ;; native) x11_require bwrap weston weston-screenshooter ;; esac
    work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-wayland.XXXXXX") || exit 1
    project=$(cd "$here/../.." && pwd -P)
    subject=$(realpath "$2")
    # /tmp is private inside; what the test reads and writes is bound back.
    binds=(--ro-bind "$project" "$project" --ro-bind "$(dirname "$subject")" "$(dirname "$subject")"
           --bind "$work" "$work")
    third=$3
    if [ "$mode" = native ]; then
        mkdir -p "$3" || exit 1
        third=$(cd "$3" && pwd -P)
        binds+=(--bind "$third" "$third")
    fi
    bwrap --ro-bind / / --dev-bind /dev /dev --proc /proc --tmpfs /tmp --unshare-net --die-with-parent \
        "${binds[@]}" --setenv TRENCHMOOR_WAYLAND_INSIDE "$work" \
        bash "$project/tests/desktops/wayland.sh" "$mode" "$subject" "$third"
    status=$?
    if [ "$status" -eq 0 ]; then rm -rf "$work"; else echo "The test's files are kept in $work"; fi
    exit "$status"
fi

# --- inside the namespace --------------------------------------------------------
work=$TRENCHMOOR_WAYLAND_INSIDE
timeout=${E2E_TIMEOUT:-20}
weston_pid=""
launcher_pid=""
cleanup() {
    [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT
fail() {
    echo "FAIL [$mode]: $1"
    [ -n "${2:-}" ] && echo "  seen: $2"
    [ -s "$work/launcher.err" ] && { echo "launcher stderr:"; sed 's/^/  /' "$work/launcher.err"; }
    echo "weston's log: $work/weston.log"
    exit 1
}
wait_for() { # timeout what command...
    local what=$2 deadline=$(( $(x11_now_us) + $1 * 1000000 ))
    shift 2
    until "$@"; do
        [ "$(x11_now_us)" -lt "$deadline" ] || fail "expected $what within ${timeout}s"
        sleep 0.1
    done
}

unset DISPLAY WAYLAND_DISPLAY GDK_BACKEND GDK_SCALE GDK_DPI_SCALE GTK_THEME GTK_MODULES TRENCHMOOR_GTK_MESSAGES \
      SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
export XDG_RUNTIME_DIR=$work/xdg-runtime XDG_CONFIG_HOME=$work/xdg-config XDG_SESSION_TYPE=wayland
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" /tmp/.X11-unix && chmod 700 "$XDG_RUNTIME_DIR"
socket=trenchmoor-$$

weston_args=(--backend=headless-backend.so --use-pixman --width=800 --height=600 --socket="$socket" --idle-time=0)
if [ "$mode" = xwayland ]; then
    wanted=$3
    # Every display below the wanted one looks taken (a lock file of a live process).
    for ((n = 0; n < wanted; n++)); do printf '%10d\n' $$ >"/tmp/.X$n-lock"; done
    weston_args+=(--xwayland)
else
    weston_args+=(--debug)
fi
weston "${weston_args[@]}" >"$work/weston.log" 2>&1 &
weston_pid=$!
wait_for "$timeout" "weston's socket" test -S "$XDG_RUNTIME_DIR/$socket"
export WAYLAND_DISPLAY=$socket

if [ "$mode" = xwayland ]; then
    launcher=$2
    wait_for "$timeout" "weston's XWayland" grep -q 'xserver listening on display' "$work/weston.log"
    DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -n 1)
    export DISPLAY
    echo "weston on $WAYLAND_DISPLAY, XWayland on $DISPLAY"
    "$launcher" >"$work/launcher.out" 2>"$work/launcher.err" &
    launcher_pid=$!

    window_named() { # the mapped X window titled exactly $1
        local id
        for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            [ "$(x11_title "$id")" = "$1" ] && { echo "$id"; return; }
        done
    }
    has_window() { [ -n "$(window_named "$1")" ]; }
    wait_for "$timeout" "the welcome screen as an X window" has_window "Welcome to Trenchmoor Setup"
    wait_for "$timeout" "the offer as an X window" has_window "Acrobat Reader Setup  (recommended)"
    offer=$(window_named "Acrobat Reader Setup  (recommended)")
    hints=$(xprop -id "$offer" WM_NORMAL_HINTS)
    # The client's corner is the frame's (361, 349) plus the frame weston's
    # window manager will draw, which the launcher does not know yet: its
    # guess is 4-pixel borders and a 25-pixel title bar.
    asked=$(xwininfo -id "$offer" 2>/dev/null | sed -n 's/.*Absolute upper-left [XY]: *//p' | tr '\n' ' ')
    grep -q 'user specified location' <<<"$hints" && grep -q 'window gravity: NorthWest' <<<"$hints" ||
        fail "expected the offer's size hints to ask for its place as the user's, with North-West gravity" "$hints"
    echo "offer's hints: $(grep -E 'location|gravity' <<<"$hints" | tr -s '\t\n' '  '); client corner at $asked"

    # The player's choice wins: GDK_BACKEND=wayland runs on Wayland.
    kill "$launcher_pid" 2>/dev/null
    wait "$launcher_pid" 2>/dev/null
    GDK_BACKEND=wayland "$launcher" >"$work/launcher.out" 2>"$work/launcher.err" &
    launcher_pid=$!
    sleep 3
    kill -0 "$launcher_pid" 2>/dev/null || fail "expected the launcher to run with GDK_BACKEND=wayland" "it ended"
    has_window "Welcome to Trenchmoor Setup" && fail "expected no X window with GDK_BACKEND=wayland"
    kill "$launcher_pid" 2>/dev/null
    wait "$launcher_pid" 2>/dev/null
    launcher_pid=""
    GDK_BACKEND=broadway "$launcher" >"$work/launcher.out" 2>"$work/launcher.err"
    status=$?
    line=$(tail -n 1 "$work/launcher.err")
    [ "$status" -eq 1 ] && [[ $line == "Trenchmoor Setup: Run-time error '1001': Cannot open the display"* ]] ||
        fail "expected GDK_BACKEND=broadway to end with the no-display line" "status $status, stderr: $line"
    echo "PASS: X11 on a Wayland session with XWayland; Wayland where the player asks for it"
else
    disc=$2
    outdir=$3
    "$disc/trenchmoor-setup" >"$work/launcher.out" 2>"$work/launcher.err" &
    launcher_pid=$!
    # Up natively once weston shows it: no X server to fall back on.
    shot=$outdir/wayland-native.png
    rm -f "$shot"
    # The offer is up when its dark blue (0,0,64) covers most of its 371x172 pixels.
    painted() {
        rm -f "$work"/wayland-screenshot*.png
        (cd "$work" && weston-screenshooter >/dev/null 2>&1)
        local file count
        file=$(ls "$work"/wayland-screenshot*.png 2>/dev/null | head -n 1)
        [ -n "$file" ] || return 1
        count=$(convert "$file" -fill white +opaque 'rgb(0,0,64)' -fill black -opaque 'rgb(0,0,64)' -negate \
            -format '%[fx:round(mean*w*h)]' info: 2>/dev/null)
        mv "$file" "$shot"
        [ "${count:-0}" -ge 40000 ]
    }
    wait_for "$timeout" "a screenshot showing the offer's dark blue" painted
    # The compositor goes away under the waiting offer: the engine's one line, status 1.
    kill "$weston_pid" 2>/dev/null
    wait "$weston_pid" 2>/dev/null
    weston_pid=""
    ended() { ! kill -0 "$launcher_pid" 2>/dev/null; }
    wait_for "$timeout" "the launcher to end once weston has gone" ended
    wait "$launcher_pid"
    status=$?
    launcher_pid=""
    line=$(tail -n 1 "$work/launcher.err")
    [ "$status" -eq 1 ] && [[ $line == "Trenchmoor Setup: Run-time error '1001': The display was lost"* ]] ||
        fail "expected the lost display's line and status 1" "status $status, stderr: $line"
    echo "PASS: natively on Wayland from the disc, and its end when the compositor goes; screenshot: $shot"
fi
