#!/usr/bin/env bash
# The driving window's frame costs, measured on the sample content with the real program
# (offscreen): the whole frame against its video decoding, the time from the service choice to
# the first picture, resident memory over five driven minutes, and the pacing of real-time frames.
# Usage: driving_window.sh TRESSMOOR PROGRAM_FOLDER
set -euo pipefail
exe=$1
data=$2
if [ ! -f "$data/tressmoor.dat" ] || [ ! -f "$data/movie/kelvane_main.avi" ]; then
    echo "driving window: no sample content with its route video in $data (run 'make content')"
    exit 0
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen HOME="$dir" XDG_CONFIG_HOME="$dir/config"

# Service 1 driven out of its first station: frames back to back, each 16.667 ms long.
cat > "$dir/drive.txt" <<SCRIPT
14 key 5
14.2 key 8
14.4 key 8
14.6 key 8
14.8 key 8
15.0 key 8
100 quit
SCRIPT
"$exe" --data "$data" --service 1 --script "$dir/drive.txt" --step-ms 16.667 --silent \
    --frame-stats "$dir/frames.csv" 2> "$dir/stderr.txt"
grep 'first frame' "$dir/stderr.txt" || true
python3 - "$dir/frames.csv" <<'PY'
import csv, statistics, sys
rows = list(csv.DictReader(open(sys.argv[1])))
decoded = [r for r in rows if float(r["decode_us"]) > 0]
def total(r):
    return sum(float(r[k]) for k in ("decode_us", "compose_us", "present_us",
                                     "physics_update_us", "sound_us"))
dec = statistics.mean(float(r["decode_us"]) for r in decoded)
tot = statistics.mean(total(r) for r in decoded)
print(f"whole frame (800x600 video, offscreen present), {len(decoded)} frames with a decode:")
for k in ("decode_us", "compose_us", "present_us", "physics_update_us", "sound_us"):
    print(f"  {k:18s} mean {statistics.mean(float(r[k]) for r in decoded):8.1f} us")
print(f"  whole frame        mean {tot:8.1f} us = {tot / dec:.2f} x decoding alone"
      f" (median {statistics.median(total(r) for r in decoded) / 1000:.2f} ms)")
PY

# Service 5 for five driven minutes: resident memory sampled every second of real time.
cat > "$dir/long.txt" <<SCRIPT
14 key 5
14.2 key 8
14.4 key 8
14.6 key 8
300 quit
SCRIPT
"$exe" --data "$data" --service 5 --script "$dir/long.txt" --step-ms 16.667 --silent \
    --frame-stats "$dir/long.csv" 2> /dev/null &
pid=$!
: > "$dir/rss.txt"
while kill -0 "$pid" 2> /dev/null; do
    awk '/VmRSS/ {print $2}' "/proc/$pid/status" >> "$dir/rss.txt" 2> /dev/null || true
    sleep 1
done
wait "$pid" || true
python3 - "$dir/rss.txt" <<'PY'
import sys
kb = [int(x) for x in open(sys.argv[1]) if x.strip()]
if kb:
    half = len(kb) // 2
    print(f"resident memory, service 5 over 5 driven minutes ({len(kb)} samples): "
          f"max {max(kb) / 1024:.0f} MB, first half max {max(kb[:half] or kb) / 1024:.0f} MB, "
          f"second half max {max(kb[half:]) / 1024:.0f} MB")
PY

# Real-time pacing: 60 s of service 1 standing and starting.
cat > "$dir/pace.txt" <<SCRIPT
14 key 5
14.2 key 8
14.4 key 8
60 quit
SCRIPT
"$exe" --data "$data" --service 1 --script "$dir/pace.txt" --silent \
    --frame-stats "$dir/pace.csv" 2> /dev/null
python3 - "$dir/pace.csv" <<'PY'
import csv, statistics, sys
dt = sorted(float(r["dt_ms"]) for r in csv.DictReader(open(sys.argv[1])))[1:]
p = lambda q: dt[min(len(dt) - 1, int(q * len(dt)))]
print(f"real-time pacing over {len(dt)} frames: median {statistics.median(dt):.3f} ms, "
      f"p1 {p(0.01):.3f}, p99 {p(0.99):.3f}, max {dt[-1]:.3f} ms")
PY
