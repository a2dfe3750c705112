# shellcheck shell=bash
# Shared helpers of the end-to-end driver (run-case.sh), tools/walkthrough,
# tools/bench/run and the memcheck run. Source it from bash:
#
#     . tests/e2e/lib-x11.sh
#     x11_start 800x600 "$work" [DISPLAY_NUMBER [WM]]  # private Xvfb + WM, exports DISPLAY
#     x11_wait_window "$TITLE_OFFER" 10                # a new window with exactly this title
#     x11_wait_active "$X11_WINDOW" 10 && x11_key "$X11_WINDOW" Return
#     x11_stop
#
# Window ids are decimal, as xdotool prints them. Every wait is bounded; on a
# timeout a function returns 1 and leaves what it expected and what it saw in
# X11_ERROR. Nothing here kills a process that these helpers did not start.
#
# Needs: Xvfb (xvfb), xauth, openbox, xdotool, wmctrl, xwininfo and xprop
# (x11-utils), import and convert (imagemagick).

# The launcher's windows, by their exact titles (trailing blanks kept).
# shellcheck disable=SC2034 # for the scripts that source this file
TITLE_WELCOME="Welcome to Trenchmoor Setup"
TITLE_OFFER="Acrobat Reader Setup  (recommended)" # the offer, its confirmation, the manual note
TITLE_SETUP="Trenchmoor Setup "                   # the game question, the notes about sound and failed starts
TITLE_RANGE="Range of our products"

# e2e_standin DISC PATH LOG [SECONDS]: the tests' stand-in installer at
# DISC/PATH, a script that writes its environment to LOG.env.PID (env -0),
# appends "PATH|the folder it runs in|its process id" to LOG and then stays
# SECONDS (default 60), as an installer would.
e2e_standin() {
    local file="$1/$2" quote="s/'/'\\\\''/g"
    mkdir -p "$(dirname "$file")" || return 1
    cat >"$file" <<EOF
#!/bin/sh
# Stand-in installer: records its environment and its start, where, as which
# process and which of its standard descriptors are open, then stays a while
# (nobody waits for it).
env -0 >'$(sed "$quote" <<<"$3").env.'\$\$
fds=""
for fd in 0 1 2; do [ -e /proc/\$\$/fd/\$fd ] && fds="\$fds\$fd"; done
printf '%s|%s|%s|%s\n' '$(sed "$quote" <<<"$2")' "\$(pwd -P)" "\$\$" "\$fds" >>'$(sed "$quote" <<<"$3")'
exec sleep ${4:-60}
EOF
    chmod 755 "$file"
}

# shellcheck disable=SC2034 # for the scripts that source this file
X11_ERROR=""
X11_WINDOW=""
X11_XVFB_PID=""
X11_WM_PID=""
X11_DIR=""
X11_WIDTH=0
X11_HEIGHT=0
declare -a X11_SEEN=()   # windows x11_wait_window has handed out: not "new" any more

# The programs these helpers run; prints the missing ones.
x11_missing_programs() {
    local program
    for program in Xvfb xauth mcookie openbox xdotool wmctrl xwininfo xprop import convert "$@"; do
        command -v "$program" >/dev/null 2>&1 || printf '%s ' "$program"
    done
}

# x11_require [PROGRAM...]: exits 77 (skipped) when a program the X tests need,
# or one of those named, is missing.
x11_require() {
    local missing
    missing=$(x11_missing_programs "$@")
    if [ -n "$missing" ]; then
        echo "SKIP: missing programs: $missing(Debian packages: xvfb xauth openbox xdotool wmctrl x11-utils imagemagick python3)"
        exit 77
    fi
}

# Monotonic enough for timeouts: microseconds since the epoch.
x11_now_us() {
    local t=${EPOCHREALTIME/[.,]/}
    printf '%s\n' "$t"
}

