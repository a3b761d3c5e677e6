#!/usr/bin/env bash
# `cmake --install` of the programs and their desktop integration into a temporary DESTDIR makes
# a complete installation (scripts/check-install-tree), with the data files of content/ standing
# in for the generated program folder, which this build does not make.
#   install_tree.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
DESTDIR="$dir/root" cmake --install "$build" --prefix /usr --component program > "$dir/install.log"
mkdir -p "$dir/root/usr/share/tressmoor"
cp "$source"/content/*.dat "$dir/root/usr/share/tressmoor/"
"$source/scripts/check-install-tree" "$dir/root"
