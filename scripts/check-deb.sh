#!/usr/bin/env bash
# Unpacks a Quorvane .deb into a scratch root (dpkg -x: nothing is installed), lists what it holds
# and fails when a part is missing, a dependency is not declared or the installed quorvane-cli
# does not run or cannot decode a picture.
set -euo pipefail
deb=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
dpkg -x "$deb" "$root"
(cd "$root" && find . ! -type d | sort)

fail() {
    echo "$deb: $*" >&2
    exit 1
}
for part in usr/bin/quorvane usr/bin/quorvane-cli usr/lib/quorvane/quorvane-decoding.so \
    usr/share/applications/quorvane.desktop usr/share/icons/hicolor/scalable/apps/quorvane.svg; do
    [ -f "$root/$part" ] || fail "/$part is missing"
done
# Read by dpkg-shlibdeps from the programs, plus what the programs and Qt open at run time.
depends=$(dpkg-deb --field "$deb" Depends)
for package in libqt6widgets6 libqt6network6 libqt6dbus6 libjpeg62-turbo libraw libheif1 libjxl libsqlite3 \
    libssl3 qt6-image-formats-plugins libqt6svg6 qt6-translations-l10n; do
    [[ "$depends" == *"$package"* ]] || fail "Depends lacks $package"
done
! readelf -d "$root/usr/bin/quorvane-cli" | grep -q 'NEEDED.*libQt6Widgets' || fail "quorvane-cli links Qt Widgets"
# Qt GUI comes with the decoding module, so that a search that decodes nothing does not load it.
! readelf -d "$root/usr/bin/quorvane-cli" | grep -q 'NEEDED.*libQt6Gui' || fail "quorvane-cli links Qt GUI"
"$root/usr/bin/quorvane-cli" --help >/dev/null || fail "the installed quorvane-cli does not run"
# A 128 x 128 grey BMP: the installed program finds its decoding module and signs it.
picture=$root/grey.bmp
{
    printf 'BM\x36\xc0\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
    printf '\x28\x00\x00\x00\x80\x00\x00\x00\x80\x00\x00\x00\x01\x00\x18\x00'
    printf '\x00\x00\x00\x00\x00\xc0\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    head -c 49152 /dev/zero | tr '\0' '\200'
} >"$picture"
"$root/usr/bin/quorvane-cli" --signature "$picture" | grep -q '^height' || fail "the installed quorvane-cli cannot decode"
