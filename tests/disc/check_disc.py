#!/usr/bin/env python3
"""Checks the demo disc that the build laid out, and the image mastered from it.

    check_disc.py layout DISC_FOLDER PROJECT_FOLDER
    check_disc.py image  DISC_FOLDER PROJECT_FOLDER

"layout" looks at the folder itself; "image" masters it with the project's
make-iso.sh into a temporary folder and reads the image back without mounting
it. "image" exits 77 (skipped) when xorriso is not installed. Optional tools
widen "layout": pdfinfo/pdftotext (poppler-utils), desktop-file-validate
(desktop-file-utils).
"""
import filecmp
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import time

failures = []


def fail(message):
    print("FAIL: " + message)
    failures.append(message)


def note(message):
    print("note: " + message)


def have(program):
    return shutil.which(program) is not None


def windows_disc():
    """The disc carries the Windows launcher and Windows installers (the build
    made the Windows programs; the test says so in TRENCHMOOR_DISC_WINDOWS)."""
    return os.environ.get("TRENCHMOOR_DISC_WINDOWS") == "1"


def pe_kind(path):
    """Machine and subsystem from a Windows program's PE header: "i386 gui",
    "x86-64 gui", ... or "not a Windows program"."""
    with open(path, "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ" or len(head) < 64:
        return "not a Windows program"
    pe = int.from_bytes(head[60:64], "little")
    if head[pe:pe + 4] != b"PE\0\0":
        return "not a Windows program"
    machine = {0x14c: "i386", 0x8664: "x86-64"}.get(int.from_bytes(head[pe + 4:pe + 6], "little"), "other")
    subsystem = {2: "gui", 3: "console"}.get(int.from_bytes(head[pe + 24 + 68:pe + 24 + 70], "little"), "other")
    return f"{machine} {subsystem}"


def expected_files(project):
    """What the disc must hold: path relative to the disc root -> program or
    data. Icons only when their pictures exist."""
    files = {
        "trenchmoor-setup": "program",
        "Acrobat/Setup.exe": "program",
        "Tallset.exe": "program",
        "autorun.sh": "program",
        "trenchmoor-setup.desktop": "program",
        "MANUAL.PDF": "data",
        "autorun.inf": "data",
    }
    if windows_disc():
        files["SETUP.EXE"] = "program"
    # The labels' faces, for systems without them.
    for face in ("Regular", "Bold"):
        files[f"linux/fonts/LiberationSans-{face}.ttf"] = "data"
    pictures = os.path.join(project, "setup", "pictures")
    if os.path.isfile(os.path.join(pictures, "setup.ico")):
        files["trenchmoor-setup.ico"] = "data"
    if os.path.isfile(os.path.join(pictures, "trenchmoor-setup.png")):
        files["trenchmoor-setup.png"] = "data"
    return files


def same_paths(what, expected, found):
    missing, extra = sorted(set(expected) - set(found)), sorted(set(found) - set(expected))
    if missing or extra:
        fail(f"{what} differs from what the disc must hold (- expected, + found):\n"
             + "".join(f"  -{p}\n" for p in missing) + "".join(f"  +{p}\n" for p in extra))


# ---------------------------------------------------------------------------
def check_layout(disc, project, work):
    expected = expected_files(project)
    found = [os.path.relpath(os.path.join(top, name), disc)
             for top, _, names in os.walk(disc) for name in names]
    same_paths("the disc folder", expected, found)

    for path, kind in expected.items():
        full = os.path.join(disc, path)
        if not os.path.isfile(full):
            continue
        mode = stat.S_IMODE(os.stat(full).st_mode)
        want = 0o755 if kind == "program" else 0o644
        if mode != want:
            fail(f"{path} has mode {mode:o}, a {kind} needs {want:o}")
    elf_programs = ("trenchmoor-setup", "Acrobat/Setup.exe", "Tallset.exe")
    if windows_disc():
        # Windows installers as a published disc carries them (64-bit, so that
        # Wine runs them here), and the 32-bit launcher autorun.inf opens.
        elf_programs = ("trenchmoor-setup",)
        for program, want in (("Acrobat/Setup.exe", "x86-64 gui"), ("Tallset.exe", "x86-64 gui"),
                              ("SETUP.EXE", "i386 gui")):
            full = os.path.join(disc, program)
            if os.path.isfile(full) and pe_kind(full) != want:
                fail(f"{program} is {pe_kind(full)}, not a Windows program {want}")
    for program in elf_programs:
        full = os.path.join(disc, program)
        if os.path.isfile(full):
            with open(full, "rb") as f:
                magic = f.read(4)
            if magic != b"\x7fELF":
                fail(f"{program} is not an executable program (starts with {magic!r})")

    check_linux_launcher(disc, expected)
    check_manual(disc, project, work)
    check_autorun_inf(disc, project)
    copy = fake_disc(disc, work)
    check_autorun_sh(disc, copy, work)
    check_desktop_entry(disc, copy)


def check_linux_launcher(disc, expected):
    """The Linux launcher: stripped, on the system's GTK 3, carrying no
    library of its own; the Linux part under 4 MiB."""
    if not have("readelf"):
        note("readelf (binutils) missing: the Linux launcher not read")
        return
    full = os.path.join(disc, "trenchmoor-setup")
    if not os.path.isfile(full):
        return
    sections = subprocess.run(["readelf", "-S", "-W", full], capture_output=True, text=True).stdout
    if re.search(r"\s\.(symtab|debug_\w+)\s", sections):
        fail("trenchmoor-setup is not stripped (it has a symbol table or debug information)")
    dynamic = subprocess.run(["readelf", "-d", full], capture_output=True, text=True).stdout
    needed = re.findall(r"\(NEEDED\).*\[(.*)\]", dynamic)
    if "libgtk-3.so.0" not in needed:
        fail(f"trenchmoor-setup does not run on GTK 3 (it needs {', '.join(needed)})")
    if any("Qt" in library for library in needed) or re.search(r"\((RUNPATH|RPATH)\)", dynamic):
        fail(f"trenchmoor-setup looks for libraries of its own (it needs {', '.join(needed)})")
    size = 0
    for name in ("trenchmoor-setup", "autorun.sh", "trenchmoor-setup.desktop"):
        if os.path.isfile(os.path.join(disc, name)):
            size += os.path.getsize(os.path.join(disc, name))
    for top, _, names in os.walk(os.path.join(disc, "linux")):
        size += sum(os.path.getsize(os.path.join(top, name)) for name in names)
    if "libasan.so" in " ".join(needed):
        note(f"a sanitizer build's launcher: the Linux part's size ({size} bytes) not checked")
    elif size >= 4 * 1024 * 1024:
        fail(f"the Linux part of the disc takes {size} bytes, 4 MiB or more")


def check_manual(disc, project, work):
    pdf = os.path.join(disc, "MANUAL.PDF")
    if not os.path.isfile(pdf):
        return
    with open(pdf, "rb") as f:
        data = f.read()
    if not data.startswith(b"%PDF-"):
        fail("MANUAL.PDF does not start with %PDF-")
    if not data.rstrip(b"\r\n").endswith(b"%%EOF"):
        fail("MANUAL.PDF does not end with %%EOF")
    if data != open(os.path.join(project, "disc", "MANUAL.PDF"), "rb").read():
        fail("MANUAL.PDF on the disc is not the one in disc/")

    # Every object the cross-reference table points at must start there:
    # readers that trust the table show nothing or garbage otherwise.
    found = re.search(rb"startxref\s+(\S*)\s+%%EOF\s*$", data)
    if not found or not found.group(1).isdigit():
        fail(f"MANUAL.PDF: no number after startxref ({found.group(1) if found else b''!r})")
    else:
        lines = data[int(found.group(1)):].splitlines()
        if not lines or lines[0].strip() != b"xref":
            fail(f"MANUAL.PDF: startxref {int(found.group(1))} does not point at the xref table")
        else:
            first, count = (int(x) for x in lines[1].split()[:2])
            entries = lines[2:2 + count]
            if len(entries) != count:
                fail("MANUAL.PDF: xref table is short")
            for number, entry in enumerate(entries, first):
                offset, generation, use = entry.split()[:3]
                if use != b"n":
                    continue
                at = data[int(offset):int(offset) + 24].split(b"\n")[0].rstrip(b"\r")
                if at != b"%d %d obj" % (number, int(generation)):
                    fail(f"MANUAL.PDF: xref entry {number} points at {at.decode(errors='replace')!r}")

    regenerated = os.path.join(work, "manual.pdf")
    subprocess.run([sys.executable, os.path.join(project, "disc", "make-manual.py"), regenerated], check=False)
    if not os.path.isfile(regenerated) or not filecmp.cmp(regenerated, os.path.join(project, "disc", "MANUAL.PDF"), shallow=False):
        fail("disc/MANUAL.PDF is not what disc/make-manual.py writes; run it again")

    if have("pdfinfo") and have("pdftotext"):
        info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True)
        if info.stderr:
            fail(f"pdfinfo complains about MANUAL.PDF: {info.stderr}")
        pages = re.search(r"^Pages:\s*(\d+)", info.stdout, re.M)
        if not pages or int(pages.group(1)) < 1:
            fail("pdfinfo finds no pages in MANUAL.PDF")
        text = subprocess.run(["pdftotext", "-f", "1", "-l", "1", pdf, "-"],
                              capture_output=True, text=True).stdout.replace("\n", " ")
        if "Trenchmoor — Field Manual" not in text:
            fail(f"page 1 of MANUAL.PDF does not read 'Trenchmoor — Field Manual': {text}")
    else:
        note("poppler-utils missing: MANUAL.PDF not rendered")


