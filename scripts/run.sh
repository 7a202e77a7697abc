#!/usr/bin/env bash
# Builds the program, writes the sample CD and a demo world, and starts the
# program with the sample CD as its working directory.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"

build="$top/build"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target umbraxis sample_cd cdgen

demo="$build/demo"
QT_QPA_PLATFORM=offscreen "$build/tools/cdgen/cdgen" --demo "$demo" "$build/cd"

# The demo keeps its settings and drive map apart from the user's own.
export XDG_CONFIG_HOME="$demo/config"
cd "$build/cd"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running on a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$build/src/app/umbraxis"
fi
exec "$build/src/app/umbraxis"
