#!/usr/bin/env python3
"""Writes the five line files of the sample Kelvane line from one compact route description.

Every place in a line file is a frame of the route video, so the route is described here in
metres along the track, the video's recording run (a local train stopping at every station) is
simulated frame by frame, and the speed table ([SpeedUnit]) and every frame number are derived
from that one run. The five services share the video and differ in stops, signals' control kinds,
the preceding train, one-man operation and the safety-system targets.

Run from the repository root:  python3 tools/mkcontent/make_lines.py content
The line files it writes are committed and reviewed; run it again after changing the route.
"""

import math
import sys
from pathlib import Path

FPS = 30
DATA_NAME = "kelvane_main"

# ---------------------------------------------------------------------------------------------
# The route, in metres from the start of the video.

# name, reading (for the spoken announcements), stop position, door side (1 = right platform)
STATIONS = [
    ("霧沢", "きりさわ", 60, 0),
    ("東霧沢", "ひがしきりさわ", 1360, 0),
    ("柳台", "やなぎだい", 2710, 1),
    ("小此木", "おこのぎ", 3960, 0),
    ("湊川", "みなとがわ", 5510, 1),
    ("桜坂", "さくらざか", 6960, 0),
    ("石蔵", "いしくら", 8310, 0),
    ("白浜台", "しらはまだい", 10010, 1),
    ("鷹ノ巣", "たかのす", 11410, 0),
    ("七ツ森", "ななつもり", 12660, 0),
]

# Gradient sections: first m, last m, per mille (positive uphill).
SLOPES = [
    (330, 1120, 5.0),
    (1560, 2480, 12.0),
    (2900, 3740, 25.0),
    (4150, 5180, -18.0),
    (5680, 6760, 10.0),
    (7150, 8060, -8.0),
    (8480, 9720, 20.0),
    (10220, 11220, -15.0),
    (11560, 12420, -5.0),
]

TUNNELS = [(3060, 3660), (8700, 9460)]          # first m, last m
BRIDGE = (5020, 5230)                           # over the Minato river
CROSSINGS = [680, 1930, 2790, 4620, 6320, 7420, 10540, 11830, 12380]
# Speed limits: first m, last m, km/h, sign pattern, end-sign pattern.
LIMITS = [
    (4200, 4760, 65, 1, 2),
    (5330, 5600, 55, 3, 4),
    (9520, 9980, 75, 5, 6),
]
SWITCHES = [(5360, 1), (5580, 1), (9870, 1), (10090, 1), (12500, 2)]
LINE_MAX = 110          # km/h, section maximum on the open line
RECORD_CRUISE = 95      # km/h, top speed of the recording run
RECORD_ACCEL = 2.5      # km/h/s
RECORD_DECEL = 3.0      # km/h/s
STAND_FRAMES = 75       # frames the camera stands at each intermediate station
END_STAND_FRAMES = 120  # frames at the terminal

# ---------------------------------------------------------------------------------------------
# The recording run.


def limit_at(x):
    v = RECORD_CRUISE
    for a, b, lim, _, _ in LIMITS:
        if a - 5 <= x <= b + 100:  # the whole train clears the limit before speeding up
            v = min(v, lim - 3)
    return v


def allowed(x, v_stop_at):
    """Highest speed at x that still lets the run meet every limit ahead and stop at v_stop_at."""
    v = limit_at(x)
    for a, b, lim, _, _ in LIMITS:
        if a > x:
            d = a - x
            v = min(v, math.sqrt((lim - 3) ** 2 + 7.2 * RECORD_DECEL * d))
    return v


