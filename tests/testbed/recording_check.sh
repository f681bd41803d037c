#!/usr/bin/env bash
# Records three seconds of the test camera and microphone into the WM ASF Writer stand-in
# and checks the file with tools of its own: ffprobe (asf, one MS Video 1 and one PCM stream
# of about 3 s), ffmpeg (decodes without error), sox (the 440 Hz tone at its level) and
# ImageMagick (the picture moves).
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
out="$LUMORA_BUILD/testbed-out/recording"
rm -rf "$out"
mkdir -p "$out"
asf="$out/recording.asf"
fail() { echo "FAIL: $*" >&2; exit 1; }

LUMORA_TESTBED_ASF="Z:${asf//\//\\}" wine "$LUMORA_BUILD/testbin/testbed_recording.exe" --gtest_color=no
[ -s "$asf" ] || fail "no file written"

probe() { ffprobe -v error "$@" "$asf"; }
[ "$(probe -show_entries format=format_name -of csv=p=0)" = asf ] || fail "not read as asf"
[ "$(probe -select_streams v -show_entries stream=codec_name -of csv=p=0)" = msvideo1 ] || fail "video is not MS Video 1"
[ "$(probe -select_streams a -show_entries stream=codec_name -of csv=p=0)" = pcm_s16le ] || fail "sound is not 16-bit PCM"
[ "$(probe -show_entries stream=index -of csv=p=0 | wc -l)" = 2 ] || fail "not exactly two streams"
about_three() { awk -v d="$1" 'BEGIN { exit !(d >= 2.5 && d <= 3.6) }'; }
format_duration=$(probe -show_entries format=duration -of csv=p=0)
about_three "$format_duration" || fail "file lasts $format_duration s"
# The decoded streams' own lengths, from their last packets.
for kind in v a; do
  last=$(ffprobe -v error -select_streams $kind -show_entries packet=pts_time,duration_time -of csv=p=0 "$asf" |
         awk -F, '{ end = $1 + ($2 == "N/A" ? 0 : $2) } END { print end }')
  about_three "$last" || fail "stream $kind ends at $last s"
done

# The frame rate that the graph set through IAMStreamConfig (15 a second), not the default 30.
frames=$(probe -count_packets -select_streams v -show_entries stream=nb_read_packets -of csv=p=0)
awk -v n="$frames" -v d="$format_duration" 'BEGIN { exit !(n >= 13 * d && n <= 16 * d) }' ||
  fail "$frames frames in $format_duration s"

errors=$(ffmpeg -nostdin -v error -xerror -i "$asf" -f null - 2>&1 || echo "exit status $?")
[ -z "$errors" ] || fail "ffmpeg decoding: $errors"

ffmpeg -nostdin -v error -i "$asf" -vn -acodec pcm_s16le "$out/sound.wav"
rms=$(sox "$out/sound.wav" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
# sox estimates the frequency from zero crossings, of one channel at a time.
freq=$(sox "$out/sound.wav" -n remix 1 stat 2>&1 | awk '/Rough +frequency/ { print $3 }')
# A sine at half of full scale, silent a tenth of the time: RMS 0.5 / sqrt(2) * sqrt(0.9).
awk -v r="$rms" 'BEGIN { exit !(r > 0.30 && r < 0.37) }' || fail "tone RMS is $rms"
awk -v f="$freq" 'BEGIN { exit !(f > 400 && f < 480) }' || fail "tone frequency is $freq Hz"

ffmpeg -nostdin -v error -ss 0.5 -i "$asf" -frames:v 1 "$out/early.png"
ffmpeg -nostdin -v error -ss 2.0 -i "$asf" -frames:v 1 "$out/late.png"
changed=$(compare -metric AE -fuzz 10% "$out/early.png" "$out/late.png" null: 2>&1 || true)
[ "${changed%% *}" -gt 2000 ] 2>/dev/null || fail "picture does not move ($changed pixels changed)"
echo "asf ok: ${format_duration}s, $frames frames, tone RMS $rms at $freq Hz, $changed pixels moved"
