#!/bin/sh
# Builds the fuzzers with clang and runs each for a few seconds (SECONDS_EACH, default 3).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$top/build-fuzz}
each=${SECONDS_EACH:-3}
cmake -S "$top/fuzz" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
for f in catalogue gazetteer boundary raster municipal jump demxml; do
    corpus="$build/corpus-$f"
    mkdir -p "$corpus"
    # A few small files of the real layout to start from, where the folder has some.
    if [ -d "$top/fuzz/seeds/$f" ]; then
        cp -n "$top/fuzz/seeds/$f"/* "$corpus"/ 2>/dev/null || true
    fi
    echo "fuzz_$f: $each s"
    "$build/fuzz_$f" -max_total_time="$each" -max_len=65536 -rss_limit_mb=4096 "$corpus" 2>"$build/fuzz_$f.log" ||
        { tail -n 40 "$build/fuzz_$f.log"; exit 1; }
done
