#!/usr/bin/env bash
# Plays one win32 case of the end-to-end case table (tests/e2e/cases.txt) with
# the 64-bit Windows launcher under Wine:
#
#     run-case.sh CASE WINDOWS_BIN_DIR WORKDIR DISPLAY_NUMBER PREFIX
#     run-case.sh --list
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
cases_file=${WINE_E2E_CASES:-$here/../e2e/cases.txt}
timeout=${WINE_E2E_TIMEOUT:-30}

case_lines() {
    grep -v '^[[:space:]]*#' "$cases_file" | grep -v '^[[:space:]]*$'
}
trim() {
    local s=$1
    s=${s#"${s%%[![:space:]]*}"}
    s=${s%"${s##*[![:space:]]}"}
    printf '%s' "$s"
}

if [ "${1:-}" = "--list" ]; then
    case_lines | awk -F'|' '$2 ~ /^ *win32 *$/ { print $1 }' | while read -r name; do trim "$name"; echo; done
    exit 0
fi
if [ $# -lt 5 ]; then
    echo "usage: $0 CASE WINDOWS_BIN_DIR WORKDIR DISPLAY_NUMBER PREFIX | --list" >&2
    exit 2
fi
case_name=$1 bin=$2 work=$3 display_number=$4 prefix=$5

# shellcheck source=tests/wine/lib-wine.sh
. "$here/lib-wine.sh"
wine_require

row=""
while IFS= read -r line; do
    if [ "$(trim "${line%%|*}")" = "$case_name" ]; then
        row=$line
        break
    fi
done < <(case_lines)
[ -n "$row" ] || { echo "FAIL: no case named '$case_name' in $cases_file"; exit 1; }
IFS='|' read -r _ port _ screen _ folder installers player started ends offer _ <<<"$row"
[ "$(trim "$port")" = win32 ] || { echo "FAIL: case '$case_name' is for the port '$(trim "$port")', not win32"; exit 1; }
screen=$(trim "$screen") folder=$(trim "$folder") installers=$(trim "$installers")
player=$(trim "$player") started=$(trim "$started") ends=$(trim "$ends") offer=$(trim "$offer")
screen_w=${screen%x*} screen_h=${screen#*x}

rm -rf "$work" && mkdir -p "$work" || exit 1
disc="$work/$folder"
starts_log="$work/starts.log"
launcher_out="$work/launcher"
passed=0
step_label="start"

cleanup() {
    wine_stop
    if [ "$passed" = 1 ] && [ -z "${WINE_E2E_KEEP:-}" ]; then
        rm -rf "$work"
    else
        echo "The test's files are kept in $work"
    fi
}
trap cleanup EXIT
trap 'echo "interrupted"; exit 1' INT TERM

fail() {
    echo "FAIL [$case_name, $screen, $step_label]: $1"
    [ -n "${2:-}" ] && echo "  seen: $2"
    if [ -n "$WINE_XVFB_PID" ]; then
        echo "windows on the screen:"
        wine_describe | sed 's/^/  /'
        wine_screenshot "$work/failure.png" && echo "screenshot: $work/failure.png"
    fi
    [ -s "$launcher_out.err" ] && { echo "launcher stderr:"; sed 's/^/  /' "$launcher_out.err"; }
    [ -s "$work/wintool.err" ] && { echo "wintool's stderr (the last lines):"; tail -n 20 "$work/wintool.err" | sed 's/^/  /'; }
    [ -s "$starts_log" ] && { echo "installers started (path|arguments|folder|show|pid):"; sed 's/^/  /' "$starts_log"; }
    exit 1
}

# --- the disc -------------------------------------------------------------------
mkdir -p "$disc" || fail "cannot make the disc folder $disc"
cp "$bin/trenchmoor-setup64.exe" "$disc/SETUP.EXE" || fail "no launcher in $bin"
for item in $installers; do
    path=${item%%:*} kind=${item#"$path"}
    mkdir -p "$(dirname "$disc/$path")"
    case $kind in
    "") cp "$bin/standin-installer.exe" "$disc/$path" || fail "no stand-in installer in $bin" ;;
    :text) printf 'This file is no program.\r\n' >"$disc/$path" ;;
    :folder) mkdir -p "$disc/$path" ;;
    *) fail "unknown installer kind in '$item'" ;;
    esac
