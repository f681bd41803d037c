#!/usr/bin/env bash
# Microphone recordings in parts (the part size lowered to a few kilobytes by the tests), one of
# them restarted after a failed write, with a microphone that hears a 1 kHz tone in real time.
# Every part must decode without an error (-xerror, nothing on stderr) and hold an MS Video 1
# stream and a PCM stream whose lengths agree within 0.3 s and whose sound holds the tone.
set -euo pipefail
source "$LUMORA_SOURCE/tests/recorder/recorded_sound.sh"
begin_sound_recording_check vistrel-sound-parts

export LUMORA_PARTS_OUT
LUMORA_PARTS_OUT=$(winepath -w "$work")
(cd "$LUMORA_BUILD/testbin" && wine vistrel_tests.exe --gtest_color=no \
  --gtest_filter='SoundParts.*' 2>/dev/null | tr -d '\r' | tail -3)

checked=0
for folder in "$work"/*/; do
  [ -s "$folder/parts.txt" ] || continue
  parts=$(tr -d '\r' < "$folder/parts.txt")
  echo "$(basename "$folder"): $parts parts"
  total_video=0 total_audio=0
  for n in $(seq 1 "$parts"); do
    if [ "$n" -eq 1 ]; then avi="$folder/screen.avi"; else avi="$folder/screen-$n.avi"; fi
    [ -s "$avi" ] || { echo "part $n is missing"; exit 1; }
    streams=$(ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$avi" | tr '\n' ' ')
    [ "$streams" = "msvideo1 pcm_s16le,22050,2 " ] || { echo "part $n: streams '$streams'"; exit 1; }
    errors=$(ffmpeg -nostdin -v error -xerror -i "$avi" -enc_time_base -1 -fps_mode passthrough -f null - 2>&1) ||
      { echo "part $n: ffmpeg failed: $errors"; exit 1; }
    [ -z "$errors" ] || { echo "part $n: ffmpeg reports: $errors"; exit 1; }
    video=$(ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 "$avi")
    # The sound's length as its header gives it (ffprobe gives no duration for PCM in AVI, but
    # the header's length as nb_frames), and as its decoded samples give it.
    samples=$(ffprobe -v error -select_streams a:0 -show_entries stream=nb_frames -of csv=p=0 "$avi")
    audio=$(awk -v s="$samples" 'BEGIN { printf "%.6f", s / 22050 }')
    ffmpeg -nostdin -v error -y -i "$avi" -map a:0 "$folder/part-$n.wav"
    decoded=$(soxi -D "$folder/part-$n.wav")
    rms=$(sox "$folder/part-$n.wav" -n remix 1 stat 2>&1 | awk -F: '/RMS +amplitude/ { gsub(/ /, "", $2); print $2 }')
    echo "  part $n: picture ${video}s, sound ${audio}s (${decoded}s decoded), sound RMS $rms"
    awk -v v="$video" -v a="$audio" -v s="$decoded" 'BEGIN { d = v - a; if (d < 0) d = -d; e = a - s; if (e < 0) e = -e;
      exit !(d <= 0.3 && e < 0.001 && a > 0) }' || { echo "part $n: picture and sound differ in length"; exit 1; }
    awk -v r="$rms" 'BEGIN { exit !(r > 0.0316) }' || { echo "part $n: the tone is not audible"; exit 1; }
    total_video=$(awk -v t="$total_video" -v v="$video" 'BEGIN { print t + v }')
    total_audio=$(awk -v t="$total_audio" -v a="$audio" 'BEGIN { print t + a }')
  done
  echo "  all parts: picture ${total_video}s, sound ${total_audio}s"
  checked=$((checked + 1))
done
[ "$checked" -eq 2 ] || { echo "expected two recordings, found $checked"; exit 1; }
check_no_temporary_files "$work"
echo "every part carries its own sound"
