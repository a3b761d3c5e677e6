#!/usr/bin/env bash
# tressmoor-sim exits with status 2 and the exact message on stderr for each fatal data error.
set -u
sim=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0

expect() {  # expect NAME MESSAGE ARGS...
    local name=$1 message=$2
    shift 2
    "$sim" "$@" >"$dir/out" 2>"$dir/err"
    local rc=$?
    if [ "$rc" -ne 2 ] || ! grep -qF "$message" "$dir/err"; then
        echo "FAIL $name: status $rc, stderr: $(cat "$dir/err")"
        fail=1
    else
        echo "ok   $name"
    fi
}

mkdir -p "$dir/empty"
expect "no settings file" "実行ファイルが正しい場所に配置されていません" --data "$dir/empty" --print-settings

mkdir -p "$dir/nomap"
printf '[Disp]\n30,1\n0\n800\n600\n0\n' >"$dir/nomap/tressmoor.dat"
expect "no controller map" "mascon.datが見つかりません" --data "$dir/nomap" --print-settings

mkdir -p "$dir/bad"
printf '[Disp]\n30,x\n0\n800\n600\n0\n' >"$dir/bad/tressmoor.dat"
printf 'AAAAA\n' >"$dir/bad/mascon.dat"
expect "bad settings" "stringファイルに誤りがあります" --data "$dir/bad" --print-settings

exit $fail
