#!/usr/bin/env bash
# A stop signal run at speed: the coil-and-bell safety system rings and, unless the driver
# brakes and acknowledges, stops the train with the emergency brake; the pattern safety system
# brakes the train to a stand before the signal.
set -u
sim=$1
fixtures=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
run() {  # run SCRIPT [TRAIN]
    "$sim" --data "$fixtures/drive" --line line_red.dat --train "${2:-train_drive.dat}" \
        --script "$fixtures/drive/$1" --seconds 120 --events "$dir/events" \
        --trace "$dir/trace.csv" 2>/dev/null || { echo "FAIL exit status"; fail=1; }
}
check() {  # check DESCRIPTION REGEX [absent]
    if grep -Eq "$2" "$dir/events"; then found=1; else found=0; fi
    if [ "$found" = "${3:-1}" ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}

run red_ignored.txt
check "the coil rings at the red signal" ' ats coil: stop signal$'
check "the emergency brake follows without acknowledgement" ' ats emergency: not acknowledged$'
tail -1 "$dir/trace.csv" | awk -F, '{ exit !($5 == 0 && $22 == 1) }' ||
    { echo "FAIL the train is not standing under the emergency demand"; fail=1; }

run red_acknowledged.txt
check "the coil rings again" ' ats coil: stop signal$'
check "the driver acknowledges" ' ats acknowledged$'
check "no emergency brake after acknowledgement" ' ats emergency' 0
tail -1 "$dir/trace.csv" | awk -F, '{ exit !($5 > 10) }' ||
    { echo "FAIL the acknowledged train did not run on"; fail=1; }
run red_ignored.txt train_pattern.dat
check "the pattern system receives the stop signal" ' 停止信号0まで[0-9]+m$'
# The signal stands at frame 1000: the train must stand before it, held by the service demand.
tail -1 "$dir/trace.csv" | awk -F, '{ exit !($5 == 0 && $3 < 1000 && $23 == 1) }' ||
    { echo "FAIL the pattern did not stop the train before the signal"; fail=1; }
[ "$fail" -eq 0 ] && echo "safety ok"
exit $fail
