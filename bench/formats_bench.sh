#!/usr/bin/env bash
# Signing time per picture of WebP, HEIC, AVIF, JPEG XL (also transcoded from the JPEG) and DNG
# camera-sized pictures beside the same pictures as JPEG, the source each was signed from and the
# similarity of each copy to its JPEG twin. Arguments: COUNT per type (default 12), THUMBNAIL_SIDE
# of the HEIC and AVIF thumbnails (default 320, 0 for none), ROUNDS (default 3), TYPES (default
# all; say "dng,dng+jpg").
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target formats_bench >/dev/null
build/bench/formats_bench "$@"