done
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
title_of() {
    case $1 in
    offer | confirm | manual) echo "Acrobat Reader Setup  (recommended)" ;;
    game | sound | failnote) echo "Trenchmoor Setup " ;;
    range) echo "Range of our products" ;;
    *) return 1 ;;
    esac
}
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
offer_id="" offer_geometry=""
# wait_dialog KIND: a window of the dialog's title that has not been played
# yet (the offer stays open under the confirmation and may come back).
wait_dialog() {
    local kind=$1 title deadline id
    title=$(title_of "$kind") || fail "unknown dialog '$kind'"
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
want=()
for name in $started; do
    [ "$name" = "-" ] || want+=("$name")
done
reader_answered=0 game_answered=0 previous="" failed=""
expected_starts() {
    local count=0 name
    for name in "${want[@]}"; do
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
wine_wait_window "Welcome to Trenchmoor Setup" "$timeout" || fail "$WINE_ERROR"
check_styles "Welcome to Trenchmoor Setup" caption=1 sysmenu=1 zoomed=1 owned=0 popup=0
desktop=$(wine_windows "trenchmoor - Wine desktop" | head -n 1)
[ "$(wine_geometry "$desktop")" = "0 0 $screen_w $screen_h" ] ||
    fail "Wine's desktop is not the screen's size" "$(wine_describe | tr '\n' ';')"

IFS='>' read -r -a steps <<<"$player"
for step in "${steps[@]}"; do
    read -r -a words <<<"$step"
    kind=${words[0]}
    step_label=$step
    returning=0
    [ "$kind" = offer ] && [ -n "$offer_id" ] && returning=1
    wait_dialog "$kind"
    title=$(title_of "$kind")
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

    case $kind in
    offer)
        [ "${w}x${h}+${x}+${y}" = "$offer" ] || fail "the offer opened at ${w}x${h}+${x}+${y}, not $offer"
        offer_id=$window offer_geometry="$x $y $w $h"
        # Modal: the welcome screen takes no input meanwhile.
        [ "$returning" = 1 ] || check_styles "Welcome to Trenchmoor Setup" enabled=0
        ;;
    confirm)
        read -r ox oy ow oh <<<"$offer_geometry"
        dx=$(((2 * x + w) - (2 * ox + ow))) dy=$(((2 * y + h) - (2 * oy + oh)))
        [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ] ||
            fail "the confirmation at $x,$y (${w}x$h) is not centred over the offer at $ox,$oy (${ow}x$oh)"
        ;;
    manual | game | sound | failnote)
        read -r ox oy _ <<<"$offer_geometry"
        [ "$x $y" = "$ox $oy" ] || fail "$kind opened at $x,$y, not at the offer's place $ox,$oy"
        ;;
    range)
        [ "$x $y $w $h" = "0 0 $screen_w $screen_h" ] || fail "the product range screen is at $x $y $w $h"
        ;;
    esac
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

    for action in "${words[@]:1}"; do
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
        hold:*)
            # Held down long enough to repeat: it presses its button once.
            xdotool keydown "${action#hold:}"
            sleep 1.5
            xdotool keyup "${action#hold:}"
            ;;
        *)
            xdotool key "$action"
            ;;
        esac
    done
    previous=$kind
done

step_label="end"
wine_wait_exit "$timeout" || fail "$WINE_ERROR"
status=$WINE_STATUS
[ "$status" = "$ends" ] || fail "the launcher ended with status $status, not $ends"
[ -s "$launcher_out.err" ] && fail "the launcher wrote to stderr" "$(head -n 3 "$launcher_out.err")"

# Every start: the whole path, no arguments, the disc folder, maximised.
[ "$(wc -l <"$starts_log")" = "${#want[@]}" ] ||
    fail "expected ${#want[@]} installer starts" "$(cat "$starts_log")"
i=0
while IFS='|' read -r path arguments directory show _; do
    expected_path="$disc_windows\\${want[$i]//\//\\}"
    [ "$path" = "$expected_path" ] || fail "installer $((i + 1)) was $path, not $expected_path"
    [ -z "$arguments" ] || fail "$path got arguments: $arguments"
    [ "$directory" = "$disc_windows" ] || fail "$path ran in $directory, not in $disc_windows"
    [ "$show" = 3 ] || fail "$path got show state $show, not 3 (SW_SHOWMAXIMIZED)"
    i=$((i + 1))
done <"$starts_log"

passed=1
echo "PASS: $case_name ($screen, ${#seen[@]} dialogs, ${#want[@]} installers started, exit status $status)"
