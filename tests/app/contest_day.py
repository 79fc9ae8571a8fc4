#!/usr/bin/env python3
"""Contest day as an official runs it: flights downloaded into a folder, altimeter after
altimeter in watch mode, then the results report read back as a spreadsheet would."""
import csv
import io
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

orlomat, synth, emulator = sys.argv[1], sys.argv[2], sys.argv[3]
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


tmp = tempfile.mkdtemp(prefix="orlomat_contest_")
try:
    flights = []
    for competitor, peak in ((12, 120), (31, 95)):
        path = os.path.join(tmp, f"c{competitor}.dat")
        subprocess.run([synth, "--competitor", str(competitor), "--peak", str(peak), "--glide",
                        "40", "-o", path], check=True)
        flights.append(path)
    out = os.path.join(tmp, "flights")
    os.makedirs(out)
    link = os.path.join(tmp, "altimeter")
    name = re.compile(r"^C(\d{3})_S(\d{5})_\d{8}-\d{6}(-\d+)?\.dat$")

    # Into a folder: named by competitor, serial and time; the same flight twice within one
    # second gets a suffix, never the first file's place.
    emu = subprocess.Popen([emulator, "--flight", flights[0], "--link", link],
                           stdout=subprocess.PIPE, text=True)
    emu.stdout.readline()
    got = [subprocess.run([orlomat, "download", "--port", link, "--dir", out],
                          capture_output=True, text=True, timeout=30) for _ in range(2)]
    emu.terminate()
    emu.wait(5)
    names = sorted(n for n in os.listdir(out) if n != "downloads.jsonl")
    check(all(g.returncode == 0 for g in got), f"--dir: {[g.stderr for g in got]}")
    check(len(names) == 2 and all(name.match(n) and n.startswith("C012_S00345_") for n in names),
          f"--dir names: {names}")
    files = [json.loads(g.stdout)["file"] for g in got]
    check(len(set(files)) == 2 and all(os.path.exists(f) for f in files), f"files: {files}")
    check(subprocess.run([orlomat, "download", "--port", link, "-o", "x", "--dir", out],
                         capture_output=True).returncode == 2, "-o and --dir together")
    for n in names + ["downloads.jsonl"]:  # a fresh folder for the watch
        os.remove(os.path.join(out, n))

    # Watch mode: two altimeters plugged in and unplugged in turn, then Ctrl+C.
    watch = subprocess.Popen([orlomat, "download", "--port", link, "--dir", out, "--watch"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    lines = []
    for f in flights:
        emu = subprocess.Popen([emulator, "--flight", f, "--link", link],
                               stdout=subprocess.PIPE, text=True)
        emu.stdout.readline()
        lines.append(watch.stdout.readline())
        emu.terminate()
        emu.wait(5)
        time.sleep(0.6)  # the watch notices the unplug
    watch.send_signal(signal.SIGINT)
    try:
        rc = watch.wait(10)
    except subprocess.TimeoutExpired:
        watch.kill()
        rc = "hung"
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
    r = subprocess.run([orlomat, "report", out, "-o", report], capture_output=True, text=True)
    check(r.returncode == 0, f"report: {r.stderr}")
    with open(report, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    check([row["competitor"] for row in rows] == ["12", "31", ""], f"rows: {rows}")
    check(rows[2]["file"] == "notes.txt" and rows[2]["error"], f"not a flight: {rows[2]}")
    stats = json.loads(subprocess.run([orlomat, "stats", flights[0]], capture_output=True,
                                      text=True).stdout)
    check(rows[0]["max_text"] == stats["max_text"] and
          float(rows[0]["duration_s"]) == stats["duration_s"], f"report vs stats: {rows[0]}")
    html = os.path.join(tmp, "results.html")
    r = subprocess.run([orlomat, "report", out, "-o", html, "--lang", "pl"], capture_output=True,
                       text=True)
    page = open(html, encoding="utf-8").read()
    check(r.returncode == 0 and page.count("<svg") == 2 and "notes.txt" in page and
          "http" not in page.replace('lang="pl"', ""), "html report")
    check("Lądowanie [s]" in page, "Polish headings")

    # Every download is in the folder's log: verify holds until a byte of a flight changes,
    # and a log cut in half still checks the lines before the cut.
    def verify():
        r = subprocess.run([orlomat, "verify", out], capture_output=True, text=True)
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
    r = subprocess.run([orlomat, "report", out, "-o", report], capture_output=True, text=True)
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
    r = subprocess.run([orlomat, "report", out, "-o", report], capture_output=True, text=True)
    with open(report, encoding="utf-8", newline="") as f:
        rows = {row["file"]: row for row in csv.DictReader(f)}
    gone = rows.get(logged[0], {})
    check(r.returncode == 0 and gone.get("verified") == "missing" and
          gone.get("error") == "file in the download log does not exist",
          f"report of a removed flight: {r.stderr} {rows}")
    r = subprocess.run([orlomat, "report", out, "-o", html, "--lang", "pl"], capture_output=True,
                       text=True)
    page = open(html, encoding="utf-8").read()
    check(f'<tr class="error changed"><td>{logged[0]}</td><td>plik z dziennika pobrań nie '
          'istnieje</td>' in page, "the removed flight on the page")
finally:
    shutil.rmtree(tmp, ignore_errors=True)

for f in failures:
    print("FAIL:", f)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
