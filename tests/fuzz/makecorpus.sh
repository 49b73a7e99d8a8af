#!/usr/bin/env bash
# Writes the seed inputs of the fuzz targets into corpus/ (ImageMagick for the pictures). The
# committed corpus also holds inputs the fuzzers found; rerunning this only adds the seeds again.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A small picture with some structure, in every format the loader knows.
convert -size 48x32 gradient:red-blue -fill yellow -draw "circle 24,16 30,20" "$work/scene.ppm"
convert "$work/scene.ppm" -quality 90 "$work/baseline.jpg"
convert "$work/scene.ppm" -quality 75 -interlace Plane "$work/progressive.jpg"
convert "$work/scene.ppm" -colorspace Gray -quality 80 "$work/grey.jpg"
convert "$work/scene.ppm" -colorspace CMYK -quality 80 "$work/cmyk.jpg"
convert "$work/scene.ppm" -sampling-factor 2x2 -quality 60 "$work/subsampled.jpg"
convert "$work/scene.ppm" "$work/scene.png"
convert "$work/scene.ppm" -depth 16 "$work/deep.png"
convert "$work/scene.ppm" -alpha set -channel A -evaluate set 50% "$work/alpha.png"
convert "$work/scene.ppm" "$work/scene.gif"
convert "$work/scene.ppm" "$work/scene.bmp"
convert "$work/scene.ppm" -compress none "$work/scene.tif"
convert "$work/scene.ppm" -compress lzw "$work/lzw.tif"

# One leading byte picks the scale (jpegdecode) or the extension (loadpicture).
mkdir -p corpus/fuzz_jpegdecode corpus/fuzz_loadpicture corpus/fuzz_settings corpus/fuzz_csv corpus/fuzz_updatereply
scale=0
for jpeg in baseline progressive grey cmyk subsampled; do
    { printf "\\x$(printf %02x $scale)"; cat "$work/$jpeg.jpg"; } > "corpus/fuzz_jpegdecode/seed_$jpeg"
    scale=$(( (scale + 1) % 4 ))
done
# Extensions in order: jpg png gif bmp tif cr2.
seed() { { printf "\\x$1"; cat "$work/$2"; } > "corpus/fuzz_loadpicture/seed_$3"; }
seed 00 baseline.jpg jpg
seed 00 progressive.jpg progressive_jpg
seed 00 cmyk.jpg cmyk_jpg
seed 01 scene.png png
seed 01 deep.png deep_png
seed 01 alpha.png alpha_png
seed 02 scene.gif gif
seed 03 scene.bmp bmp
seed 04 scene.tif tif
seed 04 lzw.tif lzw_tif
seed 05 scene.tif tif_named_cr2
seed 00 scene.png png_named_jpg

printf '[Main]\r\nSearchJPG=1\r\nSearchBMP=0\r\nMinPicWidth=0x20\r\nMinPicHeight=-5\r\n' > corpus/fuzz_settings/seed_crlf
printf '\xef\xbb\xbf; comment\n[Other]\nKey=1\n[main]\n  searchtiff = 2 \nMinPicWidth=abc\n' > corpus/fuzz_settings/seed_bom_case
printf '[Main]\nSearchJPG=1\n[Main]\nSearchJPG=0\nnot a key line\n=\n[' > corpus/fuzz_settings/seed_odd
printf '' > corpus/fuzz_settings/seed_empty

printf '/home/user/Pictures/holiday.jpg' > corpus/fuzz_csv/seed_plain
printf '/data/a;b/"quoted" name.jpg' > corpus/fuzz_csv/seed_separator_quote
printf '/data/line\r\nbreak/x\ny.png' > corpus/fuzz_csv/seed_line_breaks
printf '/data/\xff\xfe not utf8/\xe5\x9b\xbe.jpg' > corpus/fuzz_csv/seed_bytes

printf '\x01\x00\xc81.2.1' > corpus/fuzz_updatereply/seed_same
printf '\x01\x00\xc81.2.2\n' > corpus/fuzz_updatereply/seed_newer
printf '\x01\x01\x941.2.2' > corpus/fuzz_updatereply/seed_404
printf '\x00\x00\xc81.2.2' > corpus/fuzz_updatereply/seed_failed
printf '\x01\x00\xc8\xef\xbb\xbf1.2.3' > corpus/fuzz_updatereply/seed_bom
printf '\x01\x00\xc81.2\x00.3' > corpus/fuzz_updatereply/seed_nul
printf '\x01\x00\xc8\xc3\x28' > corpus/fuzz_updatereply/seed_bad_utf8
