#!/usr/bin/env bash
# The end-to-end driver: plays one gtk case of cases.txt (read by cases.sh)
# with the real launcher.
#
#     run-case.sh CASE LAUNCHER [DISPLAY_NUMBER]
#
# Starts its own Xvfb (on DISPLAY_NUMBER, or the next free display when that
# one is taken) under the case's window manager, lays out a disc folder in a
# temporary folder (the launcher and stand-in installers that record their
# start), runs the launcher from it, plays the case's steps with xdotool and
# checks what happens. Exit status 0: passed; 1: failed (the temporary folder
# is kept, with a screenshot); 77: skipped, a program it needs is missing.
#
# Environment: E2E_TIMEOUT (seconds to wait for each window, default 20),
# E2E_KEEP=1 keeps the temporary folder after a pass too, E2E_WRAPPER a
# command the launcher is started through (words without blanks; the
# launcher's path is its last argument), such as tests/releases/in-chroot.sh
# with a chroot of another release; its windows then belong to its child.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib-x11.sh
. "$here/lib-x11.sh"
# shellcheck source=tests/e2e/cases.sh
. "$here/cases.sh"

if [ $# -lt 2 ]; then
    echo "usage: $0 CASE LAUNCHER [DISPLAY_NUMBER]" >&2
    exit 2
fi
launcher=$2
display_number=${3:-${TRENCHMOOR_DISPLAY:-140}}
timeout=${E2E_TIMEOUT:-20}
declare -a launcher_pid=()
case_read "$1" gtk

if [ "$screen" != none ]; then
    x11_require python3
elif [[ $envs == *@socket* ]] && ! command -v python3 >/dev/null 2>&1; then
    echo "SKIP: missing programs: python3"
    exit 77
fi
if [ ! -x "$launcher" ]; then
    echo "FAIL: no launcher at $launcher"
    exit 1
fi
ulimit -c 0

# --- the temporary folder, and cleaning up -----------------------------------
driver_stop() {
    local pid
    for pid in "${launcher_pid[@]}"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null && sleep 0.2 && kill -9 "$pid" 2>/dev/null
    done
    # The stand-in installers record their process ids; they run detached.
    # Only a process still working in this disc folder is one of them.
    if [ -f "$starts_log" ]; then
        while IFS='|' read -r _ _ pid _; do
            [ -n "$pid" ] && [ "$(readlink "/proc/$pid/cwd" 2>/dev/null)" = "$disc_real" ] && kill "$pid" 2>/dev/null
        done <"$starts_log"
    fi
    x11_stop
}
driver_report() {
    local n pid
    if [ -n "$X11_XVFB_PID" ]; then
        echo "windows on the screen (topmost first):"
        x11_describe
        x11_screenshot "$work/failure.png" && echo "screenshot: $work/failure.png"
    fi
    for n in "${!launcher_pid[@]}"; do
        pid=${launcher_pid[$n]}
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            echo "launcher $n is still running (state $(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null), waiting in $(cat "/proc/$pid/wchan" 2>/dev/null))"
            command -v gdb >/dev/null 2>&1 &&
                timeout 30 gdb -p "$pid" -batch -nx -ex 'thread apply all bt 25' >"$work/launcher$n-backtrace.txt" 2>&1 &&
                echo "its threads' stacks: $work/launcher$n-backtrace.txt"
        fi
        [ -s "$work/launcher$n.err" ] && { echo "launcher $n stderr:"; sed 's/^/  /' "$work/launcher$n.err"; }
    done
    [ -s "$starts_log" ] && { echo "installers started (name|folder|pid|open standard descriptors):"; sed 's/^/  /' "$starts_log"; }
}
work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-e2e.$name.XXXXXX") || exit 1
disc="$work/$folder"
starts_log="$work/starts.log"
disc_real=""
declare -A offer_id=()
case_begin "$work" "${E2E_KEEP:-}"

# Starts launcher N from another folder (it must find the installers beside
# itself), its process id in launcher_pid[N].
start_process() {
    if [ "$closed_fds" = 1 ]; then
        (cd "$work" && exec env "${launch_unset[@]}" "${launch_env[@]}" ${E2E_WRAPPER:-} "$disc/trenchmoor-setup" <&- >&- 2>&-) &
    else
        (cd "$work" && exec env "${launch_unset[@]}" "${launch_env[@]}" ${E2E_WRAPPER:-} "$disc/trenchmoor-setup" >"$work/launcher$1.out" 2>"$work/launcher$1.err") &
    fi
    launcher_pid[$1]=$!
}
owned_by() { # N ID
    local pid
    pid=$(x11_pid "$2")
    [ "$pid" = "${launcher_pid[$1]}" ] && return 0
    [ -n "${E2E_WRAPPER:-}" ] && [ -n "$pid" ] && [ "$(awk '/^PPid:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)" = "${launcher_pid[$1]}" ]
}

# --- the disc: the launcher, with the labels' font files where the build has them beside it
mkdir -p "$disc" || fail "cannot make the disc folder $disc"
cp "$launcher" "$disc/trenchmoor-setup" || fail "cannot copy $launcher"
# (build/fonts beside the build's launcher, linux/fonts beside the disc's).
for fonts in "$(dirname "$launcher")/fonts" "$(dirname "$launcher")/linux/fonts"; do
    [ -d "$fonts" ] || continue
    { mkdir -p "$disc/linux" && cp -r "$fonts" "$disc/linux/fonts"; } || fail "cannot copy $fonts"
    break
done
: >"$starts_log"
lay_out_installer() { # PATH KIND
    e2e_standin "$disc" "$1" "$starts_log" || fail "cannot write $disc/$1"
    case $2 in
    standin) ;;
    noexec) chmod 644 "$disc/$1" ;;
    text) printf 'This file is no program.\n' >"$disc/$1" ;;
    *) fail "case table: unknown installer kind '$2' in '$1:$2'" ;;
    esac
}
case_each_installer lay_out_installer
disc_real=$(cd "$disc" && pwd -P)

