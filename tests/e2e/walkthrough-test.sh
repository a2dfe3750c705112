#!/usr/bin/env bash
# Runs tools/walkthrough on the demo disc at 640x480 and checks that it saved
# the six pictures, each a PNG of the screen's size.
#
#     walkthrough-test.sh WALKTHROUGH DISC_FOLDER OUTDIR
set -uo pipefail

walkthrough=$1
disc=$2
outdir=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/lib-x11.sh"

x11_require
if [ ! -x "$disc/trenchmoor-setup" ]; then
    echo "FAIL: no launcher on the demo disc at $disc (target 'disc')"
    exit 1
fi

rm -rf "$outdir"
"$walkthrough" 640x480 "$outdir" "$disc" || { echo "FAIL: the walkthrough failed"; exit 1; }

failures=0
for name in 1-welcome-offer 2-confirmation 3-manual-note 4-game-question 5-sound-note 6-product-range; do
    file="$outdir/$name.png"
    size=$(identify -format '%m %wx%h' "$file" 2>/dev/null)
    if [ "$size" != "PNG 640x480" ]; then
        echo "FAIL: expected $file to be a 640x480 PNG; it is: ${size:-missing or unreadable}"
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] || exit 1
echo "PASS: six pictures in $outdir"
