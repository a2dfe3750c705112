#!/usr/bin/env bash
# valgrind memcheck of one whole run of the real launcher on Xvfb: Enter on the
# offer, the manual note, the game question and the sound note, then Enter on
# the product range screen.
#
#     TRENCHMOOR_MEMCHECK=1 tests/hardening/memcheck.sh LAUNCHER
#     (or: cd build && TRENCHMOOR_MEMCHECK=1 ctest -L memcheck --output-on-failure)
#
# Passes when valgrind finds no invalid access or use of uninitialised memory
# and no definite leak whose stack passes through our code (a frame in this
# tree's forms/, setup/ or app/). valgrind.supp names what the system
# libraries keep. Takes a minute or more, so it is skipped (status 77) unless
# TRENCHMOOR_MEMCHECK=1. On a failure the report stays in the temporary folder
# it names.
set -uo pipefail

launcher=${1:?launcher}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../e2e/lib-x11.sh"
[ "${TRENCHMOOR_MEMCHECK:-0}" = 1 ] || { echo "skipped: set TRENCHMOOR_MEMCHECK=1 to run it"; exit 77; }
x11_require valgrind

work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-memcheck.XXXXXX")
launcher_pid=""
finish() {
    [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
    x11_stop
}
trap finish EXIT
ulimit -c 0

mkdir -p "$work/disc"
cp "$launcher" "$work/disc/trenchmoor-setup"
for path in Acrobat/Setup.exe Tallset.exe; do e2e_standin "$work/disc" "$path" "$work/started.log" 0; done
x11_start 800x600 "$work/x" || { echo "FAIL: $X11_ERROR"; exit 1; }

# The installers' start forks the launcher; those short-lived copies stay silent.
# Source files by their whole path, so that our frames are told by folder.
(cd "$work/disc" && exec valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
    --errors-for-leak-kinds=none --track-origins=yes --num-callers=40 --child-silent-after-fork=yes --fullpath-after= \
    --suppressions="$here/valgrind.supp" --log-file="$work/memcheck.log" ./trenchmoor-setup) >"$work/launcher.out" 2>"$work/launcher.err" &
launcher_pid=$!

# Enter on each dialog once it has the focus; valgrind makes everything slow.
for title in "$TITLE_OFFER" "$TITLE_OFFER" "$TITLE_SETUP" "$TITLE_SETUP" "$TITLE_RANGE"; do
    x11_wait_window "$title" 120 && x11_wait_active "$X11_WINDOW" 120 || { echo "FAIL: $X11_ERROR (report: $work)"; exit 1; }
    sleep 1
    x11_key "$X11_WINDOW" Return
done
for _ in $(seq 1200); do kill -0 "$launcher_pid" 2>/dev/null || break; sleep 0.1; done
wait "$launcher_pid"
status=$?
launcher_pid=""

echo "report: $work/memcheck.log"
grep -E "ERROR SUMMARY|definitely lost|indirectly lost" "$work/memcheck.log"
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; exit 1; }
[ "$(cut -d'|' -f1 "$work/started.log" | tr '\n' ' ')" = "Acrobat/Setup.exe Tallset.exe " ] || { echo "FAIL: installers: $(cat "$work/started.log")"; exit 1; }
grep -q "ERROR SUMMARY: 0 errors" "$work/memcheck.log" || { echo "FAIL: memory errors"; exit 1; }
# Definite leaks whose stack runs through the launcher's own code: a frame in
# a source file of this tree's forms/, setup/ or app/ (by its path as given or
# with links resolved).
ours=$(TREE="$(cd "$here/../.." && pwd)" TREE_REAL="$(cd "$here/../.." && pwd -P)" awk '
    function ours(text, tree, folder) {
        for (tree in trees) for (folder in folders) if (index(text, "(" trees[tree] "/" folders[folder] "/")) return 1
        return 0
    }
    BEGIN { trees[1] = ENVIRON["TREE"]; trees[2] = ENVIRON["TREE_REAL"]; folders[1] = "forms"; folders[2] = "setup"; folders[3] = "app" }
    /definitely lost in loss record/ { block = 1; text = "" }
    block { text = text $0 "\n" }
    block && /^==[0-9]+== $/ { if (ours(text)) print text; block = 0 }' "$work/memcheck.log")
[ -z "$ours" ] || { echo "FAIL: definite leaks from our code:"; echo "$ours"; exit 1; }
echo "passed: no invalid access, no definite leak from our code"
rm -rf "$work"
