#!/usr/bin/env bash
# Builds the Debian package of the program and romaji-admin from the install
# rules (packaging/CMakeLists.txt):
#
#   scripts/package.sh [BUILD_DIR [OUTPUT_DIR]]
#
# BUILD_DIR (default build/) is configured when it is not yet, and the two
# programs are built in it; the package romaji_<version>_<arch>.deb is written
# to OUTPUT_DIR (default BUILD_DIR). It needs dpkg-dev (dpkg-shlibdeps works
# out the library dependencies); scripts/install-deps.sh installs it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$root/build}")"
out="$(realpath -m "${2:-$build}")"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target romaji romaji-admin romaji_default_data romaji_package_docs -j2
mkdir -p "$out"
cd "$build"
cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log" >&2
  exit 1
}
rm -rf "$out/_CPack_Packages"
ls "$out"/romaji_*.deb
