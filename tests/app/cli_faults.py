#!/usr/bin/env python3
"""Runs the orlomat tool the way a script or a contest official does, on every path where a
failure could pass for a success: each case names its command, what the exit code must be,
what stderr must say, and which files must survive untouched."""
import json
import os
import pty
import select
import shutil
import stat
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from clitest import Emulator, check, finish, programs, run as run_program, scratch, stop, \
    synth  # noqa: E402

orlomat, synth_tool, emulator, listing = programs(
    "cli_faults.py orlomat orlomat-synth orlomat-emulator orlomat-test-ports", 4)


def program(env):
    """The command line, or its test build that lists the pseudo-terminals named in `env`."""
    return listing if env and "ORLOMAT_TEST_USB_PORTS" in env else orlomat


def run(args, env=None, timeout=30, stderr=None):
    if stderr is None:
        return run_program(program(env), args, env=env, timeout=timeout)
    return run_program(program(env), args, env=env, timeout=timeout, stderr=stderr,
                       stdout=subprocess.PIPE)


def content(path):
    with open(path, "rb") as f:
        return f.read()


def watch_one(port, folder, link, env=None, settle=0.5, before_plug=None):
    """Runs download --watch, plugs one emulator in at `link`, then Ctrl+C: the JSON line and
    the exit code."""
    watch = subprocess.Popen([program(env), "download", "--port", port, "--dir", folder, "--watch"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
    time.sleep(settle)
    if before_plug:
        before_plug()
    with Emulator(emulator, "--flight", flight, "--link", link):
        told = select.select([watch.stdout], [], [], 15)[0]
        line = watch.stdout.readline() if told else ""
    rc, _ = stop(watch)
    return (json.loads(line) if line.strip() else {}), rc, line


with scratch("orlomat_faults_") as tmp:
    flight = synth(synth_tool, os.path.join(tmp, "lot.dat"), "--glide", 30)

    # A Polish locale, generated here, is really in force (printf writes a decimal comma)
    # and changes nothing in the JSON or in how options are read.
    locales = os.path.join(tmp, "locales")
    os.makedirs(locales)
    made = subprocess.run(["localedef", "-i", "pl_PL", "-f", "UTF-8",
                           os.path.join(locales, "pl_PL.UTF-8")], capture_output=True)
    check(made.returncode in (0, 1), f"localedef: {made.stderr}")
    pl = dict(os.environ, LOCPATH=locales, LANG="pl_PL.UTF-8", LC_ALL="pl_PL.UTF-8")
    printed = subprocess.run(["/usr/bin/printf", "%.1f", "1.5"], env=pl, capture_output=True,
                             text=True).stdout
    check(printed == "1,5", f"the Polish locale is not in force ({printed!r})")
    for cmd in (["decode", flight], ["compare", flight], ["decode", flight, "--temperature",
                                                          "12.5"]):
        r = run(cmd, env=pl)
        check(r.returncode == 0, f"{cmd} under pl_PL: exit {r.returncode} {r.stderr}")
        try:
            doc = json.loads(r.stdout)
            check(isinstance(doc.get("reference_pressure_hpa"), float), f"{cmd}: not a number")
        except json.JSONDecodeError as e:
            check(False, f"{cmd} under pl_PL: invalid JSON ({e})")
    check(run(["decode", flight, "--temperature", "12,5"], env=pl).returncode == 1,
          "12,5 taken as a temperature under pl_PL")

    # One number parser: plain decimal notation only, and values checked before any scaling.
    for text, code in ((" 5", 1), ("0x10", 1), ("1e2", 1), ("65535", 1), ("5,0", 1), ("", 1),
                       ("-5", 0), ("+3", 0), ("12.5", 0)):
        r = run(["decode", flight, "--temperature", text])
        check(r.returncode == code, f"--temperature {text!r}: exit {r.returncode}")
        if code:
            check("--temperature" in r.stderr, f"--temperature {text!r}: {r.stderr!r}")
    r = run(["settings", "--port", "pts/99999", "--level", "1", "--sampling", "1",
             "--manual-zero", "0", "--competitor", "1", "--delay", "184467440737095517"])
    check(r.returncode == 1 and "--delay" in r.stderr and "Communication" not in r.stderr,
          f"huge --delay: exit {r.returncode} {r.stderr!r}")
    r = run(["filter", flight, "--final-cut", "1073741824"])
    check(r.returncode == 0 and json.loads(r.stdout)["filtered"], f"huge --final-cut: {r.stderr}")

    # Writing: never onto the input, never over a device node or a fifo, never through a
    # symbolic link left where a temporary file would go, never a half file.
    csv = os.path.join(tmp, "lot.csv")
    before = content(flight)
    r = run(["export-csv", flight, flight])
    check(r.returncode == 1 and content(flight) == before, f"export onto its input: {r.stderr}")
    victim = os.path.join(tmp, "victim.txt")
    with open(victim, "w") as f:
        f.write("keep")
    os.symlink(victim, csv + ".part")
    check(run(["export-csv", flight, csv]).returncode == 0, "export")
    check(content(victim) == b"keep" and os.path.islink(csv + ".part"), "followed a .part link")
    check(sorted(os.listdir(tmp)).count("lot.csv") == 1 and
          not [n for n in os.listdir(tmp) if n.startswith(".lot.csv")], "scraps left behind")
    node = os.path.join(tmp, "null")
    try:
        os.mknod(node, 0o666 | stat.S_IFCHR, os.makedev(1, 3))  # a private /dev/null
    except OSError:  # not root, or a container that allows no device nodes
        node = "/dev/null"
    full_pdf = os.path.join(tmp, "full.pdf")
    os.symlink("/dev/full", full_pdf)  # a picture name that leads to a full disk
    for cmd, code, says in ((["export-csv", flight, node], 0, ""),
                            (["export-csv", flight, "/dev/full"], 1, "No space left on device"),
                            (["plot", flight, "-o", full_pdf], 1, "No space left on device")):
        r = run(cmd)
        check(r.returncode == code and says in r.stderr, f"{cmd}: {r.returncode} {r.stderr}")
    for target in (node, "/dev/full"):
        check(stat.S_ISCHR(os.stat(target).st_mode), f"{target} is no longer a device")
    fifo = os.path.join(tmp, "pipe")
    os.mkfifo(fifo)
    r = run(["export-csv", flight, fifo], timeout=10)  # nobody reads: refused, not a hang
    check(r.returncode == 1 and stat.S_ISFIFO(os.stat(fifo).st_mode), f"fifo out: {r.stderr}")
    got = []
    reader = threading.Thread(target=lambda: got.append(content(fifo)))
    reader.start()
    r = run(["export-csv", flight, fifo], timeout=10)
    reader.join(10)
    check(r.returncode == 0 and got and got[0].startswith(b"0.0\n\r"), "fifo with a reader")
    for cmd in (["info", fifo], ["decode", fifo], ["plot", flight, "--compare", fifo, "-o",
                                                   os.path.join(tmp, "x.png")]):
        r = run(cmd, timeout=10)  # "hung": blocked on the fifo
        check(r.returncode == 1 and "regular" in r.stderr, f"{cmd}: exit {r.returncode} {r.stderr}")

    # plot: any file name, the reason of a failure, the old picture kept on failure.
    dashed = os.path.join(tmp, "-lot.dat")
    shutil.copy(flight, dashed)
    r = run(["plot", dashed, "-o", os.path.join(tmp, "p.png")])
    check(r.returncode == 0, f"plot of a name starting with '-': {r.stderr}")
    r = run(["plot", flight, "-o", os.path.join(tmp, "no", "p.pdf")])
    check(r.returncode == 1 and "No such file or directory" in r.stderr, f"plot: {r.stderr}")
    # Every spelling of --lang: the plot still gets its widget application (no abort).
    for lang in (["--lang=en"], ["--lang", "pl"], ["--lang=pl", "plot"]):
        cmd = lang + (["plot"] if lang[-1] != "plot" else []) + [flight, "-o",
                                                                 os.path.join(tmp, "l.png")]
        r = run(cmd)
        check(r.returncode == 0 and os.path.getsize(os.path.join(tmp, "l.png")) > 0,
              f"{cmd}: exit {r.returncode} {r.stderr}")

    # The device: a refused, unanswered or partial exchange is never a success, says what
    # happened, and never replaces a file the user had.
    long_flight = synth(synth_tool, os.path.join(tmp, "long.dat"), "--glide", 600)
    old = os.path.join(tmp, "old.dat")
    with open(old, "wb") as f:
        f.write(b"the flight of yesterday")
    # (A stream that just stops runs the 1020 passes of 100 ms: the in-process fault matrix
    # covers it with a quick clock.)
    for emu_args, code, says in ((["--slow", "4", "--unplug-after", "2000"], 3, "incomplete flight"),
                                 (["--silent"], 1, "Communication Error")):
        with Emulator(emulator, "--flight", long_flight, *emu_args) as emu:
            r = run(["download", "--port", emu.port, "-o", old])
        check(r.returncode == code and says in r.stderr, f"download {emu_args}: {r.returncode} "
                                                         f"{r.stderr}")
        check(content(old) == b"the flight of yesterday", f"download {emu_args} replaced it")
        if code == 3 and r.returncode == 3:
            doc = json.loads(r.stdout)
            check(doc["complete"] is False and doc["file"] != old and os.path.exists(doc["file"])
                  and doc["file"] in r.stderr, f"download {emu_args}: {doc}")
    for emu_args, cmd, says in ((["--silent"], ["reset"], "No reply"),
                                (["--reply-bytes", "1"], ["reset"], "No reply"),
                                (["--reply-bytes", "1"], ["default-setup"], "Setup failed"),
                                (["--wrong-ack"], ["default-setup"], "e5 (refused)"),
                                (["--wrong-ack"], ["settings", "--level", "1", "--sampling", "1",
                                                   "--manual-zero", "0", "--competitor", "1",
                                                   "--delay", "1"], "refused")):
        with Emulator(emulator, *emu_args) as emu:
            r = run(cmd + ["--port", emu.port])
        check(r.returncode == 1 and says in r.stderr, f"{cmd} {emu_args}: {r.returncode} "
                                                      f"{r.stderr!r}")

    # On a terminal the download shows its progress on one line; elsewhere nothing extra.
    with Emulator(emulator, "--flight", flight) as emu:
        master, slave = pty.openpty()
        r = run(["download", "--port", emu.port, "-o", os.path.join(tmp, "t.dat")],
                stderr=slave)
        os.close(slave)
        shown = b""
        try:
            while True:
                chunk = os.read(master, 4096)
                if not chunk:
                    break
                shown += chunk
        except OSError:
            pass
        os.close(master)
        check(r.returncode == 0 and b"\r" in shown and b" B" in shown, f"progress: {shown!r}")
    with Emulator(emulator, "--flight", flight) as emu:
        r = run(["download", "--port", emu.port, "-o", os.path.join(tmp, "u.dat")])
        check(r.returncode == 0 and r.stderr == "", f"download not on a terminal: {r.stderr!r}")

    # Ctrl+C during a stream that stalls after 1 500 bytes (the line stays up, no end mark),
    # once the progress line shows them: the tool ends within a second, keeps them as an
    # incomplete flight and exits 3, for a single download and for --watch.
    def interrupted(args, cwd=None):
        master, slave = pty.openpty()
        p = subprocess.Popen([orlomat] + args, stdout=subprocess.PIPE, stderr=slave, text=True,
                             cwd=cwd)
        os.close(slave)
        shown, deadline = b"", time.monotonic() + 20
        while b"1500 B" not in shown and time.monotonic() < deadline:
            if select.select([master], [], [], 0.2)[0]:
                try:
                    shown += os.read(master, 4096)
                except OSError:
                    break
        rc, took = stop(p)
        os.close(master)
        return rc, took, p.stdout.read(), shown

    link = os.path.join(tmp, "lnk")
    watched = os.path.join(tmp, "watched")
    os.makedirs(watched)
    for name, args in (("download", ["download", "--port", "./lnk", "-o", "stalled.dat"]),
                       ("--watch", ["download", "--port", "./lnk", "--dir", "watched",
                                    "--watch"])):
        with Emulator(emulator, "--flight", long_flight, "--cut-after", "1500", "--link", link):
            rc, took, out, shown = interrupted(args, cwd=tmp)
        print(f"Ctrl+C during a stalled stream ({name}): ended after {took * 1000:.0f} ms")
        check(rc == 3 and took < 1.0, f"Ctrl+C {name}: exit {rc} after {took:.2f} s {shown!r}")
        docs = [json.loads(line) for line in out.splitlines() if line.strip()]
        kept = os.path.join(tmp, docs[0]["file"]) if docs else ""
        check(len(docs) == 1 and docs[0]["complete"] is False and docs[0].get("saved") is True and
              os.path.getsize(kept) == 1500, f"Ctrl+C {name}: {out!r}")

    # A port given as a relative path is the same port for the open and the presence check:
    # a whole flight, and --watch sees the altimeter (above).
    with Emulator(emulator, "--flight", long_flight, "--link", link):
        r = subprocess.run([orlomat, "download", "--port", "./lnk", "-o", "rel.dat"], cwd=tmp,
                           capture_output=True, text=True, timeout=30)
    check(r.returncode == 0 and json.loads(r.stdout)["bytes"] == len(content(long_flight)),
          f"--port ./lnk: exit {r.returncode} {r.stdout} {r.stderr}")

    # --dir is checked before any altimeter is touched; a save that fails while watching is
    # told as a JSON line, and the watch then ends with 1.
    for missing in (os.path.join(tmp, "nowhere"), flight):
        r = run(["download", "--port", link, "--dir", missing, "--watch"], timeout=10)
        check(r.returncode == 2 and missing in r.stderr,  # "hung": waits for an altimeter
              f"--dir {missing}: {r.returncode}")
    gone = os.path.join(tmp, "gone")
    os.makedirs(gone)
    # A folder removed under the watch is not made again; the flight goes to the fallback
    # archive (under the data folder), and the exit code says it did not go where asked.
    data = os.path.join(tmp, "data")
    doc, rc, line = watch_one(link, gone, link, before_plug=lambda: os.rmdir(gone),
                              env=dict(os.environ, XDG_DATA_HOME=data))
    instead = doc.get("kept_instead", "")
    check(doc.get("saved") is False and "No such file" in doc.get("error", "") and rc == 1 and
          instead.startswith(data) and os.path.getsize(instead) == 1800 and
          not os.path.exists(gone), f"save into a removed folder: exit {rc}, {line!r}")
    # --port auto: of two USB adapters the silent one is asked the status only and the one that
    # answers as an altimeter is taken; a port that is no USB adapter is never touched; the
    # port that answered is asked first next time. Without any port the message names none.
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(tmp, "config"))
    logs = {k: os.path.join(tmp, f"{k}.frames") for k in ("silent", "other", "good")}
    with Emulator(emulator, "--flight", flight, "--silent", "--frames", logs["silent"]) as silent, \
            Emulator(emulator, "--flight", flight, "--frames", logs["other"]) as other, \
            Emulator(emulator, "--flight", flight, "--frames", logs["good"]) as good:
        env["ORLOMAT_TEST_USB_PORTS"] = f"{silent.port}:{good.port}"
        env["ORLOMAT_TEST_OTHER_PORTS"] = other.port
        got = os.path.join(tmp, "auto.dat")
        r = run(["download", "--port", "auto", "-o", got], env=env)
        listed = json.loads(run(["ports"], env=env).stdout)
        time.sleep(0.3)
        frames = {k: [line.split()[1].rstrip(":") for line in open(v).read().splitlines()
                      if line.startswith("frame")] if os.path.exists(v) else []
                  for k, v in logs.items()}
        check(r.returncode == 0 and content(got) != b"" and good.port in r.stderr,
              f"auto download: {r.returncode} {r.stderr}")
        check(frames["silent"] == ["4"] and frames["other"] == [],
              f"auto asked only the status of USB ports: {frames}")
        check({p["name"]: p["usb"] for p in listed if p["name"] in
               (silent.port, other.port, good.port)} ==
              {silent.port: True, other.port: False, good.port: True}, f"ports: {listed}")
        # The good one is remembered and asked first: the silent one hears nothing more.
        r = run(["reset", "--port", "auto"], env=env)
        time.sleep(0.3)
        check(r.returncode == 0 and open(logs["silent"]).read().count("frame") == 1,
              f"last good port first: {r.returncode} {r.stderr}")
    # The port as the output file would send the flight down the line: refused, nothing read.
    with Emulator(emulator, "--flight", flight, "--frames", logs["good"] + "2") as emu:
        r = run(["download", "--port", emu.port, "-o", "/dev/" + emu.port])
        time.sleep(0.2)
        check(r.returncode == 2 and not os.path.exists(logs["good"] + "2") or
              open(logs["good"] + "2").read() == "", f"output = port: {r.returncode} {r.stderr}")
    # An empty output name is refused before the altimeter is read, not after.
    with Emulator(emulator, "--flight", flight, "--frames", logs["good"] + "3") as emu:
        r = run(["download", "--port", emu.port, "-o", ""])
        time.sleep(0.2)
        check(r.returncode == 2 and (not os.path.exists(logs["good"] + "3") or
                                     open(logs["good"] + "3").read() == ""),
              f"empty output: {r.returncode} {r.stderr}")
    # A flight or an empty file given as the settings would change the figures silently.
    open(os.path.join(tmp, "empty.par"), "wb").close()
    for settings in (flight, os.path.join(tmp, "empty.par")):
        r = run(["stats", flight, "--settings", settings])
        check(r.returncode == 1 and "not a settings file" in r.stderr,
              f"--settings {settings}: {r.returncode} {r.stderr}")
    for command in (["download", "-o", os.path.join(tmp, "x.dat")], ["reset"], ["settings"]):
        r = run(command + ["--port", ""])
        check(r.returncode == 2 and "--port" in r.stderr, f"empty port: {command} {r.stderr}")

    # Watch mode with auto waits for a USB adapter to appear, whatever its name.
    plugged = os.path.join(tmp, "plugged")
    env["ORLOMAT_TEST_USB_PORTS"] = plugged
    env["ORLOMAT_TEST_OTHER_PORTS"] = ""
    watched = os.path.join(tmp, "auto-watch")
    os.makedirs(watched)
    doc, rc, line = watch_one("auto", watched, plugged, env=env, settle=1)
    check(doc.get("complete") is True and rc == 0, f"watch --port auto: {rc} {line!r}")
    env["ORLOMAT_TEST_USB_PORTS"] = env["ORLOMAT_TEST_OTHER_PORTS"] = ""
    r = run(["download", "--port", "auto", "-o", os.path.join(tmp, "none.dat")], env=env)
    check(r.returncode == 1 and "no USB serial port" in r.stderr and "driver" in r.stderr,
          f"auto with nothing: {r.stderr}")
sys.exit(finish())
