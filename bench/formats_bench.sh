#!/usr/bin/env bash
# Signing time of WebP, HEIC, AVIF, JPEG XL and DNG camera-sized pictures beside the same pictures
# as JPEG, the source each signing decoded and the similarity to the JPEG twin (COUNT pictures per
# type, default 12; ROUNDS rounds taking turns, default 3).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target formats_bench >/dev/null
build/bench/formats_bench "${1:-12}" "${2:-3}"
