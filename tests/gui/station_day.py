#!/usr/bin/python3
"""A contest day at the download table, in the real window, as the official runs it.

    station_day.py [--lang pl|en|both] OrlomatBMP orlomat-emulator orlomat-synth

starts a private Xvfb and D-Bus session, runs the program there with Qt's accessibility bridge
on and its archive in a folder of its own, and drives it with real X input (xdotool): a
comparison flight, the download station from the menu, three altimeters plugged one after the
other (a good one, one that stalls mid-download and is stopped with Esc, one whose maximum is a
pressure spike), the flights list, its results page and a language switch. What is on screen
is read as a screen reader reads it (pyatspi), colours and what covers what from the screen's
pixels. ORLOMAT_SCREENSHOTS=DIR keeps the manual's pictures of the day there.
Needs /usr/bin/python3 with python3-pyatspi and python3-xlib, at-spi2-core, xdotool, Xvfb.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import zlib

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
import clitest  # noqa: E402
from xsession import application, end_window, in_session, start_window, walk  # noqa: E402

WORDS = {
    "pl": {
        "language": "Polski", "setup": "Ustawienia", "station": "Stacja pobierania",
        "compare": "Porównanie", "compare_title": "Lot do porównania", "file": "Plik",
        "altimeter": "Orlomat", "read": "Odczyt Orlomatu", "list": "Loty",
        "results": "Strona wyników", "cut": "zapis urwany", "stop": "Przerwij",
        "reading": "Odczyt wysokościomierza na porcie {}…",
        "fields": ["Maximum", "Minimum", "Nr.Zawodnika", "Nr.Seryjny", "Temperatura", "Pomiary"],
        "waiting": "Czekam na wysokościomierz na porcie {}…",
        "kept": "Zawodnik {} — {} m — zapisano jako {}",
        "stall": r"Wysokościomierz nie odpowiada od (\d+) s — Esc przerywa, odebrane dane "
                 r"zostaną zachowane",
        "incomplete": " (niekompletny: 1500 B)",
        "suspect": r"⚠ (\d+\.\d) m — krótki skok ciśnienia\? po filtrze (\d+\.\d)",
        "tooltip": "Krótki skok ciśnienia? Bez skoków: ",
    },
    "en": {
        "language": "English", "setup": "Setup", "station": "Download station",
        "compare": "Compare", "compare_title": "Flight to compare", "file": "File",
        "altimeter": "Altimeter", "read": "Read Altimeter", "list": "Flights",
        "results": "Results page", "cut": "record cut off", "stop": "Cancel",
        "reading": "Reading the altimeter on {}…",
        "fields": ["Maximum", "Minimum", "Competitor No.", "Serial No.", "Temperature",
                   "Sampling"],
        "waiting": "Waiting for an altimeter on {}…",
        "kept": "Competitor {} — {} m — kept as {}",
        "stall": r"The altimeter has not answered for (\d+) s — Esc stops, the data received "
                 r"will be kept",
        "incomplete": " (incomplete: 1500 bytes)",
        "suspect": r"⚠ (\d+\.\d) m — a short pressure spike\? filtered (\d+\.\d)",
        "tooltip": "Short pressure spike? Without spikes: ",
    },
}
MAIN_TITLE = "^Orlomat BMP"
FILE_NAME = r"C{:03d}_S\d{{5}}_\d{{8}}-\d{{6}}(_partial)?\.dat"


class Stop(Exception):
    """A step the rest of the day cannot go on without failed."""


failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, flush=True)
    return ok


def say(what):
    print(f"[{time.monotonic() - START:6.1f} s] {what}", flush=True)


START = time.monotonic()


# ---- the X server: input and pixels ----------------------------------------------------------

def xdo(*args):
    r = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, timeout=30)
    if r.returncode != 0:
        raise Stop(f"xdotool {' '.join(map(str, args))}: {r.stderr.strip()}")
    return r.stdout


def window_id(title_regex):
    found = wait_for(lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", title_regex], capture_output=True,
        text=True).stdout.split(), 30, "a window titled " + title_regex)
    return found[-1]


def keys(title_regex, *names):
    xdo("windowfocus", "--sync", window_id(title_regex), "key", "--delay", "60", *names)


def type_into(title_regex, text, *then):
    xdo("windowfocus", "--sync", window_id(title_regex), "type", "--delay", "20", text)
    keys(title_regex, *then)


def click_at(x, y):
    xdo("mousemove", "--sync", x, y, "click", "1")


class Shot:
    """The screen's pixels in a rectangle (of the whole screen: tooltips and popups too)."""

    def __init__(self, x, y, w, h):
        from Xlib import X, display
        d = display.Display()
        self.x, self.y, self.w, self.h = x, y, w, h
        self.data = d.screen().root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data
        d.close()

    def rgb(self, x, y):  # screen coordinates
        i = ((y - self.y) * self.w + (x - self.x)) * 4
        b, g, r = self.data[i], self.data[i + 1], self.data[i + 2]
        return r, g, b

    def count(self, keep, rect=None):
        x0, y0, w, h = rect or (self.x, self.y, self.w, self.h)
        return sum(1 for y in range(y0, y0 + h) for x in range(x0, x0 + w) if keep(*self.rgb(x, y)))

    def save(self, path):
        rows = b"".join(b"\0" + bytes(c for x in range(self.w)
                                      for c in self.rgb(self.x + x, self.y + y))
                        for y in range(self.h))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body +
                    struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(
                ">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)) + chunk(b"IDAT", zlib.compress(rows, 9))
                + chunk(b"IEND", b""))


