#!/usr/bin/env bash
# A system the launcher cannot start on: the disc's autorun.sh, run in a
# chroot of that release, tells the player why, in a window (the first of
# zenity, kdialog, xmessage the chroot has) and on stderr, and without a
# display on stderr alone.
#
#     message.sh CHROOT DISC DISPLAY_NUMBER SCREENSHOT_FOLDER STATUS TEXT...
#
# autorun.sh must end with STATUS (the loader's: 1 for a symbol version it
# cannot find, 127 for a library) once the window is answered. Each TEXT must be in the window's text (the command line its program was
# given, WM_COMMAND) and on stderr. The window is saved as
# SCREENSHOT_FOLDER/CHROOT.png, to be looked at. Exit status 77 (skipped)
# where the chroot cannot be made (see chroot.sh) or a program is missing.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib-x11.sh
. "$here/../e2e/lib-x11.sh"
x11_require bwrap
[ $# -ge 6 ] || { echo "usage: $0 CHROOT DISC DISPLAY_NUMBER SCREENSHOT_FOLDER STATUS TEXT..." >&2; exit 2; }
chroot_name=$1 disc=$2 display_number=$3 shots=$4 want_status=$5
shift 5
[ -f "$disc/autorun.sh" ] || { echo "FAIL: no disc at $disc (autorun.sh missing)"; exit 1; }
disc=$(cd "$disc" && pwd)
root=$(bash "$here/chroot.sh" "$chroot_name") || exit $?

work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-message.$chroot_name.XXXXXX") || exit 1
passed=0 pid=""
finish() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    x11_stop
    if [ "$passed" = 1 ]; then rm -rf "$work"; else echo "The test's files are kept in $work"; fi
}
trap finish EXIT
fail() {
    echo "FAIL [$chroot_name]: $1"
    [ -n "${2:-}" ] && echo "  seen: $2"
    [ -s "$work/stderr" ] && { echo "autorun.sh's stderr:"; sed 's/^/  /' "$work/stderr"; }
    [ -n "$X11_XVFB_PID" ] && x11_screenshot "$work/failure.png" && echo "screenshot: $work/failure.png"
    exit 1
}
cd "$work" || exit 1

# wait_end PID SECONDS: the status of PID, which must end within SECONDS.
wait_end() {
    x11_wait_for "$2" "autorun.sh to end" eval '! kill -0 '"$1"' 2>/dev/null' || fail "$X11_ERROR"
    wait "$1"
}

# What stderr and the window must say.
says_all() { # WHAT TEXT_SEEN
    local text
    for text in "${expected[@]}"; do
        [[ $2 == *"$text"* ]] || fail "expected $1 to say \"$text\"" "$2"
    done
}
expected=("$@")

# --- on a display: the window ----------------------------------------------------
x11_start 800x600 "$work/x" "$display_number" openbox || fail "$X11_ERROR"
(exec bash "$here/in-chroot.sh" "$root" --ro "$disc" sh "$disc/autorun.sh" 2>"$work/stderr") &
pid=$!
x11_wait_window "Trenchmoor Setup" 20 || fail "$X11_ERROR"
id=$X11_WINDOW
says_all "the window" "$(xprop -id "$id" WM_COMMAND 2>&1)"
x11_wait_settled 10 || fail "$X11_ERROR"
mkdir -p "$shots" && x11_screenshot "$shots/$chroot_name.png" "$id" || fail "cannot save $shots/$chroot_name.png"
echo "the window: $shots/$chroot_name.png"
x11_activate "$id" 10 || fail "$X11_ERROR"
x11_key "$id" Return || fail "$X11_ERROR"
wait_end "$pid" 10
status=$?
pid=""
[ "$status" -eq "$want_status" ] || fail "expected autorun.sh to end with the loader's status $want_status" "status $status"
says_all "stderr" "$(cat "$work/stderr")"

# --- without a display: stderr alone -----------------------------------------------
(exec env -u DISPLAY -u WAYLAND_DISPLAY bash "$here/in-chroot.sh" "$root" --ro "$disc" sh "$disc/autorun.sh" 2>"$work/stderr") &
pid=$!
wait_end "$pid" 10
status=$?
pid=""
[ "$status" -eq "$want_status" ] || fail "expected autorun.sh without a display to end with status $want_status" "status $status"
says_all "stderr without a display" "$(cat "$work/stderr")"

passed=1
echo "PASS: $chroot_name: $(head -n 1 "$work/stderr")"
