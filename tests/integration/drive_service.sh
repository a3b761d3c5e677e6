#!/usr/bin/env bash
# Drives the test line headlessly with a script and checks the events: the train arrives at
# each station, the doors open and close, it leaves on time, and the service ends.
set -u
sim=$1
fixtures=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$sim" --data "$fixtures/drive" --line line_drive.dat --train train_drive.dat \
    --script "$fixtures/drive/whole_service.txt" --events "$dir/events" --trace "$dir/trace.csv"
rc=$?
fail=0
check() {  # check DESCRIPTION REGEX
    if grep -Eq "$2" "$dir/events"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
[ "$rc" -eq 0 ] || { echo "FAIL exit status $rc"; fail=1; }
check "arrives at the middle station" ' arrival 1$'
check "doors open at the middle station" '^[0-9]+ 08:01:[0-9]{2} doors open$'
check "leaves the middle station at 08:02:00" '^[0-9]+ 08:02:00 departure signalled 1$'
check "doors close at the departure time" '^[0-9]+ 08:02:0[0-1] doors closed$'
check "arrives at the last station" ' arrival 2$'
check "the service ends" ' service end$'
# The trace has a header and a row per frame, and the train stood still at the end.
head -1 "$dir/trace.csv" | grep -q '^t_ms,clock,frame,distance_cm,speed_kmh,' || {
    echo "FAIL trace header"; fail=1; }
tail -1 "$dir/trace.csv" | awk -F, '{ exit !($5 == 0) }' || { echo "FAIL still moving"; fail=1; }
[ "$fail" -eq 0 ] && echo "drive ok"
exit $fail
