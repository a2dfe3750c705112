#!/usr/bin/env bash
# valgrind memcheck of one whole run of the real launcher on Xvfb: Enter on the
# offer, the manual note, the game question and the sound note, then Enter on
# the product range screen.
#
#     TRENCHMOOR_MEMCHECK=1 tests/hardening/memcheck.sh LAUNCHER
#     (or: cd build && TRENCHMOOR_MEMCHECK=1 ctest -L memcheck --output-on-failure)
#
# Passes when valgrind finds no invalid access or use of uninitialised memory
# and no definite leak whose stack passes through our code. Takes a few
# minutes, so it is skipped (status 77) unless TRENCHMOOR_MEMCHECK=1. On a
# failure the report stays in the temporary folder it names.
set -uo pipefail

launcher=${1:?launcher}
[ "${TRENCHMOOR_MEMCHECK:-0}" = 1 ] || { echo "skipped: set TRENCHMOOR_MEMCHECK=1 to run it"; exit 77; }
for program in valgrind Xvfb openbox xdotool; do
    command -v "$program" >/dev/null 2>&1 || { echo "skipped: $program is missing"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-memcheck.XXXXXX")
pids=()
finish() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
}
trap finish EXIT
ulimit -c 0

mkdir -p "$work/runtime" "$work/config" "$work/disc/Acrobat"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_QPA_PLATFORMTHEME TRENCHMOOR_QT_MESSAGES DBUS_SESSION_BUS_ADDRESS
cp "$launcher" "$work/disc/trenchmoor-setup"
for installer in Acrobat/Setup.exe:reader Tallset.exe:game; do
    printf '#!/bin/sh\necho %s >> "%s"\n' "${installer#*:}" "$work/started.log" >"$work/disc/${installer%%:*}"
    chmod 755 "$work/disc/${installer%%:*}"
done

Xvfb -displayfd 3 -screen 0 800x600x24 -dpi 96 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=("$!")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=("$!")
sleep 0.5

# The installers' start forks the launcher; those short-lived copies stay silent.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
(cd "$work/disc" && exec valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
    --errors-for-leak-kinds=none --track-origins=yes --num-callers=40 --child-silent-after-fork=yes \
    --suppressions="$here/valgrind.supp" --log-file="$work/memcheck.log" ./trenchmoor-setup) >"$work/launcher.out" 2>"$work/launcher.err" &
launcher_pid=$!
pids+=("$launcher_pid")

# The window with the focus, once it has this title and is not the last one.
last=""
wait_focus() {
    local title=$1 id
    for _ in $(seq 1200); do
        id=$(xdotool getwindowfocus 2>/dev/null)
        if [ -n "$id" ] && [ "$id" != "$last" ] && xdotool getwindowname "$id" 2>/dev/null | grep -Eq "$title"; then
            last=$id
            sleep 1
            return 0
        fi
        kill -0 "$launcher_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
for title in '^Acrobat Reader Setup' '^Acrobat Reader Setup' '^Trenchmoor Setup $' '^Trenchmoor Setup $' '^Range of our products$'; do
    wait_focus "$title" || { echo "FAIL: no window '$title' (report: $work)"; exit 1; }
    xdotool key Return
done
for _ in $(seq 1200); do kill -0 "$launcher_pid" 2>/dev/null || break; sleep 0.1; done
wait "$launcher_pid"
status=$?

echo "report: $work/memcheck.log"
grep -E "ERROR SUMMARY|definitely lost|indirectly lost" "$work/memcheck.log"
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; exit 1; }
[ "$(tr '\n' ' ' <"$work/started.log")" = "reader game " ] || { echo "FAIL: installers: $(cat "$work/started.log")"; exit 1; }
grep -q "ERROR SUMMARY: 0 errors" "$work/memcheck.log" || { echo "FAIL: memory errors"; exit 1; }
# Definite leaks whose stack runs through the launcher's own code.
ours=$(awk '/definitely lost in loss record/ { block = 1; text = "" } block { text = text $0 "\n" }
            block && /^==[0-9]+== $/ { if (text ~ /(engine::|FrmAcrobat|FrmMsgBox|FrmYesNo|FrmNewBox|FrmOption|MessageDialog|mdlMain::|placement::|startup::|definitions::)/) print text; block = 0 }' \
       "$work/memcheck.log")
[ -z "$ours" ] || { echo "FAIL: definite leaks from our code:"; echo "$ours"; exit 1; }
echo "passed: no invalid access, no definite leak from our code"
rm -rf "$work"
