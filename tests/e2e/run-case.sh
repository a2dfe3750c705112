#!/usr/bin/env bash
# Plays one end-to-end case of cases.txt with the real launcher:
#
#     run-case.sh CASE LAUNCHER [DISPLAY_NUMBER]
#     run-case.sh --list
#
# Starts its own Xvfb (on DISPLAY_NUMBER, or a free display when that one is
# taken) and openbox, lays out a disc folder in a temporary folder (a copy of
# LAUNCHER and stand-in installers that record their start), runs the launcher
# from it, plays the case's steps with xdotool and checks what happens. Exit
# status 0: passed; 1: failed (the temporary folder is kept, with a screenshot);
# 77: skipped, a program it needs is missing.
#
# Environment: E2E_TIMEOUT (seconds to wait for each window, default 20),
# E2E_KEEP=1 keeps the temporary folder after a pass too, E2E_CASES=FILE reads
# the cases from another table.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
project=$(cd "$here/../.." && pwd)
cases_file=${E2E_CASES:-$here/cases.txt}

# The case table without comments: "name|screen|folder|installers|player|started".
case_lines() {
    grep -v '^[[:space:]]*#' "$cases_file" | grep -v '^[[:space:]]*$'
}
trim() {
    local s=$1
    s=${s#"${s%%[![:space:]]*}"}
    s=${s%"${s##*[![:space:]]}"}
    printf '%s' "$s"
}

if [ "${1:-}" = "--list" ]; then
    case_lines | cut -d'|' -f1 | while read -r name; do trim "$name"; echo; done
    exit 0
fi
if [ $# -lt 2 ]; then
    echo "usage: $0 CASE LAUNCHER [DISPLAY_NUMBER] | --list" >&2
    exit 2
fi
case_name=$1
launcher=$2
display_number=${3:-}
timeout=${E2E_TIMEOUT:-20}

. "$project/tools/lib-x11.sh"

x11_require python3
if [ ! -x "$launcher" ]; then
    echo "FAIL: no launcher at $launcher"
    exit 1
fi

row=""
while IFS= read -r line; do
    if [ "$(trim "${line%%|*}")" = "$case_name" ]; then
        row=$line
        break
    fi
done < <(case_lines)
if [ -z "$row" ]; then
    echo "FAIL: no case named '$case_name' in $cases_file"
    exit 1
fi
IFS='|' read -r _ screen folder installers player started note _ <<<"$row"
screen=$(trim "$screen")
folder=$(trim "$folder")
installers=$(trim "$installers")
player=$(trim "$player")
started=$(trim "$started")
note=$(trim "$note")
# How the launcher is started, from the note "start: OPTION...".
start_options=""
[[ $note == start:* ]] && start_options=" ${note#start:} "
screen_w=${screen%x*}
screen_h=${screen#*x}

# --- the temporary folder, and cleaning up -----------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-e2e.$case_name.XXXXXX") || exit 1
disc="$work/$folder"
starts_log="$work/starts.log"
launcher_pid=""
disc_real=""
passed=0

cleanup() {
    local pid
    if [ -n "$launcher_pid" ] && kill -0 "$launcher_pid" 2>/dev/null; then
        kill "$launcher_pid" 2>/dev/null
        sleep 0.2
        kill -9 "$launcher_pid" 2>/dev/null
    fi
    # The stand-in installers record their process ids; they run detached.
    # Only a process still working in this disc folder is one of them.
    if [ -f "$starts_log" ]; then
        while IFS='|' read -r _ _ pid _; do
            [ -n "$pid" ] && [ "$(readlink "/proc/$pid/cwd" 2>/dev/null)" = "$disc_real" ] && kill "$pid" 2>/dev/null
        done <"$starts_log"
    fi
    x11_stop
    if [ "$passed" = 1 ] && [ -z "${E2E_KEEP:-}" ]; then
        rm -rf "$work"
    else
        echo "The test's files are kept in $work"
    fi
}
trap cleanup EXIT
trap 'echo "interrupted"; exit 1' INT TERM

step_label="start"
fail() {
    echo "FAIL [$case_name, $screen, $step_label]: $1"
    if [ -n "${2:-}" ]; then
        echo "  seen: $2"
    fi
    if [ -n "${DISPLAY:-}" ] && [ -n "$X11_XVFB_PID" ]; then
        echo "windows on the screen (topmost first):"
        x11_describe
        x11_screenshot "$work/failure.png" && echo "screenshot: $work/failure.png"
    fi
    if [ -n "$launcher_pid" ]; then
        if kill -0 "$launcher_pid" 2>/dev/null; then
            echo "the launcher is still running (state $(awk '{ print $3 }' "/proc/$launcher_pid/stat" 2>/dev/null), waiting in $(cat "/proc/$launcher_pid/wchan" 2>/dev/null))"
            if command -v gdb >/dev/null 2>&1; then
                timeout 30 gdb -p "$launcher_pid" -batch -nx -ex 'thread apply all bt 25' >"$work/launcher-backtrace.txt" 2>&1 &&
                    echo "its threads' stacks: $work/launcher-backtrace.txt"
            fi
        else
            wait "$launcher_pid" 2>/dev/null
            echo "the launcher has ended with status $?"
        fi
    fi
    [ -s "$work/launcher.err" ] && { echo "launcher stderr:"; sed 's/^/  /' "$work/launcher.err"; }
    [ -s "$starts_log" ] && { echo "installers started (name|folder|pid|open standard descriptors):"; sed 's/^/  /' "$starts_log"; }
    exit 1
}

# --- the disc -----------------------------------------------------------------
shell_quote() {
    printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")"
}
mkdir -p "$disc" || fail "cannot make the disc folder $disc"
cp "$launcher" "$disc/trenchmoor-setup" || fail "cannot copy $launcher"
: >"$starts_log"
for entry in $installers; do
    path=${entry%%:*}
    kind=script
    [ "$entry" != "$path" ] && kind=${entry#*:}
    mkdir -p "$(dirname "$disc/$path")"
    case $kind in
    script | noexec)
        cat >"$disc/$path" <<EOF
#!/bin/sh
# Stand-in installer: records that it started, where, as which process and
# which of its standard descriptors are open, then stays a while, as an
# installer would (the launcher must not wait for it).
fds=""
for fd in 0 1 2; do [ -e /proc/\$\$/fd/\$fd ] && fds="\$fds\$fd"; done
printf '%s|%s|%s|%s\n' $(shell_quote "$path") "\$(pwd -P)" "\$\$" "\$fds" >> $(shell_quote "$starts_log")
exec sleep 60
EOF
        if [ "$kind" = script ]; then chmod 755 "$disc/$path"; else chmod 644 "$disc/$path"; fi
        ;;
    text)
        printf 'This file is no program.\n' >"$disc/$path"
        chmod 755 "$disc/$path"
        ;;
    *) fail "case table: unknown installer kind '$kind' in '$entry'" ;;
    esac
done
disc_real=$(cd "$disc" && pwd -P)

# --- the screen and the launcher ---------------------------------------------
x11_start "$screen" "$work/x" "$display_number" || fail "$X11_ERROR"
echo "case $case_name: screen $screen on $DISPLAY, disc folder '$disc'"

# Started from another folder: the launcher must find the installers beside itself.
#   closed-fds      started with standard input, output and error closed
#   bad-fonts-conf  the player's fonts.conf has an element fontconfig does not know
#   fifo-in-folder  the folder it is started from holds a FIFO where fontconfig
#                   looks for application fonts by a relative name
if [[ $start_options == *" bad-fonts-conf "* ]]; then
    mkdir -p "$XDG_CONFIG_HOME/fontconfig"
    printf '%s\n' '<?xml version="1.0"?>' '<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">' \
        '<fontconfig>' '  <trenchmoor-unknown-element/>' '</fontconfig>' >"$XDG_CONFIG_HOME/fontconfig/fonts.conf"
fi
if [[ $start_options == *" fifo-in-folder "* ]]; then
    mkdir -p "$work/:" && mkfifo "$work/:/non-existent" || fail "cannot make the FIFO"
fi
if [[ $start_options == *" closed-fds "* ]]; then
    (cd "$work" && exec "$disc/trenchmoor-setup" <&- >&- 2>&-) &
else
    (cd "$work" && exec "$disc/trenchmoor-setup" >"$work/launcher.out" 2>"$work/launcher.err") &
fi
launcher_pid=$!

# --- what the placement arithmetic says --------------------------------------
# Outer top-left of the offer in twips and pixels (15 twips a pixel).
read -r expect_left_tw expect_top_tw expect_left expect_top < <(python3 - "$screen_w" "$screen_h" <<'PY'
import math, struct, sys
def single(x):  # VB's Single
    return struct.unpack('f', struct.pack('f', x))[0]
w, h = int(sys.argv[1]) * 15, int(sys.argv[2]) * 15
fw = single(w / 8325)
cover = single(3255 * fw)
left = round(2 * 360 + cover)            # CLng: half to even
if left + 5685 + 150 > w:
    left = w - 150 - 5685
top = round((h - 3015) / 2)
top = round(h / 4 + top)
if top + 3015 + 150 > h:
    top = h - 150 - 3015
left, top = max(left, 0), max(top, 0)
print(left, top, math.floor(left / 15 + 0.5), math.floor(top / 15 + 0.5))
PY
)

# --- the dialogs ----------------------------------------------------------------
offer_title="Acrobat Reader Setup  (recommended)"
title_of() {
    case $1 in
    offer | confirm | manual) echo "$offer_title" ;;
    failnote | game | sound) echo "Trenchmoor Setup " ;;
    range) echo "Range of our products" ;;
    welcome) echo "Welcome to Trenchmoor Setup" ;;
    esac
}
# Button centres in pixels inside the window, from the form definitions (twips / 15).
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
    range:finish) echo "$((screen_w - 30 - 41)) $((screen_h - 30 - 13))" ;;
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

