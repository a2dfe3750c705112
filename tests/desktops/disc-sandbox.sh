#!/usr/bin/env bash
# The disc's launcher on a desktop without Qt 6 and ICU:
#
#     disc-sandbox.sh DISC_FOLDER DEV_LAUNCHER [DISPLAY_NUMBER]
#
# Runs DISC_FOLDER/trenchmoor-setup in a bubblewrap sandbox in which every file
# of the system's Qt 6 and ICU packages (the ones the launcher built on this
# system loads, found with dpkg) and the system's Qt plugin folder are hidden,
# and the disc is mounted read-only at /media/TRENCHMOOR. The run is started
# with Qt options on its command line (-platform offscreen, -qwindowtitle) and
# with QT_PLUGIN_PATH and QT_QPA_PLATFORM_PLUGIN_PATH naming a folder of the
# system Qt's plugins, copied before the hiding (gif pictures, which the disc
# leaves out, and xcb): the launcher must honour none of them. The session
# says Wayland (XDG_SESSION_TYPE, WAYLAND_DISPLAY) with DISPLAY set: the
# installers must get the environment the launcher got. It plays the whole
# accepted run (Enter on every dialog, then Finish) on Xvfb with openbox and
# checks in /proc/PID/maps, at the product range screen, that every Qt, ICU and
# plugin object mapped came from the disc's linux/ folder.
#
# DEV_LAUNCHER (build/trenchmoor-setup, on the system's Qt) must fail to start
# in the same sandbox: that shows the hiding works. Exit 0 passed, 1 failed,
# 77 skipped (bwrap, dpkg or an X program missing).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../e2e/lib-x11.sh"

disc=${1:?usage: $0 DISC_FOLDER DEV_LAUNCHER [DISPLAY_NUMBER]}
dev_launcher=${2:?usage: $0 DISC_FOLDER DEV_LAUNCHER [DISPLAY_NUMBER]}
display_number=${3:-}
timeout=${E2E_TIMEOUT:-20}

x11_require bwrap dpkg-query
[ -x "$disc/trenchmoor-setup" ] || { echo "FAIL: no launcher at $disc/trenchmoor-setup (target 'disc')"; exit 1; }
disc=$(cd "$disc" && pwd -P)
mount=/media/TRENCHMOOR

