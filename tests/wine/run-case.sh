#!/usr/bin/env bash
# Plays one win32 case of the end-to-end case table (tests/e2e/cases.txt, read
# by tests/e2e/cases.sh) with the 64-bit Windows launcher under Wine:
#
#     run-case.sh CASE WINDOWS_BIN_DIR WORKDIR DISPLAY_NUMBER PREFIX
#
# Lays out a disc folder in WORKDIR (the launcher as SETUP.EXE, the Windows
# stand-in installer under the installers' names), starts Xvfb and the
# launcher in Wine's virtual desktop (lib-wine.sh), plays the case's steps with
# xdotool, reads what Windows says about the windows with wintool.exe (each
# dialog's child windows hold its texts and captions, as a screen reader reads
# them), and checks what happens. Exit status 0: passed; 1: failed (WORKDIR is
# kept, with a screenshot); 77: skipped, a program it needs is missing.
# WINE_E2E_KEEP=1 keeps WORKDIR and a screenshot of every dialog after a pass too.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
timeout=${WINE_E2E_TIMEOUT:-30}
if [ $# -lt 5 ]; then
    echo "usage: $0 CASE WINDOWS_BIN_DIR WORKDIR DISPLAY_NUMBER PREFIX" >&2
    exit 2
fi
bin=$2 work=$3 display_number=$4 prefix=$5

# shellcheck source=tests/wine/lib-wine.sh
. "$here/lib-wine.sh"
# shellcheck source=tests/e2e/cases.sh
. "$here/../e2e/cases.sh"
wine_require
case_read "$1" win32

rm -rf "$work" && mkdir -p "$work" || exit 1
disc="$work/$folder"
starts_log="$work/starts.log"
launcher_out="$work/launcher"
driver_stop() { wine_stop; }
driver_report() {
    if [ -n "$WINE_XVFB_PID" ]; then
        echo "windows on the screen:"
        wine_describe | sed 's/^/  /'
        wine_screenshot "$work/failure.png" && echo "screenshot: $work/failure.png"
    fi
    [ -s "$launcher_out.err" ] && { echo "launcher stderr:"; sed 's/^/  /' "$launcher_out.err"; }
    [ -s "$work/wintool.err" ] && { echo "wintool's stderr (the last lines):"; tail -n 20 "$work/wintool.err" | sed 's/^/  /'; }
    [ -s "$starts_log" ] && { echo "installers started (path|arguments|folder|show|pid):"; sed 's/^/  /' "$starts_log"; }
}
case_begin "$work" "${WINE_E2E_KEEP:-}"

# --- the disc -------------------------------------------------------------------
mkdir -p "$disc" || fail "cannot make the disc folder $disc"
cp "$bin/trenchmoor-setup64.exe" "$disc/SETUP.EXE" || fail "no launcher in $bin"
lay_out_installer() { # PATH KIND
    mkdir -p "$(dirname "$disc/$1")"
    case $2 in
    standin) cp "$bin/standin-installer.exe" "$disc/$1" || fail "no stand-in installer in $bin" ;;
    text) printf 'This file is no program.\r\n' >"$disc/$1" ;;
    folder) mkdir -p "$disc/$1" ;;
    *) fail "case table: unknown installer kind '$2' in '$1:$2'" ;;
    esac
}
case_each_installer lay_out_installer
: >"$starts_log"
disc_windows=$(wine_unix_to_windows "$disc")
export TRENCHMOOR_STANDIN_LOG
TRENCHMOOR_STANDIN_LOG=$(wine_unix_to_windows "$starts_log")

# --- what Windows says ------------------------------------------------------------
# What Wine says on its error stream is kept for a failure's report.
wintool() {
    wine "$bin/wintool.exe" "$@" 2>>"$work/wintool.err"
}
# check_styles TITLE KEY=VALUE...: the window's styles as wintool prints them.
# A window X has just shown may not be listed by Windows yet: asked up to ten
# times, 0.2 s apart.
check_styles() {
    local title=$1 styles pair tries=0
    shift
    until styles=$(wintool styles "$title"); do
        tries=$((tries + 1))
        [ "$tries" -lt 10 ] || fail "wintool finds no window \"$title\"" "$styles"
        sleep 0.2
    done
    for pair in "$@"; do
        grep -qx "${pair%%=*} ${pair#*=}" <<<"$styles" ||
            fail "\"$title\": expected ${pair%%=*} ${pair#*=}" "$(tr '\n' ';' <<<"$styles")"
    done
}

