#!/usr/bin/env bash
# Builds and runs every test: once as a normal build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"

jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
  local build=$1
  shift
  cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
  cmake --build "$build" -j "$jobs"
  (cd "$build" && ctest --output-on-failure -j 1)
}

run_suite "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# LeakSanitizer stays off: Qt's plugins and GStreamer keep caches alive until exit.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DUMBRAXIS_SANITIZE=ON
