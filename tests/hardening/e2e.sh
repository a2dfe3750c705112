#!/usr/bin/env bash
# The real launcher where things go wrong around it:
#
#     e2e.sh CASE LAUNCHER
#
# Cases:
#   no-display               no DISPLAY, no WAYLAND_DISPLAY, no platform chosen
#   refused-nothing-there    DISPLAY names a display nobody serves
#   refused-socket           DISPLAY is the path of a socket that refuses connections
#   refused-authorization    an X server that refuses the launcher (no cookie)
#   lost-at-offer, lost-at-confirmation, lost-at-game-question, lost-at-range
#                            the X server dies while that screen waits for the player
#   held-enter               Enter held down on every screen: one step each
#   double-enter             Enter pressed twice quickly on every screen
#   scale-1.5-keys           QT_SCALE_FACTOR=1.5: keys through the dialogs, a click on Finish
#   second-launcher          a second launcher started while the first one waits
#
# Each case lays out a disc folder in a temporary folder: a copy of LAUNCHER and
# two installers (scripts that write their name to a log and end). Exit status
# 0: passed; 1: failed (the temporary folder is kept); 77: a program is missing.
# Only processes this script started are ever stopped.
set -uo pipefail

case_name=${1:?case}
launcher=${2:?launcher}

for program in Xvfb openbox xdotool xauth mcookie python3; do
    command -v "$program" >/dev/null 2>&1 || { echo "skipped: $program is missing"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-hardening.XXXXXX")
started_pids=()
failed=0
ulimit -c 0

finish() {
    local pid
    for pid in "${started_pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${started_pids[@]}"; do
        wait "$pid" 2>/dev/null
    done
    if [ "$failed" -eq 0 ]; then
        rm -rf "$work"
    else
        echo "kept: $work"
    fi
}
trap finish EXIT

fail() {
    echo "FAIL ($case_name): $*"
    failed=1
    exit 1
}

# A neutral environment for Qt: X11 only, no scaling, a private runtime folder.
mkdir -p "$work/runtime" "$work/config"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"
unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI \
      QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE TRENCHMOOR_QT_MESSAGES SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
export QT_QPA_PLATFORM=xcb
# In a sanitized build LeakSanitizer's check at exit can crash while Qt's X11
# threads wind down; the real program's leaks are valgrind's part (memcheck.sh).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# The disc: the launcher and two installers that log their start.
disc="$work/disc"
log="$work/started.log"
mkdir -p "$disc/Acrobat"
cp "$launcher" "$disc/trenchmoor-setup" || fail "cannot copy $launcher"
for installer in Acrobat/Setup.exe:reader Tallset.exe:game; do
    printf '#!/bin/sh\necho %s >> "%s"\n' "${installer#*:}" "$log" >"$disc/${installer%%:*}"
    chmod 755 "$disc/${installer%%:*}"
done
: >"$log"

offer_title='^Acrobat Reader Setup  \(recommended\)$' # the offer, the confirmation, the manual note
game_title='^Trenchmoor Setup $'                      # the game question, the sound note
range_title='^Range of our products$'

now_ms() { echo $(( ${EPOCHREALTIME/[.,]/} / 1000 )); }

# start_x WIDTHxHEIGHT [AUTHFILE]: a private Xvfb; exports DISPLAY. With
# TRENCHMOOR_X_DISPLAYS=FIRST-LAST it takes a free display in that range, else
# one Xvfb picks itself.
start_x() {
    local size=$1 auth=${2:-} args=() number
    [ -n "$auth" ] && args=(-auth "$auth")
    for number in $(x_display_candidates); do
        local display=()
        [ "$number" != any ] && display=(":$number")
        : >"$work/display"
        Xvfb "${display[@]}" -displayfd 3 "${args[@]}" -screen 0 "${size}x24" -dpi 96 -nolisten tcp 3>"$work/display" \
            >>"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        local deadline=$(( $(now_ms) + 15000 ))
        while [ -z "$(head -n 1 "$work/display")" ] && kill -0 "$xvfb_pid" 2>/dev/null; do
            [ "$(now_ms)" -lt "$deadline" ] || fail "Xvfb did not start"
            sleep 0.05
        done
        if [ -n "$(head -n 1 "$work/display")" ]; then
            started_pids+=("$xvfb_pid")
            export DISPLAY=":$(head -n 1 "$work/display")"
            return
        fi
        wait "$xvfb_pid" 2>/dev/null
    done
    fail "Xvfb did not start"
}

# The display numbers to try: TRENCHMOOR_X_DISPLAYS's free ones, or "any" (Xvfb picks).
x_display_candidates() {
    local n
    if [ -z "${TRENCHMOOR_X_DISPLAYS:-}" ]; then
        echo any
        return
    fi
    for n in $(seq "${TRENCHMOOR_X_DISPLAYS%-*}" "${TRENCHMOOR_X_DISPLAYS#*-}"); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || echo "$n"
    done
}

start_wm() {
    openbox --sm-disable >>"$work/openbox.log" 2>&1 &
    started_pids+=("$!")
    sleep 0.5
}

# start_launcher NAME [ENV...]: runs the disc's launcher; its pid in $launcher_pid.
start_launcher() {
    local name=$1; shift
    (cd "$disc" && exec env "$@" ./trenchmoor-setup) >"$work/$name.out" 2>"$work/$name.err" &
    launcher_pid=$!
    started_pids+=("$launcher_pid")
}

# wait_window PID TITLE-REGEX [SECONDS]: the id of the window of PID that has
# the keyboard focus, with that title, once it is one not handed out before.
declare -A seen=()
wait_window() {
    local pid=$1 title=$2 deadline=$(( $(now_ms) + ${3:-20} * 1000 )) id
    while [ "$(now_ms)" -lt "$deadline" ]; do
        id=$(xdotool getwindowfocus 2>/dev/null)
        if [ -n "$id" ] && [ -z "${seen[$id]:-}" ] && [ "$(xdotool getwindowpid "$id" 2>/dev/null)" = "$pid" ] &&
           xdotool getwindowname "$id" 2>/dev/null | grep -Eq "$title"; then
            seen[$id]=1
            sleep 0.2
            echo "$id"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

# has_window PID TITLE-REGEX: PID shows a window with that title.
has_window() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xdotool getwindowname "$id" 2>/dev/null | grep -Eq "$2" && return 0
    done
    return 1
}

# ends_within PID SECONDS: waits for PID; its exit status in $status, or fails.
ends_within() {
    local pid=$1 deadline=$(( $(now_ms) + $2 * 1000 ))
    while kill -0 "$pid" 2>/dev/null; do
        if [ "$(now_ms)" -ge "$deadline" ]; then
            ps -o pid,stat,pcpu,etime,cmd -p "$pid"
            fail "still running $2 seconds later"
        fi
        sleep 0.1
    done
    wait "$pid"
    status=$?
}

expect_log() {
    local want=$1 got
    got=$(tr '\n' ' ' <"$log" | sed 's/ $//')
    [ "$got" = "$want" ] || fail "installers started: '$got', expected '$want'"
}

# The launcher could not use the display: exit status 1, no crash, and its one
# clear line about the display last on stderr.
expect_display_failure() {
    local name=$1 lines
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1 (stderr: $(cat "$work/$name.err"))"
    lines=$(grep -c '^Trenchmoor Setup: ' "$work/$name.err")
    [ "$lines" -eq 1 ] || fail "$lines lines of the launcher on stderr: $(cat "$work/$name.err")"
    tail -n 1 "$work/$name.err" | grep -q "^Trenchmoor Setup: Run-time error '1001': " ||
        fail "no clear message about the display: $(cat "$work/$name.err")"
    echo "stderr: $(cat "$work/$name.err")"
}

# A free display number: no socket, no lock.
free_display() {
    local n range=${TRENCHMOOR_X_DISPLAYS:-99-199}
    for n in $(seq "${range%-*}" "${range#*-}"); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { echo "$n"; return; }
    done
}

case "$case_name" in
no-display)
    start_launcher launcher -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=
    ends_within "$launcher_pid" 10
    expect_display_failure launcher
    [ "$(wc -l <"$work/launcher.err")" -eq 1 ] || fail "more than one line on stderr: $(cat "$work/launcher.err")"
    ;;
