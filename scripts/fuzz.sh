#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-fuzz/) and runs each of them in turn
# for the given number of seconds (60 by default), one process at a time and
# at the lowest priority. Prints per target the executions, the inputs that
# crashed it, that took over a second (timeouts), that leaked and that ran
# out of memory; what was found is kept in build-fuzz/fuzz/findings/<target>/.
# The corpus each target grows is kept in build-fuzz/fuzz/corpus/<target>/ for
# the next run. Exits with 1 when anything was found.
#
# usage: scripts/fuzz.sh [seconds per target] [target...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
"$top/scripts/deps.sh"

build="$top/build-fuzz"
jobs=$(nproc 2>/dev/null || echo 2)
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUMBRAXIS_FUZZ=ON >/dev/null
cmake --build "$build" -j "$jobs" --target fuzzers

# The longest input each target is given: a whole catalogue, document or
# settings file, and the headers and first frames of a video.
declare -A longest=(
  [catalogue]=8192 [rtf]=65536 [document_text]=16384 [briefing]=16384 [tips]=16384
  [settings_ini]=8192 [settings_store]=8192 [drive_map]=4096 [media_headers]=65536
  [wave_decode]=65536 [avi_sound_track]=65536 [bmp_picture]=65536 [mount_table]=8192
  [steam_libraries]=8192
)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(catalogue rtf document_text briefing tips settings_ini settings_store drive_map media_headers
           wave_decode avi_sound_track bmp_picture mount_table steam_libraries)
fi

fuzz="$build/fuzz"
export QT_QPA_PLATFORM=offscreen PULSE_SERVER=unix:/nonexistent/umbraxis-no-sound
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1
export LSAN_OPTIONS=suppressions="$top/fuzz/lsan.supp"
found=0
printf '%-16s %12s %8s %9s %6s %5s\n' target executions crashes timeouts leaks ooms
for target in "${targets[@]}"; do
  corpus="$fuzz/corpus/$target"
  findings="$fuzz/findings/$target"
  log="$fuzz/logs/$target.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  rm -f "$findings"/*
  regressions="$top/fuzz/regressions/$target"
  dirs=("$corpus" "$fuzz/seeds/$target")
  [ -d "$regressions" ] && dirs+=("$regressions")
  [ -d "$top/fuzz/corpus/$target" ] && dirs+=("$top/fuzz/corpus/$target")
  # One fuzzing process at a time, which goes on past a finding and keeps it.
  nice -n 19 "$fuzz/fuzz_$target" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -timeout=1 -rss_limit_mb=2560 -max_len="${longest[$target]:-8192}" -max_total_time="$seconds" \
    -artifact_prefix="$findings/" "${dirs[@]}" >"$log" 2>&1 || true
  executions=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
  count() { find "$findings" -maxdepth 1 -name "$1-*" | wc -l; }
  crashes=$(count crash)
  timeouts=$(count timeout)
  leaks=$(count leak)
  ooms=$(count oom)
  printf '%-16s %12s %8s %9s %6s %5s\n' "$target" "${executions:-0}" "$crashes" "$timeouts" "$leaks" "$ooms"
  if [ $((crashes + timeouts + leaks + ooms)) -gt 0 ]; then
    found=1
  fi
done
exit $found
