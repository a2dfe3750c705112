# shellcheck shell=bash disable=SC2034 # the variables it sets are the drivers'
# The case table, cases.txt, read here alone. Its port column chooses the
# driver: tests/e2e/run-case.sh plays the gtk rows, tests/wine/run-case.sh
# the win32 rows. `bash cases.sh PORT` lists PORT's rows for the CMake files:
# NAME, or NAME:hardening, NAME:disabled, NAME:hardening:disabled, separated
# by ";". A driver sources it and defines driver_report (what it saw, for a
# failure) and driver_stop (ends what it started). E2E_CASES=FILE reads
# another table.

cases_file=${E2E_CASES:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/cases.txt}

trim() {
    local s=$1
    s=${s#"${s%%[![:space:]]*}"}
    s=${s%"${s##*[![:space:]]}"}
    printf '%s' "$s"
}
case_lines() { grep -v '^[[:space:]]*#' "$cases_file" | grep -v '^[[:space:]]*$'; }

near() { # a b leeway
    local d=$(($1 - $2))
    [ "${d#-}" -le "$3" ]
}

# case_read NAME PORT: the row's fields in name, port, wm, screen, envs,
# folder, installers, player, started, ends, offer and tags; screen_w and
# screen_h; started_names, the installers that must start, in order;
# offer_at, the offer's outer frame: width, height, left, top.
case_read() {
    local row="" line field
    while IFS= read -r line; do
        [ "$(trim "${line%%|*}")" = "$1" ] && { row=$line; break; }
    done < <(case_lines)
    [ -n "$row" ] || { echo "FAIL: no case named '$1' in $cases_file"; exit 1; }
    IFS='|' read -r name port wm screen envs folder installers player started ends offer tags <<<"$row"
    for field in name port wm screen envs folder installers player started ends offer tags; do
        printf -v "$field" '%s' "$(trim "${!field}")"
    done
    [ "$port" = "$2" ] || { echo "FAIL: case '$name' is for the port '$port', not $2"; exit 1; }
    screen_w=${screen%x*} screen_h=${screen#*x}
    started_names=()
    [ "$started" = - ] || read -r -a started_names <<<"$started"
    offer_at=()
    [ "$offer" = - ] || [[ $offer =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] ||
        { echo "FAIL: case table: the offer of '$name' is at '$offer', not WxH+X+Y"; exit 1; }
    [ "$offer" = - ] || offer_at=("${BASH_REMATCH[@]:1}")
}

# A failure: what was expected, what was seen, the driver's report.
step_label="start"
fail() {
    echo "FAIL [$name, $screen, $step_label]: $1"
    [ -n "${2:-}" ] && echo "  seen: $2"
    driver_report
    exit 1
}

# case_begin WORKDIR KEEP: the test's files go in WORKDIR, removed at the end
# after a pass (passed=1) unless KEEP is set.
case_begin() {
    work=$1 case_keep=$2 passed=0
    trap case_end EXIT
    trap 'echo "interrupted"; exit 1' INT TERM
}
case_end() {
    driver_stop
    if [ "$passed" = 1 ] && [ -z "$case_keep" ]; then
        rm -rf "$work"
    else
        echo "The test's files are kept in $work"
    fi
}

# case_each_installer FUNCTION: FUNCTION PATH KIND for each installer on the
# disc; KIND is standin, or what follows the ":" (noexec, text, folder).
case_each_installer() { # FUNCTION
    local entry path kind
    for entry in $installers; do
        path=${entry%%:*}
        kind=standin
        [ "$entry" != "$path" ] && kind=${entry#*:}
        "$1" "$path" "$kind"
    done
}

# The windows' titles (lib-x11.sh's) by the dialogs' names in the table.
title_of() {
    case $1 in
    offer | confirm | manual) echo "$TITLE_OFFER" ;;
    failnote | game | sound) echo "$TITLE_SETUP" ;;
    range) echo "$TITLE_RANGE" ;;
    welcome) echo "$TITLE_WELCOME" ;;
    *) return 1 ;;
    esac
}

