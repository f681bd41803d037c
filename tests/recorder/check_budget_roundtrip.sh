#!/usr/bin/env bash
# A recording held to its data-rate budget, through ffmpeg: 15 s of a film, then 10 s of a
# slide with typing ("ScreenBudget.FilmThenSlide*" writes them through the recorder's own writer
# and compressor). The film is written below the capture's quality with positions left empty,
# the slide goes back to 8000; both changes of the encoder's way of coding make key frames. The
# file must decode without a word on stderr (-xerror) into exactly the frames the test wrote, as
# an MS Video 1 stream at time base 1/200, and each decoded frame must match the picture written
# (PSNR against the raw pictures): the film on average at 24 dB or better, the slide's last
# 5 seconds, back at 8000, every frame at 33 dB or better (they reach about 38).
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
work=$(mktemp -d "$LUMORA_BUILD/vistrel-budget.XXXXXX")
trap 'rm -rf "$work"; lumora_stop_xvfb' EXIT
if [ -z "${DISPLAY:-}" ]; then lumora_start_xvfb; fi
lumora_ensure_prefix

export LUMORA_BUDGET_OUT
LUMORA_BUDGET_OUT=$(winepath -w "$work")
(cd "$LUMORA_BUILD/testbin" && wine vistrel_tests.exe --gtest_color=no \
  --gtest_filter='ScreenBudget.FilmThenSlide*' 2>/dev/null | tr -d '\r' | tail -3)
read -r width height written film < <(tr -d '\r' < "$work/film-slide.txt")
avi="$work/film-slide.avi"
echo "frames written: $written ($film of the film)"

stream=$(ffprobe -v error -show_entries stream=codec_name,time_base -of csv=p=0 "$avi")
[ "$stream" = "msvideo1,1/200" ] || { echo "stream '$stream'"; exit 1; }
errors=$(ffmpeg -nostdin -v error -xerror -i "$avi" -enc_time_base -1 -fps_mode passthrough -f null - 2>&1) ||
  { echo "ffmpeg failed: $errors"; exit 1; }
[ -z "$errors" ] || { echo "ffmpeg reports: $errors"; exit 1; }
frames=$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$avi")
keys=$(ffprobe -v error -select_streams v -show_entries packet=flags -of csv=p=0 "$avi" | grep -c '^K')
echo "decoded: $frames frames, $keys key frames, $(stat -c %s "$avi") bytes"
[ "$frames" -eq "$written" ] || { echo "decoded $frames frames, the test wrote $written"; exit 1; }

ffmpeg -nostdin -v error -i "$avi" -fps_mode passthrough -f rawvideo -pix_fmt rgb555le -y "$work/decoded.raw"
ffmpeg -nostdin -v error -f rawvideo -pix_fmt rgb555le -s "${width}x$height" -i "$work/decoded.raw" \
  -f rawvideo -pix_fmt rgb555le -s "${width}x$height" -i "$work/film-slide.raw" \
  -lavfi "psnr=stats_file=$work/psnr.log" -f null -
read -r film_avg slide_min < <(sed -n 's/.*n:\([0-9]*\) .*psnr_avg:\([0-9.inf]*\).*/\1 \2/p' "$work/psnr.log" |
  awk -v film="$film" -v last=$((written - 125)) '
    { p = ($2 == "inf") ? 99 : $2 }
    $1 <= film { sum += p; n++ }
    $1 > last { if (min == "" || p < min) min = p }
    END { printf "%.2f %.2f\n", sum / n, min }')
echo "PSNR: film $film_avg dB on average, the slide's last 5 s at least $slide_min dB"
awk -v f="$film_avg" -v s="$slide_min" 'BEGIN { exit !(f >= 24 && s >= 33) }' ||
  { echo "the pictures are not what was written"; exit 1; }
