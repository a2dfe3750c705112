#!/bin/sh
# Started by Linux desktops when the disc is mounted (the freedesktop autostart
# convention for removable media), and by the disc's desktop entry. The
# desktop runs it with /bin/sh, so it needs no execute bit; it starts the
# setup program that lies next to it, with no arguments (the launcher reads
# none), and waits for it.
#
# Where the program cannot start at all, the player is told why in a window,
# through the first of zenity, kdialog and xmessage that can show one, and on
# stderr; with no display, on stderr only. The loader ends a program it
# cannot start with status 127 (a library missing) or 1 (a symbol version
# missing, as on a glibc older than 2.34), and the shell with 126 where the
# file cannot be run. 1 is also the launcher's own status after a failure it
# has told the player about itself: so with 1 the player hears from here only
# where the system lacks what the launcher needs, which a launcher that ran
# cannot have lacked. Status 0 and the launcher's death by a signal pass
# through untold, and a launcher that runs costs nothing here but the wait.
disc=$(dirname "$0")
"$disc/trenchmoor-setup"
status=$?
case $status in 1 | 126 | 127) ;; *) exit "$status" ;; esac

title="Trenchmoor Setup"

# The glibc the launcher needs, and the version of this system's.
glibc_lacking() {
    have=$(getconf GNU_LIBC_VERSION 2>/dev/null) || return 1
    have=${have#glibc }
    major=${have%%.*} minor=${have#*.}
    minor=${minor%%[!0-9]*}
    case $major$minor in *[!0-9]* | "") return 1 ;; esac
    [ "$major" -lt 2 ] || { [ "$major" -eq 2 ] && [ "$minor" -lt 34 ]; }
}

# GTK 3: libgtk-3.so.0, from the loader's cache or the usual folders. Its
# file name tells the version: libgtk-3.so.0.2404.29 is 3.24.
gtk_file() {
    for ldconfig in ldconfig /sbin/ldconfig /usr/sbin/ldconfig; do
        file=$("$ldconfig" -p 2>/dev/null | sed -n 's/^[[:space:]]*libgtk-3\.so\.0 (.*x86-64.*) => //p' | head -n 1)
        [ -n "$file" ] && { printf '%s\n' "$file"; return 0; }
    done
    for dir in /lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu /lib64 /usr/lib64 /usr/lib /lib; do
        [ -e "$dir/libgtk-3.so.0" ] && { printf '%s\n' "$dir/libgtk-3.so.0"; return 0; }
    done
    return 1
}

lacks=""
lack() { lacks="$lacks
  - $1"; }
if glibc_lacking; then
    lack "glibc 2.34 or later (the GNU C Library);
    this system has glibc $have"
fi
if ! gtk=$(gtk_file); then
    lack "GTK 3, version 3.24 or later (libgtk-3.so.0),
    which this system does not have"
else
    real=$(readlink -f "$gtk" 2>/dev/null)
    minor=${real##*/libgtk-3.so.0.}
    minor=${minor%%.*}
    case $minor in
    '' | *[!0-9]*) ;;
    *) [ "$minor" -ge 2400 ] || lack "GTK 3.24 or later;
    this system has GTK 3.$((minor / 100))" ;;
    esac
fi
if [ -n "$lacks" ]; then
    text="Trenchmoor Setup cannot start on this system. It needs:$lacks

Install Trenchmoor from a newer Linux system, or install
what is missing with the system's package manager."
elif [ "$status" -eq 1 ]; then
    exit 1
elif [ "$status" -eq 126 ]; then
    text="Trenchmoor Setup cannot start: this system cannot run
$disc/trenchmoor-setup,
a program for 64-bit x86 Linux (or the disc is mounted
without permission to run programs)."
else
    text="Trenchmoor Setup cannot start on this system: the program
loader refused $disc/trenchmoor-setup
(it needs glibc 2.34 and GTK 3.24 or later)."
fi

printf '%s\n' "$text" >&2
# A tool that cannot run or reach the display is passed over for the next one;
# any other end (OK, or the window closed) means the player has seen it.
shown() { # TOOL ARGUMENT...
    command -v "$1" >/dev/null 2>&1 || return 1
    said=$("$@" 2>&1 >/dev/null)
    tool_status=$?
    [ "$tool_status" -lt 126 ] || return 1
    [ "$tool_status" -eq 0 ] && return 0
    ! printf '%s\n' "$said" | grep -qi 'display'
}
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    # zenity reads its text as markup.
    markup=$(printf '%s\n' "$text" | sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g')
    shown zenity --error --title="$title" --width=440 --text="$markup" ||
        shown kdialog --title "$title" --error "$text" ||
        shown xmessage -title "$title" -center -buttons OK:0 -default OK "$text"
fi
exit "$status"
