#!/usr/bin/python3
"""What a screen reader reads: the window's figure fields through AT-SPI, before and after a
language switch. Each field of the two flight groups is named after its own label, never
after its group ("Orlomat", "Plik").

    atspi_names.py OrlomatBMP

starts a private Xvfb and a private D-Bus session (dbus-run-session), runs the program there
with Qt's accessibility bridge on, and reads the names with pyatspi. Needs /usr/bin/python3
with python3-pyatspi and at-spi2-core.
"""
import os
import shutil
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from xsession import application, end_window, in_session, start_window, walk  # noqa: E402

EXPECTED = {
    "Polski": ["Maximum", "Minimum", "Nr.Zawodnika", "Nr.Seryjny", "Temperatura", "Pomiary"],
    "English": ["Maximum", "Minimum", "Competitor No.", "Serial No.", "Temperature", "Sampling"],
}
GROUPS = {"Orlomat", "Plik", "Altimeter", "File"}


def wait_for(what, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        got = what()
        if got:
            return got
        time.sleep(0.2)
    return None


def inner(program):
    home = tempfile.mkdtemp()
    proc = start_window(program, home)
    failures = []
    try:
        app = wait_for(lambda: application(proc))
        if app is None:
            print("FAIL: the program does not appear on the accessibility bus")
            return 1

        def fields():
            return walk(app, lambda n: n.getRoleName() in ("text", "entry")
                        and n.parent is not None and n.parent.getRoleName() in
                        ("panel", "grouping", "filler") and n.parent.name in GROUPS)

        # Through the menu items, as a screen reader's user switches the language.
        for language in ("Polski", "English", "Polski"):
            items = walk(app, lambda n: n.getRoleName() == "menu item"
                         and n.name.replace("&", "") == language)
            if not items:
                failures.append("no menu item " + language)
                break
            items[0].queryAction().doAction(0)
            expected = sorted(EXPECTED[language] * 2)
            got = wait_for(lambda: (lambda names: names if names == expected else None)(
                sorted(f.name for f in fields())), 10)
            names = sorted(f.name for f in fields())
            print(language + ":", names)
            if got is None:
                failures.append(f"{language}: fields named {names}, expected {expected}")
            if any(n in GROUPS for n in names):
                failures.append(f"{language}: a field is named after its group")
    finally:
        end_window(proc)
        shutil.rmtree(home, ignore_errors=True)
    for f in failures:
        print("FAIL:", f)
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--inner":
        sys.exit(inner(sys.argv[2]))
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(in_session(__file__, ["--inner", os.path.abspath(sys.argv[1])], 120))
