#!/usr/bin/env bash
# Runs a program in a chroot of another release, as a player's system would
# run it from the disc:
#
#     in-chroot.sh ROOT [--ro DIR]... PROGRAM [ARGUMENT...]
#
# ROOT's folders read-only in a / of its own (so that any path can be bound
# in it), with /proc, a minimal /dev and a /tmp of its own;
# the X server's socket of $DISPLAY; the current folder (the test's files)
# writable and PROGRAM's folder, and each DIR, read-only (the disc), all at
# their own paths. The environment passes as it is. bwrap starts the program
# as its child and ends it when bwrap itself ends.
set -uo pipefail
root=${1:?ROOT}
shift
binds=()
[ -n "${DISPLAY:-}" ] && [ -S "/tmp/.X11-unix/X${DISPLAY#:}" ] &&
    binds+=(--ro-bind "/tmp/.X11-unix/X${DISPLAY#:}" "/tmp/.X11-unix/X${DISPLAY#:}")
binds+=(--bind "$PWD" "$PWD")
while [ "${1:-}" = --ro ]; do
    binds+=(--ro-bind "$2" "$2")
    shift 2
done
[[ ${1:?PROGRAM} == */* ]] && binds+=(--ro-bind "$(dirname "$1")" "$(dirname "$1")")
system=()
for entry in "$root"/*; do
    name=${entry##*/}
    case $name in proc | dev | tmp | run) continue ;; esac
    if [ -L "$entry" ]; then
        system+=(--symlink "$(readlink "$entry")" "/$name") # /bin -> usr/bin where /usr is merged
    else
        system+=(--ro-bind "$entry" "/$name")
    fi
done
exec bwrap --tmpfs / "${system[@]}" --proc /proc --dev /dev --tmpfs /tmp --tmpfs /run \
    "${binds[@]}" --chdir "$PWD" --die-with-parent "$@"
