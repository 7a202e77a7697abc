#!/usr/bin/env bash
# Builds the Debian package from a release build of its own (build-package/)
# and leaves it at build-package/umbraxis_<version>_<arch>.deb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"

build="$top/build-package"
jobs=$(nproc 2>/dev/null || echo 2)

# Debian's own compiler and linker flags, hardening included.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
# Only what the package holds is built, not the benchmarks.
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DUMBRAXIS_TESTS=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j "$jobs" --target umbraxis package_files
rm -f "$build"/umbraxis_*.deb
(cd "$build" && cpack -G DEB -B "$build" >/dev/null)
ls "$build"/umbraxis_*.deb
