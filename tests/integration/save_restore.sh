#!/usr/bin/env bash
# Saves a run at speed and restores it 20 s later: the clock, position and speed come back.
# A menu command between them is only reported: the runner has no menus.
set -u
sim=$1
fixtures=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$sim" --data "$fixtures/drive" --line line_drive.dat --train train_drive.dat \
    --script "$fixtures/drive/save_restore.txt" --seconds 72 --events "$dir/events" \
    --trace "$dir/trace.csv" 2>/dev/null || { echo "FAIL exit status"; exit 1; }
grep -q ' save 1: 運転状態を保存しました$' "$dir/events" || { echo "FAIL save message"; exit 1; }
grep -q ' menu OFFC1 (no menu without a window)$' "$dir/events" || { echo "FAIL menu event"; exit 1; }
# The row of the save (first row at or after 50 s) and the row after the restore (70 s).
saved=$(awk -F, 'NR > 1 && $1 >= 50000 { print $2, $3, int($5 + 0.5); exit }' "$dir/trace.csv")
restored=$(awk -F, 'NR > 1 && $1 >= 70010 { print $2, $3, int($5 + 0.5); exit }' "$dir/trace.csv")
before=$(awk -F, 'NR > 1 && $1 >= 69980 { print $3; exit }' "$dir/trace.csv")
echo "saved: $saved  before restore: frame $before  restored: $restored"
read -r sclock sframe sspeed <<<"$saved"
read -r rclock rframe rspeed <<<"$restored"
[ "$sclock" = "$rclock" ] || { echo "FAIL clock"; exit 1; }
[ $((rframe - sframe)) -ge -2 ] && [ $((rframe - sframe)) -le 2 ] || { echo "FAIL frame"; exit 1; }
[ $((rspeed - sspeed)) -ge -1 ] && [ $((rspeed - sspeed)) -le 1 ] || { echo "FAIL speed"; exit 1; }
[ "$before" -gt $((sframe + 100)) ] || { echo "FAIL the train did not move on"; exit 1; }
echo "restore ok"