refused-nothing-there)
    start_launcher launcher DISPLAY=":$(free_display)"
    ends_within "$launcher_pid" 10
    expect_display_failure launcher
    ;;
refused-socket)
    python3 -c 'import socket, sys; s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.close()' "$work/x.sock"
    [ -S "$work/x.sock" ] || fail "no socket"
    start_launcher launcher DISPLAY="$work/x.sock"
    ends_within "$launcher_pid" 10
    expect_display_failure launcher
    ;;
refused-authorization)
    xauth -q -f "$work/xauth" add ":0" . "$(mcookie)" 2>/dev/null
    start_x 800x600 "$work/xauth"
    start_launcher launcher XAUTHORITY=/dev/null
    ends_within "$launcher_pid" 10
    expect_display_failure launcher
    ;;
lost-at-*)
    start_x 800x600
    start_wm
    start_launcher launcher
    wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no offer"
    case "$case_name" in
    lost-at-confirmation)
        xdotool key Escape
        wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no confirmation" ;;
    lost-at-game-question)
        xdotool key Escape; wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no confirmation"
        xdotool key alt+y; wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no manual note"
        xdotool key Return; wait_window "$launcher_pid" "$game_title" >/dev/null || fail "no game question" ;;
    lost-at-range)
        xdotool key Escape; wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no confirmation"
        xdotool key alt+y; wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no manual note"
        xdotool key Return; wait_window "$launcher_pid" "$game_title" >/dev/null || fail "no game question"
        xdotool key Escape; wait_window "$launcher_pid" "$game_title" >/dev/null || fail "no sound note"
        xdotool key Return; wait_window "$launcher_pid" "$range_title" >/dev/null || fail "no product range" ;;
    esac
    kill -KILL "$xvfb_pid"
    ends_within "$launcher_pid" 5
    expect_display_failure launcher
    expect_log ""
    ;;
