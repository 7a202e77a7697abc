#!/usr/bin/env bash
# Builds and runs every benchmark, each timing the program against its
# reference in the same run and printing the ratio.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"

build="$top/build"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target umbraxis sample_cd bare_window bare_video startup_bench briefing_bench walk_bench install_bench install_screen_bench

echo "== start-up: program against a bare Qt window that plays one WAV"
"$build/bench/startup_bench" "$build/src/app/umbraxis" "$build/bench/bare_window" "$build/cd" "${STARTUP_RUNS:-5}" \
    "$build/bench/bare_video"
echo "== the briefing scrolling: CPU share of one core"
"$build/bench/briefing_bench" "$build/src/app/umbraxis" "$build/bench/bare_window" "$build/cd"
echo "== drive walk: the locator's search against find -type d"
"$build/bench/walk_bench"
echo "== installing: a 200 MB level against cp -r"
"$build/bench/install_bench"
echo "== the install screen live on Xvfb: its walk against find, its installation against cp -r"
"$build/bench/install_screen_bench" "$build/cd"
