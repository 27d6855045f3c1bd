#!/bin/sh
# Rebuilds the icon and the start-up picture under resources/ (after a build of tesselo-cli).
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
WITH_ART=1 "$top/scripts/install-deps"
g++ -std=c++20 -O1 -fPIC "$top/tools/art/make-art.cpp" -o "$tmp/make-art" $(pkg-config --cflags --libs Qt6Gui Qt6Svg)
# The relief behind the title is the map's own, drawn by tesselo-cli from the embedded data.
cli=${TESSELO_CLI:-$top/build/cli/tesselo-cli}
if [ -x "$cli" ]; then
    "$cli" render --size 800x440 --zoom 0.95 --center 139.5,36.5 --out "$tmp/relief.png"
    "$tmp/make-art" "$top/resources" "$tmp/relief.png"
else
    echo "make-art: $cli not built; the start-up picture is drawn without the relief" >&2
    "$tmp/make-art" "$top/resources"
fi
