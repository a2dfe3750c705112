#!/usr/bin/env bash
# The end-to-end driver: plays one case of cases.txt with the real launcher.
#
#     run-case.sh CASE LAUNCHER [DISPLAY_NUMBER]
#     run-case.sh --list
#
# Starts its own Xvfb (on DISPLAY_NUMBER, or the next free display when that
# one is taken) under the case's window manager, lays out a disc folder in a
# temporary folder (the launcher and stand-in installers that record their
# start), runs the launcher from it, plays the case's steps with xdotool and
# checks what happens. Exit status 0: passed; 1: failed (the temporary folder
# is kept, with a screenshot); 77: skipped, a program it needs is missing.
#
# Environment: E2E_TIMEOUT (seconds to wait for each window, default 20),
# E2E_KEEP=1 keeps the temporary folder after a pass too, E2E_CASES=FILE reads
# the cases from another table.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cases_file=${E2E_CASES:-$here/cases.txt}
. "$here/lib-x11.sh"

trim() {
    local s=$1
    s=${s#"${s%%[![:space:]]*}"}
    s=${s%"${s##*[![:space:]]}"}
    printf '%s' "$s"
}
case_lines() { grep -v '^[[:space:]]*#' "$cases_file" | grep -v '^[[:space:]]*$'; }

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
display_number=${3:-${TRENCHMOOR_DISPLAY:-140}}
timeout=${E2E_TIMEOUT:-20}

row=""
while IFS= read -r line; do
    [ "$(trim "${line%%|*}")" = "$case_name" ] && { row=$line; break; }
done < <(case_lines)
if [ -z "$row" ]; then
    echo "FAIL: no case named '$case_name' in $cases_file"
    exit 1
fi
IFS='|' read -r _ port wm screen envs folder installers player started ends offer _ <<<"$row"
for field in port wm screen envs folder installers player started ends offer; do
    printf -v "$field" '%s' "$(trim "${!field}")"
done
screen_w=${screen%x*}
screen_h=${screen#*x}

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
work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-e2e.$case_name.XXXXXX") || exit 1
disc="$work/$folder"
starts_log="$work/starts.log"
declare -a launcher_pid=()
declare -A offer_id=() offer_frame=()
disc_real=""
passed=0

cleanup() {
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
    local n pid
    echo "FAIL [$case_name, $screen, $step_label]: $1"
    [ -n "${2:-}" ] && echo "  seen: $2"
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
    exit 1
}

# --- ports: what differs between the launcher's builds -----------------------
# port_disc puts the launcher on the disc; port_start N starts launcher N from
# another folder (it must find the installers beside itself), its process id in
# launcher_pid[N]; port_owns N ID: window ID belongs to launcher N.
case $port in
gtk)
    # The launcher, with the labels' font files where the build has them beside it.
    port_disc() {
        cp "$launcher" "$disc/trenchmoor-setup" || return 1
        local fonts
        fonts=$(dirname "$launcher")/fonts
        [ ! -d "$fonts" ] || { mkdir -p "$disc/linux" && cp -r "$fonts" "$disc/linux/fonts"; }
    }
    port_start() {
        if [ "$closed_fds" = 1 ]; then
            (cd "$work" && exec env "${launch_unset[@]}" "${launch_env[@]}" "$disc/trenchmoor-setup" <&- >&- 2>&-) &
        else
            (cd "$work" && exec env "${launch_unset[@]}" "${launch_env[@]}" "$disc/trenchmoor-setup" >"$work/launcher$1.out" 2>"$work/launcher$1.err") &
        fi
        launcher_pid[$1]=$!
    }
    port_owns() { [ "$(x11_pid "$2")" = "${launcher_pid[$1]}" ]; }
    ;;
*) fail "case table: unknown port '$port'" ;;
esac

# --- the disc -------------------------------------------------------------------
mkdir -p "$disc" || fail "cannot make the disc folder $disc"
port_disc || fail "cannot copy $launcher"
: >"$starts_log"
for entry in $installers; do
    path=${entry%%:*}
    kind=script
    [ "$entry" != "$path" ] && kind=${entry#*:}
    e2e_standin "$disc" "$path" "$starts_log" || fail "cannot write $disc/$path"
    case $kind in
    script) ;;
    noexec) chmod 644 "$disc/$path" ;;
    text) printf 'This file is no program.\n' >"$disc/$path" ;;
    *) fail "case table: unknown installer kind '$kind' in '$entry'" ;;
    esac