def screenshot(name, rect):
    folder = os.environ.get("ORLOMAT_SCREENSHOTS")
    if folder:
        Shot(*rect).save(os.path.join(folder, name))


def is_red_text(r, g, b):  # the station line's faults: (192, 0, 0) and its anti-aliasing
    return r > 120 and g < 70 and b < 70


def is_dark_text(r, g, b):
    return r < 90 and g < 90 and b < 90


def is_curve_red(r, g, b):
    return r > 170 and g < 90 and b < 90


# ---- what a screen reader reads ----------------------------------------------------------------

def wait_for(what, seconds, description):
    end = time.monotonic() + seconds
    while True:
        pump()
        try:
            got = what()
        except Exception:  # an object gone or not there yet while it is asked
            got = None
        if got:
            return got
        if time.monotonic() > end:
            raise Stop(f"waited {seconds} s for {description}")
        time.sleep(0.1)


EVENTS = []


def pump():
    from gi.repository import GLib
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def showing(node):
    import pyatspi
    return node.getState().contains(pyatspi.STATE_SHOWING)


def extents(node):
    import pyatspi
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def text(node):
    return node.queryText().getText(0, -1)


def click(node):
    x, y, w, h = extents(node)
    click_at(x + w // 2, y + h // 2)


def caption_of(group, file):
    """The group's caption is `file`, whole or elided in the middle to fit; its tooltip (the
    description a screen reader reads) gives the whole name."""
    head, _, tail = group.name.partition("…")
    return (group.name == file or (tail and file.startswith(head) and file.endswith(tail))) \
        and group.description in ("", file)


def named(root, role, name):
    return walk(root, lambda n: n.getRoleName() == role and n.name.replace("&", "").strip() == name)


def menu_item(app, menu, item):
    """Opens `menu` of the menu bar with a click and clicks its `item`."""
    top = wait_for(lambda: [m for m in named(app, "menu item", menu) if showing(m)], 20,
                   "the menu " + menu)[0]
    click(top)
    entry = wait_for(lambda: [n for n in named(top, "menu item", item) if showing(n)], 20,
                     f"{menu} › {item} on screen")[0]
    click(entry)
    wait_for(lambda: not showing(entry), 20, f"{menu} closed")


class Window:
    """The main window's parts as AT-SPI shows them."""

    def __init__(self, app):
        self.app = app
        self.frame = wait_for(lambda: [n for n in app if n.getRoleName() == "frame"
                                       and re.match(MAIN_TITLE, n.name)], 30, "the main window")[0]
        # The two flight groups: the panels with figure fields, the current one on the left.
        panels = wait_for(lambda: walk(self.frame, lambda n: n.getRoleName() == "panel" and any(
            n.getChildAtIndex(i).getRoleName() == "text" for i in range(n.childCount))), 30,
            "the flight groups")
        panels.sort(key=lambda p: extents(p)[0])
        self.current, self.comparison = panels[0], panels[-1]
        # The chart: the filler holding the axis captions.
        self.chart = wait_for(lambda: [n for n in walk(self.frame, lambda n: n.getRoleName(
        ) == "filler") if named(n, "label", "dh/dt")], 30, "the chart")[-1]
        self.labels = [n for n in walk(self.chart, lambda n: n.getRoleName() == "label")]

    def fields(self, group):
        return [group.getChildAtIndex(i) for i in range(group.childCount)
                if group.getChildAtIndex(i).getRoleName() == "text"]

    def field(self, group, name):
        return [f for f in self.fields(group) if f.name == name][0]

    def field_labels(self, group):
        """Each figure field's name against the label right above its left edge."""
        labels = [group.getChildAtIndex(i) for i in range(group.childCount)
                  if group.getChildAtIndex(i).getRoleName() == "label"]
        pairs = []
        for f in self.fields(group):
            fx, fy, _, _ = extents(f)
            above = [lb for lb in labels if extents(lb)[1] < fy and abs(extents(lb)[0] - fx) < 12]
            above.sort(key=lambda lb: -extents(lb)[1])
            pairs.append((f.name, above[0].name if above else None))
        return pairs

    def line(self):
        """The station line, or None while it is hidden: the chart's one large label."""
        for n in self.labels:
            if showing(n) and n.name and extents(n)[2] > 300 and extents(n)[3] >= 30:
                return n
        return None

    def rect(self):
        return extents(self.frame)


# ---- the day -----------------------------------------------------------------------------------

def synth(tool, folder, name, *args):
    return clitest.synth(tool, os.path.join(folder, name), *args)


def plug_in(emulator, link, flight, *faults):
    """An emulated altimeter plugged in at the station's port name; unplugged on close."""
    return clitest.Emulator(emulator, "--link", link, "--flight", flight, *faults, quiet=True)


def day(lang, program, emulator, synth_tool):
    import pyatspi
    w = WORDS[lang]
    other = WORDS["en" if lang == "pl" else "pl"]
    home = tempfile.mkdtemp(prefix="day-")
    archive = os.path.join(home, "archive")
    link = os.path.join(home, "ttyUSB0")
    flights = os.path.join(home, "flights")
    os.makedirs(flights)
    normal = synth(synth_tool, flights, "c7.dat", "--competitor", "7", "--serial", "307",
                   "--glide", "40", "--no-spike")
    stalling = synth(synth_tool, flights, "c12.dat", "--competitor", "12", "--serial", "312",
                     "--glide", "40")
    spiked = synth(synth_tool, flights, "c34.dat", "--competitor", "34", "--serial", "334",
                   "--dirty", "--seed", "5", "--transient", "38:3000:30")
    compared = synth(synth_tool, flights, "porownanie.dat", "--competitor", "99", "--peak", "150")
    # The browser: a stand-in that notes what it was asked to open.
    opened = os.path.join(home, "opened.txt")
    bin_dir = os.path.join(home, "bin")
    os.makedirs(bin_dir)
    with open(os.path.join(bin_dir, "xdg-open"), "w") as f:
        f.write(f'#!/bin/sh\necho "$1" >> "{opened}"\n')
    os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
    proc = start_window(program, home, "--archive", archive, "--port", link,
                        PATH=bin_dir + ":" + os.environ["PATH"])
    plugged = []
    try:
        app = wait_for(lambda: application(proc), 60, "the program on the accessibility bus")
        def noted(event):
            try:
                EVENTS.append((event.type, event.source.getRoleName(), event.source.name,
                               event.detail1))
            except Exception:  # gone before it was asked
                pass
        pyatspi.Registry.registerEventListener(noted, "object:state-changed:showing")
        win = Window(app)
        rect = win.rect()
        say(f"{lang}: the window is up")

        # The language for the day, from the menu.
        menu_item(app, "Język/Language", w["language"])
        wait_for(lambda: named(win.frame, "push button", w["read"]), 20, "the window in " + lang)

        # A comparison flight from the last competitor, loaded with its button.
        click(named(win.frame, "push button", w["compare"])[0])
        type_into("^" + w["compare_title"] + "$", compared, "Return")
        wait_for(lambda: win.comparison.name == "porownanie.dat", 20, "the comparison loaded")
        check(text(win.field(win.comparison, w["fields"][2])) == "99", "the comparison's number")

        # The station, from the menu: the comparison goes, the line waits for the port.
        menu_item(app, w["setup"], w["station"])
        waiting = w["waiting"].format(link)
        wait_for(lambda: win.line() and win.line().name == waiting, 20, "the waiting line")
        check(win.comparison.name == w["file"], "the comparison's file stays in its caption "
              "when the station starts: " + win.comparison.name)
        check(all(text(f).strip() == "" for f in win.fields(win.comparison)),
              "the comparison's figures stay when the station starts")

        def line_shot():
            x, y, wd, h = extents(win.line())
            return Shot(*rect), (x, y, wd, h)

        def curve_top_clear(what):
            """The curve's top stands below the line with plot between them."""
            shot, (lx, ly, lw, lh) = line_shot()
            cx, cy, cw, ch = extents(win.chart)
            # Left of the legend; from the line's bottom down to the time axis.
            area = (cx + 50, ly + lh, int(cw * 0.7), cy + ch - 60 - (ly + lh))
            top = next((y for y in range(area[1], area[1] + area[3])
                        if any(is_curve_red(*shot.rgb(x, y)) for x in range(area[0],
                                                                          area[0] + area[2]))),
                       None)
            check(top is not None, f"{what}: no altitude curve on screen")
            check(top is not None and top > ly + lh + 2,
                  f"{what}: the curve runs into the station line (top at y={top}, line ends "
                  f"at {ly + lh})")

        def line_colour(red, what):
            shot, area = line_shot()
            reds, darks = shot.count(is_red_text, area), shot.count(is_dark_text, area)
            if red:
                check(reds > 200 and reds > darks, f"{what}: the line is not red "
                      f"({reds} red, {darks} dark pixels)")
            else:
                check(darks > 200 and reds < 20, f"{what}: the line is not black "
                      f"({reds} red, {darks} dark pixels)")

        # 1. A good altimeter.
        plugged.append(plug_in(emulator, link, normal))
        kept = re.compile(re.escape(w["kept"]).replace(r"\{\}", "{}").format(
            "7", r"(\d+\.\d)", "(" + FILE_NAME.format(7) + ")") + "$")
        m = wait_for(lambda: win.line() and kept.match(win.line().name), 30,
                     "the first altimeter kept")
        say("competitor 7: " + win.line().name)
        check(text(win.field(win.current, w["fields"][0])) == m.group(1),
              "the line's maximum is the window's")
        check(os.path.exists(os.path.join(archive, m.group(2))), "no file " + m.group(2))
        line_colour(False, "a good download")
        curve_top_clear("competitor 7")
        screenshot(f"screenshot-station-{lang}.png", rect)
        plugged.pop().unplug()
        wait_for(lambda: win.line().name == waiting, 20, "the wait after the unplug")

        # 2. An altimeter that stalls after 1500 bytes: the stall is told and counted, the
        # previous competitor is gone from the fields, Esc keeps what came.
        EVENTS.clear()
        plugged.append(plug_in(emulator, link, stalling, "--cut-after", "1500"))
        stall = re.compile(w["stall"] + "$")

        def stall_line():
            for n in walk(win.frame, lambda n: n.getRoleName() in ("label", "alert")):
                if showing(n) and stall.match(n.name):
                    return n
            return None
        node = wait_for(stall_line, 30, "the stall line")
        first = int(stall.match(node.name).group(1))
        wait_for(lambda: int(stall.match(node.name).group(1)) > first, 10,
                 "the stall's seconds counting")
        say("stalled: " + node.name)
        check(node.getRoleName() == "alert", f"the stall line is read as a {node.getRoleName()}, "
              "not as an alert")
        pump()
        check(any(t == "object:state-changed:showing" and role == "alert" and stall.match(name)
                  for t, role, name, _ in EVENTS),
              f"the stall line's appearance is not announced as an alert: {EVENTS}")
        check(all(text(win.field(win.current, n)).strip() == ""
                  for n in (w["fields"][0], w["fields"][2], w["fields"][3], w["fields"][4])),
              "competitor 7's figures stay during the next download")
        check(not [n.name for n in win.labels if showing(n) and "C007_" in n.name],
              "the chart still tells where competitor 7's flight was kept")
        stop = named(win.frame, "push button", w["stop"])
        check(stop and showing(stop[0]), "no Cancel button beside the progress")
        screenshot(f"screenshot-download-stop-{lang}.png", rect)
        keys(MAIN_TITLE, "Escape")
        partial = re.compile(re.escape(w["kept"]).replace(r"\{\}", "{}").format(
            "12", r"(\d+\.\d)", "(" + FILE_NAME.format(12) + ")") + re.escape(w["incomplete"]))
        wait_for(lambda: win.line() and partial.match(win.line().name), 20,
                 "the incomplete flight's line")
        say("stopped: " + win.line().name)
        check(not stall_line(), "the stall line stays after Esc")
        check(text(win.field(win.current, w["fields"][2])) == "12",
              "the partial flight is not the current one")
        partial_file = partial.match(win.line().name).group(2)
        check("_partial" in partial_file, "the stopped flight's file is not marked partial")
        line_colour(True, "an incomplete download")
        plugged.pop().unplug()
        wait_for(lambda: win.line().name.endswith("\n" + waiting), 20, "the wait after the unplug")
        check(partial.match(win.line().name), "the incomplete line went with the unplug")
        line_colour(True, "an incomplete download after the unplug")

        # 3. An altimeter whose top is a pressure spike, slowly: competitor 12 is gone from the
        # fields while it streams; the line tells the spike in red.
        plugged.append(plug_in(emulator, link, spiked, "--slow", "12"))
        wait_for(lambda: win.line().name == w["reading"].format(link), 20, "the third download")
        check(text(win.field(win.current, w["fields"][2])).strip() == "",
              "competitor 12's number stays during the next download")
        spike = re.compile(re.escape(w["kept"]).replace(r"\{\}", "{}").format(
            "34", w["suspect"], "(" + FILE_NAME.format(34) + ")") + "$")
        m = wait_for(lambda: spike.match(win.line().name), 60, "the spiked flight's line")
        say("spiked: " + win.line().name)
        check(float(m.group(1)) > float(m.group(2)) + 50, "the spike's figures " + m.group(0))
        line_colour(True, "a spiked maximum")
        curve_top_clear("competitor 34's spike")
        maximum = win.field(win.current, w["fields"][0])
        check(text(maximum) == m.group(1), "the line's maximum is the window's")
        # The mark's reason, under the mouse.
        x, y, wd, h = extents(maximum)
        xdo("mousemove", "--sync", x + wd // 2, y + h // 2 + 1)
        tip = wait_for(lambda: [n for n in walk(app, lambda n: n.getRoleName() == "tool tip")
                                if showing(n)], 20, "the maximum's tooltip")[0]
        check(tip.name.startswith(w["tooltip"] + m.group(2)), "the tooltip says " + tip.name)
        time.sleep(0.3)  # the tooltip's fade-in: the picture only
        # The top of the window, down to the station line.
        screenshot(f"screenshot-suspect-{lang}.png",
                   (rect[0], rect[1], 700, min(190, extents(win.line())[1] - 2 - rect[1])))
        xdo("mousemove", "--sync", rect[0] + rect[2] // 2, rect[1] + rect[3] - 40)
        plugged.pop().unplug()
        wait_for(lambda: win.line().name.endswith("\n" + waiting), 20, "the wait after the unplug")

        # Esc ends the station; the spike's warning stays with its flight.
        keys(MAIN_TITLE, "Escape")
        wait_for(lambda: named(win.frame, "push button", w["read"])[0].getState().contains(
            pyatspi.STATE_ENABLED), 20, "the station ended")
        check(win.line() is not None and spike.match(win.line().name),
              "the spike's line went with the station")

        # Every figure field named after its own label, in both groups.
        for group in (win.current, win.comparison):
            pairs = win.field_labels(group)
            check(sorted(n for n, _ in pairs) == sorted(w["fields"]),
                  f"fields of {group.name} named {pairs}")
            check(all(n == label for n, label in pairs), f"a field not named by its label: {pairs}")

        # The flights list (Ctrl+L), on the archive.
        keys(MAIN_TITLE, "ctrl+l")
        listed = wait_for(lambda: [n for n in app if n.name == w["list"] and showing(n)], 20,
                          "the list")[0]
        table = wait_for(lambda: walk(listed, lambda n: n.getRoleName() == "table"), 20,
                         "the list's table")[0].queryTable()
        wait_for(lambda: table.nRows == 3, 20, "three rows")
        heads = [table.getColumnHeader(c).name for c in range(table.nColumns)]
        rows = [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)]
                for r in range(table.nRows)]
        say(f"the list: {heads}")
        for r in rows:
            say(f"  {r}")
        by_file = {next((c for c in r if c.endswith(".dat")), ""): r for r in rows}
        check(partial_file in by_file and any(w["cut"] in c for c in by_file[partial_file]),
              "the partial flight's row does not say it is cut off")
        spiked_row = next((r for f, r in by_file.items() if f.startswith("C034_")), [])
        spiked_maximum = next((c for c in spiked_row if c.startswith("⚠")), "")[2:]
        check(spiked_maximum, "the spiked maximum has no ⚠")
        check(not any("⚠" in c for f, r in by_file.items() if not f.startswith("C034_")
                      for c in r), "a ⚠ on a flight without a spike")
        lx, ly, lw, lh = extents(listed)
        screenshot(f"screenshot-flights-list-{lang}.png", (lx, ly, lw, lh))

        # Its results page: written and handed to the browser.
        click(named(listed, "push button", w["results"])[0])
        page = wait_for(lambda: os.path.exists(opened) and open(opened).read().split(), 20,
                        "the browser asked to open the results page")[0]
        with open(re.sub("^file://", "", page), encoding="utf-8") as f:
            html = f.read()
        for row in rows:
            check(re.search(r"<td[^>]*>\s*" + re.escape(row[0]) + r"\s*</td>", html),
                  f"no row of competitor {row[0]} on the results page")
        check(partial_file in html and w["cut"] in html, "the page does not mark the cut record")
        check(re.search(r"(&#9888;|⚠) ?" + re.escape(spiked_maximum), html),
              "the page does not mark the spike")
        # From the list: Enter opens the partial flight, Ctrl+Enter competitor 7's as the
        # comparison.
        def open_row(file, *key):
            row = [r for r in range(table.nRows) if rows[r][-2] == file][0]
            click(table.getAccessibleAt(row, 0))
            keys("^" + w["list"] + "$", *key)
        open_row(partial_file, "Return")
        wait_for(lambda: caption_of(win.current, partial_file), 20, "the partial flight opened")
        seven = [r[-2] for r in rows if r[0] == "7"][0]
        open_row(seven, "ctrl+Return")
        wait_for(lambda: caption_of(win.comparison, seven), 20, "competitor 7 as the comparison")
        keys("^" + w["list"] + "$", "Escape")
        wait_for(lambda: not showing(listed), 20, "the list closed")
        menu_item(app, "Język/Language", other["language"])
        wait_for(lambda: named(win.frame, "push button", other["read"]), 20, "the other language")
        check(caption_of(win.current, partial_file) and caption_of(win.comparison, seven),
              f"captions after the switch: {win.current.name}, {win.comparison.name}")
        say(f"captions: {win.current.name!r} ({win.current.description!r}), "
            f"{win.comparison.name!r} ({win.comparison.description!r})")
        for group in (win.current, win.comparison):
            check(sorted(f.name for f in win.fields(group)) == sorted(other["fields"]),
                  f"the field names of {group.name} did not follow the language")
        keys(MAIN_TITLE, "ctrl+l")
        listed = wait_for(lambda: [n for n in app if n.name == other["list"] and showing(n)],
                          20, "the list in the other language")[0]
        check(named(listed, "push button", other["results"]), "the list's buttons in "
              "the other language")
        table = walk(listed, lambda n: n.getRoleName() == "table")[0].queryTable()
        notes = wait_for(lambda: [table.getAccessibleAt(r, table.nColumns - 1).name
                                  for r in range(table.nRows)], 20, "the list's rows")
        check(other["cut"] in notes, f"the list's notes did not follow the language: {notes}")
    except Exception as e:  # the day cannot go on: what was on screen then
        check(False, str(e) if isinstance(e, Stop) else traceback.format_exc())
        for what, value in (("the station line", lambda: win.line().name),
                            ("the captions", lambda: (win.current.name, win.comparison.name)),
                            ("the windows", lambda: [(n.getRoleName(), n.name) for n in app]),
            ("the buttons", lambda: [n.name for n in walk(app, lambda n: n.getRoleName() ==
                                                              "push button")])):
            try:
                say(f"{what} then: {value()!r}")
            except Exception:
                pass
    finally:
        for a in plugged:
            a.unplug()
        end_window(proc)
        shutil.rmtree(home, ignore_errors=True)


def inner(lang, program, emulator, synth_tool):
    for one in (["pl", "en"] if lang == "both" else [lang]):
        day(one, program, emulator, synth_tool)
    say(f"{len(failures)} failure(s)")
    return 1 if failures else 0


def main():
    args = sys.argv[1:]
    lang = "both"
    if args[:1] == ["--lang"]:
        lang, args = args[1], args[2:]
    if args[:1] == ["--inner"]:
        return inner(lang, *args[1:])
    if len(args) != 3 or lang not in ("pl", "en", "both"):
        print(__doc__, file=sys.stderr)
        return 2
    return in_session(__file__, ["--lang", lang, "--inner", *map(os.path.abspath, args)], 380)


if __name__ == "__main__":
    sys.exit(main())
