#!/usr/bin/env bash
# The Linux launcher's floor: what it asks of the player's system.
#
#     floor.sh versions LAUNCHER
#         objdump -T: no glibc symbol version above 2.34, none of libstdc++
#         (GLIBCXX_, CXXABI_: the C++ runtime is linked in).
#     floor.sh imports LAUNCHER ROOT
#         every symbol the launcher takes from the libraries it names (GTK,
#         GDK, GLib, GIO, GObject, Pango, cairo, ATK, GdkPixbuf, fontconfig,
#         libX11) is exported by those libraries in the system at ROOT, a
#         Debian 11 chroot (GTK 3.24.24, GLib 2.66): the version macros cannot
#         tell one GTK 3.24 from another. Where ROOT is not a finished chroot
#         (tests/releases/chroot.sh marks those), the check is left to the
#         test that makes it (floor.imports).
#
# Exit status 0: within the floor; 1: not, with what crosses it. With
# --remove first, a launcher that crosses it is removed, so that the next
# build links it again and checks it again instead of taking it as made.
set -uo pipefail

remove=""
[ "${1:-}" = --remove ] && { remove=1; shift; }

glibc_floor=2.34

versions() {
    local launcher=$1 table above cxx
    table=$(objdump -T "$launcher") || { echo "floor: objdump -T $launcher failed" >&2; exit 1; }
    # Version fields look like GLIBC_2.34, (GLIBC_2.2.5), GLIBCXX_3.4.21, CXXABI_1.3.
    above=$(grep -oE 'GLIBC_[0-9]+(\.[0-9]+)+' <<<"$table" | sort -u |
        awk -F'[_.]' -v floor="$glibc_floor" '
            BEGIN { split(floor, f, ".") }
            { if ($2 > f[1] || ($2 == f[1] && $3 > f[2])) print $0 }')
    cxx=$(grep -E 'GLIBCXX_|CXXABI_' <<<"$table")
    local failed=0
    if [ -n "$above" ]; then
        echo "floor: $launcher needs a glibc newer than $glibc_floor:" >&2
        for v in $above; do grep -F "$v" <<<"$table" | awk '{ print "  " $NF " " $(NF-1) }' >&2; done
        failed=1
    fi
    if [ -n "$cxx" ]; then
        echo "floor: $launcher needs the system's libstdc++ (it should carry its own):" >&2
        awk '{ print "  " $NF " " $(NF-1) }' <<<"$cxx" | head -n 20 >&2
        failed=1
    fi
    [ "$failed" = 0 ] || exit 1
    echo "floor: highest glibc version $(grep -oE 'GLIBC_[0-9]+(\.[0-9]+)+' <<<"$table" | sort -uV | tail -n 1), no libstdc++ versions"
}

# The file a library's name leads to in ROOT, by the places Debian keeps them.
library_in() { # ROOT NAME
    local dir
    for dir in lib/x86_64-linux-gnu usr/lib/x86_64-linux-gnu lib64 usr/lib64 lib usr/lib; do
        [ -e "$1/$dir/$2" ] && { readlink -f "$1/$dir/$2"; return 0; }
    done
    return 1
}

imports() {
    local launcher=$1 root=$2
    if [ ! -f "$root/.trenchmoor-chroot" ]; then
        echo "floor: no Debian 11 chroot at $root yet: the imports are left to the test floor.imports"
        return 0
    fi
    local needed library file exported="" missing
    needed=$(readelf -d "$launcher" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    for library in $needed; do
        # The C runtime's own: its symbols carry versions, which "versions" reads.
        case $library in libc.so.* | libm.so.* | libgcc_s.so.* | libstdc++.so.* | libpthread.so.* | libdl.so.*) continue ;; esac
        file=$(library_in "$root" "$library") || { echo "floor: $root has no $library" >&2; exit 1; }
        exported+=$(nm -D --defined-only "$file" | awk '{ print $NF }')$'\n'
    done
    # What the launcher takes without a version, weak references aside.
    missing=$(nm -D --undefined-only "$launcher" | awk '$1 == "U" && $2 !~ /@/ { print $2 }' | sort -u |
        comm -23 - <(sort -u <<<"$exported"))
    if [ -n "$missing" ]; then
        echo "floor: $launcher uses what the libraries of $root (Debian 11) do not export:" >&2
        sed 's/^/  /' <<<"$missing" >&2
        exit 1
    fi
    echo "floor: every one of the $(nm -D --undefined-only "$launcher" | awk '$1 == "U" && $2 !~ /@/' | wc -l) unversioned imports is in $root"
}

case ${1:-} in
versions) (versions "$2") ;;
imports) (imports "$2" "$3") ;;
*) echo "usage: $0 [--remove] versions LAUNCHER | imports LAUNCHER ROOT" >&2; exit 2 ;;
esac
status=$?
if [ "$status" -ne 0 ] && [ -n "$remove" ]; then
    rm -f "$2"
    echo "floor: $2 removed" >&2
fi
exit "$status"

