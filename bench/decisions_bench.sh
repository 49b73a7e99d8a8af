#!/usr/bin/env bash
# What "not duplicates" decisions cost a search: warm searches (signatures in the store) of LARGE
# small generated pictures with no decision recorded against the same with DECISIONS recorded,
# each pair of contents taken from the set's own files, run alternately ROUNDS times each; prints
# the median of each and their difference.
# usage: bench/decisions_bench.sh [LARGE] [DECISIONS] [ROUNDS]   (defaults 100000, 1000 and 5)
set -euo pipefail
cd "$(dirname "$0")/.."
large=${1:-100000}
decisions=${2:-1000}
rounds=${3:-5}
scripts/build.sh >/dev/null
cmake --build build --target store_bench >/dev/null
cli=build/cli/quorvane-cli
large_dir=/tmp/quorvane-small-$large
build/bench/store_bench make "$large_dir" "$large"
work=$(mktemp -d /tmp/quorvane-decisions-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
store=$work/signatures.sqlite
mkdir "$work/none" "$work/some"
# One search of the set with the decisions below XDG_DATA_HOME=$1; prints its wall-clock seconds
# and the processor seconds it used (user and system), which other programs' load disturbs less.
search() {
    local TIMEFORMAT='%R %U %S'
    { time XDG_DATA_HOME=$1 "$cli" --quiet --store "$store" --format tsv --output "$2" "$large_dir" 2>/dev/null; } 2>&1 |
        awk '{ print $1, $2 + $3 }'
}
# The median of column $1.
median() { awk -v c="$1" '{ print $c }' | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Signs every picture into the store, so that the timed searches only compare.
search "$work/none" "$work/cold.tsv" >/dev/null
# Dismissed pairs of the set's own contents: neighbours, as a person dismisses what the list shows.
mapfile -t files < <(find "$large_dir" -name '*.jpg' | sort | head -n $((decisions + 1)))
for ((i = 0; i < decisions; i++)); do
    XDG_DATA_HOME=$work/some "$cli" --dismiss "${files[i]}" "${files[i + 1]}"
done
: >"$work/none.times"
: >"$work/some.times"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
for ((round = 0; round < rounds; round++)); do
    search "$work/none" "$work/none.tsv" >>"$work/none.times"
    search "$work/some" "$work/some.tsv" >>"$work/some.times"
done
echo "$large pictures of 160 x 120, warm store, $rounds searches each (medians)"
for column in 1 2; do
    none=$(median "$column" <"$work/none.times")
    some=$(median "$column" <"$work/some.times")
    [ "$column" = 1 ] && what="wall clock" || what="processor"
    awk -v what="$what" -v t="$none" 'BEGIN { printf "%-10s no decision:     %8.3f s\n", what, t }'
    awk -v what="$what" -v t="$some" -v n="$decisions" -v base="$none" 'BEGIN {
        printf "%-10s %5d decisions: %8.3f s  %+.1f%%\n", what, n, t, 100 * (t - base) / base }'
done
echo "wall, processor seconds: none $(tr '\n' ',' <"$work/none.times")"
echo "                   with decisions $(tr '\n' ',' <"$work/some.times")"
cmp -s "$work/cold.tsv" "$work/none.tsv" || echo "DIFFERENT PAIRS: search without decisions"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