def check_autorun_inf(disc, project):
    inf = os.path.join(disc, "autorun.inf")
    if not os.path.isfile(inf):
        return
    raw = open(inf, "rb").read()
    lines = raw.split(b"\n")[:-1] if raw.endswith(b"\n") else raw.split(b"\n")
    first = lines[0].rstrip(b"\r").decode() if lines else ""
    if first.lower() != "[autorun]":
        fail(f"autorun.inf starts with '{first}', not [autorun]")
    bare = sum(1 for line in lines if not line.endswith(b"\r")) + (not raw.endswith(b"\n"))
    if bare:
        fail(f"autorun.inf: {bare} of {len(lines)} lines do not end in CRLF")
    values = {}
    for line in raw.decode().splitlines():
        key, sep, value = line.partition("=")
        if sep:
            values.setdefault(key.strip().lower(), value.strip())
    if windows_disc():
        if values.get("open", "") != "SETUP.EXE":
            fail(f"autorun.inf opens '{values.get('open', '')}', not the Windows launcher SETUP.EXE")
        if values.get("icon", "") != "SETUP.EXE,0":
            fail(f"autorun.inf names the icon '{values.get('icon', '')}', not SETUP.EXE,0 (the launcher's own)")
        return
    if values.get("open", "") != "trenchmoor-setup":
        fail(f"autorun.inf opens '{values.get('open', '')}', not the launcher trenchmoor-setup")
    icon = values.get("icon", "")
    if icon:
        if not os.path.isfile(os.path.join(disc, icon)):
            fail(f"autorun.inf names the icon '{icon}', which is not on the disc")
    elif os.path.isfile(os.path.join(project, "setup", "pictures", "setup.ico")):
        fail("autorun.inf names no icon although the disc has one")


