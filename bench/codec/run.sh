#!/usr/bin/env bash
# Our MS Video 1 encoder against ffmpeg's (-c:v msvideo1, rgb555le input) on the same raw
# frames: frames per second of processor time (the machine is shared, so wall time would
# measure the others too), kilobytes per frame and PSNR of each decode (ffmpeg's psnr filter).
# Usage: bench/codec/run.sh [frames]   (builds msvc1_bench in $LUMORA_BUILD first)
# SIZES, SCENES, QUALITY (default 8000, the recorder's) narrow or change the run; NO_BUILD=1 uses the built program as it is.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
frames=${1:-60}
[ -n "${NO_BUILD:-}" ] || cmake --build "$LUMORA_BUILD" --target msvc1_bench -j2 >/dev/null
exe="$LUMORA_BUILD/bench/msvc1_bench.exe"
work="$LUMORA_BUILD/bench/codec-work"
mkdir -p "$work"
lumora_ensure_prefix
win() { echo "Z:${1//\//\\}"; }

# PSNR (average over the frames) of a decoded AVI cropped to the input's size.
psnr() {
  local avi=$1 raw=$2 w=$3 h=$4 y=$5
  ffmpeg -nostats -i "$avi" -f rawvideo -pix_fmt rgb555le -s "${w}x${h}" -i "$raw" \
    -lavfi "[0:v]crop=$w:$h:0:$y[a];[a][1:v]psnr" -f null - 2>&1 |
    sed -n 's/.*PSNR.*average:\([0-9.a-z]*\).*/\1/p'
}

printf '%-7s %-10s | %8s %9s %8s | %8s %9s %8s | %7s %7s\n' scene size \
  "our fps" "KB/frame" "PSNR dB" "ff fps" "KB/frame" "PSNR dB" "speed" "dB"
for size in ${SIZES:-1366x768 1920x1080}; do
  w=${size%x*} h=${size#*x}
  pw=$(( (w + 3) / 4 * 4 )) ph=$(( (h + 3) / 4 * 4 ))
  for scene in ${SCENES:-slide scroll pan still}; do
    n=$frames
    [ "$scene" = still ] && n=$(( frames * 5 ))
    raw="$work/$scene-$size.raw"
    wine "$exe" generate "$scene" "$w" "$h" "$n" "$(win "$raw")"
    ours=$(wine "$exe" encode "$(win "$raw")" "$w" "$h" "$n" "$(win "$work/ours-$scene-$size.avi")" ${QUALITY:-8000} | tr -d '\r')
    our_fps=$(sed -n 's/fps=\([0-9.]*\).*/\1/p' <<<"$ours")
    our_kb=$(sed -n 's/.*bytes=\([0-9]*\).*/\1/p' <<<"$ours" | awk '{printf "%.1f", $1 / 1024}')
    our_psnr=$(psnr "$work/ours-$scene-$size.avi" "$raw" "$w" "$h" $((ph - h)))

    theirs="$work/ffmpeg-$scene-$size.avi"
    cpu=$(ffmpeg -nostats -threads 1 -benchmark -f rawvideo -pix_fmt rgb555le -s "$size" -r 25 -i "$raw" \
              -vf "pad=$pw:$ph" -c:v msvideo1 -y "$theirs" 2>&1 | sed -n 's/.*utime=\([0-9.]*\)s stime=\([0-9.]*\)s.*/\1 \2/p')
    ff_fps=$(awk -v n="$n" -v t="$cpu" 'BEGIN { split(t, a, " "); printf "%.1f", n / (a[1] + a[2]) }')
    ff_kb=$(ffprobe -v error -select_streams v -show_entries packet=size -of csv=p=0 "$theirs" |
            awk -v n="$n" '{ s += $1 } END { printf "%.1f", s / n / 1024 }')
    ff_psnr=$(psnr "$theirs" "$raw" "$w" "$h" 0)

    speed=$(awk -v a="$our_fps" -v b="$ff_fps" 'BEGIN { printf "%.1fx", a / b }')
    gain=$(awk -v a="$our_psnr" -v b="$ff_psnr" 'BEGIN { if (a == "inf" || b == "inf") print "-"; else printf "%+.1f", a - b }')
    printf '%-7s %-10s | %8s %9s %8s | %8s %9s %8s | %7s %7s\n' "$scene" "$size" \
      "$our_fps" "$our_kb" "$our_psnr" "$ff_fps" "$ff_kb" "$ff_psnr" "$speed" "$gain"
    rm -f "$raw"
  done
done
