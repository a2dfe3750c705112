#!/bin/sh
# Checks the demo disc that the build laid out, and the image mastered from it.
#
#     check-disc.sh layout DISC_FOLDER PROJECT_FOLDER
#     check-disc.sh image  DISC_FOLDER PROJECT_FOLDER
#
# "layout" looks at the folder itself; "image" masters it with the project's
# make-iso.sh into a temporary folder and reads the image back without
# mounting it. "image" exits 77 (skipped) when xorriso is not installed.
# Optional tools widen "layout": pdfinfo/pdftotext (poppler-utils),
# desktop-file-validate (desktop-file-utils), python3.
set -u

mode=${1:-}
disc=${2:-}
project=${3:-}
if [ -z "$mode" ] || [ -z "$disc" ] || [ -z "$project" ]; then
    echo "usage: $0 layout|image DISC_FOLDER PROJECT_FOLDER" >&2
    exit 2
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
note() {
    echo "note: $*"
}

if [ ! -d "$disc" ]; then
    echo "FAIL: no disc folder at $disc; build the 'disc' target first"
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

# What the disc must hold: path relative to the disc root, and whether it is
# a program (runs from the disc) or data. Icons only when their pictures exist.
expected_files() {
    cat <<'TABLE'
trenchmoor-setup          program
Acrobat/Setup.exe         program
Tallset.exe               program
autorun.sh                program
trenchmoor-setup.desktop  program
MANUAL.PDF                data
autorun.inf               data
TABLE
    [ "${TRENCHMOOR_DISC_WINDOWS:-}" = 1 ] && echo "SETUP.EXE                 program"
    [ -f "$project/setup/pictures/setup.ico" ] && echo "trenchmoor-setup.ico data"
    [ -f "$project/setup/pictures/trenchmoor-setup.png" ] && echo "trenchmoor-setup.png data"
    return 0
}
expected_files > "$work/expected"
awk '{ print $1 }' "$work/expected" | sort > "$work/expected-paths"

# Compares a sorted list of paths with the expected one.
same_paths() { # what list-file
    if ! cmp -s "$work/expected-paths" "$2"; then
        fail "$1 differs from what the disc must hold (- expected, + found):"
        diff "$work/expected-paths" "$2" | sed -n 's/^</  -/p; s/^>/  +/p'
    fi
}

# ---------------------------------------------------------------------------
check_layout() {
    (cd "$disc" && find . -type f | sed 's|^\./||' | sort) > "$work/found"
    same_paths "the disc folder" "$work/found"

    while read -r path kind; do
        [ -f "$disc/$path" ] || continue
        case $kind in
            program) want=755 ;;
            *) want=644 ;;
        esac
        got=$(stat -c %a "$disc/$path")
        [ "$got" = "$want" ] || fail "$path has mode $got, a $kind needs $want"
    done < "$work/expected"

    # With the Windows programs, the installers are Windows programs (64-bit,
    # so that Wine runs them here) and SETUP.EXE is the 32-bit launcher.
    if [ "${TRENCHMOOR_DISC_WINDOWS:-}" = 1 ]; then
        elf_programs=trenchmoor-setup
        for program in Acrobat/Setup.exe Tallset.exe; do
            [ "$(pe_kind "$disc/$program")" = "x86-64 gui" ] ||
                fail "$program is not a 64-bit Windows GUI program ($(pe_kind "$disc/$program"))"
        done
        [ "$(pe_kind "$disc/SETUP.EXE")" = "i386 gui" ] ||
            fail "SETUP.EXE is not a 32-bit Windows GUI program ($(pe_kind "$disc/SETUP.EXE"))"
    else
        elf_programs="trenchmoor-setup Acrobat/Setup.exe Tallset.exe"
    fi
    for program in $elf_programs; do
        [ -f "$disc/$program" ] || continue
        magic=$(head -c 4 "$disc/$program" | od -An -c | tr -d ' ')
        [ "$magic" = '177ELF' ] || fail "$program is not an executable program (starts with '$magic')"
    done

    check_manual
    check_autorun_inf
    check_autorun_sh
    check_desktop_entry
}

