#!/usr/bin/env bash
# With no display to open, the launcher prints one clear line and exits 1:
# no abort, no core dump, no hang.
set -u
launcher=$1
status=0
for display in "" ":97"; do
    err=$(mktemp)
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" timeout 20 "$launcher" 2>"$err" >/dev/null
    code=$?
    lines=$(grep -c . "$err")
    if [ "$code" -ne 1 ] || [ "$lines" -ne 1 ] || ! grep -q "^Trenchmoor Setup: Run-time error .*: Cannot open the display" "$err"; then
        echo "DISPLAY='$display': exit $code, stderr:"; cat "$err"; status=1
    else
        echo "DISPLAY='$display': $(cat "$err")"
    fi
    rm -f "$err"
done
exit $status
