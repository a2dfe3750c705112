#!/bin/sh
# Masters a disc image from a laid-out disc folder:
#
#     make-iso.sh DISC_FOLDER IMAGE.iso
#
# ISO 9660 with Rock Ridge (long names, execute bits) and Joliet (long names
# for Windows). Owners and write bits are dropped the way mkisofs -r does, so
# the programs read r-xr-xr-x and everything else r--r--r-- on the disc. All
# dates are fixed, so the same folder contents give the same image bytes.
# SOURCE_DATE_EPOCH (seconds since 1970, UTC) picks another date.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 DISC_FOLDER IMAGE.iso" >&2
    exit 2
fi
folder=$1
image=$2

if [ ! -d "$folder" ]; then
    echo "$0: no disc folder at $folder" >&2
    exit 1
fi
if ! command -v xorriso >/dev/null 2>&1; then
    echo "$0: xorriso is not installed (Debian package xorriso)" >&2
    exit 1
fi

epoch=${SOURCE_DATE_EPOCH:-946728000}   # 2000-01-01 12:00:00 UTC
stamp=$(date -u -d "@$epoch" +%Y%m%d%H%M%S)

# xorriso refuses to overwrite a foreign file as output; start afresh.
rm -f -- "$image"

# The variable is cleared so that it cannot override the dates set here.
env -u SOURCE_DATE_EPOCH xorriso -no_rc -report_about SORRY -abort_on FAILURE \
    -outdev "stdio:$image" \
    -volid TRENCHMOOR \
    -application_id "TRENCHMOOR SETUP" \
    -rockridge on -joliet on \
    -map "$folder" / \
    -find / -exec mkisofs_r -- \
    -iso_nowtime "=$epoch" \
    -volume_date uuid "${stamp}00" \
    -volume_date all_file_dates "=$epoch" \
    -commit
