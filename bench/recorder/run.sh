#!/usr/bin/env bash
# The recorder at full screen on Xvfb at 1366 x 768 and 1920 x 1080 for a still slide, a slide
# with typing and a moving pointer, and a fully changing picture, each recorded
#   "no budget" - by this build with ScreenBudgetMBPerMinute=0 in Setup.ini,
#   "budget"    - by this build with the default budget (120 MB a minute at 1920 x 1080),
#   "before"    - by the build in BASELINE (a build folder of the code before the pace and the
#                 budget, e.g. main's), when given, side by side in the same run.
# For each: the frames written and taken per second, the megabytes per minute of screen.avi (all
# parts together) and what that makes for a three-hour lecture, the processor share of the
# process (100 % is one whole core), the share of frames taken that were unchanged, the frames the
# budget left out and wrote below 8000, and where a frame's time goes (milliseconds per frame
# taken). "grab/s" is the bare grab rate (screen to packed DIB, nothing else). Medians of 3 runs of
# 8 seconds each. Then, per size, the change-to-file delay: a still slide whose square changes
# colour every 200 to 500 ms, recorded for DELAY_SECONDS (30), and the milliseconds from each
# change to the first frame in the file that shows it.
# For the size per hour take longer runs, since every run starts with a full key frame:
#   VISTREL_BENCH_SECONDS=60 VISTREL_BENCH_RUNS=1 bench/recorder/run.sh
# Usage: bench/recorder/run.sh   (LUMORA_BUILD names the build folder; NO_BUILD=1 uses the
# built program as it is; SIZES and SCENES narrow the run; BASELINE=<build folder>)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
echo "Machine: $(nproc) processors, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "Load at the start: $(uptime | sed 's/.*load average/load average/')"
lumora_ensure_prefix
bench="$LUMORA_BUILD/bench/vistrel_bench.exe"
[ -n "${NO_BUILD:-}" ] || cmake --build "$LUMORA_BUILD" --target vistrel_bench -j2 >/dev/null
baseline=""
if [ -n "${BASELINE:-}" ]; then
  baseline="$BASELINE/bench/vistrel_bench.exe"
  [ -f "$baseline" ] || { echo "no $baseline"; exit 1; }
fi
work=$(mktemp -d "$LUMORA_BUILD/vistrel-bench.XXXXXX")
setup="$LUMORA_BUILD/bench/Setup.ini"
trap 'rm -rf "$work" "$setup"; lumora_stop_xvfb' EXIT
seconds=${VISTREL_BENCH_SECONDS:-8}
runs=${VISTREL_BENCH_RUNS:-3}
delay_seconds=${DELAY_SECONDS:-30}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Median of column $1 of the lines on standard input.
column_median() { awk -v c="$1" '{ print $c }' | median; }
# The recording's budget as this build reads it.
budget() { printf '[Setup]\r\nScreenBudgetMBPerMinute=%s\r\n' "$1" >"$setup"; }

# One row: variant $1 runs program $2 on scene $3.
measure() {
  local variant=$1 exe=$2 scene=$3 lines="" run avi frames ms recorded cpu taken grab conv encode write wait compare unchanged left low bytes
  for run in $(seq 1 "$runs"); do
    avi="$work/$scene-$size-$run.avi"
    read -r frames ms recorded cpu taken grab conv encode write wait compare unchanged left low < <(wine "$exe" record \
      "$scene" $((seconds * 1000)) "$(winepath -w "$avi")" 2>/dev/null | tr -d '\r' | head -1)
    [ "$recorded" = "$size" ] || { echo "recorded a screen of '$recorded', not $size" >&2; exit 1; }
    # A recording longer than a part is several files: screen.avi, screen-2.avi, ...
    bytes=$({ stat -c %s "$avi" "${avi%.avi}"-[0-9]*.avi 2>/dev/null || true; } | awk '{ s += $1 } END { print s + 0 }')
    lines+="$(awk -v f="$frames" -v m="$ms" -v b="$bytes" -v t="$taken" -v u="${unchanged:-0}" 'BEGIN {
      printf "%.1f %.1f %.2f %.0f", f * 1000 / m, t * 1000 / m, b / 1048576 * 60000 / m, t ? 100 * u / t : 0 }') \
$cpu ${left:-0} ${low:-0} $grab $conv ${compare:--} $encode $write $wait"$'\n'
    rm -f "$avi" "${avi%.avi}"-[0-9]*.avi
  done
  local mb c
  mb=$(printf '%s' "$lines" | column_median 3)
  printf '%-10s %-9s %-9s %7s %7s %7s %7s %6s %6s %5s %5s %6s | %5s %5s %5s %6s %5s %5s\n' "$size" "$scene" "$variant" \
    "$grab_rate" "$(printf '%s' "$lines" | column_median 1)" "$(printf '%s' "$lines" | column_median 2)" "$mb" \
    "$(awk -v m="$mb" 'BEGIN { printf "%.2f", m * 180 / 1024 }')" "$(printf '%s' "$lines" | column_median 5)" \
    "$(printf '%s' "$lines" | column_median 4)%" "$(printf '%s' "$lines" | column_median 6)" \
    "$(printf '%s' "$lines" | column_median 7)" "$(printf '%s' "$lines" | column_median 8)" \
    "$(printf '%s' "$lines" | column_median 9)" "$(printf '%s' "$lines" | column_median 10)" \
    "$(printf '%s' "$lines" | column_median 11)" "$(printf '%s' "$lines" | column_median 12)" \
    "$(printf '%s' "$lines" | column_median 13)"
  c=$(printf '%s' "$lines" | column_median 5)
  eval "cpu_$variant_key=$c mb_$variant_key=$mb"
}