check_manual() {
    pdf=$disc/MANUAL.PDF
    [ -f "$pdf" ] || return 0
    [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fail "MANUAL.PDF does not start with %PDF-"
    last=$(tail -c 7 "$pdf" | tr -d '\r\n')
    case $last in *%%EOF) ;; *) fail "MANUAL.PDF does not end with %%EOF" ;; esac
    cmp -s "$pdf" "$project/disc/MANUAL.PDF" || fail "MANUAL.PDF on the disc is not the one in disc/"

    # Every object the cross-reference table points at must start there:
    # readers that trust the table show nothing or garbage otherwise.
    startxref=$(tail -n 2 "$pdf" | head -n 1 | tr -d '\r')
    case $startxref in
        ''|*[!0-9]*) fail "MANUAL.PDF: no number after startxref ('$startxref')"; startxref= ;;
    esac
    if [ -n "$startxref" ]; then
        tail -c +"$((startxref + 1))" "$pdf" > "$work/xref"
        if [ "$(head -n 1 "$work/xref" | tr -d '\r')" != xref ]; then
            fail "MANUAL.PDF: startxref $startxref does not point at the xref table"
        else
            set -- $(sed -n 2p "$work/xref")
            first=$1 count=$2
            n=0
            sed -n "3,$((count + 2))p" "$work/xref" > "$work/entries"
            [ "$(wc -l < "$work/entries")" -eq "$count" ] || fail "MANUAL.PDF: xref table is short"
            while read -r offset generation use; do
                number=$((first + n))
                n=$((n + 1))
                [ "$use" = n ] || continue
                offset=$(echo "$offset" | sed 's/^0*//')
                at=$(tail -c +"$((${offset:-0} + 1))" "$pdf" | head -c 24 | head -n 1)
                generation=$(echo "$generation" | sed 's/^0*//')
                [ "$at" = "$number ${generation:-0} obj" ] ||
                    fail "MANUAL.PDF: xref entry $number points at '$at'"
            done < "$work/entries"
        fi
    fi

    if command -v python3 >/dev/null 2>&1; then
        python3 "$project/disc/make-manual.py" "$work/manual.pdf"
        if ! cmp -s "$work/manual.pdf" "$project/disc/MANUAL.PDF"; then
            fail "disc/MANUAL.PDF is not what disc/make-manual.py writes; run it again"
        fi
    else
        note "python3 missing: not compared with disc/make-manual.py"
    fi

    if command -v pdfinfo >/dev/null 2>&1 && command -v pdftotext >/dev/null 2>&1; then
        pages=$(pdfinfo "$pdf" 2>"$work/pdf-errors" | sed -n 's/^Pages: *//p')
        [ -s "$work/pdf-errors" ] && fail "pdfinfo complains about MANUAL.PDF: $(cat "$work/pdf-errors")"
        [ "${pages:-0}" -ge 1 ] || fail "pdfinfo finds no pages in MANUAL.PDF"
        text=$(pdftotext -f 1 -l 1 "$pdf" - 2>/dev/null | tr '\n' ' ')
        case $text in
            *"Trenchmoor — Field Manual"*) ;;
            *) fail "page 1 of MANUAL.PDF does not read 'Trenchmoor — Field Manual': $text" ;;
        esac
    else
        note "poppler-utils missing: MANUAL.PDF not rendered"
    fi
}

# The machine and subsystem of a Windows program, from its PE header:
# "i386 gui", "x86-64 gui", ... or "not a Windows program".
pe_kind() {
    le() { od -An -t u"$2" -j "$1" -N "$2" "$file" | tr -d ' '; }
    file=$1
    [ "$(head -c 2 "$file" 2>/dev/null)" = MZ ] || { echo "not a Windows program"; return; }
    pe=$(le 60 4)
    [ "$(od -An -c -j "$pe" -N 4 "$file" | tr -d ' ')" = 'PE\0\0' ] || { echo "not a Windows program"; return; }
    case $(le $((pe + 4)) 2) in
        332) machine=i386 ;;
        34404) machine=x86-64 ;;
        *) machine="machine $(le $((pe + 4)) 2)" ;;
    esac
    case $(le $((pe + 24 + 68)) 2) in
        2) subsystem=gui ;;
        3) subsystem=console ;;
        *) subsystem="subsystem $(le $((pe + 24 + 68)) 2)" ;;
    esac
    echo "$machine $subsystem"
}

# Value of key in autorun.inf, without the CR of its line.
inf_value() {
    tr -d '\r' < "$disc/autorun.inf" | sed -n "s/^[[:space:]]*$1[[:space:]]*=[[:space:]]*//Ip" | head -n 1
}