def record_run():
    """Per-frame speeds (km/h) of the recording run and the first standing frame per station."""
    speeds = []
    stop_frames = []
    pos = STATIONS[0][2]
    for i, st in enumerate(STATIONS):
        stop_frames.append(len(speeds))
        stand = END_STAND_FRAMES if i == len(STATIONS) - 1 else STAND_FRAMES
        speeds.extend([0.0] * stand)
        if i == len(STATIONS) - 1:
            break
        target = STATIONS[i + 1][2]
        v = 0.0
        dt = 1.0 / FPS
        while True:
            rem = target - pos
            # Speed from which a stop at RECORD_DECEL just reaches the stop position.
            v_brake = math.sqrt(max(0.0, 2 * (RECORD_DECEL / 3.6) * rem)) * 3.6
            cap = min(allowed(pos, target), v_brake)
            if v_brake <= v + 1e-9 and rem < 400:
                # Final braking: constant deceleration that ends exactly at the stop position.
                a = (v / 3.6) ** 2 / (2 * rem) * 3.6 if rem > 0.01 else 99
                nv = max(0.0, v - a * dt)
            elif v + RECORD_ACCEL * dt <= cap:
                nv = v + RECORD_ACCEL * dt
            elif v > cap + 0.05:
                nv = max(cap, v - RECORD_DECEL * dt)
            else:
                nv = cap if cap < v + RECORD_ACCEL * dt else v
            pos += (v + nv) / 2 / 3.6 * dt
            v = nv
            speeds.append(v)
            if v < 0.4 and target - pos < 0.5:
                speeds[-1] = 0.0
                pos = target
                break
        # The frame at which the camera stands again belongs to the next station's stand.
        speeds.pop()
    return speeds, stop_frames


def compress(speeds, tol=0.02):
    """Piecewise-linear segments (first frame, last frame, v first, v last) through the speeds."""
    segs = []
    a = 0
    n = len(speeds)
    while a < n - 1:
        b = a + 1
        while b + 1 < n:
            c = b + 1
            ok = True
            va, vc = speeds[a], speeds[c]
            for k in range(a + 1, c):
                v = va + (vc - va) * (k - a) / (c - a)
                if abs(v - speeds[k]) > tol:
                    ok = False
                    break
            if not ok:
                break
            b = c
        segs.append([a, b, round(speeds[a], 2), round(speeds[b], 2)])
        a = b
    return segs


class Table:
    """Frame to distance by the speed table, the same arithmetic as the program's."""

    def __init__(self, segs):
        self.segs = segs
        self.ends = []
        e = 0
        for a, b, va, vb in segs:
            e += round((va + vb) * (b - a) / (FPS * 0.072))
            self.ends.append(e)
        self.frames = segs[-1][1] + 1
        self.dist = [self._dist(p) for p in range(self.frames)]

    def _dist(self, p):
        prev = 0
        for k, (a, b, va, vb) in enumerate(self.segs):
            if a <= p <= b:
                v = va + (vb - va) * (p - a) / (b - a)
                return prev + round(((v + va) / 7.2) * ((p - a) / FPS) * 100)
            prev = self.ends[k]
        return 0

    def frame(self, metres):
        """First frame at or beyond the distance."""
        cm = (metres - STATIONS[0][2]) * 100
        lo, hi = 0, self.frames - 1
        while lo < hi:
            mid = (lo + hi) // 2
            if self.dist[mid] >= cm:
                hi = mid
            else:
                lo = mid + 1
        return lo


# ---------------------------------------------------------------------------------------------
# Sounds and calls shared by every line file: [SoundData] indices.

SND_START = 0
SND_ARRIVE = 1
SND_ARRIVE_ONEMAN = 2
SND_MELODY = 3             # 3 … 12: one departure melody per station
SND_AMBIENCE = 13
SND_AMBIENCE_BIG = 14
SND_CROSSING = 15
SND_TUNNEL = 16
SND_BRIDGE = 17
SND_PASSING = 18
SND_OVERRUN = 19
SND_NEXT = 20              # 20 … 29: "next station" announcement per station
SND_TERMINAL_BUMPER = 30

BIG_STATIONS = {0, 4, 7, 9}


def sound_data():
    names = [
        "sound\\station\\start_chime.wav",
        "sound\\station\\arrive_chime.wav",
        "sound\\station\\arrive_oneman.wav",
    ]
    names += ["sound\\station\\melody_%02d.wav" % i for i in range(len(STATIONS))]
    names += [
        "sound\\station\\ambience_small.wav",
        "sound\\station\\ambience_large.wav",
        "sound\\route\\crossing_bell.wav",
        "sound\\route\\tunnel_roar.wav",
        "sound\\route\\bridge_rumble.wav",
        "sound\\route\\passing_train.wav",
        "sound\\announce\\overrun.wav",
    ]
    names += ["sound\\announce\\next_%02d.wav" % i for i in range(len(STATIONS))]
    names += ["sound\\route\\buffer_stop.wav"]
    return names


