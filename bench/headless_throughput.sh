#!/usr/bin/env bash
# Headless throughput: simulated seconds per wall-clock second for a whole service on a line
# with 50 stations, 200 signals and 300 crossings, the train following the recording speed.
# Usage: headless_throughput.sh TRESSMOOR_SIM
set -euo pipefail
sim=$1
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 "$here/make_long_line.py" "$here/../tests/fixtures" "$dir"
printf '0 key Shift+F1\n1 key 5\n' > "$dir/script.txt"
start=$(date +%s.%N)
"$sim" --data "$dir" --line line_long.dat --train train_drive.dat --script "$dir/script.txt" \
    --seconds 3600 2> "$dir/log"
end=$(date +%s.%N)
cat "$dir/log"
python3 - "$start" "$end" <<'PY'
import sys
wall = float(sys.argv[2]) - float(sys.argv[1])
print(f"headless: 3600 simulated s in {wall:.2f} wall s = {3600 / wall:.0f}x real time")
PY