# case_each_step FUNCTION: for each step of the player calls FUNCTION with
# step_dialog, step_launcher (N of "N:dialog", else 1), step_title,
# step_actions (an array) and step_label set.
case_each_step() {
    local steps=() step parts
    [ "$player" = - ] || IFS='>' read -r -a steps <<<"$player"
    for step in "${steps[@]}"; do
        read -r -a parts <<<"$step"
        step_dialog=${parts[0]}
        step_launcher=1
        [[ $step_dialog == *:* ]] && { step_launcher=${step_dialog%%:*}; step_dialog=${step_dialog#*:}; }
        step_actions=("${parts[@]:1}")
        step_label="$step_dialog of launcher $step_launcher: ${step_actions[*]}"
        step_title=$(title_of "$step_dialog") || fail "case table: unknown dialog '$step_dialog'"
        "$1"
    done
}

# case_check_place DIALOG N LEEWAY X Y W H [DETAIL]: the outer frame X Y W H
# of a dialog of launcher N is where the table wants it, within LEEWAY
# pixels: the offer at the row's offer field (the place the others follow),
# the confirmation centred over it (within 2 half pixels), the notes and the
# game question at its corner, the product range screen over the whole
# screen. DETAIL is added to what was seen.
declare -A offer_frame=()
case_check_place() {
    local dialog=$1 n=$2 leeway=$3 x=$4 y=$5 w=$6 h=$7 detail=${8:+ ($8)} ox oy ow oh
    case $dialog in
    offer)
        if ! near "$w" "${offer_at[0]}" "$leeway" || ! near "$h" "${offer_at[1]}" "$leeway" ||
           ! near "$x" "${offer_at[2]}" "$leeway" || ! near "$y" "${offer_at[3]}" "$leeway"; then
            fail "expected the offer's outer frame at $offer, give or take $leeway pixels" "frame ${w}x$h+$x+$y$detail"
        fi
        offer_frame[$n]="$x $y $w $h"
        echo "  offer of launcher $n: outer frame ${w}x$h+$x+$y"
        ;;
    confirm)
        read -r ox oy ow oh <<<"${offer_frame[$n]}"
        if ! near $((2 * x + w)) $((2 * ox + ow)) 2 || ! near $((2 * y + h)) $((2 * oy + oh)) 2; then
            fail "expected the confirmation centred over the place the offer opened at (centre $(((2 * ox + ow) / 2)),$(((2 * oy + oh) / 2)))" \
                "confirmation frame at $x,$y ${w}x$h, centre $(((2 * x + w) / 2)),$(((2 * y + h) / 2))$detail"
        fi
        ;;
    manual | failnote | game | sound)
        read -r ox oy _ <<<"${offer_frame[$n]}"
        if ! near "$x" "$ox" "$leeway" || ! near "$y" "$oy" "$leeway"; then
            fail "expected the $dialog dialog at the offer's place, frame at $ox,$oy" "frame at $x,$y ${w}x$h$detail"
        fi
        ;;
    range)
        [ "$x $y $w $h" = "0 0 $screen_w $screen_h" ] ||
            fail "expected the product range screen to cover the screen (0,0 ${screen_w}x$screen_h)" "at $x,$y ${w}x$h$detail"
        ;;
    esac
}

# case_check_end N STATUS STDERR_FILE: launcher N ended as the ends field
# says: 0, exit status 0 and nothing on stderr; else exit status 1 and, last
# on stderr, the one line of the run-time error (alone there where no X
# server runs).
case_check_end() {
    local n=$1 status=$2 err=$3 want
    if [ "$ends" = 0 ]; then
        [ "$status" -eq 0 ] || fail "expected exit status 0" "exit status $status"
        [ -s "$err" ] && fail "expected nothing on stderr" "$(head -c 2000 "$err")"
        return 0
    fi
    want="Trenchmoor Setup: Run-time error '${ends%% *}': ${ends#* }"
    [ "$status" -eq 1 ] || fail "expected exit status 1" "exit status $status"
    [ "$(grep -c '^Trenchmoor Setup: ' "$err")" -eq 1 ] && [[ "$(tail -n 1 "$err")" == "$want"* ]] ||
        fail "expected one line \"$want...\", last on stderr" "$(head -c 2000 "$err")"
    # Where an X server answers, Xlib may say why it refused the launcher.
    [ "$screen" != none ] || [ "$(wc -l <"$err")" -eq 1 ] || fail "expected that line alone on stderr" "$(head -c 2000 "$err")"
    echo "launcher $n: $(tail -n 1 "$err")"
}

# Run: one port's rows, for the CMake files.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    rows=()
    while IFS='|' read -r name port _ _ _ _ _ _ _ _ _ tags; do
        name=$(trim "$name") port=$(trim "$port")
        case $port in gtk | win32) ;; *) echo "$cases_file: case '$name': unknown port '$port'" >&2; exit 1 ;; esac
        [[ $tags == *hardening* ]] && name+=:hardening
        [[ $tags == *disabled:* ]] && name+=:disabled
        [ "$port" = "${1:?PORT}" ] && rows+=("$name")
    done < <(case_lines)
    (IFS=';' && printf '%s' "${rows[*]}")
fi
