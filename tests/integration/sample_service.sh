#!/usr/bin/env bash
# Drives the sample service 1 from its first station to its last on generated content: the
# train stops at all ten stations, the doors cycle, it leaves each station, the safety system
# never has to step in, and the service ends; its drive report (--report) agrees.
# Usage: sample_service.sh MKCONTENT TRESSMOOR_SIM SOURCE_DIR
set -u
mkcontent=$1
sim=$2
source=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
QT_QPA_PLATFORM=offscreen "$mkcontent" --source "$source/content" --out "$dir/data" --no-video \
    > /dev/null || { echo "FAIL content generation"; exit 1; }
"$sim" --data "$dir/data" --service 1 --script "$source/tests/integration/kelvane1_local.txt" \
    --events "$dir/events" --report "$dir/report.json" 2>/dev/null ||
    { echo "FAIL exit status"; exit 1; }
fail=0
arrivals=$(grep -Ec ' arrival [0-9]+$' "$dir/events")
departures=$(grep -Ec ' departure signalled [0-9]+$' "$dir/events")
closings=$(grep -Ec ' doors closed$' "$dir/events")
[ "$arrivals" -eq 10 ] || { echo "FAIL $arrivals arrivals"; fail=1; }
[ "$departures" -eq 9 ] || { echo "FAIL $departures departures"; fail=1; }
[ "$closings" -ge 9 ] || { echo "FAIL $closings door closings"; fail=1; }
grep -q ' service end$' "$dir/events" || { echo "FAIL no service end"; fail=1; }
if grep -Eq ' ats (alarm|emergency)| vigilance' "$dir/events"; then
    echo "FAIL the safety system stepped in:"; grep -E ' ats (alarm|emergency)| vigilance' "$dir/events"
    fail=1
fi
python3 "$source/tests/integration/check_drive_report.py" "$dir/report.json" || fail=1
# The text form, of a run cut short after the first stop: the start and the first stop.
"$sim" --data "$dir/data" --service 1 --script "$source/tests/integration/kelvane1_local.txt" \
    --seconds 150 --report "$dir/report.txt" 2>/dev/null || { echo "FAIL text report run"; fail=1; }
grep -q '^Score: .* (part of the service)$' "$dir/report.txt" &&
    grep -Eq '^  1   東霧沢 +[+-][0-9]+\.[0-9]{2} .* stopped$' "$dir/report.txt" &&
    grep -Eq '^  2   柳台 .* not reached$' "$dir/report.txt" ||
    { echo "FAIL text report:"; cat "$dir/report.txt"; fail=1; }
[ "$fail" -eq 0 ] && echo "service 1 driven: $arrivals arrivals, $departures departures"
exit $fail