near() { # a b leeway
    local d=$(($1 - $2))
    [ "${d#-}" -le "$3" ]
}

# Checks the layout of a message dialog (Yes/No or OK alone) from its pixels,
# once it has been painted: the corner shows the dark blue form colour.
check_layout() { # dialog id
    local dialog=$1 id=$2 want r g b deadline
    want=$(layout_of "$dialog")
    [ -n "$want" ] || return 0
    deadline=$(( $(x11_now_us) + timeout * 1000000 ))
    while :; do
        read -r r g b < <(x11_region_rgb "$id" 3 3 8 8)
        if [ -n "${b:-}" ] && [ "$r" -lt 40 ] && [ "$g" -lt 40 ] && [ "$b" -ge 40 ] && [ "$b" -le 100 ]; then
            break
        fi
        x11_has "$id" || fail "expected the $dialog dialog to stay until it is answered" "it closed by itself"
        [ "$(x11_now_us)" -ge "$deadline" ] &&
            fail "expected the dialog to be painted dark blue (0,0,64) in its corner" "mean colour ${r:-?},${g:-?},${b:-?}"
        sleep 0.1
    done
    local region seen
    region=$(no_region_of "$dialog")
    # shellcheck disable=SC2086
    read -r r g b < <(x11_region_rgb "$id" $region)
    if [ $(((r + g + b) / 3)) -gt 100 ]; then seen=yesno; else seen=ok; fi
    if [ "$seen" != "$want" ]; then
        local words="Yes and No buttons"
        [ "$want" = ok ] && words="an OK button alone"
        fail "expected the dialog to show $words" "at the No button's place ($region) the mean colour is $r,$g,$b"
    fi
}

