#!/usr/bin/env bash
# Records the test camera through the title overlay (red "Lumora" at the top-left start position,
# 40-pixel font) and checks video.wmv with tools of its own: ffmpeg decodes frames, ImageMagick
# finds red title pixels only where the position puts them, tesseract reads the text; a recording
# with the title off has no such pixels there.
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
out="$LUMORA_BUILD/title-out"
rm -rf "$out"
mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }

record() {  # record <file> <title on: 1|0>
  LUMORA_TITLE_WMV="Z:${1//\//\\}" LUMORA_TITLE_ON=$2 wine "$LUMORA_BUILD/testbin/capture_integration_tests.exe" \
    --gtest_color=no --gtest_filter='*TitleOverlayBurns*' >"$1.log" 2>&1 || { cat "$1.log"; fail "recording failed"; }
  [ -s "$1" ] || fail "no file written to $1"
}
record "$out/on.wmv" 1
record "$out/off.wmv" 0

for kind in on off; do
  ffmpeg -nostdin -v error -ss 1.0 -i "$out/$kind.wmv" -frames:v 1 "$out/$kind.png"
done
size=$(identify -format '%wx%h' "$out/on.png")
# Red title pixels: strong red, little green and blue.
red_mask() { convert "$1" -fx 'r > 0.6 && g < 0.35 && b < 0.35 ? 1 : 0' -colorspace gray "$2"; }
red_mask "$out/on.png" "$out/on-red.png"
red_mask "$out/off.png" "$out/off-red.png"
# Red pixels that the recording without a title lacks (the test picture has a red bar of its own).
convert "$out/on-red.png" "$out/off-red.png" -fx "u > 0.5 && v < 0.5 ? 1 : 0" "$out/title-red.png"
# The box of those pixels: trim gives its size and offset.
box=$(convert "$out/title-red.png" -trim -format '%w %h %X %Y' info: 2>/dev/null || true)
read -r bw bh bx by <<<"$box"
bx=${bx#+}; by=${by#+}
echo "picture $size, red title box ${bw}x${bh} at $bx,$by"
[ "${bw:-0}" -gt 60 ] || fail "no title of red pixels found ($box)"
[ "$bx" -ge 8 ] && [ "$bx" -le 20 ] && [ "$by" -ge 8 ] && [ "$by" -le 24 ] || fail "title box starts at $bx,$by, not near 10,10"
[ "$bh" -le 60 ] || fail "title box is $bh pixels high"
# Without the title the same region has (next to) no red pixels.
off_red=$(convert "$out/off-red.png" -crop "${bw}x${bh}+${bx}+${by}" -format '%[fx:int(mean*w*h)]' info:)
on_red=$(convert "$out/on-red.png" -crop "${bw}x${bh}+${bx}+${by}" -format '%[fx:int(mean*w*h)]' info:)
echo "red pixels in the title region: $on_red with the title, $off_red without"
[ "$on_red" -gt 300 ] || fail "only $on_red red pixels in the title"
[ "$off_red" -lt $((on_red / 20)) ] || fail "$off_red red pixels in the same region without a title"
# OCR of the title region, enlarged, black text on white.
convert "$out/title-red.png" -crop "$((bw + 20))x$((bh + 20))+$((bx > 10 ? bx - 10 : 0))+$((by > 10 ? by - 10 : 0))" \
  -negate -resize 300% "$out/ocr.png"
text=$(tesseract "$out/ocr.png" - --psm 7 -l eng 2>/dev/null | tr -d '[:space:]')
echo "tesseract read: '$text'"
[ "$text" = Lumora ] || fail "the title reads '$text'"
echo "title ok"
