"""What a screen reader finds in the launcher's dialogs, through AT-SPI.

    accessibility.py screen-reader-on
        tells the session's accessibility bus that a screen reader runs, as
        Orca does at its start (org.a11y.Status.ScreenReaderEnabled)
    accessibility.py offer|confirm PID [TIMEOUT]
        waits for the active dialog of the launcher PID and compares what
        it reports as showing with what the dialog must say

Exit status 0 when all is as expected, 1 with a message when not.
"""
import sys
import time

TITLE = "Acrobat Reader Setup  (recommended)"
# (role, name) of everything in the dialog reported as showing or visible,
# the layout's nameless panel aside. A hidden button must not be among them.
EXPECTED = {
    "offer": [
        ("label", "Would you like to install  Acrobat Reader ?"),
        ("label", "This program will enable you to view the full electronic manual"
                  " for the game you are about to install."),
        ("image", "Document reader"),
        ("push button", "Yes"),
        ("push button", "No"),
    ],
    "confirm": [
        ("label", "Without viewing the manual you may find  it difficult to play the game."
                  + " " * 116 + "Are you sure you DO NOT wish to install? "),
        ("push button", "No"),
        ("push button", "Yes"),
    ],
}


def screen_reader_on():
    from gi.repository import Gio, GLib

    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def call(method, arguments):
        return bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", method,
                             arguments, None, Gio.DBusCallFlags.NONE, 10000, None)

    call("Set", GLib.Variant("(ssv)", ("org.a11y.Status", "ScreenReaderEnabled", GLib.Variant("b", True))))
    for name in ("ScreenReaderEnabled", "IsEnabled"):
        value = call("Get", GLib.Variant("(ss)", ("org.a11y.Status", name))).unpack()[0]
        if value is not True:
            sys.exit(f"FAIL: expected the accessibility bus to say {name} true, it says {value!r}")


def read_dialog(dialog, pid, timeout):
    import pyatspi

    def has(accessible, state):
        return accessible.getState().contains(state)

    def reported(accessible):
        for child in accessible:
            if child is None:
                continue
            if has(child, pyatspi.STATE_SHOWING) or has(child, pyatspi.STATE_VISIBLE):
                if child.getRoleName() != "panel" or child.name:
                    yield (child.getRoleName(), child.name)
            yield from reported(child)

    def windows():
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.get_process_id() == pid:
                return [window for window in application if window is not None]
        return []

    expected = sorted(EXPECTED[dialog])
    seen = "the launcher is not on the accessibility bus"
    deadline = time.monotonic() + timeout
    while True:
        try:
            active = [w for w in windows() if has(w, pyatspi.STATE_ACTIVE)]
            if active:
                window = active[0]
                seen = f"{window.getRoleName()} {window.name!r}: {sorted(reported(window))}"
                if (window.getRoleName() in ("dialog", "alert") and window.name == TITLE
                        and sorted(reported(window)) == expected):
                    print(f"  {dialog}: {seen}")
                    return
            else:
                seen = "no active window: " + ", ".join(f"{w.getRoleName()} {w.name!r}" for w in windows())
        except Exception as error:  # the tree changes while it is read
            seen = f"reading the tree failed: {error}"
        if time.monotonic() >= deadline:
            sys.exit(f"FAIL [{dialog}]: expected the active window to be a dialog (or alert) {TITLE!r}"
                     f" reporting {expected}\n  seen: {seen}")
        time.sleep(0.2)


if __name__ == "__main__":
    if sys.argv[1] == "screen-reader-on":
        screen_reader_on()
    else:
        read_dialog(sys.argv[1], int(sys.argv[2]), float(sys.argv[3]) if len(sys.argv) > 3 else 20)
