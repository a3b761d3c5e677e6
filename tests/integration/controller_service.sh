#!/usr/bin/env bash
# Drives the sample service 1 with master controllers instead of the keyboard, following the
# notches of the keyboard drive script: with a serial controller (the codes of mascon.dat) from
# its first station to its last, and with the two-axis, the calibrated and the fixed-code
# joystick controllers from the first station to the second. A joystick sets only the pending
# flag of the handle that moved and is read after the physics step, so its drive drifts a little
# from the keyboard's; one station-to-station run shows that it drives.
# With the desktop program given, each controller drives the first leg in the real window
# instead: the serial codes through a pseudo-terminal opened as its serial port, the joystick
# through a virtual SDL joystick (--virtual-controllers).
# Usage: controller_service.sh MKCONTENT TRESSMOOR_SIM SOURCE_DIR [TRESSMOOR [MODE...]]
#   MODE: serial, axes, sums, codes (default: all four)
set -u
mkcontent=$1
sim=$2
source=$3
program=${4:-}
modes=("${@:5}")
[ ${#modes[@]} -gt 0 ] || modes=(serial axes sums codes)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
QT_QPA_PLATFORM=offscreen "$mkcontent" --source "$source/content" --out "$dir/data" --no-video \
    > /dev/null || { echo "FAIL content generation"; exit 1; }
keys="$source/tests/integration/kelvane1_local.txt"

# Follows the handle keys 5, 8 and 2 of a one-handle train with 5 notches and 8 brake positions
# and prints each position reached through the controller instead; other keys stay keys.
convert() {
    awk -v mode="$1" -v codes="$dir/data/mascon.dat" '
    BEGIN {
        n = 0
        while ((getline line < codes) > 0) { sub(/\r$/, "", line); if (line ~ /^#/) break; code[++n] = line }
        split("0 -2000 -8000 -15000 -25000 -31000", yOf, " ")
        # Released is X < 1; -1 keeps the sum of a released, powerless state from matching the
        # empty state a drive starts with (that poll would do nothing).
        split("-1 500 2500 5000 7000 8500 10000 11500 12500", xOf, " ")
        # Calibrated controller: the power sums P0 … P5 on the Y axis, the brake steps as the
        # binary number of buttons 4 … 7 (the calibration below).
        split("-1 1000 2000 3000 4000 5000", sumOf, " ")
        split("4 5 4,5 6 4,6 5,6 4,5,6 7", sumButtons, " ")
        # Fixed-code controller: the pressed buttons of P0 … P5 and of B1 … B8.
        split("6,8 6,8,9 6,7 6,7,9 6,7,8 6,7,8,9", powerButtons, " ")
        split("6,9 6 7,8,9 7,8 7,9 7 8,9 8", brakeButtons, " ")
        p = 0; b = -8
        if (mode == "axes") print "0 controller 1"
        if (mode == "sums") print "0 controller 2"
        if (mode == "codes") print "0 controller 3"
    }
    /^#/ || NF < 3 { next }
    $2 == "key" && ($3 == "5" || $3 == "8" || $3 == "2") {
        if ($3 == "5") { p = 0; b = 0 }
        else if ($3 == "8") { if (b == 0 && p < 5) p++; else if (p == 0 && b < 0) b++ }
        else { if (p == 0 && b > -7) b--; if (b == 0 && p > 0) p--; else if (p == 1) p = 0 }
        if (mode == "serial") {
            k = p > 0 ? p : (b < 0 ? 7 - b : 7)
            print $1, "serial", code[k] "\\r"
        } else if (mode == "axes") {
            print $1, "joy", xOf[1 - b], yOf[p + 1], "-"
        } else if (mode == "sums") {
            print $1, "joy 0", sumOf[p + 1], b < 0 ? sumButtons[-b] : "-"
        } else {
            print $1, "joy 0 -1", b < 0 ? brakeButtons[-b] : powerButtons[p + 1]
        }
        next
    }
    { print }
    ' "$keys"
}

calibration=-1,1000,2000,3000,4000,5000,0,1,2,3,4,5,6,7,8,9

fail=0
for mode in "${modes[@]}"; do
    convert "$mode" > "$dir/$mode.txt"
    # The first leg ends with the arrival at the second station at about 141 s.
    if [ -n "$program" ]; then
        echo "170 quit" >> "$dir/$mode.txt"
        XDG_CONFIG_HOME="$dir/config" "$program" --data "$dir/data" --service 1 --script "$dir/$mode.txt" --step-ms 16.667 \
            --silent --virtual-controllers --calibration "$calibration" \
            --events "$dir/$mode.events" > "$dir/$mode.log" 2>&1 \
            || { echo "FAIL $mode in the window: exit status"; cat "$dir/$mode.log"; fail=1; continue; }
        if grep -q 'virtual controllers:' "$dir/$mode.log"; then
            echo "FAIL $mode in the window: $(grep 'virtual controllers:' "$dir/$mode.log")"
            fail=1; continue
        fi
        expected=2; where="in the window"
    else
        seconds=(); [ "$mode" = serial ] || seconds=(--seconds 170)
        "$sim" --data "$dir/data" --service 1 --script "$dir/$mode.txt" --events "$dir/$mode.events" \
            --calibration "$calibration" "${seconds[@]}" 2>/dev/null \
            || { echo "FAIL $mode: exit status"; fail=1; continue; }
        expected=10; [ "$mode" = serial ] || expected=2
        where="headless"
    fi
    arrivals=$(grep -Ec ' arrival [0-9]+$' "$dir/$mode.events")
    [ "$arrivals" -eq "$expected" ] || { echo "FAIL $mode $where: $arrivals arrivals"; fail=1; }
    if [ "$mode" = serial ] && [ -z "$program" ]; then
        grep -q ' service end$' "$dir/$mode.events" || { echo "FAIL $mode: no service end"; fail=1; }
    fi
    if grep -Eq ' ats (alarm|emergency)| vigilance' "$dir/$mode.events"; then
        echo "FAIL $mode $where: the safety system stepped in"; fail=1
    fi
    [ "$fail" -eq 0 ] && echo "service 1 driven with the $mode controller $where: $arrivals arrivals"
done
exit $fail