# x11_neutral_env DIR: an environment neutral for GTK: X11 only, no scaling,
# no personal configuration, a private runtime folder in DIR.
x11_neutral_env() {
    mkdir -p "$1/xdg-runtime" "$1/xdg-config" || return 1
    chmod 700 "$1/xdg-runtime"
    export XDG_RUNTIME_DIR="$1/xdg-runtime" XDG_CONFIG_HOME="$1/xdg-config"
    export XDG_SESSION_TYPE=x11
    unset WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS \
          GDK_BACKEND GDK_SCALE GDK_DPI_SCALE GTK_THEME GTK_MODULES GTK_CSD TRENCHMOOR_GTK_MESSAGES
}

# x11_display_taken N: whether an X server serves display N: a lock file of a
# live process, a listening abstract socket, or a socket file that accepts a
# connection. The socket file of a server that was killed (Xvfb here writes no
# lock file) is not a server: the next Xvfb on that number replaces it.
x11_display_taken() {
    local n=$1 pid
    if [ -e "/tmp/.X$n-lock" ]; then
        pid=$(tr -dc '0-9' <"/tmp/.X$n-lock" 2>/dev/null)
        [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && return 0
    fi
    grep -q " @/tmp/\.X11-unix/X$n\$" /proc/net/unix 2>/dev/null && return 0
    [ -S "/tmp/.X11-unix/X$n" ] || return 1
    python3 -c 'import socket, sys
s = socket.socket(socket.AF_UNIX)
s.settimeout(2)
s.connect(sys.argv[1])' "/tmp/.X11-unix/X$n" 2>/dev/null
}

# x11_start WxH WORKDIR [DISPLAY_NUMBER [WM]]
# Starts Xvfb on DISPLAY_NUMBER (default $TRENCHMOOR_DISPLAY, else 140) or,
# when that one is taken, on the next free one up to $TRENCHMOOR_DISPLAY_LAST
# (default: the 49 after it), with a cookie of its own in WORKDIR/xauthority
# (exported as XAUTHORITY): a client without it is refused. Then the window
# manager WM (openbox, the default; metacity; none) on it. Exports DISPLAY; see x11_neutral_env.
x11_start() {
    local size=$1 dir=$2 first=${3:-${TRENCHMOOR_DISPLAY:-140}} wm=${4:-openbox}
    # shellcheck disable=SC2034 # for the scripts that source this file
    X11_DIR=$dir
    # shellcheck disable=SC2034
    X11_WIDTH=${size%x*}
    # shellcheck disable=SC2034
    X11_HEIGHT=${size#*x}
    X11_SEEN=()
    x11_neutral_env "$dir" || return 1
    export XAUTHORITY="$dir/xauthority"

    local number="" n cookie last=${TRENCHMOOR_DISPLAY_LAST:-$((first + 49))}
    cookie=$(mcookie)
    for ((n = first; n <= last; n++)); do
        x11_display_taken "$n" && continue
        xauth -q -f "$XAUTHORITY" add ":$n" . "$cookie" 2>/dev/null
        : >"$dir/display-number"
        Xvfb ":$n" -auth "$XAUTHORITY" -screen 0 "${size}x24" -dpi 96 -nolisten tcp -noreset \
            -displayfd 3 3>"$dir/display-number" >>"$dir/xvfb.log" 2>&1 &
        X11_XVFB_PID=$!
        local deadline=$(( $(x11_now_us) + 15000000 ))
        while [ "$(x11_now_us)" -lt "$deadline" ]; do
            number=$(head -n 1 "$dir/display-number" 2>/dev/null)
            [ -n "$number" ] && break 2
            kill -0 "$X11_XVFB_PID" 2>/dev/null || break
            sleep 0.05
        done
        # Display taken after all (or Xvfb too slow): the next one.
        kill "$X11_XVFB_PID" 2>/dev/null
        wait "$X11_XVFB_PID" 2>/dev/null
        X11_XVFB_PID=""
    done
    if [ -z "$number" ]; then
        X11_ERROR="Xvfb did not start on a display from :$first to :$last (log: $dir/xvfb.log): $(tail -n 3 "$dir/xvfb.log" 2>/dev/null | tr '\n' ' ')"
        return 1
    fi
    export DISPLAY=":$number"

    case $wm in
    none) return 0 ;;
    openbox) openbox --sm-disable >>"$dir/wm.log" 2>&1 & ;;
    metacity) metacity --sm-disable --replace >>"$dir/wm.log" 2>&1 & ;;
    *) X11_ERROR="unknown window manager '$wm'"; return 1 ;;
    esac
    X11_WM_PID=$!
    local deadline=$(( $(x11_now_us) + 15000000 ))
    while [ "$(x11_now_us)" -lt "$deadline" ]; do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        kill -0 "$X11_WM_PID" 2>/dev/null || break
        sleep 0.05
    done
    X11_ERROR="$wm did not come up on $DISPLAY (log: $dir/wm.log)"
    return 1
}

