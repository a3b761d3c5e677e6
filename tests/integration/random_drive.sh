#!/usr/bin/env bash
# Ten simulated minutes of the random driver on one sample service with each of the three
# trains, the invariants checked on every frame. Fails on any broken invariant, sanitizer
# report or crash (a non-zero exit status), and when the driver never jumped to a station, saved
# or restored a run.
# Usage: random_drive.sh TRESSMOOR_SIM DATA_DIR SERVICE SEED
set -u
sim=$1
data=$2
service=$3
seed=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
for train in train_kiha40.dat train_223.dat train_683.dat; do
    "$sim" --data "$data" --service "$service" --train "$train" --random-driver "$seed" \
        --seconds 600 --events "$dir/events" 2> "$dir/stderr"
    status=$?
    if [ "$status" -ne 0 ]; then
        echo "FAIL service $service $train seed $seed: exit status $status"
        cat "$dir/stderr"
        fail=1
        continue
    fi
    arrivals=$(grep -Ec ' arrival [0-9]+$' "$dir/events")
    driver=$(grep -Ec ' driver (station|save|load)' "$dir/events")
    echo "service $service $train seed $seed: $arrivals arrivals, $driver jumps and saves"
    [ "$driver" -ge 1 ] || { echo "FAIL no jump, save or load"; fail=1; }
done
exit $fail
