#!/usr/bin/env python3
"""The contest figures through `orlomat stats` and `report` as an official and a script use
them: dirty flights with and without a spike, the results read back as a spreadsheet would,
files that are no flight, mistyped and dangerous paths, and a season's worth of records."""
import csv
import json
import os
import random
import resource
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from clitest import check, finish, programs, run as run_program, scratch, synth  # noqa: E402

orlomat, synth_tool = programs("contest_figures.py orlomat orlomat-synth", 2)


def run(*args):
    return run_program(orlomat, args, timeout=100, text=False)


def stats(path, *extra):
    r = run("stats", path, *extra)
    return r.returncode, (json.loads(r.stdout) if r.returncode == 0 else r.stderr.decode())


def make(path, *args):
    return synth(synth_tool, path, *args)


def rows_of(path):
    with open(path, encoding="utf-8", newline="") as f:
        return list(csv.DictReader(f))


with scratch("orlomat_figures_") as tmp:
    d = os.path.join(tmp, "flights")
    os.makedirs(d)
    clean = make(os.path.join(d, "clean.dat"), "--dirty", "--competitor", "3")
    spiked = make(os.path.join(d, "spiked.dat"), "--dirty", "--transient", "38:3000:30",
                  "--competitor", "7")

    # A spike at the top is flagged with the cleaned figure beside it; a clean flight is not.
    rc, a = stats(clean)
    rc2, b = stats(spiked)
    check(rc == rc2 == 0, f"stats: {a} {b}")
    check(a["max_suspect"] is False and b["max_suspect"] is True, f"suspect: {a} {b}")
    check(float(b["max_text"]) > 200 and abs(float(b["max_filtered_text"]) - 120) < 3,
          f"spike figures: {b}")
    check(abs(b["time_of_max_s"] - 38) <= 1.5 and abs(b["launch_s"] - 30) <= 0.35,
          f"times of a spiked flight: {b}")
    human = run("stats", spiked, "--human", "--lang", "pl").stdout.decode()
    check("UWAGA" in human and "Maks. po filtrze" in human, f"--human: {human}")

    # The CSV header is the stats keys in both languages, and every figure agrees with stats.
    for lang in ("pl", "en"):
        out = os.path.join(tmp, f"r_{lang}.csv")
        r = run("report", d, "-o", out, "--lang", lang)
        check(r.returncode == 0, f"report {lang}: {r.stderr}")
        rows = rows_of(out)
        keys = list(rows[0].keys())
        check(keys[1:1 + len(b)] == list(b.keys()), f"CSV header {lang}: {keys}")
    row = rows[1]
    for k, v in b.items():
        shown = row[k]
        if v is None:
            check(shown == "", f"{k}: {shown}")
        elif isinstance(v, bool):
            check(shown == ("true" if v else "false"), f"{k}: {shown}")
        elif isinstance(v, float):
            check(abs(float(shown) - v) < 1e-9 and
                  len(shown.split(".")[1]) == (1 if k.endswith("_m_s") else 2),
                  f"{k}: {shown} vs {v}")
        else:
            check(shown == str(v), f"{k}: {shown} vs {v}")

    # The page: the spiked row marked with both figures, its chart ringing the spike, the
    # contest's title, sampling sorted by rate.
    page_path = os.path.join(tmp, "r.html")
    r = run("report", d, "-o", page_path, "--title", "Puchar <Wiosny>")
    page = open(page_path, encoding="utf-8").read()
    check(r.returncode == 0 and page.count('<tr class="suspect">') == 1 and
          "Without spikes: 12" in page and "<circle" in page, "suspect row in the page")
    check("Puchar &lt;Wiosny&gt;" in page and 'data-sort="100"' in page, "title, sort key")
    check(json.loads(r.stdout)["suspect_maxima"] == 1, f"summary: {r.stdout}")

    # Who is missing: competitors on the list without a flight, flights of competitors not
    # on it; a list with a word in it is a usage error.
    listed = os.path.join(tmp, "expected.txt")
    open(listed, "w").write("3\n# juniors\n99\n\n")
    out = os.path.join(tmp, "entries.csv")
    r = run("report", d, "-o", out, "--expected", listed)
    entries = {(row["competitor"], row["entry"]) for row in rows_of(out)}
    check(entries == {("3", "expected"), ("7", "unknown"), ("99", "missing")} and
          json.loads(r.stdout)["missing"] == 1, f"expected list: {entries} {r.stdout}")
    r = run("report", d, "-o", page_path, "--expected", listed)
    page = open(page_path, encoding="utf-8").read()
    check("Missing competitors" in page and ">99<" in page and "7 ?" in page, "missing in page")
    open(listed, "w").write("3\nseven\n")
    check(run("report", d, "-o", out, "--expected", listed).returncode == 2, "bad list")

    # Not flights: random bytes beyond a record, a zeroed calibration, a sampling code the
    # altimeter never writes. stats refuses them, report lists them with the reason.
    junk = os.path.join(d, "junk.bin")
    with open(junk, "wb") as f:
        f.write(random.Random(1).randbytes(10 * 1024 * 1024))
    rec = bytearray(open(clean, "rb").read())
    bad = {"zero_cal.dat": (10, 0), "code9.dat": (7, 9)}
    for name, (at, value) in bad.items():
        r2 = bytearray(rec)
        r2[at] = value
        if at == 10:
            r2[11] = 0
        open(os.path.join(d, name), "wb").write(r2)
    for name in ("junk.bin", *bad):
        rc, msg = stats(os.path.join(d, name))
        check(rc == 1 and "not a flight record" in msg, f"stats {name}: {rc} {msg}")
    out = os.path.join(tmp, "all.csv")
    run("report", d, "-o", out)
    errors = {r["file"]: r["error"] for r in rows_of(out) if r["error"]}
    check(sorted(errors) == sorted(["junk.bin", *bad]), f"not flights: {errors}")
    check("33000" in errors["junk.bin"], f"junk reason: {errors['junk.bin']}")

    # Corrupted flights: whatever passes must look like a flight.
    rnd = random.Random(2)
    cd = os.path.join(tmp, "corrupt")
    os.makedirs(cd)
    for i in range(100):
        r2 = bytearray(rec)
        for _ in range(rnd.randint(1, 40)):
            r2[rnd.randrange(len(r2))] = rnd.randrange(256)
        open(os.path.join(cd, f"k{i:03}.dat"), "wb").write(r2)
    run("report", cd, "-o", out)
    highs = [float(r["max_text"]) for r in rows_of(out) if r["max_text"]]
    check(highs and max(highs) < 12000, f"corrupted maxima: {max(highs or [0])}")

    # A landing in the last samples (which never reach the chart) is found; a record that
    # ends aloft says whether it was cut.
    short = make(os.path.join(tmp, "short.dat"), "--code", "5", "--ground", "4", "--no-spike")
    rc, s = stats(short)
    check(s["landing_s"] is not None and s["no_landing"] is None, f"late landing: {s}")
    cut = make(os.path.join(tmp, "cut.dat"), "--no-marker", "--max-length", "2000")
    aloft = make(os.path.join(tmp, "aloft.dat"), "--max-length", "2000")
    check(stats(cut)[1]["no_landing"] == "record_cut" and
          stats(aloft)[1]["no_landing"] == "still_aloft", "why no landing")
    for n in (0, 1, 2):
        p = os.path.join(tmp, f"empty{n}.dat")
        open(p, "wb").write(rec[:32 + 4 * n])
        rc, s = stats(p)
        check(rc == 0 and s["max_text"] is None and s["time_of_max_s"] is None,
              f"{n} samples: {s}")

    # A mistyped folder is a usage error and leaves yesterday's results alone.
    open(out, "w").write("yesterday")
    r = run("report", os.path.join(tmp, "flihgts"), "-o", out)
    check(r.returncode == 2 and open(out).read() == "yesterday", "mistyped folder")

    # The report never replaces one of its own inputs, by name or through a link.
    v = os.path.join(tmp, "v.csv")
    shutil.copy(clean, v)
    link = os.path.join(tmp, "link.csv")
    os.symlink(spiked, link)
    for target, inputs in ((v, [v, spiked]), (link, [d])):
        r = run("report", *inputs, "-o", target)
        check(r.returncode == 1 and open(os.path.realpath(target), "rb").read()[:32] ==
              open(clean if target == v else spiked, "rb").read()[:32], f"own input {target}")

    # Names a spreadsheet would run as formulas are neutralised; the same name from two
    # folders is shown with its folder.
    fd = os.path.join(tmp, "names")
    os.makedirs(os.path.join(fd, "a"))
    os.makedirs(os.path.join(fd, "b"))
    for name in ("=HYPERLINK(1).dat", "+SUM(1+1).dat", "-2+3.dat", "@cmd.dat"):
        shutil.copy(clean, os.path.join(fd, "a", name))
    shutil.copy(clean, os.path.join(fd, "a", "same.dat"))
    shutil.copy(clean, os.path.join(fd, "b", "same.dat"))
    run("report", os.path.join(fd, "a"), os.path.join(fd, "b"), "-o", out)
    files = [r["file"] for r in rows_of(out)]
    check(all(f[0] not in "=+-@" for f in files) and "'=HYPERLINK(1).dat" in files,
          f"formula cells: {files}")
    check("a/same.dat" in files and "b/same.dat" in files, f"shared names: {files}")

    # A flight named .csv in a folder is a row (earlier reports are not); a fifo is listed as
    # no flight; the same flight named twice is one row; names that are not UTF-8 still give a
    # UTF-8 table.
    r4 = os.path.join(tmp, "r4")
    os.makedirs(r4)
    shutil.copy(clean, os.path.join(r4, "flight1.csv"))
    shutil.copy(clean, os.path.join(r4.encode(), b"lat\xe9\xff.dat"))
    open(os.path.join(r4, "old.csv"), "w").write("file,max_text\r\n")
    os.mkfifo(os.path.join(r4, "pipe"))
    out = os.path.join(tmp, "r4.csv")
    r = run("report", r4, os.path.join(r4, "flight1.csv"), "-o", out)
    doc = json.loads(r.stdout)
    try:
        rows = rows_of(out)
    except UnicodeDecodeError as e:
        rows = []
        check(False, f"report of an odd name is not UTF-8: {e}")
    check(doc["flights"] == 2 and doc["not_flights"] == 1 and len(rows) == 3 and
          any(row["file"] == "pipe" and row["error"] for row in rows), f"r4: {doc} {rows}")

    # An output name that is not UTF-8 still gives valid JSON on stdout.
    odd = os.path.join(tmp.encode(), b"wyniki\xb3.csv")
    r = subprocess.run([orlomat.encode(), b"report", d.encode(), b"-o", odd],
                       capture_output=True)
    try:
        json.loads(r.stdout.decode("utf-8"))
    except (UnicodeDecodeError, ValueError) as e:
        check(False, f"JSON of an odd name: {r.stdout!r} {e}")

    # A glider landing below its hill after two hours at one sample every 2 s: launch and
    # landing where the model left and came to rest, the level it landed at, hours as h:mm:ss
    # for people and seconds for machines; a flight longer than a record is refused.
    gl = os.path.join(tmp, "gliders")
    os.makedirs(gl)
    hill = make(os.path.join(gl, "hill.dat"), "--glider", "hill-sink", "--drop", "650",
                "--code", "4", "--competitor", "21")
    hours = make(os.path.join(gl, "hours.dat"), "--glider", "thermal", "--hours", "2",
                 "--code", "5", "--competitor", "22")
    rc, h = stats(hill)
    check(rc == 0 and abs(h["launch_s"] - 30) <= 30 and h["no_launch"] is None and
          -660 < float(h["landing_altitude_text"]) < -630 and not h["max_suspect"],
          f"hill launch: {h}")
    rc, t = stats(hours)
    check(rc == 0 and t["landing_s"] > 7000 and t["no_landing"] is None, f"two hours: {t}")
    human = run("stats", hours, "--human", "--lang", "en").stdout.decode()
    check("Landing altitude" in human and "2:00:" in human and "Max without spikes" in human,
          f"--human of two hours: {human}")
    out = os.path.join(tmp, "gliders.csv")
    check(run("report", gl, "-o", out).returncode == 0, "report of gliders")
    g = {r["competitor"]: r for r in rows_of(out)}
    check(g["21"]["landing_altitude_text"].startswith("-6") and
          float(g["22"]["landing_s"]) == t["landing_s"], f"gliders' CSV: {g}")
    page_path = os.path.join(tmp, "gliders.html")
    check(run("report", gl, "-o", page_path).returncode == 0 and
          f'data-sort="{t["landing_s"]:.2f}">2:00:' in open(page_path, encoding="utf-8").read(),
          "hours on the page")
    r = subprocess.run([synth_tool, "--glider", "thermal", "--hours", "3", "--code", "4", "-o",
                        os.path.join(tmp, "long.dat")], capture_output=True)
    check(r.returncode == 2 and b"8241" in r.stderr and
          not os.path.exists(os.path.join(tmp, "long.dat")), f"too long: {r.stderr}")

    # A season: 2000 full records in a bounded memory.
    big = os.path.join(tmp, "season")
    os.makedirs(big)
    full = make(os.path.join(tmp, "full.dat"), "--code", "0", "--glide", "420",
                "--max-length", "33000")
    check(os.path.getsize(full) == 33000, f"full record: {os.path.getsize(full)}")
    for i in range(2000):
        os.link(full, os.path.join(big, f"f{i:04}.dat"))
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    r = run("report", big, "-o", os.path.join(tmp, "season.html"))
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    # (AddressSanitizer's shadow memory and quarantine make a sanitized build's figure
    # meaningless: only the exit code counts there.)
    sanitized = b"asan" in subprocess.run(["ldd", orlomat], capture_output=True).stdout
    check(r.returncode == 0 and (sanitized or peak < 100 * 1024),
          f"2000 records: {peak} kB (before {before})")
sys.exit(finish())
