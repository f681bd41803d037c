#!/usr/bin/env bash
# Records five seconds with sound source 2 (the MCI waveaudio device) through Vistrel's exports
# from a real host process, with a recording device that hears a 1 kHz tone in real time.
# The host must come through the stop and the merge, the picture must be in the final AVI and
# no recorded sound may be lost: either the AVI holds a PCM stream too, or (when the merge is
# refused) the sound lies beside it as "<final>.wav". Either way the sound lasts as long as the
# picture within half a second, holds the tone, and no temporary file is left.
set -euo pipefail
source "$LUMORA_SOURCE/tests/recorder/recorded_sound.sh"
begin_sound_recording_check vistrel-mci

avi="$work/screen.avi"
result=$(cd "$LUMORA_BUILD/testbin" &&
  wine vistrel_record_host.exe "$(winepath -w "$avi")" 5000 2 2>/dev/null | tr -d '\r') ||
  { echo "the host did not come through the recording"; exit 1; }
[ -n "$result" ] || { echo "the host did not finish"; exit 1; }
[ -s "$avi" ] || { echo "no file was written"; exit 1; }
streams=$(ffprobe -v error -show_entries stream=codec_type,codec_name,sample_rate,channels -of csv=p=0 "$avi")
echo "streams:"; echo "$streams"
echo "$streams" | grep -q '^msvideo1,video' || { echo "no MS Video 1 stream"; exit 1; }
if echo "$streams" | grep -q ',audio,'; then
  echo "outcome: picture and sound merged into one file"
  ffmpeg -v error -i "$avi" -map a:0 "$work/sound.wav"
elif [ -s "$avi.wav" ]; then
  echo "outcome: the merge was refused; the picture is the final file, the sound lies beside it"
  cp "$avi.wav" "$work/sound.wav"
else
  echo "the recorded sound is lost"
  exit 1
fi
echo "sound format: $(soxi -r "$work/sound.wav") Hz, $(soxi -c "$work/sound.wav") channels, $(soxi -b "$work/sound.wav") bits"

check_tone_beside_picture "$work/sound.wav" "$avi"
check_no_temporary_files "$work"
echo "system sound recording kept"
