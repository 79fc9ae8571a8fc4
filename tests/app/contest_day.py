#!/usr/bin/env python3
"""Contest day as an official runs it: flights downloaded into a folder, altimeter after
altimeter in watch mode, then the results report read back as a spreadsheet would."""
import csv
import json
import os
import re
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from clitest import Emulator, check, finish, programs, run as run_program, scratch, stop, \
    synth  # noqa: E402

orlomat, synth_tool, emulator = programs("contest_day.py orlomat orlomat-synth orlomat-emulator",
                                         3)


def run(*args):
    return run_program(orlomat, args)


with scratch("orlomat_contest_") as tmp:
    flights = []
    for competitor, peak in ((12, 120), (31, 95)):
        flights.append(synth(synth_tool, os.path.join(tmp, f"c{competitor}.dat"), "--competitor",
                             competitor, "--peak", peak, "--glide", 40))
    out = os.path.join(tmp, "flights")
    os.makedirs(out)
    link = os.path.join(tmp, "altimeter")
    name = re.compile(r"^C(\d{3})_S(\d{5})_\d{8}-\d{6}(-\d+)?\.dat$")

    # Into a folder: named by competitor, serial and time; the same flight twice within one
    # second gets a suffix, never the first file's place.
    with Emulator(emulator, "--flight", flights[0], "--link", link):
        got = [run("download", "--port", link, "--dir", out) for _ in range(2)]
    names = sorted(n for n in os.listdir(out) if n != "downloads.jsonl")
    check(all(g.returncode == 0 for g in got), f"--dir: {[g.stderr for g in got]}")
    check(len(names) == 2 and all(name.match(n) and n.startswith("C012_S00345_") for n in names),
          f"--dir names: {names}")
    files = [json.loads(g.stdout)["file"] for g in got]
    check(len(set(files)) == 2 and all(os.path.exists(f) for f in files), f"files: {files}")
    check(run("download", "--port", link, "-o", "x", "--dir", out).returncode == 2,
          "-o and --dir together")
    for n in names + ["downloads.jsonl"]:  # a fresh folder for the watch
        os.remove(os.path.join(out, n))

    # Watch mode: two altimeters plugged in and unplugged in turn, then Ctrl+C.
    watch = subprocess.Popen([orlomat, "download", "--port", link, "--dir", out, "--watch"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    lines = []
    for f in flights:
        with Emulator(emulator, "--flight", f, "--link", link):
            lines.append(watch.stdout.readline())
        time.sleep(0.6)  # the watch notices the unplug
    rc, _ = stop(watch)
    check(rc == 0, f"watch ended with {rc}: {watch.stderr.read()}")
    docs = [json.loads(l) for l in lines if l.strip()]
    check([d["competitor"] for d in docs] == [12, 31], f"watch lines: {lines}")
    check(sorted(n[:12] for n in os.listdir(out) if n.endswith(".dat")) ==
          ["C012_S00345_", "C031_S00345_"],
          f"watch files: {os.listdir(out)}")

    # The report over the folder, with a file that is not a flight in it.
    with open(os.path.join(out, "notes.txt"), "w") as f:
        f.write("weather: calm\n" * 5)
    report = os.path.join(tmp, "results.csv")
    r = run("report", out, "-o", report)
    check(r.returncode == 0, f"report: {r.stderr}")
    with open(report, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    check([row["competitor"] for row in rows] == ["12", "31", ""], f"rows: {rows}")
    check(rows[2]["file"] == "notes.txt" and rows[2]["error"], f"not a flight: {rows[2]}")
    stats = json.loads(run("stats", flights[0]).stdout)
    check(rows[0]["max_text"] == stats["max_text"] and
          float(rows[0]["duration_s"]) == stats["duration_s"], f"report vs stats: {rows[0]}")
    html = os.path.join(tmp, "results.html")
    r = run("report", out, "-o", html, "--lang", "pl")
    page = open(html, encoding="utf-8").read()
    check(r.returncode == 0 and page.count("<svg") == 2 and "notes.txt" in page and
          "http" not in page.replace('lang="pl"', ""), "html report")
    check("Lądowanie [s]" in page, "Polish headings")

    # Every download is in the folder's log: verify holds until a byte of a flight changes,
    # and a log cut in half still checks the lines before the cut.
    def verify():
        r = run("verify", out)
        return r.returncode, json.loads(r.stdout), r.stderr
    rc, v, _ = verify()
    logged = sorted(f["file"] for f in v["files"] if f["check"] == "unchanged")
    check(rc == 0 and len(logged) >= 2 and v["changed"] == 0, f"verify: {rc} {v}")
    victim = os.path.join(out, logged[0])
    with open(victim, "r+b") as f:
        f.seek(40)
        b = f.read(1)
        f.seek(40)
        f.write(bytes([b[0] ^ 1]))
    rc, v, _ = verify()
    changed = [f["file"] for f in v["files"] if f["check"] == "changed"]
    check(rc == 1 and changed == [logged[0]], f"verify after a changed byte: {rc} {v}")
    r = run("report", out, "-o", report)
    with open(report, encoding="utf-8", newline="") as f:
        marks = {row["file"]: row["verified"] for row in csv.DictReader(f)}
    check(marks[logged[0]] == "changed" and marks[logged[1]] == "unchanged" and
          marks["notes.txt"] == "not_logged", f"report's verified column: {marks}")
    log = os.path.join(out, "downloads.jsonl")
    with open(log, "rb") as f:
        text = f.read()
    with open(log, "wb") as f:
        f.write(text[:len(text) - len(text.splitlines()[-1]) // 2 - 1])
    # The cut last line is a power loss's, named as such; its flight is no longer logged.
    rc, v, warn = verify()
    check(rc == 1 and v["log"]["cut_lines"] == [len(text.splitlines())] and
          v["damaged_log_lines"] == 0 and v["changed"] == 1 and v["not_logged"] == 1,
          f"verify with a cut log: {rc} {v} {warn}")

    # A logged flight that was removed keeps its row in the report, marked missing, and the
    # page shows it red as a changed one.
    os.remove(victim)
    r = run("report", out, "-o", report)
    with open(report, encoding="utf-8", newline="") as f:
        rows = {row["file"]: row for row in csv.DictReader(f)}
    gone = rows.get(logged[0], {})
    check(r.returncode == 0 and gone.get("verified") == "missing" and
          gone.get("error") == "file in the download log does not exist",
          f"report of a removed flight: {r.stderr} {rows}")
    r = run("report", out, "-o", html, "--lang", "pl")
    page = open(html, encoding="utf-8").read()
    check(f'<tr class="error changed"><td>{logged[0]}</td><td>plik z dziennika pobrań nie '
          'istnieje</td>' in page, "the removed flight on the page")
sys.exit(finish())