def fake_disc(disc, work):
    """A copy of the disc in a folder whose name has blanks, with the launcher
    replaced by a script that writes down the path it was started by."""
    copy = os.path.join(work, "Trenchmoor Disc 1")
    shutil.copytree(disc, copy, symlinks=True)
    launcher = os.path.join(copy, "trenchmoor-setup")
    os.remove(launcher)
    with open(launcher, "w") as f:
        f.write('#!/bin/sh\nprintf "%%s\\n" "$0" > "%s/started"\nexit "${FAKE_STATUS:-0}"\n' % work)
    os.chmod(launcher, 0o755)
    # Discs without Rock Ridge have no execute bits: autorun.sh must not need one.
    if os.path.exists(os.path.join(copy, "autorun.sh")):
        os.chmod(os.path.join(copy, "autorun.sh"), 0o644)
    return copy


def started_by(work, command, cwd, env=None):
    """Runs command in cwd; the path the stand-in launcher was started by
    (and, with env, the exit status too)."""
    started = os.path.join(work, "started")
    if os.path.exists(started):
        os.remove(started)
    run = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True, env=env, timeout=60)
    seen = open(started).read().rstrip("\n") if os.path.exists(started) else ""
    if env is not None:
        return seen, run.stderr, run.returncode
    return seen, run.stderr


def without_display(**more):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(more)
    return env


