#!/usr/bin/env bash
# Prints a folder of real photographs, fetched once from Debian's wallpaper and sample-data
# packages (apt-get download, unpacked with dpkg -x; nothing is installed).
set -euo pipefail
PHOTOS=${PHOTOS:-/tmp/quorvane-photos}
if [ ! -d "$PHOTOS/x" ]; then
    mkdir -p "$PHOTOS"
    (cd "$PHOTOS" && for package in plasma-workspace-wallpapers mate-backgrounds lomiri-wallpapers-16.04 \
        gnome-backgrounds desktop-base opencv-doc; do
        apt-get download -q "$package" >/dev/null && dpkg -x "$package"_*.deb x
    done) >&2
fi
echo "$PHOTOS/x"
