#!/usr/bin/env python3
"""The archive attacked as a cheating competitor, a careless helper and a broken disk would: a
folder downloaded from the emulator, then every change below applied to a copy of it. Each must
end with `verify` exit 1 naming the change, except a chain rebuilt wholesale, which an announced
head catches. Outputs never replace a logged flight, strange entries never hang or crash a
command, and every command has its --help."""
import hashlib
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from clitest import Emulator, check, finish, programs, run as run_program, scratch, stop, \
    synth  # noqa: E402

orlomat, synth_tool, emulator, window, listing = programs(
    "archive_attacks.py orlomat orlomat-synth orlomat-emulator [OrlomatBMP [orlomat-test-ports]]",
    3, 2)
listing = listing or orlomat  # the build that lists test ports
LOG = "downloads.jsonl"
ZERO = "0" * 64


def run(args, timeout=20, **kw):
    return run_program(orlomat, args, timeout=timeout, **kw)


def lines(folder):
    with open(os.path.join(folder, LOG), "rb") as f:
        return f.read().split(b"\n")[:-1]


def write_lines(folder, ls):
    with open(os.path.join(folder, LOG), "wb") as f:
        f.write(b"".join(line + b"\n" for line in ls))


def digest(b):
    return hashlib.sha256(b).hexdigest()


def verify(folder, *extra):
    r = run(["verify", folder] + list(extra))
    doc = json.loads(r.stdout) if r.returncode in (0, 1) and r.stdout.strip() else {}
    return r.returncode, doc