KANKO1 = [
    "sound\\kanko\\aspect_stop.wav",         # 0 停止
    "sound\\kanko\\aspect_restricted.wav",   # 1 警戒
    "sound\\kanko\\aspect_caution.wav",      # 2 注意
    "sound\\kanko\\aspect_reduced.wav",      # 3 減速
    "sound\\kanko\\aspect_proceed.wav",      # 4 進行
    "sound\\kanko\\aspect_repeater.wav",     # 5 中継注意
] + ["sound\\kanko\\late_%02d.wav" % k for k in range(1, 13)] + [  # 6 … 17
    "sound\\kanko\\on_time.wav",             # 18
    "sound\\kanko\\doors_closed.wav",        # 19
    "sound\\kanko\\first_power.wav",         # 20
    "sound\\kanko\\aspect_high.wav",         # 21
]
KANKO2 = [
    "sound\\kanko\\stop_position_ok.wav",    # 22
    "sound\\kanko\\starting_signal.wav",     # 23
    "sound\\kanko\\home_signal.wav",         # 24
    "sound\\kanko\\block_signal.wav",        # 25
    "sound\\kanko\\passing.wav",             # 26
]
OTHER_KANKO = [
    "sound\\kanko\\crossing_ok.wav",
    "sound\\kanko\\gradient.wav",
    "sound\\kanko\\whistle.wav",
    "sound\\kanko\\tunnel.wav",
]
LIMIT_KANKO = [
    "sound\\kanko\\limit_65.wav",
    "sound\\kanko\\limit_55.wav",
    "sound\\kanko\\limit_75.wav",
]

# ---------------------------------------------------------------------------------------------
# Services.


def hms(h, m, s):
    return ((h * 60 + m) * 60 + s) * 30


SERVICES = {
    "line_kelvane1.dat": dict(
        title="ケルヴェーン線 普通 霧沢→七ツ森 (車掌乗務)", kind="local", stops=set(range(10)),
        start=hms(8, 0, 0), oneman=0, pretrain=False, ats_targets=False, staf="staf_local1"),
    "line_kelvane2.dat": dict(
        title="ケルヴェーン線 普通 霧沢→七ツ森 (続行運転)", kind="local", stops=set(range(10)),
        start=hms(8, 12, 0), oneman=0, pretrain=True, ats_targets=False, staf="staf_local2"),
    "line_kelvane3.dat": dict(
        title="ケルヴェーン線 普通 霧沢→七ツ森 (ワンマン)", kind="local", stops=set(range(10)),
        start=hms(9, 4, 0), oneman=1, pretrain=False, ats_targets=False, staf="staf_local3"),
    "line_rapid.dat": dict(
        title="ケルヴェーン線 快速 霧沢→七ツ森", kind="rapid", stops={0, 2, 4, 7, 9},
        start=hms(8, 30, 0), oneman=0, pretrain=False, ats_targets=False, staf="staf_rapid"),
    "line_exp.dat": dict(
        title="ケルヴェーン線 特急 みなと 霧沢→七ツ森", kind="exp", stops={0, 4, 9},
        start=hms(10, 0, 0), oneman=0, pretrain=False, ats_targets=True, staf="staf_exp"),
}


def timetable(svc, table, stop_frames):
    """Departure times (ticks) per station; 0 at stations the service passes."""
    times = [0] * len(STATIONS)
    t = svc["start"]
    times[0] = t
    last_stop = 0
    for i in range(1, len(STATIONS)):
        if i not in svc["stops"]:
            continue
        # Recording run time between the two stops, plus margin, plus the dwell.
        frames = stop_frames[i] - (stop_frames[last_stop] + STAND_FRAMES)
        run_s = frames / FPS
        if svc["kind"] == "exp":
            run_s *= 0.8  # the express runs faster than the video's local
        dwell = 30 if i not in BIG_STATIONS else 45
        secs = run_s * 1.12 + 15 + dwell
        secs = int(math.ceil(secs / 5.0) * 5)
        t += secs * 30
        times[i] = t
        last_stop = i
    return times


