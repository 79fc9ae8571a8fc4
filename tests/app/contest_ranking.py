#!/usr/bin/env python3
"""A fly-off ranked by `orlomat report --rule` as the contest director prints it: eight flights,
one short of the maximum time and two tied, placed alike in the CSV and on the page in both
languages; the page on one A4 sheet with everything inside it; the spreadsheet dialect for a
Polish spreadsheet."""
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from clitest import check, finish, programs, run as run_program, scratch, synth  # noqa: E402

orlomat, synth_tool = programs("contest_ranking.py orlomat orlomat-synth", 2)


def run(*args):
    return run_program(orlomat, args, timeout=60, text=False)


# competitor, peak (m), glide (s), the place expected at a 60 s maximum: the higher at 60 s
# the better; 4 and 5 fly alike (tied, the next place skipped); 6 lands before 60 s (last).
FLIGHTS = [(1, 120, 80, 5), (2, 150, 80, 1), (3, 100, 80, 7), (4, 130, 80, 3),
           (5, 130, 80, 3), (6, 90, 40, 8), (7, 110, 80, 6), (8, 140, 80, 2)]
MAX_TIME = "60"

with scratch("orlomat_ranking_") as tmp:
    d = os.path.join(tmp, "flyoff")
    os.makedirs(d)
    expected = {}
    for competitor, peak, glide, place in FLIGHTS:
        name = f"C{competitor:03}_S00345_20261209-1015{competitor:02}" + \
            ("_partial.dat" if glide < 60 else ".dat")
        synth(synth_tool, os.path.join(d, name), "--competitor", competitor, "--peak", peak,
              "--glide", glide, "--no-spike")
        expected[str(competitor)] = str(place)

    # The CSV: every flight placed, the rows in the order of their places.
    for fmt in ("plain", "excel-local"):
        out = os.path.join(tmp, f"{fmt}.csv")
        r = run("report", d, "-o", out, "--rule", "f1-flyoff", "--max-time", MAX_TIME,
                *([] if fmt == "plain" else ["--csv-format", fmt]))
        check(r.returncode == 0, f"{fmt}: {r.stderr}")
        summary = json.loads(r.stdout)
        check(summary.get("placed") == 8 and summary.get("refused_readings") == 0,
              f"{fmt}: summary {summary}")
    with open(os.path.join(tmp, "plain.csv"), encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    got = {r["competitor"]: r["place"] for r in rows}
    check(got == expected, f"CSV places {got}, expected {expected}")
    places = [int(r["place"]) for r in rows]
    check(places == sorted(places), f"CSV rows not in the order of their places: {places}")
    short = [r for r in rows if r["competitor"] == "6"]
    check(short and short[0]["reached_max"] == "false" and short[0]["altitude_at_max_m"] == "",
          f"the short flight: {short}")

    # A motor run the rule does not allow: every reading refused, nobody placed, all counted.
    r = run("report", d, "-o", os.path.join(tmp, "f5j.csv"), "--rule", "f5j", "--motor-stop",
            "40")
    summary = json.loads(r.stdout) if r.returncode == 0 else {}
    check(summary.get("placed") == 0 and summary.get("refused_readings") == 8,
          f"f5j refused: {r.returncode} {summary}")

    # excel-local: the plain table with semicolons, decimal commas and a byte-order mark.
    with open(os.path.join(tmp, "excel-local.csv"), "rb") as f:
        local = f.read()
    check(local.startswith(b"\xef\xbb\xbf"), "excel-local without its byte-order mark")
    local_rows = list(csv.reader(io.StringIO(local[3:].decode("utf-8"), newline=""),
                                 delimiter=";"))
    plain_rows = list(csv.reader(open(os.path.join(tmp, "plain.csv"), encoding="utf-8",
                                      newline="")))
    number = re.compile(r"^-?\d+\.\d+$")
    want = [[number.match(c) and c.replace(".", ",") or c for c in row] for row in plain_rows]
    check(local_rows == want, "excel-local is not the plain table with decimal commas")
    check(b"\r\n" in local and b"\n" not in local.replace(b"\r\n", b""), "excel-local line ends")

    # The page in both languages: the same places, in their order, the rule and its reference.
    for lang, place_word, chart_word in (("pl", "Miejsce", "wykres"), ("en", "Place", "chart")):
        page = os.path.join(tmp, f"results-{lang}.html")
        r = run("report", d, "-o", page, "--rule", "f1-flyoff", "--max-time", MAX_TIME,
                "--title", "Puchar Zimy 2026", "--lang", lang)
        check(r.returncode == 0, f"page {lang}: {r.stderr}")
        html = open(page, encoding="utf-8").read()
        check(f"<th class=\"place\">{place_word}</th>" in html, f"{lang}: no place column")
        check("FAI F1 F1.1.4 b" in html and "Puchar Zimy 2026" in html,
              f"{lang}: the rule's reference or the title missing")
        cells = re.findall(r"<tr><td>(\d+)</td><td>C0*(\d+)_", html)
        check({c: p for p, c in cells} == expected, f"{lang}: page places {cells}")

        # Printed: one A4 sheet, every word of the table inside it (a table wider than the
        # sheet is cut at its edge, not carried over).
        pdf = os.path.join(tmp, f"results-{lang}.pdf")
        browser = shutil.which("chromium") or shutil.which("chromium-browser")
        check(browser is not None, "chromium is needed to print the page (scripts/setup.sh)")
        if browser is None:
            continue
        subprocess.run([browser, "--headless", "--no-sandbox", "--disable-gpu",
                        "--no-pdf-header-footer", f"--print-to-pdf={pdf}", "file://" + page],
                       capture_output=True, timeout=90)
        info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
        check(re.search(r"^Pages:\s+1$", info, re.M) is not None, f"{lang}: not one sheet: {info}")
        size = re.search(r"Page size:\s+([\d.]+) x ([\d.]+)", info)
        check(size is not None and abs(float(size[1]) - 841.9) < 2 and
              abs(float(size[2]) - 595.3) < 2, f"{lang}: not A4 landscape: {info}")
        bbox = subprocess.run(["pdftotext", "-bbox", pdf, "-"], capture_output=True,
                              text=True).stdout
        words = re.findall(r'xMax="([\d.]+)"[^>]*>([^<]*)<', bbox)
        width = float(size[1]) if size else 0
        outside = [w for x, w in words if float(x) > width - 20]  # the margin is 10 mm, 28 pt
        check(not outside, f"{lang}: words past the sheet's margin: {outside[:5]}")
        texts = {w for _, w in words}
        for needed in (chart_word, "345", "2026", "F1.1.4"):
            check(needed in texts, f"{lang}: \"{needed}\" not printed")
sys.exit(finish())
