#!/usr/bin/env bash
# Peak memory and time of a search over a folder of hostile pictures: header bombs that claim
# huge sizes in every format, a progressive JPEG with thousands of scans, a progressive header
# whose coefficient buffer sits just under the decoder's limit, truncated and random files, and
# two copies of a good picture, and JPEG XL canvases of a few hundred bytes that claim 16384 x 16384.
# Prints /usr/bin/time's figures for quorvane-cli.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cli="${QUORVANE_CLI:-$here/build/cli/quorvane-cli}"
canvas="$here/build/bench/make_jxl_canvas"
[ -x "$cli" ] && [ -x "$canvas" ] || { echo "build first: $cli or $canvas is missing" >&2; exit 1; }
folder="$(mktemp -d /tmp/quorvane-hostile.XXXXXX)"
trap 'rm -rf "$folder"' EXIT

convert -size 640x480 plasma:fractal -seed 7 "$folder/good.png"
convert "$folder/good.png" -quality 90 "$folder/good.jpg"
cp "$folder/good.jpg" "$folder/good_copy.jpg"
convert -size 64x48 gradient:red-blue -quality 75 -interlace Plane "$folder/progressive_seed.jpg"
convert -size 64x48 gradient:white-black -colorspace Gray -quality 75 -interlace Plane "$folder/grey_seed.jpg"
convert -size 64x48 gradient:red-blue "$folder/seed.bmp"
convert -size 64x48 gradient:red-blue "$folder/seed.gif"
convert -size 64x48 gradient:red-blue -compress none "$folder/seed.tif"

python3 - "$folder" <<'PY'
import os, random, struct, sys, zlib
folder = sys.argv[1]
def path(name): return os.path.join(folder, name)
def read(name): return open(path(name), "rb").read()
def write(name, data): open(path(name), "wb").write(data)

def jpeg_with_size(data, width, height):
    # Patches the first SOF marker (baseline or progressive) with a new size.
    for marker in (b"\xff\xc0", b"\xff\xc2"):
        at = data.find(marker)
        if at >= 0:
            return data[:at + 5] + struct.pack(">HH", height, width) + data[at + 9:]
    raise SystemExit("no SOF marker")

def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

def png_claiming(width, height):
    raw = b"".join(b"\0" + b"\x80" * 3 * 4 for _ in range(4))
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw)) + png_chunk(b"IEND", b""))

good = read("good.jpg")
progressive = read("progressive_seed.jpg")
grey = read("grey_seed.jpg")
write("progressive_65000x65000.jpg", jpeg_with_size(progressive, 65000, 65000))
write("progressive_17000x17000.jpg", jpeg_with_size(progressive, 17000, 17000))
# Greyscale, 2 bytes per coefficient: 13000 x 13000 needs about 323 MiB, under the 384 MB limit.
write("grey_progressive_13000x13000.jpg", jpeg_with_size(grey, 13000, 13000))
write("baseline_17000x17000.jpg", jpeg_with_size(good, 17000, 17000))
write("zero_width.jpg", jpeg_with_size(good, 0, 480))
last_scan = progressive.rfind(b"\xff\xda")
end = progressive.rfind(b"\xff\xd9")
write("many_scans.jpg", progressive[:end] + progressive[last_scan:end] * 5000 + progressive[end:])
write("65535x65535.png", png_claiming(65535, 65535))
write("17000x17000.png", png_claiming(17000, 17000))
write("1x10000.png", png_claiming(1, 10000))
bmp = bytearray(read("seed.bmp"))
struct.pack_into("<ii", bmp, 18, 60000, 60000)
write("60000x60000.bmp", bytes(bmp))
gif = bytearray(read("seed.gif"))
struct.pack_into("<HH", gif, 6, 65535, 65535)
image_at = gif.find(b",", 13 + 3 * (2 << (gif[10] & 7)))
struct.pack_into("<HH", gif, image_at + 5, 65535, 65535)
write("65535x65535.gif", bytes(gif))
tiff = bytearray(read("seed.tif"))
ifd = struct.unpack_from("<I", tiff, 4)[0]
for entry in range(struct.unpack_from("<H", tiff, ifd)[0]):
    at = ifd + 2 + 12 * entry
    tag, kind = struct.unpack_from("<HH", tiff, at)
    if tag in (256, 257):
        if kind == 3:
            struct.pack_into("<H", tiff, at + 8, 65000)
        else:
            struct.pack_into("<I", tiff, at + 8, 65000)
write("65000x65000.tif", bytes(tiff))
write("zero_bytes.jpg", b"")
write("zero_bytes.png", b"")
for offset in (2, 300, len(good) // 2, len(good) - 2):
    write(f"truncated_{offset}.jpg", good[:offset])
write("png_named.jpg", read("good.png"))
rng = random.Random(1)
for extension in ("jpg", "png", "gif", "bmp", "tif"):
    write(f"random.{extension}", bytes(rng.randrange(256) for _ in range(50000)))
PY
for copy in 1 2 3; do "$canvas" 16384 16384 "$folder/canvas_16384x16384_$copy.jxl"; done
rm "$folder"/progressive_seed.jpg "$folder"/grey_seed.jpg "$folder"/seed.*

echo "$(ls "$folder" | wc -l) files in $folder"
/usr/bin/time -v "$cli" --types bmp,jpg,gif,png,tiff,jxl --no-store --quiet --format tsv "$folder" 2> "$folder.time" || true
grep -E "Maximum resident|Elapsed|Exit status" "$folder.time"
rm -f "$folder.time"
