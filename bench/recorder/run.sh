#!/usr/bin/env bash
# The recorder at full screen on Xvfb at 1366 x 768 and 1920 x 1080 for a still slide, a slide
# with typing and a moving pointer, and a fully changing picture: the bare grab rate (screen to
# packed DIB, nothing else: the ceiling), the recorder's frames per second and its share of that
# ceiling, the megabytes per minute of screen.avi (all parts of the recording together) with what
# that makes for a three-hour lecture, the processor share of the process (100 % is one whole
# core), and where a frame's time goes (milliseconds per frame taken). Medians of 3 runs of 8
# seconds each; for the size per hour take longer runs, since every run starts with a full key
# frame:  VISTREL_BENCH_SECONDS=60 VISTREL_BENCH_RUNS=1 bench/recorder/run.sh
# Usage: bench/recorder/run.sh   (LUMORA_BUILD names the build folder; NO_BUILD=1 uses the
# built program as it is; SIZES and SCENES narrow the run)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
echo "Load at the start: $(uptime | sed 's/.*load average/load average/')"
lumora_ensure_prefix
bench="$LUMORA_BUILD/bench/vistrel_bench.exe"
[ -n "${NO_BUILD:-}" ] || cmake --build "$LUMORA_BUILD" --target vistrel_bench -j2 >/dev/null
work=$(mktemp -d "$LUMORA_BUILD/vistrel-bench.XXXXXX")
seconds=${VISTREL_BENCH_SECONDS:-8}
runs=${VISTREL_BENCH_RUNS:-3}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Median of column $1 of the lines on standard input.
column_median() { awk -v c="$1" '{ print $c }' | median; }

# "paused" is the ceiling that the 5 ms pause after every frame leaves: one bare grab plus the
# measured wait per frame; "p.share" is the recorder's share of it.
printf '%-10s %-9s %8s %7s %6s %7s %7s %7s %6s %5s | %6s %6s %6s %6s %6s  (ms per frame)\n' size scene 'grab/s' \
  fps share paused p.share 'MB/min' '3h GB' 'cpu%' grab conv encode write wait
for size in ${SIZES:-1366x768 1920x1080}; do
  lumora_stop_xvfb
  unset DISPLAY
  for n in $(seq 150 190); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  LUMORA_XVFB_PID=$!
  export DISPLAY=":$n"
  sleep 1
  for scene in ${SCENES:-still slide changing}; do
    grab_list=""; lines=""
    for run in $(seq 1 "$runs"); do
      grab_list+="$(wine "$bench" grab "$scene" $((seconds * 1000)) 2>/dev/null | tr -d '\r')"$'\n'
      avi="$work/$scene-$size-$run.avi"
      read -r frames ms _ cpu taken grab conv encode write wait < <(wine "$bench" record "$scene" $((seconds * 1000)) \
        "$(winepath -w "$avi")" 2>/dev/null | tr -d '\r')
      # A recording longer than a part is several files: screen.avi, screen-2.avi, ...
      bytes=$({ stat -c %s "$avi" "${avi%.avi}"-[0-9]*.avi 2>/dev/null || true; } | awk '{ s += $1 } END { print s + 0 }')
      lines+="$(awk -v f="$frames" -v m="$ms" -v b="$bytes" 'BEGIN { printf "%.1f %.2f", f * 1000 / m, b / 1048576 * 60000 / m }') $cpu $grab $conv $encode $write $wait"$'\n'
      rm -f "$avi" "${avi%.avi}"-[0-9]*.avi
    done
    grab_rate=$(printf '%s' "$grab_list" | median)
    fps=$(printf '%s' "$lines" | column_median 1)
    mb=$(printf '%s' "$lines" | column_median 2)
    share=$(awk -v a="$fps" -v b="$grab_rate" 'BEGIN { printf "%.0f%%", 100 * a / b }')
    wait_ms=$(printf '%s' "$lines" | column_median 8)
    paused=$(awk -v g="$grab_rate" -v w="$wait_ms" 'BEGIN { printf "%.1f", 1000 / (1000 / g + w) }')
    paused_share=$(awk -v a="$fps" -v b="$paused" 'BEGIN { printf "%.0f%%", 100 * a / b }')
    printf '%-10s %-9s %8s %7s %6s %7s %7s %7s %6s %5s | %6s %6s %6s %6s %6s\n' "$size" "$scene" "$grab_rate" "$fps" \
      "$share" "$paused" "$paused_share" \
      "$mb" "$(awk -v m="$mb" 'BEGIN { printf "%.2f", m * 180 / 1024 }')" "$(printf '%s' "$lines" | column_median 3)" \
      "$(printf '%s' "$lines" | column_median 4)" "$(printf '%s' "$lines" | column_median 5)" \
      "$(printf '%s' "$lines" | column_median 6)" "$(printf '%s' "$lines" | column_median 7)" "$wait_ms"
  done
done
lumora_stop_xvfb
rm -rf "$work"
echo "Load at the end: $(uptime | sed 's/.*load average/load average/')"