# --- the screen and the launcher's environment --------------------------------
if [ "$screen" = none ]; then
    x11_neutral_env "$work/x"
    launch_unset=(-u DISPLAY)
else
    x11_start "$screen" "$work/x" "$display_number" "$wm" || fail "$X11_ERROR"
    launch_unset=()
fi
launch_env=()
closed_fds=0
echo "case $name: $port launcher, screen $screen on ${DISPLAY:-no display}, disc folder '$disc'"
scale=100 # device pixels to a logical one, in hundredths
for item in $envs; do
    case $item in
    -) ;;
    -*) launch_unset+=(-u "${item#-}") ;;
    *=@unserved)
        n=$display_number
        while x11_display_taken "$n"; do n=$((n + 1)); done
        launch_env+=("${item%%=*}=:$n") ;;
    *=@socket)
        python3 -c 'import socket, sys; s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.close()' "$work/x.sock" ||
            fail "cannot make a socket"
        launch_env+=("${item%%=*}=$work/x.sock") ;;
    @closed-fds) closed_fds=1 ;; # standard input, output and error closed
    @bad-fonts-conf) # the player's fonts.conf has an element fontconfig does not know
        mkdir -p "$XDG_CONFIG_HOME/fontconfig"
        printf '%s\n' '<?xml version="1.0"?>' '<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">' \
            '<fontconfig>' '  <unknown-element/>' '</fontconfig>' >"$XDG_CONFIG_HOME/fontconfig/fonts.conf" ;;
    @fifo-in-folder) # a FIFO where fontconfig looks for a font by a relative name
        mkdir -p "$work/:" && mkfifo "$work/:/non-existent" || fail "cannot make the FIFO" ;;
    GDK_SCALE=*) scale=$(awk -v f="${item#*=}" 'BEGIN { printf "%d", f * 100 + 0.5 }'); launch_env+=("$item") ;;
    @xft-dpi=*) # the resolution X11 clients are told (Xft.dpi); a pixel is 1440/DPI twips
        xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	${item#*=}" ||
            fail "cannot set Xft.dpi on the display"
        scale=$(( ${item#*=} * 100 / 96 )) ;;
    *=*) launch_env+=("$item") ;;
    *) fail "case table: '$item' in the environment is neither NAME=VALUE nor -NAME" ;;
    esac
done
px() { echo $(($1 * scale / 100)); } # logical pixels to the screen's

# --- the dialogs ----------------------------------------------------------------
# Button centres in logical pixels inside the window, from the form definitions (twips / 15).
button_at() { # dialog button
    case $1:$2 in
    offer:yes) echo "300 148" ;;
    offer:no) echo "212 148" ;;
    confirm:no | manual:no) echo "96 108" ;;
    confirm:yes | manual:yes) echo "192 108" ;;
    confirm:ok | manual:ok) echo "136 108" ;;
    failnote:yes | game:yes | sound:yes) echo "200 100" ;;
    failnote:no | game:no | sound:no) echo "80 100" ;;
    failnote:ok | game:ok | sound:ok) echo "144 100" ;;
    range:finish) echo "$((screen_w * 100 / scale - 30 - 41)) $((screen_h * 100 / scale - 30 - 13))" ;;
    *) return 1 ;;
    esac
}
# Where the "No" button of the Yes/No layout lies, away from the OK button's
# caption: a Yes/No dialog shows a button face there, an OK-only one its dark
# blue background. "x y w h" inside the window.
no_region_of() {
    case $1 in
    confirm | manual) echo "60 99 32 19" ;;
    failnote | game | sound) echo "45 91 55 19" ;;
    esac
}
layout_of() {
    case $1 in
    confirm | game) echo yesno ;;
    manual | failnote | sound) echo ok ;;
    esac
}

