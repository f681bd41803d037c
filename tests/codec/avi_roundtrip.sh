#!/usr/bin/env bash
# Writes AVI files through AVIFIL32 with our MS Video 1 compressor, then checks them with
# ffprobe and ffmpeg: codec, size, key frames, a clean decode, and the pictures themselves.
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
exe="$LUMORA_BUILD/testbin/codec_avi_roundtrip.exe"
out="$LUMORA_BUILD/codec-roundtrip"
rm -rf "$out"
mkdir -p "$out"
export LUMORA_CODEC_OUT="Z:${out//\//\\}"
lumora_ensure_prefix

wine "$exe" --gtest_color=no --gtest_filter='Avi/Write.*'

failed=0
for info in "$out"/*.txt; do
  name=$(basename "$info" .txt)
  avi="$out/$name.avi"
  read -r width height frames keys <<<"$(cut -d' ' -f1-3 "$info") $(cut -d' ' -f4- "$info" | tr -d ' ')"
  stream=$(ffprobe -v error -select_streams v -show_entries stream=codec_name,width,height -of csv=p=0 "$avi")
  if [ "$stream" != "msvideo1,$width,$height" ]; then
    echo "$name: ffprobe sees '$stream', expected msvideo1,$width,$height"; failed=1
  fi
  seen=$(ffprobe -v error -select_streams v -show_entries packet=flags -of csv=p=0 "$avi" |
         sed -e 's/^K.*/1/' -e 's/^[^1].*/0/' | tr -d '\n')
  if [ "$seen" != "$keys" ]; then
    echo "$name: key frames '$seen', expected '$keys'"; failed=1
  fi
  if ! ffmpeg -v error -xerror -i "$avi" -f rawvideo -pix_fmt rgb555le -y "$out/$name.decoded.raw" \
       2>"$out/$name.ffmpeg.log" || [ -s "$out/$name.ffmpeg.log" ]; then
    echo "$name: ffmpeg could not decode it cleanly:"; cat "$out/$name.ffmpeg.log"; failed=1
  fi
done

wine "$exe" --gtest_color=no --gtest_filter='Avi/Compare.*' || failed=1
exit $failed
