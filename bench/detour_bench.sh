#!/usr/bin/env bash
# Signing of 4000 x 3000 PNG, TIFF and BMP pictures with the JPEG detour's shortcut and with the
# real round trip, beside their decoding alone. The pictures are kept in FOLDER (default
# /tmp/quorvane-detour-bench) and reused by later runs.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target detour_bench >/dev/null
build/bench/detour_bench "${1:-/tmp/quorvane-detour-bench}" "${2:-7}"
