#!/usr/bin/env bash
# Times `quorvane-cli --collect-only` against `find -type f` over a tree of 150,000 one-byte
# pictures: 100,000 .jpg and .png files in 1,000 folders, plus one folder of 50,000 .png files.
# Each runs twice on a warm cache; the better time counts. `find -size +0` is shown as well: it
# reads every file's status as the collection must (for the size and the time), which plain
# `find -type f` never does.
# QUORVANE_BENCH_TREE=DIR builds the tree there once and keeps it for later runs.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cli="${QUORVANE_CLI:-$here/build/cli/quorvane-cli}"
[ -x "$cli" ] || { echo "build first: $cli is missing" >&2; exit 1; }

if [ -n "${QUORVANE_BENCH_TREE:-}" ]; then
    tree="$QUORVANE_BENCH_TREE"
else
    tree="$(mktemp -d /tmp/quorvane-collect-bench.XXXXXX)"
    trap 'rm -rf "$tree"' EXIT
fi

[ -e "$tree/big" ] || python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
for folder in range(1000):
    path = os.path.join(root, "spread", f"f{folder:04d}")
    os.makedirs(path)
    for i in range(100):
        with open(os.path.join(path, f"p{i:03d}.{'jpg' if i % 2 else 'png'}"), "wb") as f:
            f.write(b"x")
big = os.path.join(root, "big")
os.makedirs(big)
for i in range(50000):
    with open(os.path.join(big, f"b{i:05d}.png"), "wb") as f:
        f.write(b"x")
PY

best() { # best of two runs, in seconds
    local best=""
    for _ in 1 2; do
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        best=$(echo "$start $end $best" | awk '{ t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3 }')
    done
    echo "$best"
}

find "$tree" -type f >/dev/null # warm the cache
count=$("$cli" --collect-only --quiet "$tree" | wc -l)
cli_time=$(best "$cli" --collect-only --quiet "$tree")
find_time=$(best find "$tree" -type f)
find_stat_time=$(best find "$tree" -type f -size +0)
echo "pictures collected: $count"
printf 'quorvane-cli --collect-only --quiet: %.3f s\n' "$cli_time"
printf 'find -type f:                        %.3f s\n' "$find_time"
printf 'find -type f -size +0:               %.3f s\n' "$find_stat_time"
awk -v a="$cli_time" -v b="$find_time" 'BEGIN { printf "ratio to find -type f: %.2f (target at most 2.0)\n", a / b }'
awk -v a="$cli_time" -v b="$find_stat_time" 'BEGIN { printf "ratio to find -type f -size +0: %.2f\n", a / b }'
