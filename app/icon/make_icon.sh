#!/bin/sh
# Draws the application icon from readercheck.mvg with ImageMagick and writes
# the ten images the resource script expects: 32 and 16 px at 4 bits (an
# adaptive 16-colour palette), 48/32/24/16 px at 8 bits and at 24 bits, each with
# its transparency mask. Run it after changing the drawing and commit the
# resulting readercheck.ico with it:  sh app/icon/make_icon.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One drawing per size, scaled from the 48-unit grid.
for size in 48 32 24 16; do
    scale=$(awk "BEGIN { print $size / 48 }")
    { echo "viewbox 0 0 $size $size"; echo "affine $scale,0,0,$scale,0,0"; cat "$here/readercheck.mvg"; } \
        > "$work/draw$size.mvg"
    convert -size "${size}x$size" xc:none -draw "$(grep -v "^#" "$work/draw$size.mvg")" "$work/draw$size.png"
done

# Raw RGBA for the assembler: the colours of the opaque part reduced to the
# palette size of the depth (transparent pixels are black there), the alpha kept.
reduce() {  # size bits
    drawing="$work/draw$1.png"
    case $2 in
    4) colours="-colors 16" ;;
    8) colours="-colors 256" ;;
    *) colours="" ;;
    esac
    # shellcheck disable=SC2086
    convert "$drawing" -background black -alpha remove -alpha off -dither None $colours \
        \( "$drawing" -alpha extract \) -compose CopyOpacity -composite \
        -depth 8 "rgba:$work/$1x$2.rgba"
}
entries=""
for entry in 32x4 16x4 48x8 32x8 24x8 16x8 48x24 32x24 24x24 16x24; do
    reduce "${entry%x*}" "${entry#*x}"
    entries="$entries $work/$entry.rgba:${entry%x*}:${entry#*x}"
done
# shellcheck disable=SC2086
python3 "$here/assemble_ico.py" "$here/readercheck.ico" $entries
identify "$here/readercheck.ico"
