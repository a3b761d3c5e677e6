#!/usr/bin/env bash
# Drives sample services by the autopilot and checks each drive from its events file: the
# service ended, every stop was made within the station's stop tolerance, the safety system
# never had to brake (no emergency, vigilance or service brake) and the train left every stop.
# Usage: autopilot_services.sh TRESSMOOR_SIM PROGRAM_FOLDER [SERVICE:TRAIN ...]
#   PROGRAM_FOLDER may also be "generate:MKCONTENT:SOURCE_DIR" (content made without videos).
#   Without pairs: all five services with each of the three sample trains.
set -u
sim=$1
data=$2
shift 2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
if [[ $data == generate:* ]]; then
    IFS=: read -r _ mkcontent source <<< "$data"
    data=$dir/data
    QT_QPA_PLATFORM=offscreen "$mkcontent" --source "$source/content" --out "$data" --no-video \
        > /dev/null || { echo "FAIL content generation"; exit 1; }
fi
pairs=("$@")
if [ ${#pairs[@]} -eq 0 ]; then
    for s in 1 2 3 4 5; do
        for t in train_223.dat train_683.dat train_kiha40.dat; do pairs+=("$s:$t"); done
    done
fi
fail=0
for pair in "${pairs[@]}"; do
    service=${pair%%:*}
    train=${pair#*:}
    ev=$dir/events_${service}_${train}
    if ! "$sim" --data "$data" --service "$service" --train "$train" --autopilot \
            --events "$ev" 2>/dev/null; then
        echo "FAIL service $service $train: exit status"; fail=1; continue
    fi
    problems=$(awk '
        / autopilot stop / {
            stops++
            at = $7 + 0; tol = $10 + 0
            if (at < 0) at = -at
            if (at > tol) bad = bad " stop " $5 " at " $7 " m;"
        }
        / autopilot departure / { departures++ }
        / autopilot safety brake/ { bad = bad " safety brake (" $6 ");" }
        / ats emergency/ { bad = bad " " $3 " " $4 " " $5 ";" }
        / service end [0-9]+$/ { ended = 1 }
        END {
            if (!ended) bad = bad " the service did not end;"
            if (stops == 0) bad = bad " no stop;"
            if (departures != stops) bad = bad " " stops " stops but " departures " departures;"
            printf "%s", bad
            printf "|%d", stops > "/dev/stderr"
        }' "$ev" 2>"$dir/count")
    if [ -n "$problems" ]; then
        echo "FAIL service $service $train:$problems"; fail=1
    else
        worst=$(awk '/ autopilot stop / { a = $7 + 0; if (a < 0) a = -a; if (a > w) w = a }
                     END { printf "%.2f", w }' "$ev")
        end=$(awk '/ service end [0-9]+$/ { print $2 }' "$ev")
        echo "ok   service $service $train: $(tr -d '|' < "$dir/count") stops, worst ${worst} m off the marker, ended $end"
    fi
done
exit $fail
