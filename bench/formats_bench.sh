#!/usr/bin/env bash
# Pictures per second of signing WebP, HEIC, AVIF, JPEG XL and DNG camera-sized pictures, beside
# the same pictures as JPEG (COUNT per type, default 3).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target formats_bench >/dev/null
build/bench/formats_bench "${1:-3}"
