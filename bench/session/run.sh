#!/usr/bin/env bash
# Records a lesson with the real program while the screen changes, and prints the screen file's
# achieved frames per second and the program's CPU share during the recording.
# Usage: bench/session/run.sh [seconds]   (default 20; needs a built tree and the testbed)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
export LUMORA_DIST=$LUMORA_BUILD/dist
seconds=${1:-20}
trap lumora_stop_xvfb EXIT
unset DISPLAY
lumora_start_xvfb
lumora_ensure_prefix
"$root/scripts/testbed.sh" install >/dev/null
source "$root/tests/e2e/lib.sh"
save_dir=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$save_dir"; lumora_stop_xvfb' EXIT

e2e_program_folder
e2e_setup_save_dir "$save_dir"
e2e_start
main=$(e2e_wait_main_window)
sleep 3
# CPU ticks of the program's processes (the Wine loader and the program share the name).
ticks() {
  local total=0 p
  for p in $(pgrep -f 'Lumora.exe'); do
    total=$(( total + $(awk '{ print $14 + $15 }' "/proc/$p/stat" 2>/dev/null || echo 0) ))
  done
  echo "$total"
}

e2e_key "$main" F5
sleep 1
t0=$(date +%s.%N); c0=$(ticks)
end=$(( $(date +%s) + seconds ))
i=0
while [ "$(date +%s)" -lt "$end" ]; do
  xdotool mousemove $(( 50 + (i * 37) % 1200 )) $(( 50 + (i * 53) % 650 )); i=$((i + 1)); sleep 0.05
done
t1=$(date +%s.%N); c1=$(ticks)
e2e_post command 1002
lesson=$(find "$save_dir" -mindepth 2 -maxdepth 2 -name html -type d | head -1)
for _ in $(seq 1 120); do [ -f "$lesson/time.ini" ] && ffprobe -v error "$lesson/screen.avi" >/dev/null 2>&1 && break; sleep 0.5; done
sleep 2

hz=$(getconf CLK_TCK)
frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$lesson/screen.avi")
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$lesson/screen.avi")
size=$(stat -c %s "$lesson/screen.avi")
awk -v f="$frames" -v d="$duration" -v c="$((c1 - c0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v s="$size" 'BEGIN {
  printf "screen 1366x768, camera and microphone recording at the same time, %.1f s\n", d
  printf "  screen.avi frames written: %d  achieved: %.1f fps  size: %.1f MB/min\n", f, f / d, s / 1048576 / d * 60
  printf "  Lumora.exe CPU: %.0f %% of one core (%d cores here)\n", 100 * c / hz / (t1 - t0), 2
}'
e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || true
