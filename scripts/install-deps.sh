#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-image-formats-plugins libqt6svg6 libgl-dev
    libjpeg62-turbo-dev libraw-dev libheif-dev libjxl-dev libwebp-dev libsqlite3-dev libssl-dev
    libgtest-dev
    fonts-noto-cjk
    qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
    clang-format-14 dpkg-dev file git
    appstream desktop-file-utils bash-completion
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
