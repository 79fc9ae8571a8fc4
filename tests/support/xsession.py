"""What the window scripts under tests/gui share: a private X server and D-Bus session to run
in, the window program started there with Qt's accessibility bridge on and its settings in a
folder of its own, and the program as a screen reader finds it (pyatspi).

A script calls in_session() from its main part; that runs the script again as
`SCRIPT [ARGS...] --inner ...` under dbus-run-session on the new display. Needs Xvfb,
dbus-run-session, at-spi2-core and /usr/bin/python3 with python3-pyatspi.
"""
import os
import shutil
import subprocess
import time

PYTHON = "/usr/bin/python3"  # the one python3-pyatspi is installed for


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


def in_session(script, args, timeout):
    """`script args` on a private display in a private D-Bus session: its exit code."""
    xvfb, display = start_xvfb()
    try:
        return subprocess.run(["dbus-run-session", "--", PYTHON, os.path.abspath(script),
                               *args], env=dict(os.environ, DISPLAY=display),
                              timeout=timeout).returncode
    finally:
        xvfb.terminate()
        xvfb.wait(5)


def start_window(program, home, *args, **env):
    """The window program, copied into `home` (its settings file lies beside it), with `home`
    as its home and Qt's accessibility bridge on."""
    copy = os.path.join(home, "OrlomatBMP")
    shutil.copy(program, copy)
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               QT_QPA_PLATFORM="xcb", HOME=home, XDG_CONFIG_HOME=home + "/config",
               XDG_DATA_HOME=home + "/data", **env)
    return subprocess.Popen([copy, *args], env=env)


def end_window(proc):
    proc.terminate()
    try:
        proc.wait(10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def application(proc):
    """The program `proc` on the accessibility bus, or None while it is not there."""
    import pyatspi
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == "OrlomatBMP" and a.get_process_id() == proc.pid:
            return a
    return None


def walk(node, keep, found=None, depth=0):
    """The nodes under `node` (itself included) that `keep` takes."""
    found = [] if found is None else found
    if node is None or depth > 40:
        return found
    try:
        if keep(node):
            found.append(node)
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), keep, found, depth + 1)
    except Exception:  # an object gone while walked
        pass
    return found