def build(name, svc, table, stop_frames):
    n = len(STATIONS)
    fr = table.frame
    out = []
    w = out.append
    times = timetable(svc, table, stop_frames)
    stops = svc["stops"]

    w("; Kelvane line sample service — written by tools/mkcontent/make_lines.py")
    w("; All places are frames of the route video \"%s\" (%d frames at %d frames/s)."
      % (DATA_NAME, table.frames, FPS))
    w("[LineName]")
    w(svc["title"])
    w("[LineName2]")
    w("霧沢 - 七ツ森 %.1f km" % ((STATIONS[-1][2] - STATIONS[0][2]) / 1000.0))
    w("[DataName]")
    w(DATA_NAME)
    w("[StartPos]")
    w(str(stop_frames[0]))
    w("[Staf]")
    w("image\\staf\\%s.png" % svc["staf"])
    w("image\\staf\\pause.png")
    w("image\\staf\\route_map.png")
    w("[StafSwitch]")
    w(str(stop_frames[0]))
    w("#")
    w("[Friction]")
    w("0.30")
    w("[Perspective]")
    w("20.0")
    w("280")
    w("[OneMan]")
    w(str(svc["oneman"]))
    w("1" if svc["oneman"] else "0")
    w("[TunnelR]")
    w("2")
    w("[MaxSpeedCheck]")
    w("1" if svc["kind"] == "exp" else "0")
    if svc["kind"] == "exp":
        w("[Monitor]")
        w("train_683.dat")
        w("600")
        w("440")
        w("120")
        w("60")
        w("image\\panel\\monitor_683.png")

    w("- 駅: 名前,種別,停止位置,範囲(cm),到着音,発車音,駅環境音,発車時刻,区間最高速度,停止パターン(m),"
      "扉側,予備,予備,予備,扉音確率,先行列車停止位置,予備")
    w("[Station]")
    for i, (nm, _, x, side) in enumerate(STATIONS):
        kind = 0 if i in stops else 1
        arrive = SND_ARRIVE_ONEMAN if svc["oneman"] else SND_ARRIVE
        melody = SND_MELODY + i
        amb = SND_AMBIENCE_BIG if i in BIG_STATIONS else SND_AMBIENCE
        vmax = LINE_MAX if i < n - 2 else 90
        if svc["kind"] == "local" or svc["kind"] == "rapid":
            vmax = min(vmax, 100)
        pattern = 10 if (svc["ats_targets"] and kind == 0) else 0
        chance = 100 if i in BIG_STATIONS else 85
        w("%s,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,0,0,0,%d,%d,0" % (
            nm, kind, stop_frames[i], 1000, arrive, melody, amb, times[i], vmax, pattern, side,
            chance, stop_frames[i]))
    w("#")

    # Signals: starting signal 60 m beyond each stop, home signal 320 m before the next stop,
    # block signals in between at most about 800 m apart, repeaters where the view is short.
    sigs = []  # (metres, head type, plate, digits, control, release station, role)
    for i in range(n - 1):
        x0 = STATIONS[i][2]
        x1 = STATIONS[i + 1][2]
        start_head = {0: 3, 4: 8, 7: 8}.get(i, 2)
        control = 3 if i in stops else 0
        sigs.append((x0 + 60, start_head, 1, "2444424444", control, i, "start"))
        home = x1 - 320
        span = home - (x0 + 60)
        blocks = max(0, int(span // 800))
        for k in range(blocks):
            bx = x0 + 60 + span * (k + 1) / (blocks + 1)
            head = 6 if (i + k) % 3 == 0 else (1 if (i + k) % 3 == 1 else 2)
            digits = "2344423444" if head == 6 else "2444424444"
            sigs.append((bx, head, 3, digits, 0, 0, "block"))
        if i + 1 in (3, 7):
            sigs.append((home - 260, 0, 4, "0123401234", 0, 0, "repeater"))
        home_head = 7 if i + 1 == 4 else (5 if i + 1 == 9 else 4)
        home_digits = {7: "2444424444", 5: "1344413444", 4: "2344423444"}[home_head]
        sigs.append((home, home_head, 2, home_digits, 0, 0, "home"))
    sigs.sort(key=lambda s: s[0])

    w("- 信号機: 制御,標識,喚呼,灯形,表示開始,信号位置,ロング地上子,速度照査,固定現示,時刻,強制現示,"
      "駅,X,Y,左副,X,Y,右副,X,Y,標識X,標識Y,追加,左停止,右停止")
    w("[Signal]")
    for x, head, plate, digits, control, station, role in sigs:
        view = fr(x - 280)
        frame = fr(x)
        coil = fr(x - 200) if role != "start" else fr(x - 25)
        check = fr(x - 30)
        clock = times[station] - 300 if control == 3 else 0
        left = 0
        left_stop = 0
        if role == "home" and head == 7:
            left, left_stop = 1, 2       # route indicator at Minatogawa, dark at stop
        right = 1 if (role == "home" and head == 7) else 0
        w("%d,%d,0,%d,%d,%d,%d,%d,0,%d,0,%d,40,40,%d,125,60,%d,125,130,40,205,0,%d,0" % (
            control, plate, head, view, frame, coil, check, max(clock, 0), station,
            left, right, left_stop))
    w("#")
    w("[Signal2]")
    for s in sigs:
        w(s[3])
    w("#")
    w("[Speed_Signal]")
    for v in (0, 25, 55, 75, 120):
        w(str(v))
    w("#")

    w("- 勾配: 勾配(‰),開始,終了")
    w("[Slope]")
    for a, b, g in SLOPES:
        w("%.1f,%d,%d" % (g, fr(a), fr(b)))
    w("#")

    w("- 制限速度: 速度,標識,照査,開始,終了,解除標識")
    w("[SpeedLimit]")
    for a, b, lim, pat, endpat in LIMITS:
        guarded = 1 if svc["ats_targets"] else 0
        w("%d,%d,%d,%d,%d,%d" % (lim, pat, guarded, fr(a), fr(b), endpat))
    w("#")

    last = STATIONS[-1][2]
    # Point checks before the buffer stop of the terminal, loose enough for a train braking at
    # 3 km/h/s (65.7 km/h at 200 m, 41.6 km/h at 80 m).
    w("[SpeedCheck1]")
    w("65,70,%d,0" % fr(last - 200))
    w("40,45,%d,0" % fr(last - 80))
    w("#")
    w("[SpeedCheck2]")
    w("65,0,%d,%d" % (fr(4230), fr(4740)))
    w("#")
    w("[SpeedCheck3]")
    w("75,0,%d,%d" % (fr(9540), fr(9960)))
    w("#")

    if svc["pretrain"]:
        w("- 先行列車: 初期位置,退出位置 / 駅,速度,発車時刻,遅れ幅")
        w("[Pre_Train]")
        w("%d,%d" % (stop_frames[1], stop_frames[-1] - 10))
        for i in range(n - 1):
            lead = 150 if i != 4 else 40   # it waits at Minatogawa for an express to pass
            w("%d,55,%d,300" % (i, times[i] - lead * 30))
        w("#")

    w("- 映像の速度表: 開始,終了,開始速度,終了速度")
    w("[SpeedUnit]")
    for a, b, va, vb in table.segs:
        w("%d,%d,%g,%g" % (a, b, va, vb))
    w("#")

    w("[Cross]")
    for x in CROSSINGS:
        st = 0
        w("1,0,%d,%d,%d" % (fr(x - 250), fr(x), st))
    w("#")

    w("- 標識: 絵,開始,終了,切替")
    w("[Sign]")
    for a, _ in TUNNELS:
        w("1,%d,%d,90" % (fr(a - 420), fr(a - 300)))     # whistle board, lit, then dims
    w("3,%d,%d,0" % (fr(4080), fr(4150)))                # coasting board before the descent
    w("4,%d,%d,0" % (fr(5640), fr(5700)))                # powering board before the climb
    w("#")
    w("[Time]")
    for i in (3, 6):
        if times[i]:
            w("%d,%d,%d" % (fr(STATIONS[i][2] + 80), fr(STATIONS[i][2] + 300), times[i] + 600))
    w("#")
    w("[Switch]")
    for x, typ in SWITCHES:
        w("%d,%d" % (fr(x), typ))
    w("#")
    w("[MovieStop]")
    # Turning back at the movie stop (Backspace) puts the train two frames past it: on the
    # video's last frame.
    w(str(table.frames - 3))
    w("#")
    if svc["kind"] == "exp":
        w("- 停車中に挿入する映像: 種類,開始,終了,映像,長さ,駅,時刻,音の位置,音")
        w("[MovieSwitch]")
        i = 4
        w("2,%d,%d,kelvane_pass_minato,240,%d,%d,20,%d" % (
            stop_frames[i], stop_frames[i] + STAND_FRAMES - 1, i, times[i] - 900, SND_PASSING))
        w("#")

    w("[SoundData]")
    for s in sound_data():
        w(s)
    w("#")
    w("- 音: 音,開始,終了,基準速度,ループ,ピッチ,音量,モード,フェード")
    w("[Sound]")
    for a, b in TUNNELS:
        w("%d,%d,%d,70,1,1,1,0,1" % (SND_TUNNEL, fr(a), fr(b)))
    w("%d,%d,%d,60,1,1,1,0,1" % (SND_BRIDGE, fr(BRIDGE[0]), fr(BRIDGE[1])))
    # The buffer stop: a mode-1 entry plays strictly between its trigger and end frames, so
    # the window closes one frame past the movie stop, where a train that reaches it stands.
    movie_stop = table.frames - 3
    w("%d,%d,%d,15,0,0,0,1,0" % (SND_TERMINAL_BUMPER, movie_stop - 3, movie_stop + 1))
    w("#")
    w("[Doppler]")
    for x in CROSSINGS:
        w("%d,%d,25000,0,0" % (SND_CROSSING, fr(x)))
    w("#")
    w("[Tunnel]")
    for a, b in TUNNELS:
        w("%d,%d,100" % (fr(a), fr(b)))
    w("#")
    w("[Atten]")
    w("%d,%d,0,70" % (fr(BRIDGE[0] - 100), fr(BRIDGE[0])))
    w("#")
    if svc["oneman"]:
        w("- 車内放送: 予備,停止位置修正放送 / 音,種類,駅,開始(m),終了(m)")
        w("[Announce]")
        w("0,%d" % SND_OVERRUN)
        for i in range(n - 1):
            w("%d,0,%d,100,400" % (SND_NEXT + i + 1, i))
        w("#")
    w("[KankoSound1]")
    for s in KANKO1:
        w(s)
    w("[KankoSound2]")
    for s in KANKO2:
        w(s)
    w("#")
    w("- 信号喚呼: 信号,種類,喚呼,抑止")
    w("[SignalKanko]")
    for k, s in enumerate(sigs):
        slot = {"start": 23, "home": 24, "block": 25, "repeater": 0}[s[6]]
        if slot:
            w("%d,0,%d,0" % (k, slot))
    w("#")
    w("- 駅喚呼: 駅,場面,喚呼")
    w("[StationKanko]")
    for i in range(n):
        if i in stops:
            w("%d,4,22" % i)
            if times[i] and i < n - 1:
                w("%d,3,%d" % (i, times[i]))
    w("#")
    w("[OtherKanko]")
    for s in OTHER_KANKO:
        w(s)
    w("#")
    w("[LimitKanko]")
    for s in LIMIT_KANKO:
        w(s)
    w("#")

    w("- 標識の絵: ファイル,絵の幅")
    w("[SignImageList]")
    w("image\\sign\\teimoku.png,120")
    w("image\\sign\\stopline_near.png,800")
    w("image\\sign\\stopline_mark.png,800")
    w("image\\sign\\stopline_far.png,800")
    w("image\\sign\\slope.png,64")
    w("image\\sign\\limit.png,80")
    w("image\\sign\\remain.png,48")
    w("image\\sign\\crossing.png,64")
    w("image\\sign\\other.png,80")
    w("- 信号機の絵: X,Y,幅,高さ,ファイル / 副信号機: 幅,高さ,ファイル")
    w("[SignalImageList]")
    w("0,0,80,160,image\\signal\\heads.png")
    w("80,40,image\\signal\\plates.png")
    w("60,60,image\\signal\\route_ind.png")
    w("60,60,image\\signal\\speed_ind.png")
    return "\r\n".join(out) + "\r\n"


def main():
    target = Path(sys.argv[1] if len(sys.argv) > 1 else "content")
    speeds, stop_frames = record_run()
    segs = compress(speeds)
    table = Table(segs)
    for name, svc in SERVICES.items():
        (target / name).write_bytes(build(name, svc, table, stop_frames).encode("utf-8"))
    print("%d frames (%.1f min), %d speed segments, stops at %s" % (
        table.frames, table.frames / FPS / 60, len(segs), stop_frames))
    for i, f in enumerate(stop_frames):
        print("  %s: frame %d, %.1f m" % (STATIONS[i][0], f, table.dist[f] / 100.0))


if __name__ == "__main__":
    main()
