#!/usr/bin/env bash
# Configures build/ when needed and builds everything. QUORVANE_WERROR=ON in the environment
# (as .ci/run sets it) makes compiler warnings errors; build/ is configured again when it changes.
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/install-deps.sh"
werror="${QUORVANE_WERROR:-OFF}"
if [ ! -f build/build.ninja ] || ! grep -qx "QUORVANE_WERROR:BOOL=$werror" build/CMakeCache.txt; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_WERROR="$werror"
fi
cmake --build build
