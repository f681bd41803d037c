#!/usr/bin/env bash
# Our MS Video 1 encoder against ffmpeg's (-c:v msvideo1, rgb555le input) on the same raw frames.
# First table, at the recorder's quality: frames per second of processor time (all threads of
# the process; the machine is shared, so wall time would measure the others too) on one thread
# and on one thread per processor, the wall-time frames per second on one thread per processor
# (what the recorder gets when the machine is otherwise idle), kilobytes per frame and PSNR of
# each decode (ffmpeg's psnr filter); ffmpeg's encoder runs on one thread.
# Second table, rate against distortion: our quality swept, and our PSNR at the bytes per frame
# that ffmpeg's encoder produced, interpolated on our curve (linear in the logarithm of the size).
# Third table, the recorder's data-rate budget: each scene recorded for BUDGET_SECONDS (12) as if
# its pictures came at FPS (40) a second, without a budget and with one of BUDGET (120) MB a
# minute at 1920 x 1080: megabytes a minute (as the recorder's file would hold them, with the
# AVI's chunk and index entries of every 5 ms position), PSNR over every picture offered (a
# picture the budget left out is compared with the one the player still shows), the share of
# pictures written and of pictures written below quality 8000, and whether the file is the same
# as without the budget.
# Usage: bench/codec/run.sh [frames]   (builds msvc1_bench in $LUMORA_BUILD first)
# SIZES, SCENES, QUALITY (default 8000, the recorder's) and QUALITIES (the sweep; none leaves it
# out) narrow or change the run, BUDGET_SCENES (none leaves the third table out) the third; NO_BUILD=1 uses the built program as it is; EXE names another build of msvc1_bench.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
echo "Machine: $(nproc) processors, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "Load at the start: $(uptime | sed 's/.*load average/load average/')"
frames=${1:-60}
[ -n "${NO_BUILD:-}" ] || [ -n "${EXE:-}" ] || cmake --build "$LUMORA_BUILD" --target msvc1_bench -j2 >/dev/null
exe=${EXE:-$LUMORA_BUILD/bench/msvc1_bench.exe}
work="$LUMORA_BUILD/bench/codec-work"
mkdir -p "$work"
lumora_ensure_prefix
win() { echo "Z:${1//\//\\}"; }
quality=${QUALITY:-8000}
qualities=${QUALITIES:-0 1000 2000 3000 4000 5000 6000 7000 8000 9000 9500 10000}

# PSNR (average over the frames) of a decoded AVI cropped to the input's size.
psnr() {
  local avi=$1 raw=$2 w=$3 h=$4 y=$5
  ffmpeg -nostats -i "$avi" -f rawvideo -pix_fmt rgb555le -s "${w}x${h}" -i "$raw" \
    -lavfi "[0:v]crop=$w:$h:0:$y[a];[a][1:v]psnr" -f null - 2>&1 |
    sed -n 's/.*PSNR.*average:\([0-9.a-z]*\).*/\1/p' | awk '{ if ($1 == "inf") print "inf"; else printf "%.2f\n", $1 }'
}
field() { sed -n "s/\(^\|.* \)$1=\([0-9.]*\).*/\2/p" <<<"$2"; }