# Stops the window manager and Xvfb (only the ones x11_start started).
x11_stop() {
    local pid
    for pid in "$X11_WM_PID" "$X11_XVFB_PID"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || continue
        local _
        for _ in $(seq 40); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    X11_WM_PID=""
    X11_XVFB_PID=""
}

# The windows the window manager manages (mapped client windows), bottom to top, decimal ids.
x11_clients() {
    xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -o '0x[0-9a-fA-F]*' |
        while read -r hex; do printf '%d\n' "$hex"; done
}

# The title of a window, exactly (trailing blanks kept).
x11_title() {
    xdotool getwindowname "$1" 2>/dev/null
}

x11_active() {
    xdotool getactivewindow 2>/dev/null
}

# x11_has ID: whether ID is a managed, mapped window.
x11_has() {
    x11_clients | grep -qx "$1"
}

# One line per managed window, topmost first: id, title in quotes, outer frame
# geometry, "active" for the focused one. For messages.
x11_describe() {
    local active id ids
    active=$(x11_active)
    ids=$(x11_clients | tac)
    if [ -z "$ids" ]; then
        echo "  (no windows the window manager manages; the X server's top-level windows:)"
        xwininfo -root -children 2>/dev/null | grep -E '^ +0x' | sed 's/^ */    /' | head -n 20
        if [ -n "$X11_WM_PID" ]; then
            if kill -0 "$X11_WM_PID" 2>/dev/null; then
                echo "  (the window manager $X11_WM_PID runs, waiting in $(cat "/proc/$X11_WM_PID/wchan" 2>/dev/null))"
            else
                echo "  (the window manager has ended)"
            fi
        fi
        return
    fi
    for id in $ids; do
        local mark=""
        [ "$id" = "$active" ] && mark="  [active]"
        printf '  %s "%s" at %s%s\n' "$id" "$(x11_title "$id")" "$(x11_frame_geometry "$id" | awk '{ printf "%d,%d %dx%d", $1, $2, $3, $4 }')" "$mark"
    done
}

x11_is_seen() {
    local id
    for id in "${X11_SEEN[@]}"; do
        [ "$id" = "$1" ] && return 0
    done
    return 1
}

