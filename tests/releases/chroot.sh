#!/usr/bin/env bash
# The Debian releases the launcher is tried on: minimal systems made by
# debootstrap (--variant=minbase) from the Debian archive, each with only the
# packages its row names, kept in a cache folder and made once.
#
#     chroot.sh NAME     prints the folder of chroot NAME, making it first if
#                        it is not in the cache (as root; a few minutes)
#     chroot.sh --all    makes every chroot of the table that is missing
#
# The cache: $TRENCHMOOR_CHROOTS, else /var/cache/trenchmoor-chroots. A
# chroot is remade when its row changes (the row is kept in the chroot's
# .trenchmoor-chroot). Exit status 77 (a test's "skipped") where it cannot be
# made: not root, debootstrap missing, the archive out of reach.
set -uo pipefail

# name              release   packages besides minbase
chroot_table() {
    cat <<'ROWS'
debian11-gtk        bullseye  libgtk-3-0 x11-utils
debian13-gtk        trixie    libgtk-3-0t64 fonts-dejavu-core
debian13-no-gtk     trixie    x11-utils
ROWS
}

mirror=${TRENCHMOOR_DEBIAN_MIRROR:-http://deb.debian.org/debian}
cache=${TRENCHMOOR_CHROOTS:-/var/cache/trenchmoor-chroots}

skip() { echo "SKIP: $*" >&2; exit 77; }

make_chroot() { # NAME
    local row name release packages dir stamp_line
    row=$(chroot_table | awk -v n="$1" '$1 == n')
    [ -n "$row" ] || { echo "chroot.sh: no chroot named '$1'" >&2; exit 2; }
    read -r name release packages <<<"$row"
    dir="$cache/$name"
    stamp_line="$release $packages"
    if [ "$(cat "$dir/.trenchmoor-chroot" 2>/dev/null)" = "$stamp_line" ]; then
        printf '%s\n' "$dir"
        return 0
    fi
    [ "$(id -u)" -eq 0 ] || skip "no chroot $name in $cache, and only root can make one (tools/check, as root, makes them)"
    command -v debootstrap >/dev/null 2>&1 || skip "no chroot $name in $cache, and debootstrap is missing (Debian package debootstrap)"
    mkdir -p "$cache" || skip "cannot make the cache folder $cache"
    # One maker at a time for each chroot; a second waits, then finds it made.
    exec {lock}>"$cache/$name.lock" || skip "cannot lock $cache/$name.lock"
    flock "$lock"
    if [ "$(cat "$dir/.trenchmoor-chroot" 2>/dev/null)" = "$stamp_line" ]; then
        printf '%s\n' "$dir"
        return 0
    fi
    command -v curl >/dev/null 2>&1 && ! curl -fsS -m 20 -o /dev/null "$mirror/dists/$release/Release" 2>/dev/null &&
        skip "the Debian archive ($mirror) cannot be reached: no chroot $name"
    local new="$dir.new" started=$SECONDS
    rm -rf "$new" "$dir"
    echo "Making the $name chroot ($release, minbase + $packages) in $dir ..." >&2
    # The packages through the release's own apt: debootstrap's --include
    # configures them with the base system, where dconf-service fails.
    if ! { debootstrap --variant=minbase "$release" "$new" "$mirror" &&
           unshare --mount --propagation private sh -c '
               mount -t proc proc "$0/proc" &&
               chroot "$0" env DEBIAN_FRONTEND=noninteractive sh -c "apt-get update -q && apt-get install -y -q --no-install-recommends $*"
           ' "$new" $packages; } >"$cache/$name.log" 2>&1; then
        tail -n 5 "$cache/$name.log" >&2
        rm -rf "$new"
        # Where the archive went away meanwhile the test is skipped, not failed.
        grep -qiE 'Failed getting release file|Couldn.t download|Temporary failure|unable to resolve|Could not resolve' "$cache/$name.log" &&
            skip "the Debian archive ($mirror) cannot be reached: no chroot $name (log: $cache/$name.log)"
        echo "FAIL: making the $name chroot failed (log: $cache/$name.log)" >&2
        exit 1
    fi
    # What only installing needs goes: the packages, the archive's lists and
    # apt's caches of them (a third of a minimal system).
    rm -rf "$new/var/cache/apt/archives/"*.deb "$new/var/cache/apt/"*.bin "$new/var/lib/apt/lists/"*_Packages \
        "$new/var/lib/apt/lists/"*_Translation-* "$new/var/lib/apt/lists/"*Release*
    printf '%s\n' "$stamp_line" >"$new/.trenchmoor-chroot"
    mv "$new" "$dir"
    echo "Made the $name chroot in $((SECONDS - started)) s ($(du -sh "$dir" | cut -f1))" >&2
    printf '%s\n' "$dir"
}

case ${1:-} in
--all)
    status=0
    for name in $(chroot_table | awk '{ print $1 }'); do
        (make_chroot "$name" >/dev/null) || status=$?
    done
    exit "$status" ;;
"") echo "usage: $0 NAME | --all" >&2; exit 2 ;;
*) make_chroot "$1" ;;
esac