# Checks the layout of a message dialog (Yes/No or OK alone) from its pixels,
# once it has been painted: the corner shows the dark blue form colour.
check_layout() { # dialog id
    local dialog=$1 id=$2 want r g b deadline
    want=$(layout_of "$dialog")
    [ -n "$want" ] || return 0
    deadline=$(( $(x11_now_us) + timeout * 1000000 ))
    while :; do
        read -r r g b < <(x11_region_rgb "$id" "$(px 3)" "$(px 3)" "$(px 8)" "$(px 8)")
        if [ -n "${b:-}" ] && [ "$r" -lt 40 ] && [ "$g" -lt 40 ] && [ "$b" -ge 40 ] && [ "$b" -le 100 ]; then
            break
        fi
        x11_has "$id" || fail "expected the $dialog dialog to stay until it is answered" "it closed by itself"
        [ "$(x11_now_us)" -ge "$deadline" ] &&
            fail "expected the dialog to be painted dark blue (0,0,64) in its corner" "mean colour ${r:-?},${g:-?},${b:-?}"
        sleep 0.1
    done
    local region=() seen v
    for v in $(no_region_of "$dialog"); do region+=("$(px "$v")"); done
    read -r r g b < <(x11_region_rgb "$id" "${region[@]}")
    if [ $(((r + g + b) / 3)) -gt 100 ]; then seen=yesno; else seen=ok; fi
    if [ "$seen" != "$want" ]; then
        local words="Yes and No buttons"
        [ "$want" = ok ] && words="an OK button alone"
        fail "expected the dialog to show $words" "at the No button's place (${region[*]}) the mean colour is $r,$g,$b"
    fi
}

# Checks made once, when a window of launcher N first appears.
check_first_sight() { # dialog id N
    local dialog=$1 id=$2 x y w h l r t b
    read -r x y w h < <(x11_frame_geometry "$id")
    case $dialog in
    welcome)
        read -r l r t b < <(x11_frame_extents "$id")
        local state
        state=$(xprop -id "$id" _NET_WM_STATE 2>/dev/null)
        [[ $state == *_NET_WM_STATE_MAXIMIZED_HORZ* && $state == *_NET_WM_STATE_MAXIMIZED_VERT* ]] ||
            fail "expected the welcome screen to be maximised" "$state"
        [ "$t" -gt 0 ] || fail "expected the welcome screen to have a title bar" "frame extents (left right top bottom) $l $r $t $b"
        [ "$x" -eq 0 ] && [ "$y" -eq 0 ] && [ "$w" -eq "$screen_w" ] ||
            fail "expected the welcome screen's frame to span the screen from 0,0, ${screen_w} wide" "frame at $x,$y ${w}x$h"
        ;;
    range)
        read -r l r t b < <(x11_frame_extents "$id")
        [ "$l $r $t $b" = "0 0 0 0" ] || fail "expected the product range screen without a frame" "frame extents $l $r $t $b"
        ;;&
    *) case_check_place "$dialog" "$3" 1 "$x" "$y" "$w" "$h" "frame extents $(x11_frame_extents "$id")" ;;
    esac
    check_layout "$dialog" "$id"
}