check_autorun_inf() {
    inf=$disc/autorun.inf
    [ -f "$inf" ] || return 0
    first=$(head -n 1 "$inf" | tr -d '\r')
    [ "$(echo "$first" | tr '[:upper:]' '[:lower:]')" = "[autorun]" ] || fail "autorun.inf starts with '$first', not [autorun]"
    lines=$(wc -l < "$inf")
    crlf=$(grep -c "$(printf '\r')\$" "$inf")
    [ "$lines" -eq "$crlf" ] || fail "autorun.inf: $((lines - crlf)) of $lines lines do not end in CRLF"
    open=$(inf_value open)
    icon=$(inf_value icon)
    if [ "${TRENCHMOOR_DISC_WINDOWS:-}" = 1 ]; then
        [ "$open" = SETUP.EXE ] || fail "autorun.inf opens '$open', not the Windows launcher SETUP.EXE"
        [ "$icon" = "SETUP.EXE,0" ] || fail "autorun.inf names the icon '$icon', not SETUP.EXE,0 (the launcher's own)"
        return 0
    fi
    [ "$open" = trenchmoor-setup ] || fail "autorun.inf opens '$open', not the launcher trenchmoor-setup"
    if [ -n "$icon" ]; then
        [ -f "$disc/$icon" ] || fail "autorun.inf names the icon '$icon', which is not on the disc"
    elif [ -f "$project/setup/pictures/setup.ico" ]; then
        fail "autorun.inf names no icon although the disc has one"
    fi
}

# A copy of the disc in a folder whose name has blanks, with the launcher
# replaced by a script that writes down the path it was started by.
fake_disc() {
    copy="$work/Trenchmoor Disc 1"
    rm -rf "$copy"
    cp -R "$disc" "$copy"
    rm -f "$copy/trenchmoor-setup"
    printf '#!/bin/sh\nprintf "%%s\\n" "$0" > "%s/started"\n' "$work" > "$copy/trenchmoor-setup"
    chmod 755 "$copy/trenchmoor-setup"
    # Discs without Rock Ridge have no execute bits: autorun.sh must not need one.
    chmod 644 "$copy/autorun.sh"
}

check_autorun_sh() {
    [ -f "$disc/autorun.sh" ] || return 0
    sh -n "$disc/autorun.sh" || fail "autorun.sh is not a valid sh script"
    fake_disc
    # folder to start from | path given to sh | path the launcher must be started by
    while IFS='|' read -r from script launcher; do
        rm -f "$work/started"
        (cd "$from" && sh "$script" </dev/null >/dev/null 2>"$work/autorun-errors")
        started=$(cat "$work/started" 2>/dev/null)
        [ "$started" = "$launcher" ] ||
            fail "sh '$script' from '$from' started '$started', not '$launcher' ($(cat "$work/autorun-errors"))"
    done <<CASES
/|$copy/autorun.sh|$copy/trenchmoor-setup
$work|Trenchmoor Disc 1/autorun.sh|Trenchmoor Disc 1/trenchmoor-setup
$copy|./autorun.sh|./trenchmoor-setup
$copy/Acrobat|../autorun.sh|../trenchmoor-setup
CASES
}

check_desktop_entry() {
    entry=$disc/trenchmoor-setup.desktop
    [ -f "$entry" ] || return 0
    if command -v desktop-file-validate >/dev/null 2>&1; then
        desktop-file-validate "$entry" > "$work/desktop-errors" 2>&1 ||
            fail "desktop-file-validate: $(cat "$work/desktop-errors")"
    else
        note "desktop-file-utils missing: trenchmoor-setup.desktop not validated"
    fi
    if command -v python3 >/dev/null 2>&1; then
        # Run the Exec line the way the Desktop Entry rules read it, with %k
        # the entry's own path: it must start the launcher next to the entry,
        # wherever the disc is mounted.
        fake_disc
        rm -f "$work/started"
        (cd / && python3 - "$copy/trenchmoor-setup.desktop" <<'PY' >/dev/null 2>"$work/exec-errors")
import subprocess, sys
entry = sys.argv[1]
value = next(line.split("=", 1)[1].rstrip("\n") for line in open(entry, encoding="utf-8")
             if line.startswith("Exec="))
# Escapes of string values first.
plain, i = "", 0
while i < len(value):
    if value[i] == "\\" and i + 1 < len(value):
        plain += {"s": " ", "n": "\n", "t": "\t", "r": "\r", "\\": "\\"}.get(value[i + 1], "\\" + value[i + 1])
        i += 2
    else:
        plain += value[i]
        i += 1
# Then the quoting of Exec: double quotes, inside them \ escapes " ` $ \.
args, current, quoted, started, i = [], "", False, False, 0
while i < len(plain):
    c = plain[i]
    if quoted and c == "\\" and i + 1 < len(plain) and plain[i + 1] in '"`$\\':
        current += plain[i + 1]
        i += 1
    elif c == '"':
        quoted, started = not quoted, True
    elif c == " " and not quoted:
        if current or started:
            args.append(current)
        current, started = "", False
    else:
        current += c
    i += 1
if current or started:
    args.append(current)
# Field codes: %k is the entry's location, %% a percent sign; no files given.
expanded = []
for arg in args:
    if arg in ("%f", "%F", "%u", "%U", "%i", "%c"):
        continue
    expanded.append(arg.replace("%k", entry).replace("%%", "%"))
sys.exit(subprocess.call(expanded))
PY
        started=$(cat "$work/started" 2>/dev/null)
        [ "$started" = "$copy/trenchmoor-setup" ] ||
            fail "the desktop entry started '$started', not '$copy/trenchmoor-setup' ($(cat "$work/exec-errors"))"
    else
        note "python3 missing: the desktop entry's Exec line not run"
    fi
}

