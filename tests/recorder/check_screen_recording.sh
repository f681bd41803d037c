#!/usr/bin/env bash
# Records the screen through Vistrel's exports from a real host process (a full-screen window of
# eight colour bars, the pointer parked on the white bar) and checks the file with tools of
# their own: ffprobe must see one msvideo1 stream of the screen's size with time base 1/200,
# ffmpeg must decode every frame without a word on stderr, and every tenth decoded frame must
# show the bars. A screen whose width or height is not a multiple of 4 is stored padded to whole
# 4 x 4 blocks (1366 x 768 as 1368 x 768: decoders code whole blocks only), the padding repeating
# the last column and row; the check expects exactly that.
#
# The bound: outside a 32 x 32 box at the pointer no pixel may differ from the bars by more
# than 3 % per channel. The bar colours have channels of 0 or 255 only, which 16-bit RGB555
# frames hold exactly, and a 4 x 4 block at a bar edge has exactly two colours, which MS Video 1
# codes without loss, so any larger difference is a real fault (shear, lost columns, wrong rows).
# Inside the box the pointer must be visible: dark pixels on the white bar.
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
work=$(mktemp -d "$LUMORA_BUILD/vistrel-check.XXXXXX")
trap 'rm -rf "$work"; lumora_stop_xvfb' EXIT
if [ -z "${DISPLAY:-}" ]; then lumora_start_xvfb; fi
lumora_ensure_prefix

avi="$work/screen.avi"
size=$(cd "$LUMORA_BUILD/testbin" && wine vistrel_record_host.exe "$(winepath -w "$avi")" 3000 0 2>/dev/null | tr -d '\r')
read -r width height _ <<<"$size"
echo "screen ${width}x${height}"
[ -s "$avi" ] || { echo "no file was written"; exit 1; }

streams=$(ffprobe -v error -show_entries stream=codec_type,codec_name,width,height,time_base -of csv=p=0 "$avi")
echo "streams: $streams"
[ "$(echo "$streams" | wc -l)" -eq 1 ] || { echo "expected exactly one stream"; exit 1; }
coded_width=$(( (width + 3) / 4 * 4 )); coded_height=$(( (height + 3) / 4 * 4 ))
[ "$streams" = "msvideo1,video,$coded_width,$coded_height,1/200" ] || { echo "wrong stream"; exit 1; }

errors=$(ffmpeg -v error -i "$avi" -f null - 2>&1 || true)
[ -z "$errors" ] || { echo "ffmpeg reports: $errors"; exit 1; }
frames=$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$avi")
echo "frames decoded: $frames"
[ "$frames" -ge 15 ] || { echo "too few frames for three seconds"; exit 1; }

# The expected picture, drawn by ImageMagick with the host's bar edges (width * i / 8).
colours=(black red lime blue yellow cyan magenta white)
draw=()
for i in $(seq 0 7); do
  x0=$(( width * i / 8 )); x1=$(( width * (i + 1) / 8 - 1 ))
  [ "$i" -lt 7 ] || x1=$((coded_width - 1))
  draw+=(-fill "${colours[$i]}" -draw "rectangle $x0,0 $x1,$((coded_height - 1))")
done
px=$(( width * 15 / 16 )); py=$(( height / 4 ))
box="rectangle $((px - 8)),$((py - 8)) $((px + 23)),$((py + 23))"
convert -size "${coded_width}x${coded_height}" xc:black "${draw[@]}" -fill gray50 -draw "$box" "$work/expected.png"

ffmpeg -v error -i "$avi" -vf "select=not(mod(n\,10))" -vsync 0 "$work/frame%04d.png"
checked=0
for frame in "$work"/frame*.png; do
  pointer=$(convert "$frame" -crop 12x20+$px+$py +repage -colorspace gray -format '%[fx:minima]' info:)
  awk -v m="$pointer" 'BEGIN { exit !(m < 0.5) }' || { echo "$(basename "$frame"): no pointer at $px,$py"; exit 1; }
  convert "$frame" -fill gray50 -draw "$box" "$work/masked.png"
  differing=$(compare -metric AE -fuzz 3% "$work/masked.png" "$work/expected.png" null: 2>&1 || true)
  [ "$differing" = "0" ] || { echo "$(basename "$frame"): $differing pixels differ from the bars"; exit 1; }
  checked=$((checked + 1))
done
echo "frames compared: $checked, all match"
