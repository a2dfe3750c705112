#!/usr/bin/env bash
# The dialogs as a screen reader reads them, through AT-SPI:
#
#     accessibility.sh LAUNCHER DISPLAY_NUMBER
#
# An 800x600 Xvfb screen under openbox with a session bus of its own, whose
# accessibility bus (at-spi-bus-launcher, started by the session bus as a
# desktop does) is told that a screen reader runs, as Orca tells it. The
# launcher starts from a disc folder with its fonts beside it and no toolkit
# variable set: GTK must join the accessibility bus by itself. Then, read with
# pyatspi:
#  - the offer is a dialog named by its title, holding its question and its
#    note as labels, its picture, and the buttons Yes and No;
#  - after Escape, the confirmation is such a dialog too, with its whole text
#    as one label and the buttons No and Yes; its hidden OK button is not
#    reported as showing.
# Exit 0 passed, 1 failed, 77 skipped (Debian packages at-spi2-core,
# python3-pyatspi, dbus-daemon).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../e2e/lib-x11.sh"

launcher=${1:?usage: $0 LAUNCHER DISPLAY_NUMBER}
display_number=${2:-}
timeout=${E2E_TIMEOUT:-20}

x11_require dbus-daemon
python=""
for candidate in python3 /usr/bin/python3; do
    "$candidate" -c 'import pyatspi' 2>/dev/null && { python=$candidate; break; }
done
bus_launcher=$(ls /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher 2>/dev/null | head -n 1)
if [ -z "$python" ] || [ -z "$bus_launcher" ]; then
    echo "SKIP: missing pyatspi or at-spi-bus-launcher (Debian packages: python3-pyatspi at-spi2-core)"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-accessibility.XXXXXX") || exit 1
bus_pid=""
launcher_pid=""
passed=0
cleanup() {
    [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
    # The accessibility bus and its registry end with the session bus.
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
    x11_stop
    if [ "$passed" = 1 ]; then rm -rf "$work"; else echo "The test's files are kept in $work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM
fail() {
    echo "FAIL: $1"
    [ -s "$work/launcher.err" ] && { echo "launcher stderr:"; sed 's/^/  /' "$work/launcher.err"; }
    exit 1
}

x11_start 800x600 "$work/x" "$display_number" openbox || fail "$X11_ERROR"
dbus-daemon --session --nofork --print-address=3 3>"$work/bus-address" >"$work/bus.log" 2>&1 &
bus_pid=$!
bus_listens() { [ -s "$work/bus-address" ]; }
x11_wait_for "$timeout" "a session bus" bus_listens || fail "$X11_ERROR"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus-address")
export DBUS_SESSION_BUS_ADDRESS
"$python" "$here/accessibility.py" screen-reader-on || fail "the accessibility bus did not come up (log: $work/bus.log)"
echo "openbox on $DISPLAY, a screen reader on for the session bus $DBUS_SESSION_BUS_ADDRESS"

mkdir -p "$work/disc"
cp "$launcher" "$work/disc/trenchmoor-setup" && cp -r "$(dirname "$launcher")/fonts" "$work/disc/fonts" ||
    fail "cannot lay out the disc folder"
(cd "$work" && exec env -u GTK_MODULES -u NO_AT_BRIDGE -u GNOME_ACCESSIBILITY -u AT_SPI_BUS_ADDRESS \
    "$work/disc/trenchmoor-setup" >"$work/launcher.out" 2>"$work/launcher.err") &
launcher_pid=$!

x11_wait_window "$TITLE_OFFER" "$timeout" || fail "$X11_ERROR"
offer=$X11_WINDOW
"$python" "$here/accessibility.py" offer "$launcher_pid" "$timeout" || fail "the offer as read through AT-SPI"
x11_wait_active "$offer" "$timeout" && x11_key "$offer" Escape || fail "$X11_ERROR"
"$python" "$here/accessibility.py" confirm "$launcher_pid" "$timeout" || fail "the confirmation as read through AT-SPI"
passed=1
echo "PASS: the offer and its confirmation read through AT-SPI"
