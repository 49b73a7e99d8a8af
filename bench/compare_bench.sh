#!/usr/bin/env bash
# Times the comparison phase on signatures of cuts from real photographs.
# usage: bench/compare_bench.sh [SIZE...] [--plain-at N] [--threads N] [--rotations]
# (--rotations: each size also searched for turned copies, with the ratio of the times)
set -euo pipefail
cd "$(dirname "$0")/.."
photos=$(bench/fetch_photos.sh)
scripts/build.sh >/dev/null
build/bench/compare_bench "$photos" "$@"
