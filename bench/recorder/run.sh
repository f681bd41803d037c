#!/usr/bin/env bash
# The recorder's frames per second at full screen on Xvfb at 1366 x 768 and 1920 x 1080 for a
# still slide, a slide with typing and a moving pointer, and a fully changing picture; and the
# megabytes per minute of screen.avi, with what that makes per hour and for a three-hour lecture
# (all parts of the recording together). Median of 3 runs of 8 seconds each; for the size per
# hour take longer runs, since every run starts with a full key frame:
#   VISTREL_BENCH_SECONDS=60 VISTREL_BENCH_RUNS=1 bench/recorder/run.sh
# Usage: bench/recorder/run.sh   (LUMORA_BUILD names the build folder)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
lumora_ensure_prefix
bench="$LUMORA_BUILD/bench/vistrel_bench.exe"
[ -f "$bench" ] || cmake --build "$LUMORA_BUILD" --target vistrel_bench
work=$(mktemp -d "$LUMORA_BUILD/vistrel-bench.XXXXXX")
export WINEPATH="Z:$LUMORA_BUILD/dist"
seconds=${VISTREL_BENCH_SECONDS:-8}
runs=${VISTREL_BENCH_RUNS:-3}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-11s %-9s %8s %10s %9s %7s %8s\n' size scene fps 'MB/min' 'MB/hour' '3h GB' frames
for size in 1366x768 1920x1080; do
  lumora_stop_xvfb
  unset DISPLAY
  for n in $(seq 150 190); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  LUMORA_XVFB_PID=$!
  export DISPLAY=":$n"
  sleep 1
  for scene in still slide changing; do
    fps_list=""; mb_list=""; frames_list=""
    for run in $(seq 1 "$runs"); do
      avi="$work/$scene-$size-$run.avi"
      read -r frames ms _ < <(wine "$bench" "$scene" $((seconds * 1000)) "$(winepath -w "$avi")" 2>/dev/null | tr -d '\r')
      # A recording longer than a part is several files: screen.avi, screen-2.avi, ...
      bytes=$({ stat -c %s "$avi" "${avi%.avi}"-[0-9]*.avi 2>/dev/null || true; } | awk '{ s += $1 } END { print s + 0 }')
      fps_list+="$(awk -v f="$frames" -v m="$ms" 'BEGIN { printf "%.1f", f * 1000 / m }')"$'\n'
      mb_list+="$(awk -v b="$bytes" -v m="$ms" 'BEGIN { printf "%.2f", b / 1048576 * 60000 / m }')"$'\n'
      frames_list+="$frames"$'\n'
      rm -f "$avi" "${avi%.avi}"-[0-9]*.avi
    done
    mb=$(printf '%s' "$mb_list" | median)
    printf '%-11s %-9s %8s %10s %9s %7s %8s\n' "$size" "$scene" "$(printf '%s' "$fps_list" | median)" \
      "$mb" "$(awk -v m="$mb" 'BEGIN { printf "%.0f", m * 60 }')" \
      "$(awk -v m="$mb" 'BEGIN { printf "%.2f", m * 180 / 1024 }')" "$(printf '%s' "$frames_list" | median)"
  done
done
lumora_stop_xvfb
rm -rf "$work"
