#!/usr/bin/env bash
# Records five seconds with sound source 1 through Vistrel's exports from a real host process
# that forwards MM_WIM_DATA, with a microphone that hears a 1 kHz tone in real time.
# The final AVI must hold an MS Video 1 stream and a PCM stream of 22050 Hz, 2 channels,
# 16 bits holding exactly the sound forwarded while recording, of the picture's length within
# half a second, the tone audible (RMS above -30 dBFS by sox) at 1 kHz, and no temporary file
# may be left.
set -euo pipefail
source "$LUMORA_SOURCE/tests/recorder/recorded_sound.sh"
begin_sound_recording_check vistrel-mic

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
check_tone_beside_picture "$work/sound.wav" "$avi"
# Every buffer forwarded while recording is in the file, once (one buffer of slack at the stop).
audio=$(soxi -D "$work/sound.wav")
awk -v a="$audio" -v d="$delivered" 'BEGIN { b = a * 88200 - d; if (b < 0) b = -b; exit !(d > 0 && b <= 4000) }' ||
  { echo "the file's sound is not what the device delivered"; exit 1; }
check_no_temporary_files "$work"
echo "microphone recording merged"
