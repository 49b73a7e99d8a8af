#!/usr/bin/env bash
# Times the comparison phase on signatures of cuts from real photographs, which Debian ships
# in its wallpaper and sample-data packages (fetched once into $PHOTOS).
set -euo pipefail
cd "$(dirname "$0")/.."
PHOTOS=${PHOTOS:-/tmp/quorvane-photos}
if [ ! -d "$PHOTOS/x" ]; then
    mkdir -p "$PHOTOS"
    (cd "$PHOTOS" && for package in plasma-workspace-wallpapers mate-backgrounds lomiri-wallpapers-16.04 \
        gnome-backgrounds desktop-base opencv-doc; do
        apt-get download -q "$package" >/dev/null && dpkg -x "$package"_*.deb x
    done)
fi
scripts/build.sh >/dev/null
build/bench/compare_bench "$PHOTOS/x" "$@"
