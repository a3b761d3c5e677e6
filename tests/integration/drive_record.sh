#!/usr/bin/env bash
# Drive records replay exactly: the sample service 1 driven headless by its script and recorded,
# then replayed, gives the same trace row for row; a data file changed since is named on stderr
# and the replay goes on; a drive of the desktop program (offscreen, fixed frame length) recorded
# with its trace replays in the headless runner with the same trace.
# Usage: drive_record.sh MKCONTENT TRESSMOOR_SIM TRESSMOOR SOURCE_DIR
set -u
mkcontent=$1
sim=$2
app=$3
source=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
QT_QPA_PLATFORM=offscreen "$mkcontent" --source "$source/content" --out "$dir/data" --no-video \
    > /dev/null || { echo "FAIL content generation"; exit 1; }
fail=0

# Headless: record, replay, compare.
"$sim" --data "$dir/data" --service 1 --script "$source/tests/integration/kelvane1_local.txt" \
    --seconds 240 --record "$dir/sim.tmrec" --trace "$dir/sim.csv" 2>/dev/null \
    || { echo "FAIL recorded headless run"; exit 1; }
"$sim" --data "$dir/data" --replay "$dir/sim.tmrec" --trace "$dir/sim-replay.csv" \
    2> "$dir/replay.err" || { echo "FAIL headless replay"; cat "$dir/replay.err"; fail=1; }
cmp -s "$dir/sim.csv" "$dir/sim-replay.csv" || { echo "FAIL the headless replay's trace differs"; fail=1; }
grep -q warning "$dir/replay.err" && { echo "FAIL unexpected warning"; cat "$dir/replay.err"; fail=1; }
rows=$(wc -l < "$dir/sim.csv")
[ "$rows" -gt 14000 ] || { echo "FAIL only $rows trace rows"; fail=1; }

# A data file changed since the drive was recorded: named, and the replay still runs.
printf '\r\n' >> "$dir/data/tressmoor.dat"
"$sim" --data "$dir/data" --replay "$dir/sim.tmrec" --trace "$dir/sim-changed.csv" \
    2> "$dir/changed.err" || { echo "FAIL replay with a changed file"; fail=1; }
grep -q "warning: the settings file .*tressmoor.dat differs" "$dir/changed.err" \
    || { echo "FAIL no warning naming tressmoor.dat"; cat "$dir/changed.err"; fail=1; }
cmp -s "$dir/sim.csv" "$dir/sim-changed.csv" || { echo "FAIL the trace changed"; fail=1; }

# The desktop program, driven by a script for 20 s, replayed headless.
cat > "$dir/gui.txt" <<'SCRIPT'
1 key 5
1.2 key 8
1.4 key 8
1.6 key 8
1.8 key 8
2.0 key 8
8 hold 3 0.5
10 menu OFFC1
12 save 1
14 key 2
15 load 1
16 key 5
20 quit
SCRIPT
HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/config" XDG_DATA_HOME="$dir/home/share" \
QT_QPA_PLATFORM=offscreen "$app" --data "$dir/data" --service 1 --script "$dir/gui.txt" \
    --step-ms 16.667 --silent --record "$dir/gui.tmrec" --trace "$dir/gui.csv" \
    > /dev/null 2>&1 || { echo "FAIL desktop run"; fail=1; }
ls "$dir"/home/share/*/*/last-drive.tmrec > /dev/null 2>&1 \
    || { echo "FAIL no automatic record of the last drive"; fail=1; }
"$sim" --data "$dir/data" --replay "$dir/gui.tmrec" --trace "$dir/gui-replay.csv" 2>/dev/null \
    || { echo "FAIL headless replay of the desktop record"; fail=1; }
cmp -s "$dir/gui.csv" "$dir/gui-replay.csv" \
    || { echo "FAIL the desktop drive's trace differs from its replay's"; fail=1; }
rows=$(wc -l < "$dir/gui.csv")
[ "$rows" -gt 1000 ] || { echo "FAIL only $rows desktop trace rows"; fail=1; }
grep -q '^load 1$' "$dir/gui.tmrec" || { echo "FAIL the load is not in the record"; fail=1; }

[ "$fail" -eq 0 ] && echo "drive records replay exactly (headless and desktop)"
exit $fail
