#!/bin/sh
# Renders the window icon's PNGs from their SVG sources (needs rsvg-convert, Debian
# package librsvg2-bin). The PNGs are committed: the build does not need this.
set -eu
cd "$(dirname "$0")/../resources"
rsvg-convert -w 32 -h 32 horlivet.svg -o horlivet-32.png
rsvg-convert -w 16 -h 16 horlivet-16.svg -o horlivet-16.png