# x11_wait_window TITLE TIMEOUT_SECONDS [TEST...]
# Waits for a managed window titled exactly TITLE that no earlier call has
# returned (and for which "TEST... ID" succeeds, when given), puts its id in
# X11_WINDOW and remembers it. The topmost one wins. Call it directly, not in
# $(...): what it remembers must outlive the call.
x11_wait_window() {
    local title=$1 timeout=$2 id
    shift 2
    local deadline=$(( $(x11_now_us) + timeout * 1000000 ))
    # The X server hands a program that ends its window ids on to the next
    # program that connects: forget the windows that are gone.
    local kept=()
    for id in "${X11_SEEN[@]}"; do
        xwininfo -id "$id" >/dev/null 2>&1 && kept+=("$id")
    done
    X11_SEEN=("${kept[@]}")
    while :; do
        for id in $(x11_clients | tac); do
            x11_is_seen "$id" && continue
            if [ "$(x11_title "$id")" = "$title" ] && { [ $# -eq 0 ] || "$@" "$id"; }; then
                X11_SEEN+=("$id")
                X11_WINDOW=$id
                return 0
            fi
        done
        if [ "$(x11_now_us)" -ge "$deadline" ]; then
            X11_ERROR="expected a new window titled \"$title\" within ${timeout}s; the windows are:
$(x11_describe)"
            return 1
        fi
        sleep 0.05
    done
}

# x11_wait_for TIMEOUT_SECONDS WHAT COMMAND...: waits until COMMAND succeeds;
# else X11_ERROR says what was expected, with the windows on the screen.
x11_wait_for() {
    local timeout=$1 what=$2
    shift 2
    local deadline=$(( $(x11_now_us) + timeout * 1000000 ))
    until "$@"; do
        if [ "$(x11_now_us)" -ge "$deadline" ]; then
            X11_ERROR="expected $what within ${timeout}s; the windows are:
$(x11_describe)"
            return 1
        fi
        sleep 0.05
    done
}

x11_is_active() { [ "$(x11_active)" = "$1" ]; }
x11_is_gone() { ! x11_has "$1"; }

# x11_wait_active ID TIMEOUT_SECONDS: waits until ID has the focus.
x11_wait_active() {
    x11_wait_for "$2" "window $1 \"$(x11_title "$1")\" to have the focus" x11_is_active "$1"
}

# x11_wait_gone ID TIMEOUT_SECONDS: waits until ID is no longer on the screen.
x11_wait_gone() {
    x11_wait_for "$2" "window $1 \"$(x11_title "$1")\" to close" x11_is_gone "$1"
}

# x11_client_geometry ID: "x y width height" of the window's own area (no frame).
x11_client_geometry() {
    [ -n "$1" ] || return 1 # xwininfo without an id waits for a click
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF }
        /^ *Height:/ { h = $NF }
        END { if (w != "") print x, y, w, h }'
}

# x11_frame_extents ID: "left right top bottom" the window manager's frame adds
# (_NET_FRAME_EXTENTS; 0 0 0 0 for a window without decorations).
x11_frame_extents() {
    [ -n "$1" ] || return 1
    local extents
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -o '[0-9]*, [0-9]*, [0-9]*, [0-9]*' | tr -d ,)
    printf '%s\n' "${extents:-0 0 0 0}"
}

# x11_frame_geometry ID: "x y width height" of the outer frame.
x11_frame_geometry() {
    local x y w h l r t b
    read -r x y w h < <(x11_client_geometry "$1")
    [ -n "$w" ] || return 1
    read -r l r t b < <(x11_frame_extents "$1")
    echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}

# x11_key ID KEY...: presses keys (xdotool names: Return, Escape, alt+y) on the
# window, which must be the active one. Press and release both go through the
# X server (XTEST), as a keyboard's do: "xdotool key --window" sends them with
# XSendEvent wherever the server's input focus is not the window itself (GTK
# gives it to a child of its own), and toolkits that read keys through the X
# input extension ignore sent keys.
x11_key() {
    local id=$1
    shift
    [ -n "$id" ] || { X11_ERROR="x11_key: no window"; return 1; }
    local active out status
    active=$(x11_active)
    if [ -n "$active" ] && [ "$active" != "$id" ]; then
        X11_ERROR="x11_key: window $id is not the active one ($active is)"
        return 1
    fi
    out=$(xdotool keydown "$@" 2>&1)
    status=$?
    xdotool keyup "$@" >/dev/null 2>&1
    if [ "$status" -ne 0 ]; then
        X11_ERROR="xdotool keydown $* failed: $out"
        return 1
    fi
    return 0
}

# x11_hold_key KEY: holds the key down for 1.5 s, long enough for the
# keyboard to repeat it.
x11_hold_key() {
    xdotool keydown "$1" 2>/dev/null
    sleep 1.5
    xdotool keyup "$1" 2>/dev/null
}

