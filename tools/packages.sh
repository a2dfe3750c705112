# Installs the Debian packages the launcher and its tests need, if any is missing.
# Sourced by tools/demo and tools/check; quiet when everything is there.

# The Linux launcher runs on the system's GTK 3 (libgtk-3-dev) and decodes its
# pictures with stb_image (libstb-dev). libxcb1-dev: the tests' and the
# benchmark's small X clients. debootstrap: the chroots of other Debian
# releases the launcher is tried on (tests/releases).
trenchmoor_build_packages="cmake g++ make pkg-config libgtk-3-dev libstb-dev libxcb1-dev fonts-liberation"
trenchmoor_test_packages="doctest-dev libxtst-dev xvfb xauth openbox metacity xdotool wmctrl x11-utils xorriso poppler-utils desktop-file-utils python3 imagemagick bubblewrap weston xwayland at-spi2-core python3-pyatspi dbus-daemon debootstrap"
# The Windows launcher: mingw-w64 cross compilers (win32 thread model) and Wine
# for running the 64-bit build. Never wine32: this kernel runs no 32-bit
# programs, and Debian's wine command then fails.
trenchmoor_windows_packages="g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64"

trenchmoor_install() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]} (run as root, or install them with apt-get)" >&2
        return 1
    fi
    echo "Installing ${missing[*]} ..."
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

trenchmoor_build() {
    local dir=$1; shift
    mkdir -p "$dir"
    if ! { cmake -S "$trenchmoor_root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" &&
           cmake --build "$dir" -j "$(nproc)"; } >"$dir/build.log" 2>&1; then
        tail -n 40 "$dir/build.log" >&2
        echo "The build failed; the whole log is in $dir/build.log" >&2
        return 1
    fi
}