held-enter)
    start_x 800x600
    start_wm
    start_launcher launcher
    wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no offer"
    # Each hold is long enough for the keyboard to repeat many times; only
    # the first press counts, so each hold moves the setup on by one screen.
    hold() { xdotool keydown Return; sleep 1.5; xdotool keyup Return; sleep 0.3; }
    hold
    wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no manual note after the offer"
    ! has_window "$launcher_pid" "$game_title" || fail "ran on to the game question"
    expect_log "reader"
    hold
    wait_window "$launcher_pid" "$game_title" >/dev/null || fail "no game question after the manual note"
    expect_log "reader"
    hold
    wait_window "$launcher_pid" "$game_title" >/dev/null || fail "no sound note after the game question"
    ! has_window "$launcher_pid" "$range_title" || fail "ran on to the product range"
    expect_log "reader game"
    hold
    wait_window "$launcher_pid" "$range_title" >/dev/null || fail "no product range after the sound note"
    hold
    ends_within "$launcher_pid" 5
    [ "$status" -eq 0 ] || fail "exit status $status"
    expect_log "reader game"
    [ ! -s "$work/launcher.err" ] || fail "stderr: $(cat "$work/launcher.err")"
    ;;
double-enter)
    start_x 800x600
    start_wm
    start_launcher launcher
    wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no offer"
    # Five screens to go; spare rounds for a loaded machine, where a pair of
    # presses can land while the next dialog is still on its way.
    for _ in $(seq 20); do
        kill -0 "$launcher_pid" 2>/dev/null || break
        xdotool key --delay 0 Return Return
        sleep 0.8
    done
    ends_within "$launcher_pid" 5
    [ "$status" -eq 0 ] || fail "exit status $status"
    expect_log "reader game"
    [ ! -s "$work/launcher.err" ] || fail "stderr: $(cat "$work/launcher.err")"
    ;;
