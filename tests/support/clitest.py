"""What the command-line scripts under tests/app share: the failures list and its summary, the
programs named on the command line, a scratch folder, synthesised flights, the emulated
altimeter, and running or stopping a program so that a hang is a result, not a stalled test.

A script finds this folder from its own place (tests/<dir>/../support), so it runs the same
from ctest, by hand, or from a fresh clone.
"""
import contextlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
    return cond


def finish():
    """Every failure, their count, and the script's exit code."""
    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


def programs(usage, needed, optional=0):
    """The programs given as arguments, as absolute paths (the scripts change folders); an
    optional one not given is None."""
    args = sys.argv[1:]
    if not needed <= len(args) <= needed + optional:
        print(usage, file=sys.stderr)
        sys.exit(2)
    return [os.path.abspath(a) for a in args] + [None] * (needed + optional - len(args))


@contextlib.contextmanager
def scratch(prefix):
    folder = tempfile.mkdtemp(prefix=prefix)
    try:
        yield folder
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def synth(tool, path, *args):
    """A flight from the synthesiser at `path`."""
    subprocess.run([tool, *map(str, args), "-o", path], check=True)
    return path


def run(program, args, timeout=30, text=True, **kw):
    """The program's result; one that outlives `timeout` is killed and its exit code is "hung",
    which no check takes for an exit code."""
    try:
        return subprocess.run([program, *args], capture_output="stdout" not in kw and
                              "stderr" not in kw, text=text, timeout=timeout, **kw)
    except subprocess.TimeoutExpired:
        return subprocess.CompletedProcess(args, "hung", "" if text else b"", "" if text else b"")


def stop(proc, sig=signal.SIGINT, wait=10):
    """A signal to a running program: its exit code ("hung" when it did not end within `wait`)
    and the seconds it took to end."""
    start = time.monotonic()
    proc.send_signal(sig)
    try:
        rc = proc.wait(wait)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        rc = "hung"
    return rc, time.monotonic() - start


class Emulator:
    """An emulated altimeter on a pseudo-terminal (at `--link PATH` when given): there once the
    emulator prints its port, unplugged on leaving the block."""

    def __init__(self, emulator, *args, quiet=False):
        self.p = subprocess.Popen([emulator, *args], stdout=subprocess.PIPE, text=True,
                                  stderr=subprocess.DEVNULL if quiet else None)
        self.port = self.p.stdout.readline().strip()

    def unplug(self):
        self.p.terminate()
        self.p.wait(5)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.unplug()