# The change-to-file delay: a recording of the blinking square, decoded by ffmpeg; for each change
# painted, the first frame after it that shows its colour at the square's centre. Prints the
# changes found, the median, the 99th percentile and the largest delay in ms, and the changes
# that no frame showed before the next one came. KEEP_DELAYS=<folder> keeps the lists.
delays() {
  local avi="$work/blink.avi" cx cy
  wine "$bench" record blink $((delay_seconds * 1000)) "$(winepath -w "$avi")" >/dev/null 2>&1
  read -r cx cy < <(wine "$bench" square 2>/dev/null | tr -d '\r')
  ffmpeg -nostdin -i "$avi" -fps_mode passthrough -vf "crop=1:1:$cx:$cy,format=gbrp,showinfo" -f null - 2>&1 |
    sed -n 's/.* pts: *\([0-9]*\) .*mean:\[\([0-9.]*\) \([0-9.]*\) \([0-9.]*\)\].*/\1 \4 \2 \3/p' >"$work/frames.txt"
  tr -d '\r' <"$avi.changes.txt" | awk '
    function near(a, b) { return a - b < 40 && b - a < 40 }
    NR == FNR && $1 < 0 { next }  # painted before the recording began
    NR == FNR { t[n] = $1; r[n] = $2; g[n] = $3; b[n] = $4; n++; next }
    k < n {
      at = $1 * 5
      while (k + 1 < n && t[k + 1] <= at - 5) { missed++; k++ }
      if (near($2, r[k]) && near($3, g[k]) && near($4, b[k])) { print at - t[k]; k++ }
    }
    END { print "missed", missed + 0 > "/dev/stderr" }' - "$work/frames.txt" 2>"$work/missed.txt" | sort -n >"$work/delays.txt"
  awk -v missed="$(cut -d' ' -f2 "$work/missed.txt")" '{ d[NR] = $1 }
    END { if (!NR) { print "no change found"; exit }
          printf "%d changes, median %d ms, 99th percentile %d ms, largest %d ms, missed %d\n", NR, d[int((NR + 1) / 2)],
                 d[int(0.99 * (NR - 1)) + 1], d[NR], missed }' "$work/delays.txt"
  [ -n "${KEEP_DELAYS:-}" ] && cp "$work/delays.txt" "$avi.changes.txt" "$work/frames.txt" "$KEEP_DELAYS"/
  rm -f "$work"/blink*
}

summary=""
for size in ${SIZES:-1366x768 1920x1080}; do
  lumora_new_screen "$size"
  echo
  printf '%-10s %-9s %-9s %7s %7s %7s %7s %6s %6s %5s %5s %6s | %5s %5s %5s %6s %5s %5s  (ms per frame taken)\n' size scene \
    variant 'grab/s' 'fps' 'taken/s' 'MB/min' '3h GB' 'cpu%' 'unch' 'left' '<8000' grab conv cmp encode write wait
  for scene in ${SCENES:-still slide changing}; do
    grab_rate=$(for run in $(seq 1 "$runs"); do wine "$bench" grab "$scene" $((seconds * 1000)) 2>/dev/null | tr -d '\r'; echo; done | grep . | median)
    if [ -n "$baseline" ]; then variant_key=before; measure before "$baseline" "$scene"; fi
    budget 0; variant_key=none; measure 'no budget' "$bench" "$scene"
    budget 120; variant_key=budget; measure budget "$bench" "$scene"
    line="$size $scene: budget $mb_budget MB/min against $mb_none without"
    [ -n "$baseline" ] && line+=", processor $cpu_budget % against $cpu_before % before ($(awk -v a="$cpu_budget" -v b="$cpu_before" 'BEGIN { printf "%.2f", b ? a / b : 0 }')x)"
    summary+="$line"$'\n'
  done
  budget 120
  summary+="$size change to file: $(delays)"$'\n'
done
echo
printf '%s' "$summary"
echo "Load at the end: $(uptime | sed 's/.*load average/load average/')"