# Nothing may change for a moment: the same windows, the same focus, no new start.
check_still() { # id
    local id=$1 before_windows before_active before_starts after_windows after_active
    before_windows=$(x11_clients | sort | tr '\n' ' ')
    before_active=$(x11_active)
    before_starts=$(wc -l <"$starts_log")
    sleep 0.6
    after_windows=$(x11_clients | sort | tr '\n' ' ')
    after_active=$(x11_active)
    x11_has "$id" || fail "expected window $id to stay open" "it closed"
    [ "$before_windows" = "$after_windows" ] || fail "expected the same windows to stay" "windows before: $before_windows; after: $after_windows"
    [ "$before_active" = "$after_active" ] || fail "expected the focus to stay on $before_active" "it is on $after_active"
    [ "$before_starts" = "$(wc -l <"$starts_log")" ] || fail "expected no installer to start" "$(tail -n 1 "$starts_log")"
}

drag_window() { # id dx dy
    local id=$1 dx=$2 dy=$3 x y w h l r t b nx ny
    read -r x y w h < <(x11_frame_geometry "$id")
    read -r l r t b < <(x11_frame_extents "$id")
    local gx=$((x + w / 2)) gy=$((y + t / 2))
    x11_pointer_to "$gx" "$gy" || fail "$X11_ERROR"
    xdotool mousedown 1
    sleep 0.1
    x11_pointer_to $((gx + dx / 2)) $((gy + dy / 2)) || fail "$X11_ERROR"
    sleep 0.1
    x11_pointer_to $((gx + dx)) $((gy + dy)) || fail "$X11_ERROR"
    sleep 0.1
    xdotool mouseup 1
    sleep 0.3
    read -r nx ny _ < <(x11_frame_geometry "$id")
    near "$nx" $((x + dx)) 2 && near "$ny" $((y + dy)) 2 ||
        fail "expected the drag to move the window to $((x + dx)),$((y + dy))" "it is at $nx,$ny"
}

# Starts launcher N; with a player, waits for its welcome screen.
start_launcher() { # N
    start_process "$1"
    [ "$player" = - ] && return 0
    step_label="welcome screen of launcher $1"
    x11_wait_window "$TITLE_WELCOME" "$timeout" owned_by "$1" || fail "$X11_ERROR"
    check_first_sight welcome "$X11_WINDOW" "$1"
}

# --- playing -------------------------------------------------------------------
play_step() {
    local dialog=$step_dialog n=$step_launcher id focused action
    [ -n "${launcher_pid[$n]:-}" ] || start_launcher "$n"

    if [ "$dialog" = offer ] && [ -n "${offer_id[$n]:-}" ]; then
        id=${offer_id[$n]} # the offer again, after "No" on the confirmation
        # (Bounded: the window manager's list may lag while another launcher's windows go.)
        for _ in $(seq 20); do x11_has "$id" && break; sleep 0.1; done
        x11_has "$id" || fail "expected the offer to be back on the screen" "it is gone"
    else
        x11_wait_window "$step_title" "$timeout" owned_by "$n" || fail "$X11_ERROR"
        id=$X11_WINDOW
        check_first_sight "$dialog" "$id" "$n"
        [ "$dialog" = offer ] && offer_id[$n]=$id
    fi

    focused=0
    for action in "${step_actions[@]}"; do
        if [ "$action" = activate ]; then
            x11_activate "$id" "$timeout" || fail "$X11_ERROR"
            focused=1
            continue
        fi
        # Every other action is the player's, on the dialog with the focus.
        [ "$focused" = 1 ] || x11_wait_active "$id" "$timeout" || fail "$X11_ERROR"
        focused=1
        case $action in
        click:*)
            button=${action#click:}
            read -r bx by < <(button_at "$dialog" "$button") || fail "case table: no button '$button' on $dialog"
            x11_click "$id" "$(px "$bx")" "$(px "$by")" || fail "$X11_ERROR"
            ;;
        close)
            x11_close_request "$id" || fail "$X11_ERROR"
            check_still "$id"
            ;;
        still) check_still "$id" ;;
        minimize)
            # The window manager minimises it: the dialog must come back by itself.
            # (Bounded waits: under load the window manager gives the focus back
            # some time after the window is on screen again.)
            xdotool windowminimize "$id" 2>/dev/null
            sleep 0.5
            for _ in $(seq $((timeout * 10))); do
                xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" && break
                sleep 0.1
            done
            xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" || fail "expected window $id back on screen" "it stays minimised"
            x11_wait_active "$id" "$timeout" || fail "expected the focus back on $id" "it is on $(x11_active)"
            check_still "$id"
            ;;
        hold:*) x11_hold_key "${action#hold:}" ;;
        double:*) xdotool key --delay 0 "${action#double:}" "${action#double:}" 2>/dev/null ;;
        drag:*)
            IFS=, read -r dx dy <<<"${action#drag:}"
            drag_window "$id" "$dx" "$dy"
            x11_wait_active "$id" "$timeout" || fail "$X11_ERROR"
            ;;
        lost)
            kill -KILL "$X11_XVFB_PID"
            wait "$X11_XVFB_PID" 2>/dev/null
            X11_XVFB_PID=""
            rm -f "/tmp/.X11-unix/X${DISPLAY#:}" "/tmp/.X${DISPLAY#:}-lock" # what a killed server leaves
            ;;
        *) x11_key "$id" "$action" || fail "$X11_ERROR" ;;
        esac
    done
}
start_launcher 1
case_each_step play_step