with scratch("orlomat_attacks_") as tmp:
    flights = {}
    for competitor in (1, 2, 3, 66):
        flights[competitor] = synth(synth_tool, os.path.join(tmp, f"f{competitor}.dat"),
                                    "--competitor", competitor, "--seed", competitor)
    pristine = os.path.join(tmp, "pristine")
    os.makedirs(pristine)
    for competitor in (1, 2, 3, 66):
        with Emulator(emulator, "--flight", flights[competitor]) as emu:
            r = run(["download", "--port", emu.port, "--dir", pristine])
        check(r.returncode == 0, f"download {competitor}: {r.stderr}")
    names = sorted(n for n in os.listdir(pristine) if n != LOG)
    by_competitor = {int(n[1:4]): n for n in names}
    ls = lines(pristine)
    check(len(ls) == 4 and json.loads(ls[0])["prev"] == ZERO and
          all(json.loads(ls[i])["prev"] == digest(ls[i - 1]) for i in range(1, 4)),
          "each line links to the one before")
    rc, doc = verify(pristine)
    head = doc.get("log", {}).get("head", "")
    check(rc == 0 and doc["intact"] and head == digest(ls[-1]) and
          doc["log"]["head_short"] == head[:12], f"pristine archive: {rc} {doc}")
    r = run(["verify", pristine, "--human"])
    check(r.returncode == 0 and head in r.stdout and head[:12] in r.stdout, f"human: {r.stdout}")
    r = run(["verify", pristine, "--human", "--lang", "pl"])
    check(r.returncode == 0 and "nienaruszone" in r.stdout, f"human pl: {r.stdout}")

    copies = 0

    def fresh():
        global copies
        copies += 1
        folder = os.path.join(tmp, f"case{copies}")
        shutil.copytree(pristine, folder, symlinks=True)
        return folder

    def path(folder, competitor):
        return os.path.join(folder, by_competitor[competitor])

    def flip(p):
        with open(p, "r+b") as f:
            f.seek(100)
            b = f.read(1)
            f.seek(100)
            f.write(bytes([b[0] ^ 1]))

    def relink(ls):
        """The chain rebuilt over the lines as they are: a forger's work."""
        out, before = [], ZERO
        for line in ls:
            doc = json.loads(line)
            doc["prev"] = before
            line = json.dumps(doc, separators=(",", ":")).encode()
            out.append(line)
            before = digest(line)
        return out

    def set_field(line, **fields):
        doc = json.loads(line)
        doc.update(fields)
        return json.dumps(doc, separators=(",", ":")).encode()

    # The tamper matrix: (what, change, the problem kinds verify must name).
    def changed_byte(f):
        flip(path(f, 2))

    def deleted(f):
        os.remove(path(f, 2))

    def deleted_with_damaged_line(f):
        os.remove(path(f, 2))
        ls = lines(f)
        ls[1] = ls[1][:40]
        write_lines(f, ls)

    def added_by_hand(f):
        shutil.copy(flights[66], os.path.join(f, "C099_S00345_20261208-120000.dat"))

    def renamed(f):
        os.rename(path(f, 3), os.path.join(f, "C004" + by_competitor[3][4:]))

    def hash_rewritten(f):
        flip(path(f, 2))
        ls = lines(f)
        with open(path(f, 2), "rb") as g:
            ls[1] = set_field(ls[1], sha256=digest(g.read()))
        write_lines(f, ls)

    def last_line_wins(f):
        flip(path(f, 1))
        with open(path(f, 1), "rb") as g:
            new = set_field(lines(f)[0], sha256=digest(g.read()))
        write_lines(f, lines(f) + [new])

    def line_removed(f):
        ls = lines(f)
        write_lines(f, ls[:1] + ls[2:])
        os.remove(path(f, 2))

    def lines_swapped(f):
        ls = lines(f)
        write_lines(f, [ls[0], ls[2], ls[1], ls[3]])

    def line_inserted(f):
        ls = lines(f)
        shutil.copy(flights[66], os.path.join(f, "C099_S00345_20261208-120000.dat"))
        extra = set_field(ls[3], file="C099_S00345_20261208-120000.dat",
                          sha256=digest(open(flights[66], "rb").read()))
        write_lines(f, ls[:2] + [extra] + ls[2:])

    def outside_name(f):
        ls = lines(f)
        ls[1] = set_field(ls[1], file="../" + by_competitor[2])
        write_lines(f, ls)

    def empty_log(f):
        open(os.path.join(f, LOG), "wb").close()

    def garbage_log(f):
        with open(os.path.join(f, LOG), "wb") as g:
            g.write(b"\x00\xff garbage\nnot json either\n")

    def log_is_folder(f):
        os.remove(os.path.join(f, LOG))
        os.makedirs(os.path.join(f, LOG))

    def log_is_fifo(f):
        os.remove(os.path.join(f, LOG))
        os.mkfifo(os.path.join(f, LOG))

    def name_is_folder(f):
        os.remove(path(f, 2))
        os.makedirs(path(f, 2))

    def name_is_fifo(f):
        os.remove(path(f, 2))
        os.mkfifo(path(f, 2))

    def name_is_dev_zero(f):
        os.remove(path(f, 2))
        os.symlink("/dev/zero", path(f, 2))

    def name_links_to_another(f):
        os.remove(path(f, 2))
        os.symlink(by_competitor[1], path(f, 2))

    def link_added(f):
        os.symlink("/dev/zero", os.path.join(f, "C098_S00345_20261208-120000.dat"))

    def huge_number(f):
        ls = lines(f)
        ls[1] = ls[1].replace(b'"competitor":2', b'"competitor":1e300')
        write_lines(f, ls)

    def not_a_number(f):
        ls = lines(f)
        ls[1] = ls[1].replace(b'"serial":345', b'"serial":NaN')
        write_lines(f, ls)

    matrix = [
        ("a byte changed", changed_byte, {"changed"}),
        ("a flight deleted", deleted, {"missing"}),
        ("deleted, its line damaged (2 of 4)", deleted_with_damaged_line, {"damaged_line"}),
        ("a flight added by hand", added_by_hand, {"not_logged"}),
        ("a flight renamed", renamed, {"missing", "not_logged"}),
        ("file and its line's hash changed", hash_rewritten, {"broken_chain"}),
        ("a copy of a line with the new hash appended", last_line_wins,
         {"logged_twice", "broken_chain"}),
        ("a line and its file removed", line_removed, {"broken_chain"}),
        ("two lines swapped", lines_swapped, {"broken_chain"}),
        ("a line inserted", line_inserted, {"broken_chain"}),
        ("a name outside the folder", outside_name, {"damaged_line", "not_logged"}),
        ("an empty log", empty_log, {"not_logged"}),
        ("a log of garbage", garbage_log, {"damaged_line", "not_logged"}),
        ("the log a folder", log_is_folder, {"log_unreadable"}),
        ("the log a fifo", log_is_fifo, {"log_unreadable"}),
        ("a logged name a folder", name_is_folder, {"not_a_file"}),
        ("a logged name a fifo", name_is_fifo, {"not_a_file"}),
        ("a logged name a link to /dev/zero", name_is_dev_zero, {"not_a_file"}),
        ("a logged name a link to another flight", name_links_to_another, {"not_a_file"}),
        ("a link to /dev/zero added", link_added, {"not_a_file"}),
        ("competitor 1e300", huge_number, {"damaged_line"}),
        ("serial NaN", not_a_number, {"damaged_line"}),
    ]
    for what, change, kinds in matrix:
        folder = fresh()
        change(folder)
        rc, doc = verify(folder)
        found = {p["kind"] for p in doc.get("problems", [])}
        check(rc == 1 and kinds <= found and doc.get("intact") is False,
              f"tampered ({what}): exit {rc}, problems {sorted(found)}, wanted {sorted(kinds)}")
        r = run(["verify", folder, "--human"])
        check(r.returncode == 1 and "WARNING" in r.stdout, f"human ({what}): {r.returncode}")
        # Strange entries never hang or crash the report either.
        r = run(["report", folder, "-o", os.path.join(tmp, f"r{copies}.html")])
        check(r.returncode in (0, 1), f"report ({what}): exit {r.returncode} {r.stderr[-300:]}")

    # A chain rebuilt wholesale passes the chain, but not the head announced before.
    folder = fresh()
    flip(path(folder, 2))
    ls = lines(folder)
    with open(path(folder, 2), "rb") as g:
        ls[1] = set_field(ls[1], sha256=digest(g.read()))
    write_lines(folder, relink(ls))
    rc, doc = verify(folder)
    check(rc == 0, f"a rebuilt chain is whole by itself: {rc} {doc.get('problems')}")
    rc, doc = verify(folder, "--head", head[:12])
    check(rc == 1 and "head_not_found" in {p["kind"] for p in doc.get("problems", [])},
          f"--head catches the rebuilt chain: {rc}")
    # The last line and its file removed: the chain cannot tell, the head can.
    folder = fresh()
    os.remove(path(folder, 66))
    write_lines(folder, lines(folder)[:-1])
    check(verify(folder)[0] == 0 and verify(folder, "--head", head)[0] == 1,
          "--head catches a removed last line")
    # An old log (no chain at all) is read and said to have none.
    folder = fresh()
    old = [set_field(line) for line in lines(folder)]
    old = [json.dumps({k: v for k, v in json.loads(line).items() if k != "prev"},
                      separators=(",", ":")).encode() for line in old]
    write_lines(folder, old)
    rc, doc = verify(folder)
    check(rc == 0 and doc["log"]["chain"] == "no_chain", f"an old log: {rc} {doc.get('log')}")
    r = run(["verify", folder, "--human"])
    check("no chain" in r.stdout, f"old log, human: {r.stdout}")

    # The head announced, then more downloads: they are named; the log still ends there.
    folder = fresh()
    rc, doc = verify(folder, "--head", head[:12])
    check(rc == 0 and doc["announced_head"]["line"] == 4 and
          doc["announced_head"]["logged_after"] == [], f"--head at the end: {rc} {doc}")
    with Emulator(emulator, "--flight", flights[66]) as emu:
        r = run(["download", "--port", emu.port, "--dir", folder])
    later = os.path.basename(json.loads(r.stdout)["file"]) if r.returncode == 0 else "?"
    rc, doc = verify(folder, "--head", head.upper())
    check(rc == 0 and doc["announced_head"]["logged_after"] == [later],
          f"--head with a later download: {rc} {doc.get('announced_head')}")
    r = run(["verify", folder, "--head", head[:12], "--human"])
    check(r.returncode == 0 and later in r.stdout, f"--head, human: {r.stdout}")
    for bad in ("xyz", "abc", "g" * 12):
        check(run(["verify", folder, "--head", bad]).returncode == 2, f"--head {bad}")

    # A power loss cut the last line: it is named and passes nothing else; the next download
    # says it follows the cut line.
    folder = fresh()
    with open(os.path.join(folder, LOG), "ab") as g:
        g.write(b'{"local_time":"2026-12-08T1')
    rc, doc = verify(folder)
    check(rc == 0 and doc["log"]["cut_lines"] == [5], f"a cut last line: {rc} {doc.get('log')}")
    os.remove(path(folder, 3))
    check(verify(folder)[0] == 1, "a cut last line excused a missing flight")
    folder = fresh()
    with open(os.path.join(folder, LOG), "ab") as g:
        g.write(b'{"local_time":"2026-12-08T1')
    with Emulator(emulator, "--flight", flights[66]) as emu:
        r = run(["download", "--port", emu.port, "--dir", folder])
    rc, doc = verify(folder)
    check(r.returncode == 0 and rc == 0 and doc["log"]["cut_lines"] == [5] and
          json.loads(lines(folder)[-1]).get("after_cut") is True,
          f"a download after a cut line: {rc} {doc.get('log')}")

    # Outputs: a logged flight, the log and a link are never written; nothing is read from the
    # altimeter first (its frames log stays empty).
    folder = fresh()
    before = {n: open(os.path.join(folder, n), "rb").read() for n in os.listdir(folder)}
    os.symlink(path(folder, 66), os.path.join(folder, "link.dat"))
    frames = os.path.join(tmp, "frames")
    for target, says in ((path(folder, 1), "logged flight"),
                         (os.path.join(folder, LOG), "download log"),
                         (os.path.join(folder, "link.dat"), "symbolic link"),
                         (os.path.join(tmp, "mistyped", "x.dat"), "no such folder")):
        with Emulator(emulator, "--flight", flights[66], "--frames", frames) as emu:
            r = run(["download", "--port", emu.port, "-o", target])
        asked = open(frames).read() if os.path.exists(frames) else ""
        check(r.returncode == 2 and says in r.stderr and "frame" not in asked,
              f"download -o {target}: exit {r.returncode} {r.stderr!r}, altimeter asked: "
              f"{bool(asked)}")
    for cmd in (["export-csv", flights[1], path(folder, 1)],
                ["export-csv", flights[1], os.path.join(folder, LOG)],
                ["plot", flights[1], "-o", os.path.join(folder, "x.png")]):
        if cmd[0] == "plot":  # a picture name a damaged line still spells out
            with open(os.path.join(folder, LOG), "ab") as g:
                g.write(b'{"file":"x.png", damaged\n')
            before[LOG] = open(os.path.join(folder, LOG), "rb").read()
        r = run(cmd)
        check(r.returncode == 2, f"{cmd[0]} onto a logged name: {r.returncode} {r.stderr}")
    after = {n: open(os.path.join(folder, n), "rb").read() for n in before}
    check(after == before and not os.path.exists(os.path.join(folder, "x.png")),
          "a logged file or the log was written over")

    # download --dir with the log a fifo: refused before the altimeter is read, no hang.
    folder = fresh()
    log_is_fifo(folder)
    with Emulator(emulator, "--flight", flights[66], "--frames", frames + "2") as emu:
        r = run(["download", "--port", emu.port, "--dir", folder])
    asked = open(frames + "2").read() if os.path.exists(frames + "2") else ""
    check(r.returncode == 2 and "regular file" in r.stderr and "frame" not in asked,
          f"--dir with a fifo log: {r.returncode} {r.stderr!r}")

    # Hidden temporary files (a killed writer's) are no flights: not listed, not reported.
    folder = fresh()
    shutil.copy(flights[66], os.path.join(folder, ".C099_S00345_20261208-120000.dat.AbCdEf"))
    rc, doc = verify(folder)
    check(rc == 0 and all(not f["file"].startswith(".") for f in doc["files"]),
          f"a hidden temporary file: {rc} {doc.get('problems')}")
    out = os.path.join(tmp, "hidden.csv")
    r = run(["report", folder, "-o", out])
    check(r.returncode == 0 and ".C099" not in open(out).read(), f"report lists a hidden file")
    # The results page carries the log's short head.
    out = os.path.join(tmp, "head.html")
    r = run(["report", pristine, "-o", out])
    check(r.returncode == 0 and head[:12] in open(out, encoding="utf-8").read(),
          "the results page shows the log's head")

    # --help after every command: its usage and options, exit 0, in both languages.
    usage = run(["--help"]).stdout
    commands = re.findall(r"^  orlomat ([a-z-]+) ", usage, re.M)
    check(len(commands) >= 10, f"commands in --help: {commands}")
    for command in commands:
        for lang, heading in (("en", "Options:"), ("pl", "Opcje:")):
            r = run([command, "--help", "--lang", lang])
            check(r.returncode == 0 and f"orlomat {command} " in r.stdout and heading in r.stdout,
                  f"{command} --help --lang {lang}: exit {r.returncode} {r.stderr}")
    r = run(["verify", "--help"])
    check("--head" in r.stdout and "--human" in r.stdout, f"verify --help: {r.stdout}")
    # Signals during a download keep what came as an incomplete flight, archived and logged,
    # and end the program within a second: the command line on SIGHUP (a closed terminal), the
    # window's station on SIGTERM and SIGINT.
    long_flight = synth(synth_tool, os.path.join(tmp, "long.dat"), "--glide", 600)
    link = os.path.join(tmp, "altimeter")

    def partial_kept(folder, what):
        kept = [n for n in os.listdir(folder) if n.endswith("_partial.dat")]
        rc, doc = verify(folder)
        check(len(kept) == 1 and os.path.getsize(os.path.join(folder, kept[0])) > 0 and rc == 0 and
              [f["check"] for f in doc["files"]] == ["unchanged"],
              f"{what}: kept {kept}, verify {rc} {doc.get('problems')}")

    folder = os.path.join(tmp, "hup")
    os.makedirs(folder)
    with Emulator(emulator, "--flight", long_flight, "--slow", "4", "--link", link):
        p = subprocess.Popen([orlomat, "download", "--port", link, "--dir", folder],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        time.sleep(2.5)
        rc, took = stop(p, signal.SIGHUP, 5)
    check(rc == 3 and took < 1.0, f"download --dir, SIGHUP: exit {rc} after {took:.2f} s")
    partial_kept(folder, "download --dir, SIGHUP")

    # --port auto --watch with a port that is no altimeter plugged in from the start (a GPS
    # that stays silent): it is asked once and passed over, and the altimeter plugged in later
    # on another port is downloaded; the messages and the log name the port, never "auto".
    folder = os.path.join(tmp, "auto")
    os.makedirs(folder)
    gps_frames = os.path.join(tmp, "gps.frames")
    with Emulator(emulator, "--silent", "--frames", gps_frames) as gps:
        env = dict(os.environ, ORLOMAT_TEST_USB_PORTS=f"{gps.port}:{link}",
                   ORLOMAT_TEST_OTHER_PORTS="", XDG_CONFIG_HOME=os.path.join(tmp, "auto-config"))
        p = subprocess.Popen([listing, "download", "--port", "auto", "--dir", folder, "--watch"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
        time.sleep(2)
        with Emulator(emulator, "--flight", flights[66], "--link", link):
            told = select.select([p.stdout], [], [], 20)[0]
            line = p.stdout.readline() if told else ""
        rc, _ = stop(p)
        err = p.stderr.read()
    asked = [x for x in open(gps_frames).read().splitlines() if x.startswith("frame")] \
        if os.path.exists(gps_frames) else []
    logged = [json.loads(x)["port"] for x in lines(folder)] if os.path.exists(
        os.path.join(folder, LOG)) else []
    check(rc == 0 and line.strip() and json.loads(line)["saved"] and len(asked) == 1 and
          "passed over until unplugged: " in err and gps.port in err and logged == [link] and
          f"port auto: {link}" in err,
          f"auto --watch past a silent port: exit {rc}, {line!r}, gps asked {len(asked)}x, "
          f"log ports {logged}, {err!r}")

    if window:
        for sig in (signal.SIGTERM, signal.SIGINT):
            folder = os.path.join(tmp, f"station-{sig.name}")
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=tmp,
                       XDG_CONFIG_HOME=os.path.join(tmp, "config"),
                       XDG_DATA_HOME=os.path.join(tmp, "data"))
            p = subprocess.Popen([window, "--station", "--port", link, "--archive", folder],
                                 env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            time.sleep(1.5)
            with Emulator(emulator, "--flight", long_flight, "--slow", "4", "--link", link):
                time.sleep(2.5)  # the port settles (0.5 s), then two seconds of the transfer
                rc, took = stop(p, sig, 5)
            check(rc == 0 and took < 1.0, f"station, {sig.name}: exit {rc} after {took:.2f} s")
            partial_kept(folder, f"station, {sig.name}")
        # Waiting, with nothing under way: the window ends at once.
        p = subprocess.Popen([window], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        time.sleep(1.5)
        rc, took = stop(p, signal.SIGINT, 5)
        check(rc == 0 and took < 1.0, f"idle window, SIGINT: exit {rc} after {took:.2f} s")
sys.exit(finish())