def check_autorun_sh(disc, copy, work):
    if not os.path.isfile(os.path.join(disc, "autorun.sh")):
        return
    if subprocess.run(["sh", "-n", os.path.join(disc, "autorun.sh")]).returncode != 0:
        fail("autorun.sh is not a valid sh script")
    # folder to start from, path given to sh, path the launcher must be started by
    for where, script, launcher in (
            ("/", f"{copy}/autorun.sh", f"{copy}/trenchmoor-setup"),
            (work, "Trenchmoor Disc 1/autorun.sh", "Trenchmoor Disc 1/trenchmoor-setup"),
            (copy, "./autorun.sh", "./trenchmoor-setup"),
            (f"{copy}/Acrobat", "../autorun.sh", "../trenchmoor-setup")):
        seen, errors = started_by(work, ["sh", script], where)
        if seen != launcher:
            fail(f"sh '{script}' from '{where}' started '{seen}', not '{launcher}' ({errors})")
    # The launcher's own ends pass through without a word; where the loader
    # refuses it (127), the player is told (here without a display: stderr).
    # On this system glibc and GTK are there, so the word is the loader's.
    for status, says in ((0, ""), (1, ""), (3, ""), (143, ""), (127, "the program\nloader refused")):
        _, errors, code = started_by(work, ["sh", f"{copy}/autorun.sh"], "/", without_display(FAKE_STATUS=str(status)))
        if code != status or (says not in errors if says else errors):
            fail(f"autorun.sh with a launcher that ends with {status}: status {code}, stderr {errors!r}"
                 f" (expected {status} and {'the words ' + repr(says) if says else 'nothing'})")


def exec_arguments(value, entry):
    """The arguments of a desktop entry's Exec value, the way the Desktop Entry
    rules read it, with %k the entry's own path and no files given."""
    plain, i = "", 0
    while i < len(value):  # escapes of string values first
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
    return [arg.replace("%k", entry).replace("%%", "%") for arg in args
            if arg not in ("%f", "%F", "%u", "%U", "%i", "%c")]


def check_desktop_entry(disc, copy):
    entry = os.path.join(disc, "trenchmoor-setup.desktop")
    if not os.path.isfile(entry):
        return
    if have("desktop-file-validate"):
        check = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        if check.returncode != 0:
            fail(f"desktop-file-validate: {check.stdout}{check.stderr}")
    else:
        note("desktop-file-utils missing: trenchmoor-setup.desktop not validated")
    # Run the Exec line: it must start the launcher next to the entry, wherever
    # the disc is mounted.
    copied = os.path.join(copy, "trenchmoor-setup.desktop")
    value = next((line[5:].rstrip("\n") for line in open(copied, encoding="utf-8")
                  if line.startswith("Exec=")), "")
    seen, errors = started_by(os.path.dirname(copy), exec_arguments(value, copied), "/")
    if seen != os.path.join(copy, "trenchmoor-setup"):
        fail(f"the desktop entry started '{seen}', not '{copy}/trenchmoor-setup' ({errors})")
    # Where the entry's path names no disc (a copy on the desktop, or none at
    # all: gio launch passes none), the disc is found among the mounted media;
    # where none holds it, the entry says so. The media are bubblewrap's.
    if not have("bwrap"):
        note("bubblewrap missing: the desktop entry not tried without its own path")
        return
    elsewhere = os.path.join(os.path.dirname(copy), "Desktop", "trenchmoor-setup.desktop")
    os.makedirs(os.path.dirname(elsewhere), exist_ok=True)
    shutil.copy(copied, elsewhere)
    media = "/media/player/TRENCHMOOR"
    for what, entry, mounted, launcher in (
            ("a copy on the desktop", elsewhere, True, media + "/trenchmoor-setup"),
            ("no path", None, True, media + "/trenchmoor-setup"),
            ("no path and no disc", None, False, "")):
        arguments = exec_arguments(value, entry or "%k")
        if entry is None:
            arguments = [arg for arg in arguments if arg != "%k"]
        sandbox = ["bwrap", "--dev-bind", "/", "/", "--tmpfs", "/media", "--tmpfs", "/mnt", "--die-with-parent"]
        if mounted:
            sandbox += ["--ro-bind", copy, media]
        seen, errors, code = started_by(os.path.dirname(copy), sandbox + arguments, "/", without_display())
        if seen != launcher:
            fail(f"the desktop entry with {what} started '{seen}', not '{launcher or 'nothing'}' ({errors})")
        if not mounted and (code == 0 or "cannot find its disc" not in errors):
            fail(f"the desktop entry with {what}: status {code}, stderr {errors!r} (expected a word that it cannot find its disc)")