# x11_click ID X Y: clicks at (X, Y) pixels inside the window's own area.
x11_click() {
    local id=$1 dx=$2 dy=$3 x y w h
    read -r x y w h < <(x11_client_geometry "$id")
    if [ -z "$w" ]; then
        X11_ERROR="cannot click in window $id: it is gone"
        return 1
    fi
    x11_pointer_to $((x + dx)) $((y + dy)) || return 1
    if ! timeout 10 xdotool click 1 2>/dev/null; then
        X11_ERROR="xdotool could not click at $((x + dx)),$((y + dy))"
        return 1
    fi
}

# x11_pointer_to X Y: moves the pointer and waits until it is there.
# ("xdotool mousemove --sync" waits for ever when the pointer is there already.)
x11_pointer_to() {
    local want="x:$1 y:$2" deadline
    xdotool mousemove "$1" "$2" 2>/dev/null
    deadline=$(( $(x11_now_us) + 5000000 ))
    while [[ "$(xdotool getmouselocation 2>/dev/null)" != "$want "* ]]; do
        if [ "$(x11_now_us)" -ge "$deadline" ]; then
            X11_ERROR="the pointer did not move to $1,$2: $(xdotool getmouselocation 2>&1)"
            return 1
        fi
        sleep 0.02
    done
}

# x11_close_request ID: asks the window manager to close the window, the two
# ways a player does: the close command (wmctrl -c) and Alt+F4.
x11_close_request() {
    local id=$1
    wmctrl -i -c "$(printf '0x%08x' "$id")" 2>/dev/null
    x11_key "$id" alt+F4
}

# x11_region_rgb ID X Y W H: mean "r g b" (0-255) of a rectangle inside the
# window's own area, as it is on the screen.
x11_region_rgb() {
    local id=$1 rx=$2 ry=$3 rw=$4 rh=$5 x y w h
    read -r x y w h < <(x11_client_geometry "$id")
    [ -n "$w" ] || return 1
    import -silent -window root -crop "${rw}x${rh}+$((x + rx))+$((y + ry))" miff:- 2>/dev/null |
        convert - +repage -scale '1x1!' -depth 8 txt:- 2>/dev/null |
        sed -n 's/^0,0: *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' | awk '{ printf "%d %d %d\n", $1, $2, $3 }'
}

# x11_screenshot FILE [ID]: the whole screen, or one window with its frame.
# Without time stamps in the file, so that the same screen gives the same bytes.
x11_screenshot() {
    local file=$1 id=${2:-}
    if [ -n "$id" ]; then
        local fx fy fw fh
        read -r fx fy fw fh < <(x11_frame_geometry "$id")
        import -silent -window root -crop "${fw}x${fh}+${fx}+${fy}" miff:- 2>/dev/null |
            convert - +repage -strip "$file"
    else
        import -silent -window root miff:- 2>/dev/null | convert - -strip "$file"
    fi
}

# x11_pid ID: the process that owns a window (_NET_WM_PID), if it says.
x11_pid() {
    [ -n "$1" ] || return 1
    xprop -id "$1" _NET_WM_PID 2>/dev/null | grep -o '[0-9]*$'
}

# x11_wait_settled TIMEOUT_SECONDS: waits until the screen stops changing (two
# pictures 0.15 s apart are the same), so that a screenshot shows windows
# fully painted.
x11_wait_settled() {
    local timeout=$1 previous="" current deadline
    deadline=$(( $(x11_now_us) + timeout * 1000000 ))
    while :; do
        current=$(import -silent -window root rgb:- 2>/dev/null | md5sum)
        [ "$current" = "$previous" ] && return 0
        if [ "$(x11_now_us)" -ge "$deadline" ]; then
            X11_ERROR="the screen kept changing for ${timeout}s"
            return 1
        fi
        previous=$current
        sleep 0.15
    done
}

# x11_activate ID TIMEOUT_SECONDS: asks the window manager to focus the window
# and waits until it has the focus.
x11_activate() {
    xdotool windowactivate "$1" 2>/dev/null
    x11_wait_active "$1" "$2"
}
