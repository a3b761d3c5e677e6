#!/usr/bin/env python3
"""Checks the drive report of the sample service 1 driven by kelvane1_local.txt: the script
stops just short of every stop marker on time with the safety system quiet, so the report must
list the ten stations, every stop within a few metres, every delay within a minute, no overrun,
no alarm, no section run far above its limit, and a good score.
Usage: check_drive_report.py REPORT.json"""
import json, sys

STATIONS = ["霧沢", "東霧沢", "柳台", "小此木", "湊川", "桜坂", "石蔵", "白浜台", "鷹ノ巣", "七ツ森"]
r = json.load(open(sys.argv[1], encoding="utf-8"))
fail = []


def check(ok, what):
    if not ok:
        fail.append(what)


check([s["name"] for s in r["stops"]] == STATIONS, f"stations {[s['name'] for s in r['stops']]}")
check(r["serviceEnded"] and r["wholeService"] and r["restarts"] == 0, "not a whole service")
check(r["stops"][0]["outcome"] == "start", "the first station is not the start")
for s in r["stops"][1:]:
    name = s["name"]
    check(s["outcome"] == "stopped", f"{name}: {s['outcome']}")
    check(s["stopErrorM"] is not None and abs(s["stopErrorM"]) <= 3.0,
          f"{name}: stop error {s['stopErrorM']}")
    check(not s["overrun"], f"{name}: overrun")
    check(s["arrivalDelayS"] is not None and abs(s["arrivalDelayS"]) <= 60,
          f"{name}: arrival delay {s['arrivalDelayS']}")
for s in r["stops"][:-1]:
    check(s["departureDelayS"] is not None and 0 <= s["departureDelayS"] <= 60,
          f"{s['name']}: departure delay {s['departureDelayS']}")
check(r["stops"][-1]["departureDelayS"] is None, "a departure from the last station")
safety = r["safety"]
check(safety["alarms"] == safety["serviceBrakes"] == safety["emergencyBrakes"] == 0,
      f"safety devices {safety}")
check(safety["vigilanceTrips"] in (0, None), f"vigilance {safety}")
check(r["sections"] and all(s["maxSpeedKmh"] is not None for s in r["sections"]),
      "a speed section never driven")
# The script brakes for 湊川 inside the 55 km/h limit before it; nothing runs far over a limit.
check(all(s["maxSpeedKmh"] <= s["limitKmh"] + 10 for s in r["sections"]),
      f"overspeed {[s for s in r['sections'] if s['overspeed']]}")
check(70 <= r["score"] <= 100, f"score {r['score']}")
profile = r["speedProfile"]
check(100 <= len(profile) <= 4096, f"{len(profile)} profile samples")
check(max(v for _, v in profile) > 30, "the profile never ran")
if fail:
    print("FAIL drive report:", *fail, sep="\n  ")
    sys.exit(1)
print(f"drive report ok: score {r['score']}, stop errors "
      + " ".join(f"{s['stopErrorM']:+.2f}" for s in r["stops"][1:]))