# --- the end ---------------------------------------------------------------------
for n in "${!launcher_pid[@]}"; do
    step_label="the end of launcher $n"
    pid=${launcher_pid[$n]}
    deadline=$(( $(x11_now_us) + timeout * 1000000 ))
    while kill -0 "$pid" 2>/dev/null; do
        [ "$(x11_now_us)" -ge "$deadline" ] && fail "expected the launcher to end after the last step" "it is still running after ${timeout}s"
        sleep 0.05
    done
    wait "$pid"
    status=$?
    launcher_pid[$n]=""
    case_check_end "$n" "$status" "$work/launcher$n.err"
done

# An installer gets the environment the launcher was started with, less
# DESKTOP_STARTUP_ID (GDK takes it at its start), with PWD naming the disc
# folder; what shells change besides (OLDPWD, SHLVL, _) aside.
check_environment() { # NAME FILE (env -0)
    local shells='^(PWD|OLDPWD|SHLVL|_)=' want seen
    want=$(cd "$work" && env "${launch_unset[@]}" "${launch_env[@]}" env -u DESKTOP_STARTUP_ID -0 |
        grep -zEv "$shells" | sort -z | tr '\0' '\n')
    seen=$(grep -zEv "$shells" "$2" | sort -z | tr '\0' '\n')
    [ "$seen" = "$want" ] || fail "expected $1 to get the launcher's environment, less DESKTOP_STARTUP_ID" \
        "$(diff <(printf '%s\n' "$want") <(printf '%s\n' "$seen") | sed -n 's/^< /missing /p; s/^> /extra /p' | head -n 20 | sed '2,$s/^/        /')"
    grep -qzxF "PWD=$disc_real" "$2" || fail "expected $1 to get PWD=$disc_real" "$(grep -za '^PWD=' "$2" | tr '\0' ' ')"
}

# The installers were started before the dialogs that follow them; give the
# detached scripts a moment to write their line.
deadline=$(( $(x11_now_us) + 5000000 ))
while [ "$(wc -l <"$starts_log")" -lt "${#started_names[@]}" ] && [ "$(x11_now_us)" -lt "$deadline" ]; do
    sleep 0.05
done
sleep 0.2
seen_names=$(cut -d'|' -f1 "$starts_log" | tr '\n' ' ')
[ "$(trim "$seen_names")" = "${started_names[*]}" ] ||
    fail "expected the installers started, in order: ${started_names[*]:-none}" "${seen_names:-none}"
while IFS='|' read -r installer where pid fds; do
    [ "$where" = "$disc_real" ] || fail "expected $installer to start in the disc folder $disc_real" "it started in $where"
    [ "$fds" = 012 ] || fail "expected $installer to have standard input, output and error open" "open: '${fds}' of 0, 1, 2"
    check_environment "$installer" "$starts_log.env.$pid"
done <"$starts_log"

passed=1
echo "PASS: $name"
