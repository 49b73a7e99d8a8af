#!/usr/bin/env bash
# Unpacks a Quorvane .deb into a scratch root (dpkg -x: nothing is installed), lists what it holds
# and fails when a part is missing, a dependency is not declared, the installed quorvane-cli does
# not run or cannot decode a picture, or the package is not what Debian and the desktops expect:
# its copyright and changelog, manual pages, AppStream metadata, desktop entry and completion.
# lintian runs on it when it is installed.
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
cli=$root/usr/bin/quorvane-cli
doc=$root/usr/share/doc/quorvane
metainfo=$(echo "$root"/usr/share/metainfo/*.metainfo.xml)
app_id=$(basename "$metainfo" .metainfo.xml)
for part in usr/bin/quorvane usr/bin/quorvane-cli \
    "usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/quorvane/quorvane-decoding.so" \
    "usr/share/metainfo/$app_id.metainfo.xml" "usr/share/applications/$app_id.desktop" \
    usr/share/icons/hicolor/scalable/apps/quorvane.svg usr/share/man/man1/quorvane.1.gz \
    usr/share/man/man1/quorvane-cli.1.gz usr/share/bash-completion/completions/quorvane-cli \
    usr/share/doc/quorvane/copyright usr/share/doc/quorvane/changelog.gz; do
    [ -f "$root/$part" ] || fail "/$part is missing"
done
# Read by dpkg-shlibdeps from the programs, plus what the programs and Qt open at run time.
depends=$(dpkg-deb --field "$deb" Depends)
for package in libqt6widgets6 libqt6network6 libqt6dbus6 libjpeg62-turbo libraw libheif1 libjxl libwebp7 libsqlite3 \
    libssl3 qt6-image-formats-plugins libqt6svg6 qt6-translations-l10n; do
    [[ "$depends" == *"$package"* ]] || fail "Depends lacks $package"
done
! readelf -d "$cli" | grep -q 'NEEDED.*libQt6Widgets' || fail "quorvane-cli links Qt Widgets"
# Qt GUI comes with the decoding module, so that a search that decodes nothing does not load it.
! readelf -d "$cli" | grep -q 'NEEDED.*libQt6Gui' || fail "quorvane-cli links Qt GUI"
help=$("$cli" --help) || fail "the installed quorvane-cli does not run"
# A 128 x 128 grey BMP: the installed program finds its decoding module and signs it.
picture=$root/grey.bmp
{
    printf 'BM\x36\xc0\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
    printf '\x28\x00\x00\x00\x80\x00\x00\x00\x80\x00\x00\x00\x01\x00\x18\x00'
    printf '\x00\x00\x00\x00\x00\xc0\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    head -c 49152 /dev/zero | tr '\0' '\200'
} >"$picture"
"$cli" --signature "$picture" | grep -q '^height' || fail "the installed quorvane-cli cannot decode"

# Debian's own files: the licence in the machine-readable format, and a changelog whose newest
# entry is this version.
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright" &&
    grep -qx 'License: GPL-3+' "$doc/copyright" || fail "copyright does not name GPL-3+ in the DEP-5 format"
zcat "$doc/changelog.gz" >"$root/changelog"
[ "$(dpkg-parsechangelog -l "$root/changelog" -S Version)" = "$(dpkg-deb --field "$deb" Version)" ] ||
    fail "the changelog's newest entry is not version $(dpkg-deb --field "$deb" Version)"
! dpkg-deb --field "$deb" Description | grep -q '.\{81\}' || fail "a description line is longer than 80 columns"
dpkg-deb --control "$deb" "$root/DEBIAN"
! grep -qs ldconfig "$root/DEBIAN/postinst" "$root/DEBIAN/postrm" || fail "a maintainer script calls ldconfig"

# The desktop entry and the AppStream metadata: valid, and naming each other.
desktop=$root/usr/share/applications/$app_id.desktop
[ -z "$(desktop-file-validate "$desktop")" ] || fail "$(desktop-file-validate "$desktop")"
appstreamcli validate --no-net "$metainfo" || fail "the AppStream metadata is not valid"
grep -q "<id>$app_id</id>" "$metainfo" && grep -q "<launchable type=\"desktop-id\">$app_id.desktop<" "$metainfo" ||
    fail "the AppStream id or launchable does not match $app_id"
homepage=$(dpkg-deb --field "$deb" Homepage)
! grep -o '<image>[^<]*' "$metainfo" | grep -qv "<image>$homepage" || fail "a screenshot is not on $homepage"

# Every option quorvane-cli names in --help is documented in its manual page and completed.
options=$(grep -o -- '--[a-z-]*[a-z]' <<<"$help" | sort -u)
page=$(zcat "$root/usr/share/man/man1/quorvane-cli.1.gz" | sed 's/\\-/-/g')
for option in $options; do
    grep -q -- "$option\\b" <<<"$page" || fail "the manual page of quorvane-cli lacks $option"
done
# bash-completion's own functions, as the shell has them when it loads a completion.
completes() {
    bash -c 'source /usr/share/bash-completion/bash_completion
        source "$1"
        compopt() { :; }
        shift
        COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE}
        _quorvane_cli quorvane-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
        printf "%s\n" "${COMPREPLY[@]}" | sort' \
        completes "$root/usr/share/bash-completion/completions/quorvane-cli" "$@"
}
[ "$(PATH=$root/usr/bin:$PATH completes quorvane-cli --)" = "$options" ] ||
    fail "the completion of quorvane-cli does not offer the options of --help"
[ "$(completes quorvane-cli --format '' | xargs)" = "csv json tsv" ] || fail "--format is not completed"
[ "$(completes quorvane-cli --types jpg,w | xargs)" = "jpg,webp" ] || fail "--types is not completed"
[ "$(completes quorvane-cli --keep i)" = "inside:" ] || fail "--keep is not completed"

if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb" || fail "lintian finds errors or warnings"
else
    echo "lintian is not installed: the package was not checked with it"
fi
