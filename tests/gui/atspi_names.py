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
import subprocess
import sys
import tempfile
import time

EXPECTED = {
    "Polski": ["Maximum", "Minimum", "Nr.Zawodnika", "Nr.Seryjny", "Temperatura", "Pomiary"],
    "English": ["Maximum", "Minimum", "Competitor No.", "Serial No.", "Temperature", "Sampling"],
}
GROUPS = {"Orlomat", "Plik", "Altimeter", "File"}


def start_xvfb():
    # A display of its own; one that another server took meanwhile is given up for the next.
    # No reset when the last client leaves: the accessibility bus launcher's brief visit
    # would leave the server resetting just as the program connects.
    for _ in range(5):
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1400x900x24",
                                 "-nolisten", "tcp", "-noreset"], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        number = xvfb.stdout.readline().decode().strip()
        time.sleep(0.3)
        if number and xvfb.poll() is None and os.path.exists(f"/tmp/.X11-unix/X{number}"):
            return xvfb, ":" + number
        xvfb.kill()
        xvfb.wait()
    raise SystemExit("cannot start Xvfb")


def outer(program):
    xvfb, display = start_xvfb()
    try:
        env = dict(os.environ, DISPLAY=display)
        return subprocess.run(["dbus-run-session", "--", "/usr/bin/python3",
                               os.path.abspath(__file__), "--inner", program],
                              env=env, timeout=120).returncode
    finally:
        xvfb.terminate()
        xvfb.wait(5)


def find_all(node, keep, found, depth=0):
    if node is None or depth > 40:
        return found
    try:
        if keep(node):
            found.append(node)
        for i in range(node.childCount):
            find_all(node.getChildAtIndex(i), keep, found, depth + 1)
    except Exception:  # an object gone while walked
        pass
    return found


def wait_for(what, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        got = what()
        if got:
            return got
        time.sleep(0.2)
    return None


def inner(program):
    import pyatspi

    home = tempfile.mkdtemp()
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               QT_QPA_PLATFORM="xcb", HOME=home, XDG_CONFIG_HOME=home + "/config",
               XDG_DATA_HOME=home + "/data")
    # The settings file lies beside the program: a copy of it in a folder of its own.
    copy = os.path.join(home, "OrlomatBMP")
    with open(program, "rb") as src, open(copy, "wb") as dst:
        dst.write(src.read())
    os.chmod(copy, 0o755)
    proc = subprocess.Popen([copy], env=env)
    failures = []
    try:
        def app():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                if a is not None and a.name == "OrlomatBMP":
                    return a
            return None

        application = wait_for(app)
        if application is None:
            print("FAIL: the program does not appear on the accessibility bus")
            return 1

        def fields():
            return find_all(application, lambda n: n.getRoleName() in ("text", "entry")
                            and n.parent is not None and n.parent.getRoleName() in
                            ("panel", "grouping", "filler") and n.parent.name in GROUPS, [])

        # Through the menu items, as a screen reader's user switches the language.
        for language in ("Polski", "English", "Polski"):
            items = find_all(application, lambda n: n.getRoleName() == "menu item"
                             and n.name.replace("&", "") == language, [])
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
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
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
    sys.exit(outer(sys.argv[1]))
