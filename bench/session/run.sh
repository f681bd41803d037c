#!/usr/bin/env bash
# The whole program at work: the real Lumora.exe records the test camera with the microphone and
# the screen at the same time while a full-screen window shows one scene (still slide, slide with
# typing and a moving pointer, a fully changing picture; see bench/recorder), at 1366 x 768 and
# 1920 x 1080. For each scene it prints the screen file's frames per second and megabytes per
# minute, and the processor share of Lumora.exe (100 % is one whole core of the machine's) beside
# what the X server and the Wine server spent for it in the same time.
# With BASELINE=<build folder> (the code before the pace and the budget, e.g. main's), each size
# is run twice, side by side: "before" with that build's Vistrel.dll in the program folder, and
# "after" with this build's; the lines at the end give the processor share after against before.
# Usage: bench/session/run.sh [seconds]   (default 20; SCENES and SIZES narrow the run; needs a
# tree built with LUMORA_TESTS=ON for the helper programs)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
echo "Machine: $(nproc) cores; load at the start: $(uptime | sed 's/.*load average/load average/')"
export LUMORA_DIST=$LUMORA_BUILD/dist
seconds=${1:-20}
bench="$LUMORA_BUILD/bench/vistrel_bench.exe"
[ -f "$bench" ] || cmake --build "$LUMORA_BUILD" --target vistrel_bench -j2 >/dev/null
if [ -n "${BASELINE:-}" ] && [ ! -f "$BASELINE/dist/Vistrel.dll" ]; then echo "no $BASELINE/dist/Vistrel.dll"; exit 1; fi
lumora_ensure_prefix
"$root/scripts/testbed.sh" install >/dev/null
source "$root/tests/e2e/lib.sh"
save_dir=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$save_dir"; lumora_stop_xvfb' EXIT

# The processes whose command line matches $1 (Wine names the process after the program it runs)
# and that run in this tree's Wine prefix: on a shared machine other developers' Lumora.exe and
# Wine servers run beside ours, come and go, and must not be counted.
our_processes() {
  local p
  for p in $(pgrep -f "$1"); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
  return 0
}
# Processor ticks (user and system) of the processes $@.
ticks() {
  local total=0 p
  for p in "$@"; do
    total=$(( total + $(awk '{ print $14 + $15 }' "/proc/$p/stat" 2>/dev/null || echo 0) ))
  done
  echo "$total"
}
# The lesson folder whose recording finished last (the newest time.ini).
newest_lesson() {
  find "$save_dir" -mindepth 3 -maxdepth 3 -name time.ini -printf '%T@ %h\n' | sort -n | tail -1 | cut -d' ' -f2-
}

hz=$(getconf CLK_TCK)
cores=$(nproc)
summary=""
# Records every scene with the program folder's Lumora.exe; variant $1 names the row.
record_scenes() {
  local variant=$1 scene before shown recorded lumora_pids server_pids t0 t1 l0 l1 x0 x1 s0 s1 lesson frames duration size line
  e2e_setup_save_dir "$save_dir"
  e2e_start
  e2e_wait_main_window >/dev/null
  sleep 3
  for scene in ${SCENES:-still slide changing}; do
    before=$(newest_lesson)
    wine "$bench" show "$scene" $(( (seconds + 8) * 1000 )) >/dev/null 2>&1 &
    shown=$!
    sleep 2
    e2e_post command 1002
    sleep 1
    # The same processes are read before and after, so that none is counted from the middle.
    lumora_pids=$(our_processes Lumora.exe); server_pids=$(our_processes wineserver)
    [ "$(wc -w <<<"$lumora_pids")" = 1 ] || { echo "not one Lumora.exe of ours: '$lumora_pids'" >&2; exit 1; }
    t0=$(date +%s.%N); l0=$(ticks $lumora_pids); x0=$(ticks "$LUMORA_XVFB_PID"); s0=$(ticks $server_pids)
    sleep "$seconds"
    t1=$(date +%s.%N); l1=$(ticks $lumora_pids); x1=$(ticks "$LUMORA_XVFB_PID"); s1=$(ticks $server_pids)
    e2e_post command 1002
    lesson=""
    for _ in $(seq 1 120); do
      lesson=$(newest_lesson)
      [ -n "$lesson" ] && [ "$lesson" != "$before" ] && ffprobe -v error "$lesson/screen.avi" >/dev/null 2>&1 && break
      lesson=""
      sleep 0.5
    done
    wait "$shown" || true
    [ -n "$lesson" ] || { echo "$scene: the recording did not finish" >&2; exit 1; }
    # Wine may go on seeing the screen of an earlier server: the recording tells its size (the
    # frames' sides are whole 4-pixel blocks).
    recorded=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$lesson/screen.avi")
    [ "$recorded" = "$(awk -F x '{ printf "%dx%d", int(($1 + 3) / 4) * 4, int(($2 + 3) / 4) * 4 }' <<<"$screen")" ] ||
      { echo "$scene: recorded a screen of '$recorded', not $screen" >&2; exit 1; }
    # Positions without a new frame are empty chunks: only packets with data are frames.
    frames=$(ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 "$lesson/screen.avi" |
      awk '$1 > 0 { n++ } END { print n + 0 }')
    duration=$(ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 "$lesson/screen.avi")
    size=$(stat -c %s "$lesson/screen.avi")
    line=$(awk -v f="$frames" -v d="$duration" -v s="$size" -v hz="$hz" \
        -v w="$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')" \
        -v l="$((l1 - l0))" -v x="$((x1 - x0))" -v sv="$((s1 - s0))" 'BEGIN {
      printf "%.1f %.1f %.0f %.0f %.0f", f / d, s / 1048576 / d * 60, 100 * l / hz / w, 100 * x / hz / w, 100 * sv / hz / w
    }')
    read -r fps mb lumora xvfb server <<<"$line"
    printf '%-10s %-9s %-7s %7s %7s | %8s%% %7s%% %7s%%\n' "$screen" "$scene" "$variant" "$fps" "$mb" "$lumora" "$xvfb" "$server"
    eval "cpu_${variant}_$scene=$lumora"
  done
  e2e_post close
  question=$(e2e_wait_window "提示" 20)
  e2e_key "$question" y
  e2e_wait_exit 60 || true
  rm -rf "$E2E_PROGRAM"
}

for screen in ${SIZES:-1366x768 1920x1080}; do
  lumora_new_screen "$screen"
  [ "$(xdotool getdisplaygeometry | tr ' ' x)" = "$screen" ] || { echo "the screen is not $screen" >&2; exit 1; }
  echo
  printf '%-10s %-9s %-7s %7s %7s | %9s %8s %8s\n' screen scene variant fps 'MB/min' 'Lumora%' 'Xvfb%' 'server%'
  if [ -n "${BASELINE:-}" ]; then
    e2e_program_folder
    cp "$BASELINE/dist/Vistrel.dll" "$E2E_PROGRAM/Vistrel.dll"
    record_scenes before
  fi
  e2e_program_folder
  record_scenes after
  if [ -n "${BASELINE:-}" ]; then
    for scene in ${SCENES:-still slide changing}; do
      eval "a=\$cpu_after_$scene b=\$cpu_before_$scene"
      summary+="$screen $scene: Lumora.exe $a % of a core after, $b % before ($(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", b ? a / b : 0 }')x)"$'\n'
    done
  fi
done
echo
printf '%s' "$summary"
echo "100 % is one core of $cores; camera, microphone and screen recorded at the same time; $seconds s per scene"
echo "Load at the end: $(uptime | sed 's/.*load average/load average/')"