declare -A button_at=()
# check_state TITLE FOCUS BUTTONS STATE: in what `wintool state` printed, the
# foreground window, the focused button ("*": any) and the visible buttons
# (sorted, separated by blanks); remembers where they are.
check_state() {
    local title=$1 focus=$2 buttons=$3 state=$4 seen_buttons
    button_at=()
    [ "$(sed -n 's/^foreground //p' <<<"$state")" = "$title" ] ||
        fail "\"$title\" is not the foreground window" "$(tr '\n' ';' <<<"$state")"
    [ "$focus" = "*" ] || [ "$(sed -n 's/^focus //p' <<<"$state")" = "$focus" ] ||
        fail "the focus is not on $focus" "$(tr '\n' ';' <<<"$state")"
    seen_buttons=$(sed -n 's/^button \(.*\) [0-9-]* [0-9-]*$/\1/p' <<<"$state" | sort | tr '\n' ' ')
    [ "$seen_buttons" = "$buttons " ] || fail "expected the buttons $buttons" "$seen_buttons"
    while read -r _ text x y; do
        button_at[$text]="$x $y"
    done < <(grep '^button ' <<<"$state")
}
# check_children KIND TITLE STATE: the dialog's visible child windows, as
# `wintool state` lists them, are its labels, each holding its text exactly,
# and its visible buttons with their captions; nothing else.
check_children() {
    local kind=$1 title=$2 state=$3 expected seen text
    expected=$({
        texts_of "$kind" | sed 's/^/Static /'
        for text in $(buttons_of "$kind"); do echo "Button $text"; done
    } | sort)
    seen=$(sed -n 's/^child //p' <<<"$state" | sort)
    [ "$seen" = "$expected" ] ||
        fail "\"$title\": expected the child windows $(tr '\n' '|' <<<"$expected")" "$(tr '\n' '|' <<<"$seen")"
}

# --- the dialogs ----------------------------------------------------------------
focus_of() {
    case $1 in
    offer | game) echo "&Yes" ;;
    confirm) echo "&No" ;;
    manual | sound | failnote) echo "&OK" ;;
    range) echo "&Finish" ;;
    esac
}
buttons_of() {
    case $1 in
    offer | confirm | game) echo "&No &Yes" ;;
    manual | sound | failnote) echo "&OK" ;;
    range) echo "&Finish" ;;
    esac
}
# texts_of KIND: the texts of the dialog's labels, one a line, exactly as the
# player reads them (runs of blanks included).
blanks() { printf "%${1}s" ""; }
texts_of() {
    case $1 in
    offer)
        printf '%s\n' "Would you like to install  Acrobat Reader ?" \
            "This program will enable you to view the full electronic manual for the game you are about to install."
        ;;
    confirm)
        printf '%s\n' "Without viewing the manual you may find  it difficult to play the game.$(blanks 116)Are you sure you DO NOT wish to install? "
        ;;
    manual)
        printf '%s\n' "To view the electronic manual double click on MANUAL.PDF  in the root directory of your CD-ROM."
        ;;
    game) printf '%s\n' "Would you like to install the game?" ;;
    sound)
        printf '%s\n' "Before playing the game configure$(blanks 13)your sound by launching$(blanks 9)C:\\TRENCH\\ INSTALL.EXE [Default]$(blanks 9)and choose the CONFIGURE option."
        ;;
    failnote) printf '%s\n' "Setup could not start $failed from your CD-ROM: $(failure_reason "$failed")." ;;
    esac
}
# failure_reason NAME: why the installer NAME (as the launcher names it:
# Acrobat\Setup.exe) cannot start, read from the disc as it was laid out.
failure_reason() {
    local windows="$disc_windows\\$1" path="$disc/${1//\\//}"
    if [ "${#windows}" -ge 260 ]; then
        echo "its path is too long for Windows to start it (${#windows} characters)"
    elif [ -d "$path" ]; then
        echo "it is a folder, not a program"
    elif [ -f "$path" ]; then
        echo "Bad EXE format for ${1##*\\}" # Wine's words for a file that is no program
    elif [ -d "$(dirname "$path")" ]; then
        echo "the file is not on the disc"
    else
        echo "its folder is not on the disc"
    fi
}
standin_title() {
    case ${1,,} in
    *tallset.exe) echo "Trenchmoor installer (stand-in)" ;;
    *) echo "Acrobat Reader installer (stand-in)" ;;
    esac
}

