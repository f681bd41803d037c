#!/usr/bin/env bash
# Runs the recovery tests with LUMORA_RECOVERY_OUT set, so that they keep their repaired files,
# and decodes each with ffmpeg (-xerror, no word on stderr) and counts its frames with ffprobe:
# a repaired file must decode like the complete recording it was cut from, less the pictures the
# test tore off ("<reference> <pictures lost> [sound]" in name.txt).
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
out=$(mktemp -d "$LUMORA_BUILD/recovery-check.XXXXXX")
trap 'rm -rf "$out"; lumora_stop_xvfb' EXIT
if [ -z "${DISPLAY:-}" ]; then lumora_start_xvfb; fi
lumora_ensure_prefix
export LUMORA_RECOVERY_OUT="Z:${out//\//\\}"
(cd "$LUMORA_BUILD/testbin" && wine recovery_tests.exe --gtest_color=no)

frames() {
  ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$1"
}
decodes_cleanly() {
  local errors
  errors=$(ffmpeg -v error -xerror -i "$1" -f null - 2>&1) && [ -z "$errors" ] ||
    { echo "$(basename "$1"): ffmpeg: $errors"; return 1; }
}

checked=0
for expectation in "$out"/*.txt; do
  file=${expectation%.txt}
  read -r reference lost sound <"$expectation"
  decodes_cleanly "$out/$reference"
  decodes_cleanly "$file"
  codec=$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,pix_fmt,time_base -of csv=p=0 "$file")
  [ "$codec" = "$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,pix_fmt,time_base -of csv=p=0 "$out/$reference")" ] ||
    { echo "$(basename "$file"): stream $codec differs from the complete recording's"; exit 1; }
  want=$(( $(frames "$out/$reference") - lost ))
  got=$(frames "$file")
  echo "$(basename "$file"): $codec, $got frames decoded (complete recording less $lost: $want)"
  [ "$got" = "$want" ] || { echo "wrong frame count"; exit 1; }
  if [ "${sound:-}" = sound ]; then
    audio=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$file")
    bytes=$(ffmpeg -v error -xerror -i "$file" -map 0:a -f s16le - | wc -c)
    echo "  sound: $audio, $bytes bytes decoded"
    [ "$audio" = pcm_s16le,22050,2 ] && [ "$bytes" = 52920 ] ||
      { echo "expected 0.6 s (52920 bytes) of 16-bit stereo 22050 Hz sound"; exit 1; }
  fi
  checked=$((checked + 1))
done
[ "$checked" -ge 4 ] || { echo "only $checked repaired files were kept"; exit 1; }
echo "$checked repaired files decode cleanly"