scale-1.5-keys)
    start_x 1920x1080
    start_wm
    start_launcher launcher QT_SCALE_FACTOR=1.5
    offer=$(wait_window "$launcher_pid" "$offer_title") || fail "no offer"
    seen[$offer]=1
    # The offer's client area is 371 x 172 logical pixels; on screen, half as much again.
    eval "$(xdotool getwindowgeometry --shell "$offer")"
    [ $(( WIDTH - 556 )) -ge -1 ] && [ $(( WIDTH - 556 )) -le 2 ] && [ $(( HEIGHT - 258 )) -ge -1 ] &&
        [ $(( HEIGHT - 258 )) -le 2 ] || fail "offer is ${WIDTH}x${HEIGHT} device pixels, expected about 557x258"
    xdotool key Return; wait_window "$launcher_pid" "$offer_title" >/dev/null || fail "no manual note"
    xdotool key Return; wait_window "$launcher_pid" "$game_title" >/dev/null || fail "no game question"
    xdotool key Return; wait_window "$launcher_pid" "$game_title" >/dev/null || fail "no sound note"
    xdotool key Return; wait_window "$launcher_pid" "$range_title" >/dev/null || fail "no product range"
    # Finish: 81 x 25 logical pixels ending 30 inside the corner of a 1280 x 720
    # logical screen; its middle is at 1209.5, 677.5, times 1.5 on the device.
    xdotool mousemove 1814 1016 click 1
    ends_within "$launcher_pid" 5
    [ "$status" -eq 0 ] || fail "exit status $status"
    expect_log "reader game"
    ;;
second-launcher)
    start_x 800x600
    start_wm
    start_launcher first
    first=$launcher_pid
    wait_window "$first" "$offer_title" >/dev/null || fail "no offer from the first launcher"
    start_launcher second
    second=$launcher_pid
    wait_window "$second" "$offer_title" >/dev/null || fail "no offer from the second launcher"
    # Both run, each with its own offer; the first goes on where it stood.
    kill -0 "$first" 2>/dev/null || fail "the first launcher ended"
    has_window "$first" "$offer_title" || fail "the first offer went away"
    # The second is played to the end, declining everything...
    xdotool key Escape; wait_window "$second" "$offer_title" >/dev/null || fail "no confirmation (second)"
    xdotool key alt+y; wait_window "$second" "$offer_title" >/dev/null || fail "no manual note (second)"
    xdotool key Return; wait_window "$second" "$game_title" >/dev/null || fail "no game question (second)"
    xdotool key Escape; wait_window "$second" "$game_title" >/dev/null || fail "no sound note (second)"
    xdotool key Return; wait_window "$second" "$range_title" >/dev/null || fail "no product range (second)"
    xdotool key Return
    ends_within "$second" 5
    [ "$status" -eq 0 ] || fail "second launcher: exit status $status"
    expect_log ""
    # ...then the first, accepting everything.
    for id in $(xdotool search --onlyvisible --pid "$first" 2>/dev/null); do
        xdotool getwindowname "$id" 2>/dev/null | grep -Eq "$offer_title" && xdotool windowactivate --sync "$id" 2>/dev/null
    done
    unset "seen[$(xdotool getwindowfocus)]"
    wait_window "$first" "$offer_title" >/dev/null || fail "the first offer does not take the keys again"
    xdotool key Return; wait_window "$first" "$offer_title" >/dev/null || fail "no manual note (first)"
    xdotool key Return; wait_window "$first" "$game_title" >/dev/null || fail "no game question (first)"
    xdotool key Return; wait_window "$first" "$game_title" >/dev/null || fail "no sound note (first)"
    xdotool key Return; wait_window "$first" "$range_title" >/dev/null || fail "no product range (first)"
    xdotool key Return
    ends_within "$first" 5
    [ "$status" -eq 0 ] || fail "first launcher: exit status $status"
    expect_log "reader game"
    [ ! -s "$work/first.err" ] && [ ! -s "$work/second.err" ] || fail "stderr: $(cat "$work/first.err" "$work/second.err")"
    ;;
*)
    echo "no such case: $case_name" >&2
    exit 2
    ;;
esac
echo "passed: $case_name"