work=$(mktemp -d "${TMPDIR:-/tmp}/trenchmoor-sandbox.XXXXXX") || exit 1
launcher_pid=""
passed=0
cleanup() {
    local pid
    [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
    # The stand-ins write down their process ids (the sandbox shares the
    # process numbers); the ones still waiting go.
    for pid in $(cut -d' ' -f2 "$work/starts.log" 2>/dev/null); do
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qx 'sleep 30 ' && kill "$pid" 2>/dev/null
    done
    x11_stop
    if [ "$passed" = 1 ]; then rm -rf "$work"; else echo "The test's files are kept in $work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM
fail() {
    echo "FAIL: $1"
    [ -n "${2:-}" ] && echo "  seen: $2"
    if [ -n "$X11_XVFB_PID" ]; then
        echo "windows on the screen (topmost first):"
        x11_describe
        x11_screenshot "$work/failure.png" && echo "screenshot: $work/failure.png"
    fi
    [ -s "$work/launcher.err" ] && { echo "launcher stderr:"; sed 's/^/  /' "$work/launcher.err"; }
    exit 1
}

# --- what to hide: the packages of the Qt and ICU the system's launcher loads ---
qt_plugins=$(dirname "$(ldd "$dev_launcher" | awk '$1 ~ /^libQt6Gui/ { print $3 }')")/qt6/plugins
[ -d "$qt_plugins/platforms" ] || fail "cannot find the system's Qt plugin folder (looked at $qt_plugins)"
qt_plugins=$(cd "$qt_plugins" && pwd -P)
{
    ldd "$dev_launcher" "$qt_plugins"/platforms/*.so "$qt_plugins"/*/*.so 2>/dev/null |
        awk '$2 == "=>" && $1 ~ /^lib(Qt6|icu)/ { print $3 }' | sort -u
    find "$qt_plugins" -name '*.so'
} | xargs -r realpath | xargs -r dpkg-query -S 2>/dev/null | cut -d: -f1 | sort -u >"$work/packages"
grep -q '^libqt6core6' "$work/packages" && grep -q '^libicu' "$work/packages" ||
    fail "dpkg does not name the Qt and ICU packages" "$(tr '\n' ' ' <"$work/packages")"
echo "hiding the files of: $(tr '\n' ' ' <"$work/packages")and $qt_plugins"

hide=(--tmpfs "$qt_plugins")
while read -r file; do
    case $file in "$qt_plugins"/*) continue ;; esac
    [ -f "$file" ] && hide+=(--ro-bind /dev/null "$file")
done < <(xargs dpkg-query -L <"$work/packages" | sort -u)

# Another Qt's plugins, where the sandbox does not hide them.
foreign=$work/other-qt/plugins
mkdir -p "$foreign/imageformats" "$foreign/platforms"
cp "$qt_plugins"/imageformats/*.so "$foreign/imageformats/"
cp "$qt_plugins/platforms/libqxcb.so" "$foreign/platforms/"

# Stand-in installers: they write down their name, process id and
# environment, then wait.
cat >"$work/standin" <<EOF
#!/bin/sh
echo "\$0 \$\$" >>"$work/starts.log"
env | sort >"$work/env.\$\$"
exec sleep 30
EOF
chmod 755 "$work/standin"
: >"$work/starts.log"

sandbox=(bwrap --ro-bind / / --dev-bind /dev /dev --proc /proc --bind "$work" "$work"
    "${hide[@]}"
    --tmpfs /media --ro-bind "$disc" "$mount"
    --ro-bind "$work/standin" "$mount/Acrobat/Setup.exe" --ro-bind "$work/standin" "$mount/Tallset.exe"
    --chdir /)

# --- the hiding works: the launcher on the system's Qt cannot start -------------
cp "$dev_launcher" "$work/dev-launcher"
"${sandbox[@]}" "$work/dev-launcher" >/dev/null 2>"$work/dev.err"
grep -q 'error while loading shared libraries' "$work/dev.err" ||
    fail "expected the launcher built on the system's Qt not to start in the sandbox" "$(head -c 300 "$work/dev.err")"

# --- the run ---------------------------------------------------------------------
x11_start 800x600 "$work/x" "$display_number" || fail "$X11_ERROR"
echo "screen 800x600 on $DISPLAY; the disc at $mount"
(
    # A Wayland session with XWayland, as far as the launcher can tell: it
    # picks X11 without telling the installers.
    unset QT_QPA_PLATFORM
    export XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=no-such-compositor
    export QT_PLUGIN_PATH=$foreign QT_QPA_PLATFORM_PLUGIN_PATH=$foreign/platforms
    env | sort >"$work/launcher.env"
    exec "${sandbox[@]}" "$mount/trenchmoor-setup" -platform offscreen -qwindowtitle "Another title" \
        >"$work/launcher.out" 2>"$work/launcher.err"
) &
launcher_pid=$!

x11_wait_window "Welcome to Trenchmoor Setup" "$timeout" || fail "$X11_ERROR"
pid=$(x11_pid "$X11_WINDOW")
[ -n "$pid" ] || fail "the welcome screen names no process (_NET_WM_PID)"
[ "$(readlink "/proc/$pid/exe")" = "$mount/trenchmoor-setup" ] ||
    fail "expected the welcome screen to belong to $mount/trenchmoor-setup" "$(readlink "/proc/$pid/exe")"

step() { # title: waits for the dialog and presses Enter on it
    x11_wait_window "$1" "$timeout" || fail "$X11_ERROR"
    x11_wait_active "$X11_WINDOW" "$timeout" || fail "$X11_ERROR"
}
step "Acrobat Reader Setup  (recommended)" && x11_key "$X11_WINDOW" Return || fail "$X11_ERROR"
step "Acrobat Reader Setup  (recommended)" && x11_key "$X11_WINDOW" Return || fail "$X11_ERROR"
step "Trenchmoor Setup " && x11_key "$X11_WINDOW" Return || fail "$X11_ERROR"
step "Trenchmoor Setup " && x11_key "$X11_WINDOW" Return || fail "$X11_ERROR"
step "Range of our products"
range=$X11_WINDOW

# --- where Qt, ICU and the plugins came from --------------------------------------
awk 'NF >= 6 { print $6 }' "/proc/$pid/maps" | sort -u >"$work/maps"
grep -E '/lib(Qt6|icu)[^/]*$|/plugins/|/qt6/' "$work/maps" >"$work/qt-objects"
outside=$(grep -v "^$mount/linux/" "$work/qt-objects")
[ -z "$outside" ] || fail "expected every Qt, ICU and plugin object from $mount/linux" "$(echo "$outside" | tr '\n' ' ')"
for object in lib/libQt6Core.so.6 lib/libQt6Widgets.so.6 lib/libicuuc.so.72 lib/libicudata.so.72 \
    plugins/platforms/libqxcb.so plugins/imageformats/libqjpeg.so; do
    grep -qx "$mount/linux/$object" "$work/maps" || fail "expected $mount/linux/$object mapped" "$(tr '\n' ' ' <"$work/qt-objects")"
done
echo "Qt, ICU and plugin objects mapped, all from the disc:"
sed "s|^|  |" "$work/qt-objects"

x11_key "$range" Return || fail "$X11_ERROR"
deadline=$(( $(x11_now_us) + timeout * 1000000 ))
while kill -0 "$launcher_pid" 2>/dev/null; do
    [ "$(x11_now_us)" -lt "$deadline" ] || fail "expected the launcher to end after Finish"
    sleep 0.05
done
wait "$launcher_pid"
status=$?
launcher_pid=""
[ "$status" -eq 0 ] || fail "expected exit status 0 after Finish" "status $status"
[ -s "$work/launcher.err" ] && fail "expected nothing on stderr" "$(head -c 300 "$work/launcher.err")"
started=$(awk '{ print $1 }' "$work/starts.log" | tr '\n' ' ')
[ "$started" = "$mount/Acrobat/Setup.exe $mount/Tallset.exe " ] ||
    fail "expected both installers started from the disc, the reader's first" "$started"
while read -r _ pid; do
    changed=$(diff "$work/launcher.env" "$work/env.$pid" | grep '^[<>]' | grep -Ev '^[<>] (_|PWD|OLDPWD|SHLVL)=')
    [ -z "$changed" ] || fail "expected the installers to get the launcher's environment unchanged" "$(tr '\n' ' ' <<<"$changed")"
done <"$work/starts.log"
passed=1
echo "PASS: the whole run from the disc without the system's Qt and ICU"
