#!/usr/bin/env python3
"""Runs the orlomat tool on synthesised records of every sampling code and many lengths and
checks the JSON contract that scripts rely on."""
import json
import os
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from clitest import check, finish, programs, scratch, synth  # noqa: E402

orlomat, synth_tool = programs("cli_contract.py orlomat orlomat-synth", 2)
INFO_KEYS = ["length", "competitor", "serial", "temperature", "sampling_code", "sampling_text",
             "rate_value", "calibration_word", "calibration"]
DECODE_KEYS = INFO_KEYS + ["samples", "pressures_pa", "reference_pressure_hpa", "altitudes_cm",
                           "series1", "series2", "max_m", "min_m", "max_text", "min_text",
                           "left_axis_max", "minor_tick_count"]
FILE_RATES = [200, 150, 100, 50, 10, 5, 2] + [1] * 9

with scratch("orlomat_contract_") as tmp:
    for code in range(16):
        for max_len in (32, 36, 52, 56, 64, 200, 1001, 5000, 33000):
            path = synth(synth_tool, os.path.join(tmp, f"f{code}_{max_len}.dat"), "--code", code,
                         "--glide", 3000, "--max-length", max_len)
            size = os.path.getsize(path)
            for cmd, keys in (("info", INFO_KEYS), ("decode", DECODE_KEYS)):
                r = subprocess.run([orlomat, cmd, path], capture_output=True, text=True)
                what = f"{cmd} code {code} length {size}"
                check(r.returncode == 0, f"{what}: exit {r.returncode} {r.stderr}")
                if r.returncode != 0:
                    continue
                doc = json.loads(r.stdout)
                check(list(doc.keys()) == keys, f"{what}: keys {list(doc.keys())}")
                check(doc["length"] == size, f"{what}: length")
                check(doc["sampling_code"] == code, f"{what}: code")
                check(doc["rate_value"] == FILE_RATES[code], f"{what}: rate")
                if cmd != "decode":
                    continue
                n = doc["samples"]
                m = max(n - 5, 0)
                check(n == (size - 32) // 4, f"{what}: samples {n}")
                check(len(doc["pressures_pa"]) == n, f"{what}: pressures")
                check(len(doc["altitudes_cm"]) == m, f"{what}: altitudes")
                check(len(doc["series1"]) == m, f"{what}: series1")
                check(len(doc["series2"]) == max(m - 2, 0), f"{what}: series2")
                for i, (pt, cm) in enumerate(zip(doc["series1"], doc["altitudes_cm"])):
                    if abs(pt["y"] - cm / 100.0) > 1e-3:
                        check(False, f"{what}: point {i} y {pt['y']} vs {cm} cm")
                        break
                check(doc["minor_tick_count"] == max(FILE_RATES[code] // 10 - 1, 0),
                      f"{what}: minor ticks")

    # compare and filter keep their field names too.
    path = synth(synth_tool, os.path.join(tmp, "c.dat"))
    doc = json.loads(subprocess.run([orlomat, "compare", path], capture_output=True,
                                    text=True, check=True).stdout)
    check(list(doc.keys()) == INFO_KEYS + ["samples", "reference_pressure_hpa", "series3",
                                           "altitudes_cm", "max_text", "min_text"],
          f"compare keys {list(doc.keys())}")
    check(len(doc["series3"]) == len(doc["altitudes_cm"]) == doc["samples"] - 5, "compare counts")
    doc = json.loads(subprocess.run([orlomat, "filter", path], capture_output=True,
                                    text=True, check=True).stdout)
    check(list(doc.keys()) == ["filtered", "cleaned_cm", "source_cm", "labels", "max_text",
                               "min_text"], f"filter keys {list(doc.keys())}")

    # The output must be one line of JSON, and errors one line on stderr.
    empty = os.path.join(tmp, "empty.dat")
    open(empty, "wb").close()
    r = subprocess.run([orlomat, "decode", empty], capture_output=True, text=True)
    check(r.returncode == 1 and r.stdout == "" and r.stderr.count("\n") == 1, "empty file")
    r = subprocess.run([orlomat, "bogus"], capture_output=True, text=True)
    check(r.returncode == 2, "usage error exit code")

sys.exit(finish())
