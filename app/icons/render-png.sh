#!/bin/sh
# Regenerates the committed PNG renders from the SVG sources (needs rsvg-convert, Debian
# package librsvg2-bin). The program loads only the PNGs, so it needs no SVG image plugin.
set -eu
cd "$(dirname "$0")"
for name in new open save print start stop manual; do
    rsvg-convert -w 16 -h 16 "$name.svg" -o "$name.png"
    rsvg-convert -w 32 -h 32 "$name.svg" -o "$name@2x.png"
done
rsvg-convert -w 32 -h 32 rozivoda.svg -o rozivoda.png
rsvg-convert -w 64 -h 64 rozivoda.svg -o rozivoda@2x.png
for size in 16 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" rozivoda.svg -o "hicolor/${size}x${size}/rozivoda.png"
done