# ---------------------------------------------------------------------------
# Lists an image with xorriso: one line "mode uid gid path" a file.
list_image() { # image read_fs [more xorriso options]
    image=$1 fs=$2
    shift 2
    xorriso -no_rc -report_about SORRY -read_fs "$fs" "$@" -indev "$image" \
        -find / -exec lsdl -- 2>"$work/xorriso-errors" |
        awk '{ path = $0; sub(/^[^'\'']*'\''/, "", path); sub(/'\''$/, "", path);
               print $1, $3, $4, path }'
}

check_image() {
    if ! command -v xorriso >/dev/null 2>&1; then
        echo "xorriso is not installed (Debian package xorriso): image not checked"
        exit 77
    fi
    image=$work/trenchmoor.iso
    if ! sh "$project/disc/make-iso.sh" "$disc" "$image" 2>"$work/master-errors"; then
        fail "make-iso.sh failed: $(cat "$work/master-errors")"
        return
    fi

    volid=$(xorriso -no_rc -indev "$image" -pvd_info 2>/dev/null | sed -n "s/^Volume Id *: *//p")
    [ "$volid" = TRENCHMOOR ] || fail "volume id is '$volid', not TRENCHMOOR"

    # Rock Ridge: the names as laid out, owned by root, programs executable.
    list_image "$image" any > "$work/rr"
    [ -s "$work/rr" ] || fail "no Rock Ridge tree read: $(cat "$work/xorriso-errors")"
    awk '$1 !~ /^d/ && $4 != "/" { print substr($4, 2) }' "$work/rr" | sort > "$work/rr-paths"
    same_paths "the Rock Ridge tree" "$work/rr-paths"
    while read -r path kind; do
        case $kind in
            program) want=-r-xr-xr-x ;;
            *) want=-r--r--r-- ;;
        esac
        line=$(awk -v p="/$path" '$4 == p' "$work/rr")
        [ -n "$line" ] || continue
        set -- $line
        [ "$1" = "$want" ] || fail "Rock Ridge: $path has mode $1, a $kind needs $want"
        [ "$2 $3" = "0 0" ] || fail "Rock Ridge: $path is owned by $2:$3, not 0:0"
    done < "$work/expected"
    awk '$1 ~ /^d/ && $1 != "dr-xr-xr-x" { print "Rock Ridge: folder " $4 " has mode " $1 }' "$work/rr" > "$work/bad-dirs"
    [ -s "$work/bad-dirs" ] && fail "$(cat "$work/bad-dirs")"

    # Joliet: what Windows shows; the names must be the same, case kept.
    list_image "$image" norock > "$work/joliet"
    awk '$1 !~ /^d/ && $4 != "/" { print substr($4, 2) }' "$work/joliet" | sort > "$work/joliet-paths"
    same_paths "the Joliet tree" "$work/joliet-paths"

    # Plain ISO 9660, as Linux mounts a disc read without Rock Ridge and
    # Joliet (names in lower case): the files the launcher opens and the one
    # Windows reads first must keep their names, apart from case.
    list_image "$image" ecma119 -ecma119_map lowercase |
        awk '{ print substr($4, 2) }' > "$work/plain-paths"
    for path in acrobat/setup.exe tallset.exe manual.pdf autorun.inf; do
        grep -qx "$path" "$work/plain-paths" ||
            fail "plain ISO 9660 tree has no $path: $(tr '\n' ' ' < "$work/plain-paths")"
    done

    # The same disc contents give the same image, whenever and wherever the
    # folder was made: copy it afresh (new file dates) and master again.
    sleep 1
    cp -R "$disc" "$work/again"
    sh "$project/disc/make-iso.sh" "$work/again" "$work/again.iso" 2>/dev/null
    cmp -s "$image" "$work/again.iso" || fail "mastering the same disc twice gives different images"
}

case $mode in
    layout) check_layout ;;
    image) check_image ;;
    *) echo "unknown mode '$mode'" >&2; exit 2 ;;
esac

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
