#!/usr/bin/env bash
# The Wine prefix the Windows tests share within one test run:
#
#     prefix.sh make PREFIX      a fresh prefix (ctest fixture set-up)
#     prefix.sh remove PREFIX    ends its programs and removes it (clean-up)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/wine/lib-wine.sh
. "$here/lib-wine.sh"
wine_require

case "${1:-}" in
make)
    started=$(x11_now_us)
    if ! wine_prefix_make "$2"; then
        echo "FAIL: $WINE_ERROR"
        exit 1
    fi
    echo "Wine prefix made in $(( ($(x11_now_us) - started) / 1000 )) ms: $2"
    ;;
remove)
    WINEPREFIX=$2 wineserver -k >/dev/null 2>&1
    WINEPREFIX=$2 wineserver -w
    rm -rf "$2" "$2.log"
    ;;
*)
    echo "usage: $0 make|remove PREFIX" >&2
    exit 2
    ;;
esac
