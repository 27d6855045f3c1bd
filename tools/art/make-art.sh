#!/bin/sh
# Rebuilds the icon and the start-up picture under resources/.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -fPIC "$top/tools/art/make-art.cpp" -o "$tmp/make-art" $(pkg-config --cflags --libs Qt6Gui)
"$tmp/make-art" "$top/resources"
