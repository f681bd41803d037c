#!/usr/bin/env bash
# Records five seconds with sound source 1 through Vistrel's exports from a real host process
# that forwards MM_WIM_DATA, with a microphone that hears a 1 kHz tone in real time.
# The final AVI must hold an MS Video 1 stream and a PCM stream of 22050 Hz, 2 channels,
# 16 bits holding exactly the sound forwarded while recording, of the picture's length within
# half a second, the tone audible (RMS above -30 dBFS by sox) at 1 kHz, and no temporary file
# may be left.
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
source "$LUMORA_SOURCE/scripts/paced-sound.sh"
work=$(mktemp -d "$LUMORA_BUILD/vistrel-mic.XXXXXX")
trap 'lumora_stop_paced_sound; rm -rf "$work"; lumora_stop_xvfb' EXIT
if [ -z "${DISPLAY:-}" ]; then lumora_start_xvfb; fi
lumora_ensure_prefix
lumora_start_paced_sound "$work/sound"

avi="$work/screen.avi"
read -r _ _ delivered recorded_ms < <(cd "$LUMORA_BUILD/testbin" &&
  wine vistrel_record_host.exe "$(winepath -w "$avi")" 5000 1 2>/dev/null | tr -d '\r')
echo "sound forwarded to the library: $delivered bytes in $recorded_ms ms"
[ -s "$avi" ] || { echo "no file was written"; exit 1; }
streams=$(ffprobe -v error -show_entries stream=codec_type,codec_name,sample_rate,channels,bits_per_sample -of csv=p=0 "$avi")
echo "streams:"; echo "$streams"
echo "$streams" | grep -q '^msvideo1,video' || { echo "no MS Video 1 stream"; exit 1; }
echo "$streams" | grep -q '^pcm_s16le,audio,22050,2,16$' || { echo "no PCM 22050 Hz stereo 16-bit stream"; exit 1; }
[ "$(echo "$streams" | wc -l)" -eq 2 ] || { echo "expected two streams"; exit 1; }

ffmpeg -v error -i "$avi" -map a:0 "$work/sound.wav"
video=$(ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 "$avi")
audio=$(soxi -D "$work/sound.wav")
echo "video ${video}s, sound ${audio}s"
# Every buffer forwarded while recording is in the file, once (one buffer of slack at the stop).
awk -v a="$audio" -v d="$delivered" 'BEGIN { b = a * 88200 - d; if (b < 0) b = -b; exit !(d > 0 && b <= 4000) }' ||
  { echo "the file's sound is not what the device delivered"; exit 1; }

awk -v v="$video" -v a="$audio" 'BEGIN { d = v - a; if (d < 0) d = -d; exit !(d <= 0.5 && a >= 4) }' ||
  { echo "picture and sound differ in length"; exit 1; }

stats=$(sox "$work/sound.wav" -n remix 1 stat 2>&1)
rms=$(echo "$stats" | awk -F: '/RMS +amplitude/ { gsub(/ /, "", $2); print $2 }')
freq=$(echo "$stats" | awk -F: '/Rough +frequency/ { gsub(/ /, "", $2); print $2 }')
echo "RMS amplitude $rms, rough frequency $freq Hz"
awk -v r="$rms" 'BEGIN { exit !(r > 0.0316) }' || { echo "the tone is not audible in the recording"; exit 1; }
awk -v f="$freq" 'BEGIN { exit !(f > 950 && f < 1050) }' || { echo "the tone is not at 1 kHz"; exit 1; }

left=$(find "$work" "$WINEPREFIX/drive_c/windows/temp" -maxdepth 1 \( -name '~temp*.avi' -o -name '~temp*.wav' \) | wc -l)
[ "$left" -eq 0 ] || { echo "temporary files left behind"; exit 1; }
echo "microphone recording merged"
