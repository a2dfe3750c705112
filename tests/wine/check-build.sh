#!/usr/bin/env bash
# What the Windows launchers are, read from their files with objdump (the
# 32-bit one cannot run on this machine):
#
#     check-build.sh I686_BIN_DIR X86_64_BIN_DIR
#
# SETUP.EXE: a 32-bit Windows GUI program; both launchers at most 1 MiB and
# importing only Windows' own DLLs; SETUP.EXE's resources: the icon group 1
# (the program's icon, the first one), a version, the manifest (run as the
# player, system-DPI aware, common controls 6) and the six pictures.
set -uo pipefail
i686=$1/SETUP.EXE x64=$2/trenchmoor-setup64.exe
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
for tool in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump strings; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool (Debian: binutils-mingw-w64, binutils)"; exit 77; }
done

headers=$(i686-w64-mingw32-objdump -p "$i686") || { echo "FAIL: cannot read $i686"; exit 1; }
grep -q 'file format pei-i386' <<<"$headers" || fail "SETUP.EXE is not a 32-bit PE file"
grep -qE '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$headers" || fail "SETUP.EXE is not PE32"
grep -qE '^Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)' <<<"$headers" || fail "SETUP.EXE is not a GUI program"

# Windows' own DLLs, nothing that would have to lie beside the program.
allowed=" kernel32.dll user32.dll gdi32.dll ole32.dll oleaut32.dll comctl32.dll shell32.dll msvcrt.dll advapi32.dll "
for program in "$i686" "$x64"; do
    size=$(stat -c %s "$program")
    [ "$size" -le 1048576 ] || fail "$(basename "$program") is $size bytes, more than 1 MiB"
    objdump="i686-w64-mingw32-objdump"
    [ "$program" = "$x64" ] && objdump="x86_64-w64-mingw32-objdump"
    dlls=$($objdump -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
    [ -n "$dlls" ] || fail "$(basename "$program"): no import table found"
    for dll in $dlls; do
        [[ $allowed == *" $dll "* ]] || fail "$(basename "$program") imports $dll"
    done
    echo "$(basename "$program"): $size bytes, imports $(tr '\n' ' ' <<<"$dlls")"
done

# Resource types at the top of the directory: 3 icon, 0xa RCDATA, 0xe icon
# group, 0x10 version, 0x18 manifest.
resources=$(sed -n '/The .rsrc Resource Directory section/,$p' <<<"$headers")
types=$(sed -n 's/^[0-9a-f]\{3\}   Entry: ID: 0x0000\([0-9a-f]*\),.*/\1/p' <<<"$resources" | tr '\n' ' ')
[ "$types" = "03 0a 0e 10 18 " ] || fail "SETUP.EXE has the resource types $types, not icon, RCDATA, icon group, version, manifest"
first_group=$(sed -n '/Entry: ID: 0x00000e,/{n;n;s/^[0-9a-f]\{3\}     Entry: ID: 0x\([0-9a-f]*\),.*/\1/p;}' <<<"$resources")
[ "$first_group" = 000001 ] || fail "the first icon group is '$first_group', not 1"
pictures=$(sed -n 's/.*Entry: name: \[[^]]*\]: \([^,]*\), Value.*/\1/p' <<<"$resources" | sort | tr '\n' ' ')
[ "$pictures" = "BACKDROP.BMP COVER.JPG RANGE.JPG READER.BMP SETUP.ICO WELCOME.JPG " ] ||
    fail "SETUP.EXE carries the pictures $pictures"
for text in 'level="asInvoker"' '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' \
            'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'; do
    grep -qF "$text" "$i686" || fail "the manifest lacks $text"
done
strings -el "$i686" | grep -qx 'Trenchmoor Setup' || fail "the version resource names no 'Trenchmoor Setup'"
strings -el "$i686" | grep -qx 'SETUP.EXE' || fail "the version resource names no original file SETUP.EXE"

[ "$failures" = 0 ] || exit 1
echo "PASS: SETUP.EXE is a 32-bit GUI program with icon, version, manifest and pictures; both launchers use Windows' own DLLs only"