done
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
echo "case $case_name: $port launcher, screen $screen on ${DISPLAY:-no display}, disc folder '$disc'"
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
    QT_SCALE_FACTOR=* | GDK_SCALE=*) scale=$(awk -v f="${item#*=}" 'BEGIN { printf "%d", f * 100 + 0.5 }'); launch_env+=("$item") ;;
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
title_of() {
    case $1 in
    offer | confirm | manual) echo "$TITLE_OFFER" ;;
    failnote | game | sound) echo "$TITLE_SETUP" ;;
    range) echo "$TITLE_RANGE" ;;
    welcome) echo "$TITLE_WELCOME" ;;
    esac
}
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
    local dialog=$1 id=$2 x y w h l r t b ox oy ow oh
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
        [[ $offer =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "case table: the offer is at '$offer', not WxH+X+Y"
        if ! near "$w" "${BASH_REMATCH[1]}" 1 || ! near "$h" "${BASH_REMATCH[2]}" 1 ||
           ! near "$x" "${BASH_REMATCH[3]}" 1 || ! near "$y" "${BASH_REMATCH[4]}" 1; then
            fail "expected the offer's outer frame at $offer, within a pixel" \
                "frame ${w}x$h+$x+$y (frame extents $(x11_frame_extents "$id"))"
        fi
        offer_frame[$3]="$x $y $w $h"
        echo "  offer of launcher $3: outer frame ${w}x$h+$x+$y"
        ;;
    confirm)
        read -r ox oy ow oh <<<"${offer_frame[$3]}"
        # Centres in half pixels: the offer's where it first opened.
        if ! near $((2 * x + w)) $((2 * ox + ow)) 2 || ! near $((2 * y + h)) $((2 * oy + oh)) 2; then
            fail "expected the confirmation centred over the place the offer opened at (centre $(((2 * ox + ow) / 2)),$(((2 * oy + oh) / 2)))" \
                "confirmation frame at $x,$y ${w}x$h, centre $(((2 * x + w) / 2)),$(((2 * y + h) / 2))"
        fi
        ;;
    manual | failnote | game | sound)
        read -r ox oy _ <<<"${offer_frame[$3]}"
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
    port_start "$1"
    [ "$player" = - ] && return 0
    step_label="welcome screen of launcher $1"
    x11_wait_window "$TITLE_WELCOME" "$timeout" port_owns "$1" || fail "$X11_ERROR"
    check_first_sight welcome "$X11_WINDOW" "$1"
}

# --- playing -------------------------------------------------------------------
start_launcher 1
steps=()
[ "$player" = - ] || IFS='>' read -r -a steps <<<"$player"
for step in "${steps[@]}"; do
    read -r -a words <<<"$step"
    dialog=${words[0]}
    n=1
    [[ $dialog == *:* ]] && { n=${dialog%%:*}; dialog=${dialog#*:}; }
    actions=("${words[@]:1}")
    step_label="$dialog of launcher $n: ${actions[*]}"
    title=$(title_of "$dialog")
    [ -n "$title" ] || fail "case table: unknown dialog '$dialog'"
    [ -n "${launcher_pid[$n]:-}" ] || start_launcher "$n"

    if [ "$dialog" = offer ] && [ -n "${offer_id[$n]:-}" ]; then
        id=${offer_id[$n]} # the offer again, after "No" on the confirmation
        x11_has "$id" || fail "expected the offer to be back on the screen" "it is gone"
    else
        x11_wait_window "$title" "$timeout" port_owns "$n" || fail "$X11_ERROR"
        id=$X11_WINDOW
        check_first_sight "$dialog" "$id" "$n"
        [ "$dialog" = offer ] && offer_id[$n]=$id
    fi

    focused=0
    for action in "${actions[@]}"; do
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
            xdotool windowminimize "$id" 2>/dev/null
            sleep 0.5
            xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" || fail "expected window $id back on screen" "it stays minimised"
            [ "$(x11_active)" = "$id" ] || fail "expected the focus back on $id" "it is on $(x11_active)"
            check_still "$id"
            ;;
        hold:*)
            # A key held down long enough for the keyboard to repeat it.
            xdotool keydown "${action#hold:}" 2>/dev/null
            sleep 1.5
            xdotool keyup "${action#hold:}" 2>/dev/null
            ;;
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
done

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
    err="$work/launcher$n.err"
    if [ "$ends" = 0 ]; then
        [ "$status" -eq 0 ] || fail "expected exit status 0" "exit status $status"
        [ -s "$err" ] && fail "expected nothing on stderr" "$(head -c 2000 "$err")"
    else
        want="Trenchmoor Setup: Run-time error '${ends%% *}': ${ends#* }"
        [ "$status" -eq 1 ] || fail "expected exit status 1" "exit status $status"
        [ "$(grep -c '^Trenchmoor Setup: ' "$err")" -eq 1 ] && [[ "$(tail -n 1 "$err")" == "$want"* ]] ||
            fail "expected one line \"$want...\", last on stderr" "$(head -c 2000 "$err")"
        # Where an X server answers, Xlib may say why it refused the launcher.
        [ "$screen" != none ] || [ "$(wc -l <"$err")" -eq 1 ] || fail "expected that line alone on stderr" "$(head -c 2000 "$err")"
        echo "launcher $n: $(tail -n 1 "$err")"
    fi
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
while IFS='|' read -r name where pid fds; do
    [ "$where" = "$disc_real" ] || fail "expected $name to start in the disc folder $disc_real" "it started in $where"
    [ "$fds" = 012 ] || fail "expected $name to have standard input, output and error open" "open: '${fds}' of 0, 1, 2"
    check_environment "$name" "$starts_log.env.$pid"
done <"$starts_log"

passed=1
echo "PASS: $case_name"
