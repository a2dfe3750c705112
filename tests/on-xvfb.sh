#!/usr/bin/env bash
# Runs a command on an 800x600 X server of its own, without a window manager
# or under the one ON_XVFB_WM names (openbox, metacity).
#
#     [ON_XVFB_WM=openbox] on-xvfb.sh DISPLAY_NUMBER COMMAND [ARGUMENT...]
set -u
. "$(dirname "$0")/e2e/lib-x11.sh"
x11_require
first=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/on-xvfb.XXXXXX")
trap 'x11_stop; rm -rf "$dir"' EXIT
x11_start 800x600 "$dir" "$first" "${ON_XVFB_WM:-none}" || { echo "$X11_ERROR"; exit 1; }
"$@"
