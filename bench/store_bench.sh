#!/usr/bin/env bash
# The signature store in one run: on COUNT camera-sized JPEGs made from real photographs, a cold
# search, a warm one, a warm one after the folder was renamed and one after 1% of the files
# changed, each as time and pictures per second, and the store's size per picture; then, on
# LARGE small generated pictures, a warm search beside --collect-only plus the comparison alone.
# usage: [DISTINCT=1] bench/store_bench.sh [COUNT] [LARGE]   (defaults 2000 and 100000)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-2000}
large=${2:-100000}
photos=$(bench/fetch_photos.sh)
scripts/build.sh >/dev/null
cmake --build build --target store_bench make_camera_photos >/dev/null
cli=build/cli/quorvane-cli
set_dir=${CAMERA_SET:-/tmp/quorvane-camera-$count}
if [ "$(find "$set_dir" -name '*.jpg' 2>/dev/null | wc -l)" -ne "$count" ]; then
    rm -rf "$set_dir"
    build/bench/make_camera_photos "$photos" "$set_dir" "$count"
fi
work=$(mktemp -d /tmp/quorvane-store-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
store=$work/signatures.sqlite
# A tree of hard links of its own, so that renaming and changing it leaves the shared set alone.
cp -al "$set_dir" "$work/camera"
set_dir=$work/camera
# DISTINCT=1 gives every file content of its own: a numbered JPEG comment after the start marker,
# as camera metadata would, so that no two files are byte-identical or share their first bytes.
if [ "${DISTINCT:-0}" = 1 ]; then
    n=0
    for f in "$set_dir"/*.jpg; do
        comment="camera file $n"
        length=$(( ${#comment} + 2 ))
        { head -c 2 "$f"; printf '\xff\xfe\x00'"\\x$(printf %02x "$length")"; printf '%s' "$comment"; tail -c +3 "$f"; } >"$f.new"
        mv "$f.new" "$f"
        n=$((n + 1))
    done
fi
# Bash's own clock: forking date after a search would add its start-up to a warm search's tenth of a second.
seconds() { echo "$EPOCHREALTIME"; }
# Times one search of FOLDER with the store; the pairs go to FILE. Prints the seconds and the
# one-minute load average right after the search.
search() {
    local start
    start=$(seconds)
    "$cli" --quiet --store "$store" --format tsv --output "$2" "$1"
    awk -v a="$start" -v b="$(seconds)" -v load="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN { print b - a, load }'
}
report() { awk -v what="$1" -v n="$2" -v t="${3% *}" -v load="${3#* }" -v cold="${4:+${4% *}}" 'BEGIN {
    printf "%-28s %8.2f s  %8.1f pictures/s", what, t, n / t
    if (cold != "") printf "  %6.1f x faster than cold", cold / t
    printf "  (load %s)\n", load }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
# Read the files once, so that every search starts with them in the page cache.
cat "$set_dir"/*.jpg >/dev/null
start=$(seconds)
"$cli" --quiet --no-store --format tsv --output "$work/plain.tsv" "$set_dir"
plain=$(awk -v a="$start" -v b="$(seconds)" -v load="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN { print b - a, load }')
distinct=$(md5sum "$set_dir"/*.jpg | cut -d' ' -f1 | sort -u | wc -l)
cold=$(search "$set_dir" "$work/cold.tsv")
warm=$(search "$set_dir" "$work/warm.tsv")
renamed_dir=$set_dir-renamed
mv "$set_dir" "$renamed_dir"
renamed=$(search "$renamed_dir" "$work/renamed.tsv")
mv "$renamed_dir" "$set_dir"
# 1% of the files get new content (bytes after the end of the JPEG data), each written as a new file.
changed_count=$((count / 100))
# (awk rather than head, which would end sort with SIGPIPE)
find "$set_dir" -name '*.jpg' | sort | awk -v n="$changed_count" 'NR <= n' | while read -r f; do
    cp "$f" "$f.new" && printf 'changed' >>"$f.new" && mv "$f.new" "$f"
done
changed=$(search "$set_dir" "$work/changed.tsv")
store_bytes=$(( $(stat -c %s "$store") + $(stat -c %s "$store-wal" 2>/dev/null || echo 0) ))
# What every quorvane-cli run costs besides the search: loading the program and its libraries,
# opening the store, writing the output and ending.
mkdir "$work/empty"
empty=$(search "$work/empty" "$work/empty.tsv")
# The same cold and warm searches inside one running program, as the window runs a second search.
read -r inside_cold inside_warm < <(build/bench/store_bench searches "$set_dir" "$work/inside.sqlite")
inside_load=$(cut -d' ' -f1 /proc/loadavg)

echo "$count pictures of 4000 x 3000, $distinct distinct contents (the others are byte-identical copies)"
report "without the store:" "$count" "$plain"
report "cold search:" "$count" "$cold"
report "warm search:" "$count" "$warm" "$cold"
report "warm after a rename:" "$count" "$renamed" "$cold"
report "warm after 1% changed:" "$count" "$changed" "$cold"
awk -v b="$store_bytes" -v n="$count" 'BEGIN { printf "store size: %d bytes, %.0f bytes a picture\n", b, b / n }'
awk -v t="${empty% *}" -v load="${empty#* }" 'BEGIN { printf "quorvane-cli on an empty folder: %.3f s  (load %s)\n", t, load }'
echo "inside one program (as the window searches), after 1% changed:"
report "  cold search:" "$count" "$inside_cold $inside_load"
report "  warm search:" "$count" "$inside_warm $inside_load" "$inside_cold $inside_load"
for run in cold warm; do
    cmp -s "$work/plain.tsv" "$work/$run.tsv" || echo "DIFFERENT PAIRS: $run search"
done
sed "s|$renamed_dir/|$set_dir/|g" "$work/renamed.tsv" | cmp -s "$work/plain.tsv" - || echo "DIFFERENT PAIRS: renamed search"
"$cli" --quiet --no-store --format tsv --output "$work/plain-changed.tsv" "$set_dir"
cmp -s "$work/plain-changed.tsv" "$work/changed.tsv" || echo "DIFFERENT PAIRS: search after 1% changed"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

[ "$large" -gt 0 ] || exit 0
large_dir=/tmp/quorvane-small-$large
build/bench/store_bench make "$large_dir" "$large"
rm -f "$store" "$store-wal" "$store-shm"
large_cold=$(search "$large_dir" "$work/large-cold.tsv")
large_warm=$(search "$large_dir" "$work/large-warm.tsv")
start=$(seconds)
"$cli" --collect-only "$large_dir" >/dev/null
collect=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')
collect_load=$(cut -d' ' -f1 /proc/loadavg)
read -r comparison pictures decoded pairs < <(build/bench/store_bench compare "$large_dir" "$store")
echo "$pictures stored pictures of 160 x 120 ($pairs pairs; $decoded decoded while taking them from the store)"
report "cold search:" "$pictures" "$large_cold"
awk -v w="${large_warm% *}" -v wl="${large_warm#* }" -v c="$collect" -v cl="$collect_load" -v p="$comparison" \
    -v pl="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN {
    printf "warm search:                %8.2f s  (load %s)\n", w, wl
    printf "--collect-only:             %8.2f s  (load %s)\n", c, cl
    printf "comparison alone:           %8.2f s  (load %s)\n", p, pl
    printf "warm / (collect + compare): %8.2f\n", w / (c + p) }'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
