# Sourced by the recording checks: their set-up, and what a recording with sound must hold.
source "$LUMORA_SOURCE/scripts/env.sh"
source "$LUMORA_SOURCE/scripts/paced-sound.sh"

# begin_sound_recording_check <name>: a work folder in $work, a display, the prefix and a
# recording device that keeps real time; all of it ends with the script.
begin_sound_recording_check() {
  work=$(mktemp -d "$LUMORA_BUILD/$1.XXXXXX")
  trap 'lumora_stop_paced_sound; rm -rf "$work"; lumora_stop_xvfb' EXIT
  if [ -z "${DISPLAY:-}" ]; then lumora_start_xvfb; fi
  lumora_ensure_prefix
  lumora_start_paced_sound "$work/sound"
}

# check_tone_beside_picture <wav> <avi>: the sound lasts at least 4 s and as long as the AVI's
# picture within half a second, and holds the device's tone, audible (RMS above -30 dBFS) at 1 kHz.
check_tone_beside_picture() {
  local wav="$1" avi="$2" video audio stats rms freq
  video=$(ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 "$avi")
  audio=$(soxi -D "$wav")
  echo "video ${video}s, sound ${audio}s"
  awk -v v="$video" -v a="$audio" 'BEGIN { d = v - a; if (d < 0) d = -d; exit !(d <= 0.5 && a >= 4) }' ||
    { echo "picture and sound differ in length"; return 1; }
  stats=$(sox "$wav" -n remix 1 stat 2>&1)
  rms=$(echo "$stats" | awk -F: '/RMS +amplitude/ { gsub(/ /, "", $2); print $2 }')
  freq=$(echo "$stats" | awk -F: '/Rough +frequency/ { gsub(/ /, "", $2); print $2 }')
  echo "RMS amplitude $rms, rough frequency $freq Hz"
  awk -v r="$rms" 'BEGIN { exit !(r > 0.0316) }' || { echo "the tone is not audible in the recording"; return 1; }
  awk -v f="$freq" 'BEGIN { exit !(f > 950 && f < 1050) }' || { echo "the tone is not at 1 kHz"; return 1; }
}

# check_no_temporary_files <output folder>: neither there nor in the temp folder.
check_no_temporary_files() {
  local left
  left=$(find "$1" "$WINEPREFIX/drive_c/windows/temp" -maxdepth 1 \( -name '~temp*.avi' -o -name '~temp*.wav' \) | wc -l)
  [ "$left" -eq 0 ] || { echo "temporary files left behind"; return 1; }
}