declare -A seen=() styles_checked=()
window=""
offer_id=""
# wait_dialog KIND TITLE: a window of the dialog's title that has not been
# played yet (the offer stays open under the confirmation and may come back).
wait_dialog() {
    local kind=$1 title=$2 deadline id
    deadline=$(($(x11_now_us) + timeout * 1000000))
    while [ "$(x11_now_us)" -lt "$deadline" ]; do
        kill -0 "$WINE_PID" 2>/dev/null || fail "the launcher ended before \"$title\" came"
        if [ "$kind" = offer ] && [ -n "$offer_id" ] && wine_windows "$title" | grep -qx "$offer_id"; then
            window=$offer_id
            return 0
        fi
        for id in $(wine_windows "$title"); do
            if [ -z "${seen[$id]:-}" ]; then
                seen[$id]=1
                window=$id
                return 0
            fi
        done
        sleep 0.1
    done
    fail "no new window \"$title\" for $kind after $timeout s" "$(wine_describe | tr '\n' ';')"
}

# The installers that must have started by now: the reader's once the offer is
# answered, the game's once the game question is.
reader_answered=0 game_answered=0 previous="" failed=""
expected_starts() {
    local count=0 name
    for name in "${started_names[@]}"; do
        case ${name,,} in
        *tallset.exe) [ "$game_answered" = 1 ] && count=$((count + 1)) ;;
        *) [ "$reader_answered" = 1 ] && count=$((count + 1)) ;;
        esac
    done
    echo "$count"
}
# Closes the stand-in installers started since the last dialog: each opens
# maximised over the launcher, as a real installer would.
closed_starts=0
close_new_standins() {
    local expected deadline line title tries
    expected=$(expected_starts)
    deadline=$(($(x11_now_us) + timeout * 1000000))
    while [ "$(wc -l <"$starts_log")" -lt "$expected" ]; do
        [ "$(x11_now_us)" -lt "$deadline" ] || fail "expected $expected installer starts by now" "$(cat "$starts_log")"
        sleep 0.1
    done
    while [ "$closed_starts" -lt "$expected" ]; do
        closed_starts=$((closed_starts + 1))
        line=$(sed -n "${closed_starts}p" "$starts_log")
        title=$(standin_title "${line%%|*}")
        wine_wait_window "$title" "$timeout" || fail "$WINE_ERROR"
        local standin=$WINE_WINDOW
        # Shown by X before Windows lists it as visible: asked up to ten times, 0.2 s apart.
        tries=0
        until wintool close "$title" >/dev/null; do
            tries=$((tries + 1))
            [ "$tries" -lt 10 ] || fail "cannot close \"$title\""
            sleep 0.2
        done
        wine_wait_gone "$standin" "$timeout" || fail "$WINE_ERROR"
    done
}

# still_begin ... still_end: from one to the other, and for a moment after,
# nothing may change: the same windows stay, no installer starts, the launcher
# runs on.
still_begin() {
    before_windows=$(xdotool search --onlyvisible --name '.' 2>/dev/null | sort | tr '\n' ' ')
    before_starts=$(wc -l <"$starts_log")
}
still_end() {
    sleep 1
    kill -0 "$WINE_PID" 2>/dev/null || fail "the launcher ended"
    [ "$before_windows" = "$(xdotool search --onlyvisible --name '.' 2>/dev/null | sort | tr '\n' ' ')" ] ||
        fail "the windows changed" "$(wine_describe | tr '\n' ';')"
    [ "$before_starts" = "$(wc -l <"$starts_log")" ] || fail "an installer started" "$(tail -n 1 "$starts_log")"
}

# --- the run --------------------------------------------------------------------
wine_start "$screen" "$work" "$display_number" "$prefix" || fail "$WINE_ERROR"
cd "$work" || exit 1
wine_run "$launcher_out" "$disc/SETUP.EXE"

step_label="welcome"
wine_wait_window "$TITLE_WELCOME" "$timeout" || fail "$WINE_ERROR"
check_styles "$TITLE_WELCOME" caption=1 sysmenu=1 zoomed=1 owned=0 popup=0
desktop=$(wine_windows "trenchmoor - Wine desktop" | head -n 1)
[ "$(wine_geometry "$desktop")" = "0 0 $screen_w $screen_h" ] ||
    fail "Wine's desktop is not the screen's size" "$(wine_describe | tr '\n' ';')"

