#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted as the repository's .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror; then
    echo "Not formatted; fix with: git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 -i" >&2
    exit 1
fi
