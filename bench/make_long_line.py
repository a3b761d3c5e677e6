#!/usr/bin/env python3
"""Writes a long test line for the headless throughput benchmark: 50 stations, 200 signals and
300 level crossings on a line recorded at a steady 72 km/h (20 m/s, 1.5 frames per metre at 30
frames/s), plus the matching settings, controller map and a train file copied from the test
fixtures. Usage: make_long_line.py FIXTURES_DIR OUT_DIR"""
import os
import shutil
import sys

fixtures, out = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)
for name in ("tressmoor.dat", "mascon.dat", "train_drive.dat"):
    shutil.copy(os.path.join(fixtures, "drive", name), out)

stations, signals, crossings = 50, 200, 300
spacing = 1500 * 3 // 2 * 2          # frames between stations (1.5 km)
last = spacing * (stations - 1)
lines = ["A long benchmark line.", "[LineName]", "ベンチ線", "[Friction]", "0.3",
         "[DataName]", "long", "[SpeedUnit]", f"0,{last + 3000},72,72", "#", "[Station]"]
for i in range(stations):
    t = 864000 + i * 90 * 30
    lines.append(f"駅{i},0,{i * spacing},3000,0,0,0,{t},100,0,0,0,0,0,100,0,0")
lines.append("#")
lines.append("[Signal]")
step = last // signals
for i in range(signals):
    f = 200 + i * step
    lines.append(f"0,0,1,1,{f - 400},{f},{f - 20},{f - 100},0,0,0,0,10,20,0,0,0,0,0,0,0,0,0,0,0")
lines += ["#", "[Signal2]"] + ["1234412344"] * signals + ["#"]
lines += ["[Speed_Signal]", "0", "25", "45", "75", "110", "#", "[Cross]"]
step = last // crossings
for i in range(crossings):
    f = 300 + i * step
    lines.append(f"3,0,{f - 300},{f},0")
lines += ["#", "[MovieStop]", str(last + 2900), "#"]
with open(os.path.join(out, "line_long.dat"), "w", encoding="utf-8") as f:
    f.write("\n".join(lines) + "\n")