play_step() {
    local kind=$step_dialog title=$step_title returning=0 x y w h state focus action
    [ "$step_launcher" = 1 ] || fail "case table: a win32 case plays one launcher"
    [ "$kind" = offer ] && [ -n "$offer_id" ] && returning=1
    wait_dialog "$kind" "$title"
    case $kind in
    manual) reader_answered=1 ;;
    sound) game_answered=1 ;;
    failnote)
        case $previous in
        offer | confirm) reader_answered=1 failed='Acrobat\Setup.exe' ;;
        game) game_answered=1 failed=Tallset.exe ;;
        esac
        ;;
    esac
    close_new_standins
    # After a stand-in installer closes, Windows may hand the activation to
    # another window of the program; the player clicks the dialog's title bar.
    read -r x y w h <<<"$(wine_geometry "$window")"
    state=$(wintool state)
    if [ "$(sed -n 's/^foreground //p' <<<"$state")" != "$title" ]; then
        xdotool mousemove --sync $((x + w / 2)) $((y + 8)) click 1
        sleep 0.3
        state=$(wintool state)
    fi

    case_check_place "$kind" 1 0 "$x" "$y" "$w" "$h"
    if [ "$kind" = offer ]; then
        offer_id=$window
        # Modal: the welcome screen takes no input meanwhile.
        [ "$returning" = 1 ] || check_styles "$TITLE_WELCOME" enabled=0
    fi
    if [ -z "${styles_checked[$kind]:-}" ]; then
        styles_checked[$kind]=1
        if [ "$kind" = range ]; then
            check_styles "$title" popup=1 caption=0 sysmenu=0 owned=1 "rect=0 0 $screen_w $screen_h"
        else
            check_styles "$title" caption=1 sysmenu=0 minbox=0 maxbox=0 popup=0 owned=1
        fi
    fi
    # The offer that comes back after a confirmation keeps the focus where the player left it.
    focus=$(focus_of "$kind")
    [ "$kind" = offer ] && [ "$returning" = 1 ] && focus="*"
    check_state "$title" "$focus" "$(buttons_of "$kind")" "$state"
    check_children "$kind" "$title" "$state"
    [ -n "${WINE_E2E_KEEP:-}" ] && wine_screenshot "$work/$(printf '%02d' "${#seen[@]}")-$kind.png"

    for action in "${step_actions[@]}"; do
        step_label="$kind $action"
        case $action in
        click:*)
            target="&${action#click:}"
            target=${target^^}
            for text in "${!button_at[@]}"; do
                [ "${text^^}" = "$target" ] && target=$text
            done
            [ -n "${button_at[$target]:-}" ] || fail "no button $target to click"
            read -r bx by <<<"${button_at[$target]}"
            xdotool mousemove --sync "$bx" "$by" click 1
            ;;
        close)
            still_begin
            xdotool key alt+F4
            wintool close "$title" >/dev/null || fail "no window \"$title\" to close"
            still_end
            ;;
        still)
            still_begin
            still_end
            ;;
        hold:*) x11_hold_key "${action#hold:}" ;; # it presses its button once
        *)
            xdotool key "$action"
            ;;
        esac
    done
    previous=$kind
}
case_each_step play_step

step_label="end"
wine_wait_exit "$timeout" || fail "$WINE_ERROR"
case_check_end 1 "$WINE_STATUS" "$launcher_out.err"

# Every start: the whole path, no arguments, the disc folder, maximised.
[ "$(wc -l <"$starts_log")" = "${#started_names[@]}" ] ||
    fail "expected ${#started_names[@]} installer starts" "$(cat "$starts_log")"
i=0
while IFS='|' read -r path arguments directory show _; do
    expected_path="$disc_windows\\${started_names[$i]//\//\\}"
    [ "$path" = "$expected_path" ] || fail "installer $((i + 1)) was $path, not $expected_path"
    [ -z "$arguments" ] || fail "$path got arguments: $arguments"
    [ "$directory" = "$disc_windows" ] || fail "$path ran in $directory, not in $disc_windows"
    [ "$show" = 3 ] || fail "$path got show state $show, not 3 (SW_SHOWMAXIMIZED)"
    i=$((i + 1))
done <"$starts_log"

passed=1
echo "PASS: $name ($screen, ${#seen[@]} dialogs, ${#started_names[@]} installers started, exit status $WINE_STATUS)"