speed_table=""
rd_table=""
for size in ${SIZES:-1366x768 1920x1080}; do
  w=${size%x*} h=${size#*x}
  pw=$(( (w + 3) / 4 * 4 )) ph=$(( (h + 3) / 4 * 4 ))
  for scene in ${SCENES:-slide scroll pan still}; do
    n=$frames
    [ "$scene" = still ] && n=$(( frames * 5 ))
    raw="$work/$scene-$size.raw"
    wine "$exe" generate "$scene" "$w" "$h" "$n" "$(win "$raw")"
    one=$(wine "$exe" encode "$(win "$raw")" "$w" "$h" "$n" "$(win "$work/ours-$scene-$size.avi")" "$quality" 1 | tr -d '\r')
    all=$(wine "$exe" encode "$(win "$raw")" "$w" "$h" "$n" "$(win "$work/ours-$scene-$size.avi")" "$quality" 0 | tr -d '\r')
    our_kb=$(field bytes "$all" | awk '{printf "%.1f", $1 / 1024}')
    our_psnr=$(psnr "$work/ours-$scene-$size.avi" "$raw" "$w" "$h" $((ph - h)))

    theirs="$work/ffmpeg-$scene-$size.avi"
    cpu=$(ffmpeg -nostats -threads 1 -benchmark -f rawvideo -pix_fmt rgb555le -s "$size" -r 25 -i "$raw" \
              -vf "pad=$pw:$ph" -c:v msvideo1 -y "$theirs" 2>&1 | sed -n 's/.*utime=\([0-9.]*\)s stime=\([0-9.]*\)s.*/\1 \2/p')
    ff_fps=$(awk -v n="$n" -v t="$cpu" 'BEGIN { split(t, a, " "); printf "%.1f", n / (a[1] + a[2]) }')
    ff_bytes=$(ffprobe -v error -select_streams v -show_entries packet=size -of csv=p=0 "$theirs" |
               awk -v n="$n" '{ s += $1 } END { printf "%.0f", s / n }')
    ff_kb=$(awk -v b="$ff_bytes" 'BEGIN { printf "%.1f", b / 1024 }')
    ff_psnr=$(psnr "$theirs" "$raw" "$w" "$h" 0)

    speed=$(awk -v a="$(field fps "$one")" -v b="$ff_fps" 'BEGIN { printf "%.1fx", a / b }')
    speed_table+=$(printf '%-7s %-10s | %8s %8s %8s %3s | %8s %8s | %8s %8s %8s | %7s' "$scene" "$size" \
      "$(field fps "$one")" "$(field fps "$all")" "$(field wallfps "$all")" "$(field threads "$all")" "$our_kb" "$our_psnr" \
      "$ff_fps" "$ff_kb" "$ff_psnr" "$speed")$'\n'

    if [ "$scene" != still ] && [ "$qualities" != none ]; then
      # Our curve: bytes per frame and PSNR at each quality of the sweep.
      curve=""
      for q in $qualities; do
        out=$(wine "$exe" encode "$(win "$raw")" "$w" "$h" "$n" "$(win "$work/sweep.avi")" "$q" 0 0 | tr -d '\r')
        curve+="$q $(field bytes "$out") $(psnr "$work/sweep.avi" "$raw" "$w" "$h" $((ph - h)))"$'\n'
      done
      at_ff=$(printf '%s' "$curve" | sort -k2,2n | awk -v target="$ff_bytes" '
        { q[NR] = $1; b[NR] = log($2); p[NR] = ($3 == "inf" ? 99 : $3) }
        END {
          t = log(target)
          if (t < b[1]) { printf "<%.1f (q%d %.1fKB)", p[1], q[1], exp(b[1]) / 1024; exit }
          if (t > b[NR]) { printf ">%.1f (q%d %.1fKB)", p[NR], q[NR], exp(b[NR]) / 1024; exit }
          for (i = 1; i < NR; ++i)
            if (t >= b[i] && t <= b[i + 1]) {
              f = b[i + 1] > b[i] ? (t - b[i]) / (b[i + 1] - b[i]) : 0
              printf "%.1f", p[i] + f * (p[i + 1] - p[i]); exit
            }
        }')
      # Outside our curve the figure is a bound: ">" where even our best quality is smaller.
      gain=$(awk -v a="$at_ff" -v b="$ff_psnr" 'BEGIN { split(a, v, " "); x = v[1]; s = substr(x, 1, 1)
        if (s == ">" || s == "<") printf "%s%+.1f", s, substr(x, 2) - b; else printf "%+.1f", x - b }')
      points=$(printf '%s' "$curve" | awk '{ printf "%s%d:%.0fKB/%.1f", (NR > 1 ? " " : ""), $1 / 100, $2 / 1024, $3 }')
      rd_table+=$(printf '%-7s %-10s | %8s %8s | %14s %6s | %s' "$scene" "$size" "$ff_kb" "$ff_psnr" "$at_ff" "$gain" "$points")$'\n'
    fi
    rm -f "$raw"
  done
done

budget_table=""
budget_fps=${FPS:-40}
budget_mb=${BUDGET:-120}
budget_frames=$(( budget_fps * ${BUDGET_SECONDS:-12} ))
# PSNR over every picture of scene $1 at size $2 x $3 against the decoded AVI $4 (padded by $5 rows).
scene_psnr() {
  wine "$exe" generate "$1" "$2" "$3" "$budget_frames" - 2>/dev/null |
    ffmpeg -nostats -i "$4" -f rawvideo -pix_fmt rgb555le -s "${2}x$3" -framerate "$budget_fps" -i - \
      -lavfi "[0:v]crop=$2:$3:0:$5[a];[a][1:v]psnr" -f null - 2>&1 |
    sed -n 's/.*PSNR.*average:\([0-9.a-z]*\).*/\1/p' | awk '{ if ($1 == "inf") print "inf"; else printf "%.2f\n", $1 }'
}
if [ "${BUDGET_SCENES:-}" != none ]; then
  for size in ${SIZES:-1366x768 1920x1080}; do
    w=${size%x*} h=${size#*x}
    ph=$(( (h + 3) / 4 * 4 ))
    for scene in ${BUDGET_SCENES:-slide scroll pan bands}; do
      without=$(wine "$exe" budget "$scene" "$w" "$h" "$budget_frames" "$budget_fps" 0 "$(win "$work/budget-0.avi")" | tr -d '\r')
      with=$(wine "$exe" budget "$scene" "$w" "$h" "$budget_frames" "$budget_fps" "$budget_mb" "$(win "$work/budget-on.avi")" | tr -d '\r')
      same=no
      cmp -s "$work/budget-0.avi" "$work/budget-on.avi" && same=yes
      budget_table+=$(printf '%-7s %-10s | %8s %8s | %8s %8s %8s %8s | %5s' "$scene" "$size" \
        "$(field mbmin "$without")" "$(scene_psnr "$scene" "$w" "$h" "$work/budget-0.avi" $((ph - h)))" \
        "$(field mbmin "$with")" "$(scene_psnr "$scene" "$w" "$h" "$work/budget-on.avi" $((ph - h)))" \
        "$(field written "$with")%" "$(field lowered "$with")%" "$same")$'\n'
      rm -f "$work"/budget-*.avi
    done
  done
fi

echo
echo "At quality $quality (fps: frames per second of processor time; wall fps: on all threads in wall time, which the load above lowers)"
printf '%-7s %-10s | %8s %8s %8s %3s | %8s %8s | %8s %8s %8s | %7s\n' scene size \
  "fps 1thr" "fps Nthr" "wall fps" thr "KB/frame" "PSNR dB" "ff fps" "KB/frame" "PSNR dB" "speed"
printf '%s' "$speed_table"
echo
echo "Rate against distortion: our PSNR at ffmpeg's bytes per frame (sweep as quality/100:KB/PSNR)"
printf '%-7s %-10s | %8s %8s | %14s %6s | %s\n' scene size "ff KB" "ff dB" "ours at ff KB" gain "our curve"
printf '%s' "$rd_table"
if [ -n "$budget_table" ]; then
  echo
  echo "The recorder's budget of $budget_mb MB a minute at 1920x1080 (scaled by pixels), pictures offered at $budget_fps a second"
  printf '%-7s %-10s | %8s %8s | %8s %8s %8s %8s | %5s\n' scene size "MB/min" "PSNR dB" "MB/min" "PSNR dB" written "<8000" same
  printf '%-7s %-10s | %17s | %35s |\n' "" "" "without budget" "with budget"
  printf '%s' "$budget_table"
fi
echo "Load at the end: $(uptime | sed 's/.*load average/load average/')"