# Checks made once, when a window first appears.
offer_frame=""
check_first_sight() { # dialog id
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
    offer)
        if ! near "$x" "$expect_left" 1 || ! near "$y" "$expect_top" 1; then
            fail "expected the offer's outer frame at $expect_left,$expect_top (lngLeft $expect_left_tw, lngTop $expect_top_tw twips), within a pixel" \
                "frame at $x,$y (${w}x$h, frame extents $(x11_frame_extents "$id"))"
        fi
        offer_frame="$x $y $w $h"
        echo "  offer frame at $x,$y ${w}x$h; the arithmetic says $expect_left,$expect_top"
        ;;
    confirm)
        local ox oy ow oh
        read -r ox oy ow oh <<<"$offer_frame"
        # Centres in half pixels: the offer's where it first opened.
        if ! near $((2 * x + w)) $((2 * ox + ow)) 2 || ! near $((2 * y + h)) $((2 * oy + oh)) 2; then
            fail "expected the confirmation centred over the place the offer opened at (centre $(((2 * ox + ow) / 2)),$(((2 * oy + oh) / 2)))" \
                "confirmation frame at $x,$y ${w}x$h, centre $(((2 * x + w) / 2)),$(((2 * y + h) / 2))"
        fi
        ;;
    manual | failnote | game | sound)
        local ox oy
        read -r ox oy _ <<<"$offer_frame"
        if ! near "$x" "$ox" 1 || ! near "$y" "$oy" 1; then
            fail "expected the $dialog dialog at the offer's place, frame at $ox,$oy" "frame at $x,$y ${w}x$h"
        fi
        ;;
    range)
        local cx cy cw ch
        read -r cx cy cw ch < <(x11_client_geometry "$id")
        read -r l r t b < <(x11_frame_extents "$id")
        [ "$cx $cy $cw $ch" = "0 0 $screen_w $screen_h" ] && [ "$l $r $t $b" = "0 0 0 0" ] ||
            fail "expected the product range screen to cover the screen (0,0 ${screen_w}x$screen_h) without a frame" \
                "at $cx,$cy ${cw}x$ch, frame extents $l $r $t $b"
        ;;
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
    local id=$1 dx=$2 dy=$3 x y w h nx ny
    read -r x y w h < <(x11_frame_geometry "$id")
    local l r t b
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

