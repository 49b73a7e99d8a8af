#!/usr/bin/env bash
# End-to-end pictures per second of quorvane-cli on camera-sized JPEGs made from real
# photographs, beside the decoding floor: djpeg -scale 1/8 -dct fast on the same files, on all
# cores. usage: bench/endtoend_bench.sh [COUNT] [--rotations]   (COUNT default 200)
# --rotations: also times a search for turned copies against one without, both decoding every
# picture (--no-store).
set -euo pipefail
cd "$(dirname "$0")/.."
count=200
rotations=0
for argument in "$@"; do
    case "$argument" in
    --rotations) rotations=1 ;;
    *) count=$argument ;;
    esac
done
photos=$(bench/fetch_photos.sh)
scripts/build.sh >/dev/null
command -v djpeg >/dev/null || { echo "djpeg is missing: apt-get install libjpeg-turbo-progs" >&2; exit 1; }
set_dir=${CAMERA_SET:-/tmp/quorvane-camera-$count}
if [ "$(find "$set_dir" -name '*.jpg' 2>/dev/null | wc -l)" -ne "$count" ]; then
    rm -rf "$set_dir"
    build/bench/make_camera_photos "$photos" "$set_dir" "$count"
fi
cores=$(nproc)
seconds() { date +%s.%N; }

# Read the files once, so that both runs start with them in the page cache.
cat "$set_dir"/*.jpg >/dev/null
start=$(seconds)
find "$set_dir" -name '*.jpg' -print0 |
    xargs -0 -P "$cores" -n 8 sh -c 'for f do djpeg -scale 1/8 -dct fast "$f" >/dev/null; done' sh
floor=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')

start=$(seconds)
build/cli/quorvane-cli --quiet "$set_dir" >/dev/null
ours=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')

echo "$count pictures of 4000 x 3000 on $cores cores (load: $(cut -d' ' -f1-3 /proc/loadavg))"
awk -v n="$count" -v floor="$floor" -v ours="$ours" 'BEGIN {
    printf "djpeg -scale 1/8 -dct fast: %.1f pictures/s\n", n / floor
    printf "quorvane-cli end to end:   %.1f pictures/s, %.0f%% of the decoding floor\n", n / ours, 100 * floor / ours
}'

if [ "$rotations" = 1 ]; then
    start=$(seconds)
    build/cli/quorvane-cli --quiet --no-store "$set_dir" >/dev/null
    plain=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')
    start=$(seconds)
    build/cli/quorvane-cli --quiet --no-store --rotations "$set_dir" >/dev/null
    turned=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')
    awk -v n="$count" -v plain="$plain" -v turned="$turned" 'BEGIN {
        printf "without the store:          %.1f pictures/s\n", n / plain
        printf "with --rotations:           %.1f pictures/s, %.2f times the time without\n", n / turned, turned / plain
    }'
fi
