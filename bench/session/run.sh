#!/usr/bin/env bash
# The whole program at work: the real Lumora.exe records the test camera with the microphone and
# the screen at the same time while a full-screen window shows one scene (still slide, slide with
# typing and a moving pointer, a fully changing picture; see bench/recorder). For each scene it
# prints the bare grab rate measured just before on the same screen (the ceiling), the screen
# file's frames per second and share of that ceiling, its megabytes per minute, and the processor
# share of Lumora.exe (100 % is one whole core of the machine's), beside what the X server and the
# Wine server spent for it in the same time.
# Usage: bench/session/run.sh [seconds]   (default 20; SCENES narrows the run; needs a tree built
# with LUMORA_TESTS=ON for the helper programs)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
echo "Machine: $(nproc) cores; load at the start: $(uptime | sed 's/.*load average/load average/')"
export LUMORA_DIST=$LUMORA_BUILD/dist
seconds=${1:-20}
bench="$LUMORA_BUILD/bench/vistrel_bench.exe"
[ -f "$bench" ] || cmake --build "$LUMORA_BUILD" --target vistrel_bench -j2 >/dev/null
unset DISPLAY
lumora_start_xvfb
lumora_ensure_prefix
"$root/scripts/testbed.sh" install >/dev/null
source "$root/tests/e2e/lib.sh"
save_dir=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$save_dir"; lumora_stop_xvfb' EXIT

# Processor ticks of the processes whose command line matches $1 (Wine names the process after
# the program it runs).
ticks() {
  local total=0 p
  for p in $(pgrep -f "$1"); do
    total=$(( total + $(awk '{ print $14 + $15 }' "/proc/$p/stat" 2>/dev/null || echo 0) ))
  done
  echo "$total"
}
# The lesson folder whose recording finished last (the newest time.ini).
newest_lesson() {
  find "$save_dir" -mindepth 3 -maxdepth 3 -name time.ini -printf '%T@ %h\n' | sort -n | tail -1 | cut -d' ' -f2-
}

e2e_program_folder
e2e_setup_save_dir "$save_dir"
e2e_start
e2e_wait_main_window >/dev/null
sleep 3
hz=$(getconf CLK_TCK)
cores=$(nproc)
# "paused" is the ceiling that the 5 ms pause after every frame leaves (one bare grab plus 5 ms).
printf '%-9s %7s %7s %6s %7s %7s %7s | %9s %8s %8s\n' scene 'grab/s' fps share paused p.share 'MB/min' \
  'Lumora%' 'Xvfb%' 'server%'
for scene in ${SCENES:-still slide changing}; do
  before=$(newest_lesson)
  wine "$bench" show "$scene" $(( (seconds + 14) * 1000 )) >/dev/null 2>&1 &
  shown=$!
  sleep 2
  # The ceiling, on the same screen as the recording: the scene painted by its own process.
  grab_rate=$(wine "$bench" grab none 5000 2>/dev/null | tr -d '\r')
  e2e_post command 1002
  sleep 1
  t0=$(date +%s.%N); l0=$(ticks Lumora.exe); x0=$(ticks "Xvfb $DISPLAY"); s0=$(ticks wineserver)
  sleep "$seconds"
  t1=$(date +%s.%N); l1=$(ticks Lumora.exe); x1=$(ticks "Xvfb $DISPLAY"); s1=$(ticks wineserver)
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
  # Positions without a new frame are empty chunks: only packets with data are frames.
  frames=$(ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 "$lesson/screen.avi" |
    awk '$1 > 0 { n++ } END { print n + 0 }')
  duration=$(ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 "$lesson/screen.avi")
  size=$(stat -c %s "$lesson/screen.avi")
  awk -v scene="$scene" -v g="$grab_rate" -v f="$frames" -v d="$duration" -v s="$size" -v hz="$hz" \
      -v w="$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')" \
      -v l="$((l1 - l0))" -v x="$((x1 - x0))" -v sv="$((s1 - s0))" 'BEGIN {
    fps = f / d
    paused = 1000 / (1000 / g + 5)
    printf "%-9s %7.1f %7.1f %5.0f%% %7.1f %6.0f%% %7.1f | %8.0f%% %7.0f%% %7.0f%%\n", scene, g, fps, 100 * fps / g,
      paused, 100 * fps / paused, s / 1048576 / d * 60, 100 * l / hz / w, 100 * x / hz / w, 100 * sv / hz / w
  }'
done
echo "screen $(xdotool getdisplaygeometry | tr ' ' x); 100 % is one core of $cores;" \
  "camera, microphone and screen recorded at the same time; $seconds s per scene"
echo "Load at the end: $(uptime | sed 's/.*load average/load average/')"
e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || true
