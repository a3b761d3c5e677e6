#!/usr/bin/env bash
# The sample program folder and its Windows copy (Shift_JIS, CRLF, names on disk in other letter
# cases; see windows_copy.sh) drive identically: the headless runner's trace and events of two
# services agree byte for byte.
# Usage: windows_dataset.sh MKCONTENT TRESSMOOR_SIM SOURCE_DIR
set -u
mkcontent=$1
sim=$2
source=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
QT_QPA_PLATFORM=offscreen "$mkcontent" --source "$source/content" --out "$dir/data" --no-video \
    > /dev/null || { echo "FAIL content generation"; exit 1; }
"$source/tests/integration/windows_copy.sh" "$dir/data" "$dir/win" || { echo "FAIL copy"; exit 1; }
# The copy really is another one: Shift_JIS text, CRLF, no data file under its own name.
[ -f "$dir/win/LINE_KELVANE1.DAT" ] && [ ! -e "$dir/win/line_kelvane1.dat" ] \
    || { echo "FAIL names not changed"; exit 1; }
iconv -f UTF-8 -t UTF-8 "$dir/win/LINE_KELVANE1.DAT" > /dev/null 2>&1 \
    && { echo "FAIL the copy is still UTF-8"; exit 1; }
grep -q $'\r$' "$dir/win/TRAIN_223.DAT" || { echo "FAIL no CRLF"; exit 1; }

script=$source/tests/integration/kelvane1_local.txt
fail=0
for run in "1 0" "4 240"; do
    read -r service seconds <<<"$run"
    limit=()
    [ "$seconds" -gt 0 ] && limit=(--seconds "$seconds")
    for copy in data win; do
        "$sim" --data "$dir/$copy" --service "$service" --script "$script" "${limit[@]}" \
            --seed 7 --trace "$dir/$copy-$service.csv" --events "$dir/$copy-$service.txt" \
            2> "$dir/$copy-$service.err" || { echo "FAIL service $service ($copy):"; \
            cat "$dir/$copy-$service.err"; fail=1; }
    done
    rows=$(wc -l < "$dir/data-$service.csv")
    [ "$rows" -gt 1000 ] || { echo "FAIL service $service: only $rows trace rows"; fail=1; }
    for kind in csv txt; do
        if ! cmp -s "$dir/data-$service.$kind" "$dir/win-$service.$kind"; then
            echo "FAIL service $service: the $kind output differs"
            diff "$dir/data-$service.$kind" "$dir/win-$service.$kind" | head -8
            fail=1
        fi
    done
    [ "$fail" -eq 0 ] && echo "service $service: $rows trace rows identical"
done
exit $fail
