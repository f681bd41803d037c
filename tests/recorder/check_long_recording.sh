#!/usr/bin/env bash
# A recording that rolls over into parts (the part size lowered to a few kilobytes by the test)
# must leave parts that ffmpeg decodes without an error (-xerror, nothing on stderr), each an
# MS Video 1 stream at time base 1/200 starting with a key frame, whose decoded frames add up
# to the frames the recorder wrote. Then the restart after a failing system compressor
# ("CompressorFallback.*"): both parts, the second compressed by our own driver, must decode the
# same way with every frame the test wrote.
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
work=$(mktemp -d "$LUMORA_BUILD/vistrel-parts.XXXXXX")
trap 'rm -rf "$work"; lumora_stop_xvfb' EXIT
if [ -z "${DISPLAY:-}" ]; then lumora_start_xvfb; fi
lumora_ensure_prefix

export LUMORA_PARTS_OUT
LUMORA_PARTS_OUT=$(winepath -w "$work")
(cd "$LUMORA_BUILD/testbin" && wine vistrel_tests.exe --gtest_color=no \
  --gtest_filter='LongRecording.RollsOverIntoPartsThatHoldEveryFrameWritten' 2>/dev/null | tr -d '\r' | tail -3)
read -r parts written < <(tr -d '\r' < "$work/frames.txt")
echo "parts: $parts, frames written: $written"
[ "$parts" -ge 3 ] || { echo "expected several parts"; exit 1; }

decoded=0
for n in $(seq 1 "$parts"); do
  if [ "$n" -eq 1 ]; then avi="$work/screen.avi"; else avi="$work/screen-$n.avi"; fi
  [ -s "$avi" ] || { echo "part $n is missing"; exit 1; }
  stream=$(ffprobe -v error -show_entries stream=codec_name,time_base -of csv=p=0 "$avi")
  [ "$stream" = "msvideo1,1/200" ] || { echo "part $n: stream '$stream'"; exit 1; }
  first=$(ffprobe -v error -select_streams v -show_entries packet=flags -of csv=p=0 "$avi" | grep -v '^$' | head -1)
  [ "${first:0:1}" = "K" ] || { echo "part $n does not start with a key frame ($first)"; exit 1; }
  # Frames keep the stream's own 1/200 s time base: ffmpeg's guessed frame rate would give frames
  # closer than its guess the same time and warn about it, which says nothing about the file.
  errors=$(ffmpeg -nostdin -v error -xerror -i "$avi" -enc_time_base -1 -fps_mode passthrough -f null - 2>&1) || { echo "part $n: ffmpeg failed: $errors"; exit 1; }
  [ -z "$errors" ] || { echo "part $n: ffmpeg reports: $errors"; exit 1; }
  frames=$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$avi")
  echo "part $n: $(stat -c %s "$avi") bytes, $frames frames"
  decoded=$((decoded + frames))
done
echo "frames decoded: $decoded"
[ "$decoded" -eq "$written" ] || { echo "decoded $decoded frames, the recorder wrote $written"; exit 1; }

# The restart after the system compressor failed.
fallback="$work/fallback"
mkdir -p "$fallback"
LUMORA_PARTS_OUT=$(winepath -w "$fallback")
(cd "$LUMORA_BUILD/testbin" && wine vistrel_tests.exe --gtest_color=no \
  --gtest_filter='CompressorFallback.*' 2>/dev/null | tr -d '\r' | tail -3)
read -r before after < <(tr -d '\r' < "$fallback/fallback.txt")
n=1
for avi in "$fallback/screen.avi" "$fallback/screen-2.avi"; do
  [ "$n" -eq 1 ] && want=$before || want=$after
  stream=$(ffprobe -v error -show_entries stream=codec_name,codec_tag_string,time_base -of csv=p=0 "$avi")
  errors=$(ffmpeg -nostdin -v error -xerror -i "$avi" -enc_time_base -1 -fps_mode passthrough -f null - 2>&1) ||
    { echo "fallback part $n: ffmpeg failed: $errors"; exit 1; }
  [ -z "$errors" ] || { echo "fallback part $n: ffmpeg reports: $errors"; exit 1; }
  frames=$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$avi")
  echo "fallback part $n: $stream, $frames frames (written: $want)"
  [ "$stream" = "msvideo1,MSVC,1/200" ] || { echo "fallback part $n: stream '$stream'"; exit 1; }
  [ "$frames" -eq "$want" ] || { echo "fallback part $n: decoded $frames frames"; exit 1; }
  n=$((n + 1))
done