# ---------------------------------------------------------------------------
def list_image(image, read_fs, *options):
    """{path: (mode, uid, gid)} of an image, as xorriso lists it."""
    run = subprocess.run(["xorriso", "-no_rc", "-report_about", "SORRY", "-read_fs", read_fs, *options,
                          "-indev", image, "-find", "/", "-exec", "lsdl", "--"],
                         capture_output=True, text=True)
    listing = {}
    for line in run.stdout.splitlines():
        if "'" not in line:
            continue
        fields = line.split()
        path = line[line.index("'") + 1:line.rindex("'")]
        listing[path] = (fields[0], fields[2], fields[3])
    return listing, run.stderr


def files_of(listing):
    return [path[1:] for path, (mode, _, _) in listing.items() if not mode.startswith("d") and path != "/"]


def check_image(disc, project, work):
    if not have("xorriso"):
        print("xorriso is not installed (Debian package xorriso): image not checked")
        sys.exit(77)
    expected = expected_files(project)
    image = os.path.join(work, "trenchmoor.iso")
    master = subprocess.run(["sh", os.path.join(project, "disc", "make-iso.sh"), disc, image],
                            capture_output=True, text=True)
    if master.returncode != 0:
        fail(f"make-iso.sh failed: {master.stderr}")
        return
    info = subprocess.run(["xorriso", "-no_rc", "-indev", image, "-pvd_info"], capture_output=True, text=True)
    volid = re.search(r"^Volume Id\s*:\s*(.*)$", info.stdout, re.M)
    if not volid or volid.group(1).strip() != "TRENCHMOOR":
        fail(f"volume id is '{volid.group(1) if volid else ''}', not TRENCHMOOR")

    # Rock Ridge: the names as laid out, owned by root, programs executable.
    rock, errors = list_image(image, "any")
    if not rock:
        fail(f"no Rock Ridge tree read: {errors}")
    same_paths("the Rock Ridge tree", expected, files_of(rock))
    for path, kind in expected.items():
        if "/" + path not in rock:
            continue
        mode, uid, gid = rock["/" + path]
        want = "-r-xr-xr-x" if kind == "program" else "-r--r--r--"
        if mode != want:
            fail(f"Rock Ridge: {path} has mode {mode}, a {kind} needs {want}")
        if (uid, gid) != ("0", "0"):
            fail(f"Rock Ridge: {path} is owned by {uid}:{gid}, not 0:0")
    for path, (mode, _, _) in rock.items():
        if mode.startswith("d") and mode != "dr-xr-xr-x":
            fail(f"Rock Ridge: folder {path} has mode {mode}")

    # Joliet: what Windows shows; the names must be the same, case kept.
    joliet, _ = list_image(image, "norock")
    same_paths("the Joliet tree", expected, files_of(joliet))

    # Plain ISO 9660, as Linux mounts a disc read without Rock Ridge and Joliet
    # (names in lower case): the files the launcher opens and the one Windows
    # reads first must keep their names, apart from case.
    plain, _ = list_image(image, "ecma119", "-ecma119_map", "lowercase")
    plain_paths = [path[1:] for path in plain]
    for path in ("acrobat/setup.exe", "tallset.exe", "manual.pdf", "autorun.inf"):
        if path not in plain_paths:
            fail(f"plain ISO 9660 tree has no {path}: {' '.join(plain_paths)}")

    # The same disc contents give the same image, whenever and wherever the
    # folder was made: copy it afresh (new file dates) and master again.
    time.sleep(1)
    again = os.path.join(work, "again")
    shutil.copytree(disc, again, symlinks=True)
    subprocess.run(["sh", os.path.join(project, "disc", "make-iso.sh"), again, again + ".iso"],
                   capture_output=True)
    if not os.path.isfile(again + ".iso") or not filecmp.cmp(image, again + ".iso", shallow=False):
        fail("mastering the same disc twice gives different images")


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("layout", "image"):
        print(f"usage: {sys.argv[0]} layout|image DISC_FOLDER PROJECT_FOLDER", file=sys.stderr)
        return 2
    mode, disc, project = sys.argv[1:]
    if not os.path.isdir(disc):
        print(f"FAIL: no disc folder at {disc}; build the 'disc' target first")
        return 1
    with tempfile.TemporaryDirectory() as work:
        (check_layout if mode == "layout" else check_image)(disc, project, work)
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
