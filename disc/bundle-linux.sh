#!/bin/sh
# Lays out the disc's Linux launcher with the Qt it runs on, so that it starts
# on a desktop without Qt 6 or ICU:
#
#     bundle-linux.sh LAUNCHER DISC_ROOT QT_PLUGIN_FOLDER LIST_FILE
#
#   DISC_ROOT/trenchmoor-setup    the launcher, stripped; run path $ORIGIN/linux/lib
#   DISC_ROOT/linux/lib/          the libraries it needs that a desktop may lack
#                                 (run path $ORIGIN: each finds its neighbours)
#   DISC_ROOT/linux/plugins/KIND/ the Qt plugins it loads (run path $ORIGIN/../../lib)
#
# The launcher loads plugins from linux/plugins only (forms/qt/arguments.cpp). LIST_FILE
# receives the files placed, relative to DISC_ROOT, one a line.
#
# Where the line is drawn: every library the launcher and its plugins need is
# either bundled or left to the system by the two lists below; one in neither
# list stops the build, so a new dependency is a decision, not an accident.
# Needs: patchelf, strip and objdump (binutils), ldd.
set -eu

if [ $# -ne 4 ]; then
    echo "usage: $0 LAUNCHER DISC_ROOT QT_PLUGIN_FOLDER LIST_FILE" >&2
    exit 2
fi
launcher=$1
root=$2
qt_plugins=$3
list=$4
STRIP=${STRIP:-strip}
PATCHELF=${PATCHELF:-patchelf}

for tool in "$PATCHELF" "$STRIP" ldd; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$0: $tool is missing (Debian packages patchelf, binutils)" >&2; exit 1; }
done

# The plugins a run loads (QT_DEBUG_PLUGINS=1 and LD_DEBUG=libs on X11 and on
# Wayland): X11 and Wayland windows, the client-side title bars Wayland
# compositors without server-side decorations need (Qt draws them only where
# it has an EGL client buffer integration, hence that one too), JPEG pictures
# and the window icon, and the compose-key input that every X11 run loads.
plugins="
platforms/libqxcb.so
platforms/libqwayland-generic.so
wayland-shell-integration/libxdg-shell.so
wayland-decoration-client/libbradient.so
wayland-graphics-integration-client/libqt-plugin-wayland-egl.so
imageformats/libqjpeg.so
imageformats/libqico.so
platforminputcontexts/libcomposeplatforminputcontextplugin.so
"

# Bundled: Qt, ICU and the small libraries Qt pulls in that are not part of a
# desktop's base system (or not under the same name on every distribution).
bundled='^lib(Qt6[A-Za-z]*|icu(uc|i18n|data)|double-conversion|b2|gomp|pcre2-16|md4c|jpeg|xcb-(icccm|image|keysyms|render-util|util|cursor)|xkbcommon|xkbcommon-x11)\.so'
# Left to the system: the C and C++ runtimes, the X11 and Wayland client
# libraries, fonts, OpenGL (it must match the graphics driver), D-Bus, GLib and
# the compression and support libraries every desktop carries. (And the
# sanitizer runtimes of a checking build, whose disc no player gets.)
system='^(linux-vdso|ld-linux-x86-64|lib(asan|ubsan|c|m|dl|rt|pthread|stdc\+\+|gcc_s|X11|X11-xcb|Xau|Xdmcp|Xext|Xrender|Xfixes|Xcursor|Xi|SM|ICE|uuid|xcb|xcb-[a-z0-9]+|wayland-(client|cursor|egl)|fontconfig|freetype|harfbuzz|graphite2|png16|brotli(dec|common)|expat|EGL|GLX|GL|OpenGL|GLdispatch|dbus-1|glib-2\.0|gthread-2\.0|pcre2-8|ffi|z|zstd|lzma|lz4|bz2|systemd|cap|gcrypt|gpg-error|bsd|md))\.so'

rm -rf "$root/linux"
mkdir -p "$root/linux/lib"
: >"$list.new"

# The launcher first: stripped, then given its run path.
cp "$launcher" "$root/trenchmoor-setup"
chmod 755 "$root/trenchmoor-setup"
"$STRIP" --strip-all "$root/trenchmoor-setup"
"$PATCHELF" --set-rpath '$ORIGIN/linux/lib' "$root/trenchmoor-setup"
echo trenchmoor-setup >>"$list.new"

objects="$launcher"
for plugin in $plugins; do
    if [ ! -f "$qt_plugins/$plugin" ]; then
        echo "$0: the Qt plugin $qt_plugins/$plugin is missing (Debian packages libqt6gui6, qt6-wayland)" >&2
        exit 1
    fi
    mkdir -p "$root/linux/plugins/$(dirname "$plugin")"
    cp "$qt_plugins/$plugin" "$root/linux/plugins/$plugin"
    chmod 644 "$root/linux/plugins/$plugin"
    "$STRIP" --strip-unneeded "$root/linux/plugins/$plugin"
    "$PATCHELF" --set-rpath '$ORIGIN/../../lib' "$root/linux/plugins/$plugin"
    echo "linux/plugins/$plugin" >>"$list.new"
    objects="$objects $qt_plugins/$plugin"
done

# Every library these need, directly or not, as the system resolves it.
# shellcheck disable=SC2086 # one word a file
ldd $objects | awk '$2 == "=>" && $3 != "not" { print $1, $3 } $2 == "=>" && $3 == "not" { print "missing:", $1 }' | sort -u >"$list.ldd"
if grep -q '^missing:' "$list.ldd"; then
    echo "$0: libraries not found: $(grep '^missing:' "$list.ldd" | cut -d' ' -f2 | tr '\n' ' ')" >&2
    exit 1
fi
undecided=""
while read -r name path; do
    if printf '%s\n' "$name" | grep -Eq "$bundled"; then
        cp -L "$path" "$root/linux/lib/$name"
        chmod 644 "$root/linux/lib/$name"
        "$STRIP" --strip-unneeded "$root/linux/lib/$name"
        "$PATCHELF" --set-rpath '$ORIGIN' "$root/linux/lib/$name"
        echo "linux/lib/$name" >>"$list.new"
    elif ! printf '%s\n' "$name" | grep -Eq "$system"; then
        undecided="$undecided $name"
    fi
done <"$list.ldd"
rm -f "$list.ldd"
if [ -n "$undecided" ]; then
    echo "$0: neither bundled nor left to the system:$undecided (decide in $0)" >&2
    exit 1
fi
sort "$list.new" >"$list"
rm -f "$list.new"
