#!/bin/sh
# Rasterises the artwork sources into the PNG resources compiled into the program: each at its
# own size and at twice that size, under Qt's "@2x" name, for screens scaled to 150 % and more.
# Run it after changing an SVG and commit the PNGs with it, so that building needs no SVG
# renderer. Needs rsvg-convert (Debian package librsvg2-bin) and the DejaVu fonts.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/../images"
mkdir -p "$out"
for name in skin button quit icon; do
    rsvg-convert --format=png --output="$out/$name.png" "$here/$name.svg"
    rsvg-convert --format=png --zoom=2 --output="$out/$name@2x.png" "$here/$name.svg"
done
