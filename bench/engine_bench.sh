#!/usr/bin/env bash
# Times a whole search over COUNT generated camera-sized JPEGs (default 500).
# The pictures are kept in FOLDER (default /tmp/quorvane-bench-COUNT) and reused by later runs.
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-500}"
folder="${2:-/tmp/quorvane-bench-$count}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target engine_bench >/dev/null
build/bench/engine_bench "$count" "$folder"
