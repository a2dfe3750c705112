#!/usr/bin/env bash
# Runs one Windows test program under Wine on a private Xvfb and passes on its
# exit status:
#
#     run-program.sh WORKDIR DISPLAY_NUMBER PREFIX PROGRAM [ARG...]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/wine/lib-wine.sh
. "$here/lib-wine.sh"
wine_require
work=$1 display=$2 prefix=$3
shift 3
rm -rf "$work" && mkdir -p "$work" || exit 1
trap 'wine_stop' EXIT
wine_start 800x600 "$work" "$display" "$prefix" || { echo "FAIL: $WINE_ERROR"; exit 1; }
cd "$work" || exit 1
wine "$@"
