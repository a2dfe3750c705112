#!/usr/bin/env bash
# One case of the end-to-end table (tests/e2e/cases.txt), played by the e2e
# driver with the launcher run in a chroot of another release:
#
#     case.sh CHROOT CASE LAUNCHER [DISPLAY_NUMBER]
#
# The stand-in installers the driver lays out are scripts, and they run in
# the chroot too. Exit status 77 (skipped) where the chroot cannot be made.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
command -v bwrap >/dev/null 2>&1 || { echo "SKIP: bwrap is missing (Debian package bubblewrap)"; exit 77; }
[ $# -ge 3 ] || { echo "usage: $0 CHROOT CASE LAUNCHER [DISPLAY_NUMBER]" >&2; exit 2; }
root=$(bash "$here/chroot.sh" "$1") || exit $?
echo "in the $1 chroot ($root)"
E2E_WRAPPER="bash $here/in-chroot.sh $root" exec bash "$here/../e2e/run-case.sh" "$2" "$3" ${4:+"$4"}