# --- playing -------------------------------------------------------------------
step_label="welcome screen"
x11_wait_window "$(title_of welcome)" "$timeout" || fail "$X11_ERROR"
check_first_sight welcome "$X11_WINDOW"

offer_id=""
IFS='>' read -r -a steps <<<"$player"
for step in "${steps[@]}"; do
    read -r -a words <<<"$step"
    dialog=${words[0]}
    actions=("${words[@]:1}")
    step_label="$dialog: ${actions[*]}"
    title=$(title_of "$dialog")
    [ -n "$title" ] || fail "case table: unknown dialog '$dialog'"

    if [ "$dialog" = offer ] && [ -n "$offer_id" ]; then
        id=$offer_id # the offer again, after "No" on the confirmation
        x11_has "$id" || fail "expected the offer to be back on the screen" "it is gone"
    else
        x11_wait_window "$title" "$timeout" || fail "$X11_ERROR"
        id=$X11_WINDOW
        check_first_sight "$dialog" "$id"
        [ "$dialog" = offer ] && offer_id=$id
    fi
    x11_wait_active "$id" "$timeout" || fail "$X11_ERROR"

    for action in "${actions[@]}"; do
        case $action in
        click:*)
            button=${action#click:}
            read -r bx by < <(button_at "$dialog" "$button") || fail "case table: no button '$button' on $dialog"
            x11_click "$id" "$bx" "$by" || fail "$X11_ERROR"
            ;;
        close)
            x11_close_request "$id" || fail "$X11_ERROR"
            check_still "$id"
            ;;
        still) check_still "$id" ;;
        minimize)
            # The window manager minimises it: the dialog must come back by itself.
            xdotool windowminimize "$id" 2>/dev/null
            sleep 0.5
            xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" || fail "expected window $id back on screen" "it stays minimised"
            [ "$(x11_active)" = "$id" ] || fail "expected the focus back on $id" "it is on $(x11_active)"
            check_still "$id"
            ;;
        hold:*)
            # A key held down long enough for the keyboard to repeat it.
            xdotool keydown --window "$id" "${action#hold:}" 2>/dev/null
            sleep 1.5
            xdotool keyup "${action#hold:}" 2>/dev/null
            ;;
        drag:*)
            IFS=, read -r dx dy <<<"${action#drag:}"
            drag_window "$id" "$dx" "$dy"
            x11_wait_active "$id" "$timeout" || fail "$X11_ERROR"
            ;;
        *) x11_key "$id" "$action" || fail "$X11_ERROR" ;;
        esac
    done
done

# --- the end ---------------------------------------------------------------------
step_label="after Finish"
deadline=$(( $(x11_now_us) + timeout * 1000000 ))
while kill -0 "$launcher_pid" 2>/dev/null; do
    [ "$(x11_now_us)" -ge "$deadline" ] && fail "expected the launcher to end after the last step" "it is still running after ${timeout}s"
    sleep 0.05
done
wait "$launcher_pid"
status=$?
launcher_pid=""
[ "$status" -eq 0 ] || fail "expected exit status 0" "exit status $status"
[ -s "$work/launcher.err" ] && fail "expected nothing on stderr" "$(head -c 2000 "$work/launcher.err")"

# The installers were started before the dialogs that follow them; give the
# detached scripts a moment to write their line.
[ "$started" = "-" ] && started=""
read -r -a want <<<"$started"
deadline=$(( $(x11_now_us) + 5000000 ))
while [ "$(wc -l <"$starts_log")" -lt "${#want[@]}" ] && [ "$(x11_now_us)" -lt "$deadline" ]; do
    sleep 0.05
done
sleep 0.2
seen_names=$(cut -d'|' -f1 "$starts_log" | tr '\n' ' ')
[ "$(trim "$seen_names")" = "${want[*]}" ] ||
    fail "expected the installers started, in order: ${want[*]:-none}" "${seen_names:-none}"
while IFS='|' read -r name where _ fds; do
    [ "$where" = "$disc_real" ] || fail "expected $name to start in the disc folder $disc_real" "it started in $where"
    [ "$fds" = 012 ] || fail "expected $name to have standard input, output and error open" "open: '${fds}' of 0, 1, 2"
done <"$starts_log"

passed=1
echo "PASS: $case_name"
