#!/usr/bin/env bash
# Times marking by each rule over 200,000 pairs, then trashing 2,000 marked files and undoing the
# batch, in a new folder below /tmp (the trash used lies on the same file system).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target cleanup_bench >/dev/null
folder="$(mktemp -d /tmp/quorvane-cleanup-XXXXXX)"
build/bench/cleanup_bench "$folder" "$@"
