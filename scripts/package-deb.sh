#!/usr/bin/env bash
# Builds the Debian package quorvane_VERSION_ARCH.deb with CPack and checks it.
#   scripts/package-deb.sh                     Release build without tests in build-deb/, package there
#   scripts/package-deb.sh BUILD_DIR OUT_DIR   packs an already built tree into OUT_DIR (the tests do)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
    scripts/install-deps.sh
    build=build-deb
    out=build-deb
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_BUILD_TESTS=OFF
    fi
    cmake --build "$build"
else
    build=$1
    out=$2
fi
mkdir -p "$out"
rm -f "$out"/quorvane_*.deb
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" || {
    cat "$out/cpack.log" >&2
    exit 1
}
deb=$(echo "$out"/quorvane_*.deb)
scripts/check-deb.sh "$deb"
[[ "$deb" == /* ]] || deb=./$deb
echo "Built $deb; install it with: sudo apt install $deb"
