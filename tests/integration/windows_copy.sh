#!/usr/bin/env bash
# Makes a copy of a program folder as it would arrive from a Windows machine: every data file
# (*.dat) in Shift_JIS (CP932) with CRLF line ends, and every file and folder name on disk in
# another letter case than the one the data files write (folders and data files in capitals,
# pictures, sounds and videos with a capital first letter). The names inside the data files
# already use "\" between folders.
# Usage: windows_copy.sh SOURCE_FOLDER COPY_FOLDER
set -eu
src=$1
dst=$2
[ -f "$src/tressmoor.dat" ] || { echo "no program folder at $src" >&2; exit 1; }
rm -rf "$dst"
cp -r "$src" "$dst"

# The data files: Shift_JIS with CRLF (a file already in CRLF keeps one CR per line).
find "$dst" -type f -iname '*.dat' -print0 | while IFS= read -r -d '' f; do
    iconv -f UTF-8 -t CP932 "$f" | sed -e 's/\r$//' -e 's/$/\r/' > "$f.sjis"
    mv "$f.sjis" "$f"
done

# Names on disk: deepest first, so that a folder is renamed after everything inside it.
find "$dst" -mindepth 1 -depth -print0 | while IFS= read -r -d '' p; do
    dir=$(dirname "$p")
    base=$(basename "$p")
    if [ -d "$p" ] || [[ "${base,,}" == *.dat ]]; then
        new=${base^^}
    else
        new=${base^}
    fi
    [ "$new" = "$base" ] || mv "$p" "$dir/$new"
done
