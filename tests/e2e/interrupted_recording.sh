#!/usr/bin/env bash
# Recordings cut off by a kill of the program (as a crash, a forced shutdown or a power cut would
# end them) at three moments: within the first second, in the middle, and during the stop. At
# the next start each lesson's screen.avi must decode with ffmpeg -xerror, hold the recording up
# to at most 2 s before the kill, and the lesson must have its length in time.ini. The lesson cut
# off in the middle lists its slides saved before the kill (the first picture at least), each a
# whole picture.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$save_dir"' EXIT

e2e_program_folder
e2e_setup_save_dir "$save_dir"

# Starts a recording with F5 and waits until screen.avi exists; sets lesson and appeared.
start_recording() {
  e2e_start_recording "$1" "$save_dir"
  lesson=$E2E_LESSON appeared=$E2E_RECORDING_SEEN
}

# Ends the program the hard way: its process gets SIGKILL, then the prefix's server goes.
kill_program() {
  killed=$(date +%s.%N)
  kill -9 "$E2E_PID" 2>/dev/null || true
  wait "$E2E_PID" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  sleep 1
  # What the kill left: an unfinished file with its recovery record, or a finished one.
  if ffprobe -v error "$lesson/html/screen.avi" >/dev/null 2>&1; then left="a finished file"; else left="an unreadable file"; fi
  [ -n "$(find "$lesson/html" -name '*.recovery.ini')" ] && left="$left and its recovery record"
  echo "killed: $left"
}

# Checks the lesson whose screen file appeared at $3 and whose recording ended between $4 and $5
# (the kill; or, for a stop, the moment it was sent and the kill after it).
check_recovered() {
  local name=$1 lesson=$2 html="$2/html" screen="$2/html/screen.avi" errors duration elapsed latest recorded
  errors=$(ffmpeg -v error -xerror -i "$screen" -f null - 2>&1) && [ -z "$errors" ] ||
    e2e_fail "$name: screen.avi does not decode: $errors"
  [ "$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,time_base -of csv=p=0 "$screen")" = "msvideo1,1/200" ] ||
    e2e_fail "$name: screen.avi is not MS Video 1 at 200 positions per second"
  duration=$(e2e_duration "$screen")
  elapsed=$(awk -v a="$3" -v b="$4" 'BEGIN { printf "%.2f", b - a }')
  latest=$(awk -v a="$3" -v b="${5:-$4}" 'BEGIN { printf "%.2f", b - a }')
  frames=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$screen")
  awk -v d="$duration" -v e="$elapsed" -v l="$latest" 'BEGIN { exit !(d >= e - 2 && d <= l + 0.5) }' ||
    e2e_fail "$name: screen.avi holds $duration s, the recording ran $elapsed to $latest s"
  recorded=$(tr -d '\r' <"$html/time.ini" 2>/dev/null | sed -n 's/^time=//p')
  [[ "$recorded" =~ ^[0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] || e2e_fail "$name: no length in time.ini ('$recorded')"
  [ -z "$(find "$html" -name '*.recovery.ini')" ] || e2e_fail "$name: the recovery record is still there"
  echo "$name: killed $elapsed s after screen.avi appeared; recovered $duration s ($frames pictures," \
       "$(awk -v d="$duration" -v e="$elapsed" 'BEGIN { printf "%.2f", e - d }') s lost), time.ini $recorded"
}

# The repaired slides.js of lesson $1 lists the first picture at 0.00 and only pictures that
# ImageMagick reads whole; no temporary picture file is left.
check_slides_repaired() {
  local html="$1/html" entries image
  [ -f "$html/slides.js" ] || e2e_fail "no slides.js after the repair: $(ls "$html")"
  entries=$(grep -o '"image": "[^"]*"' "$html/slides.js" | sed 's/"image": "\(.*\)"/\1/')
  grep -q '{"time": 0.00, "image": "slides/001.png", "mark": false}' "$html/slides.js" ||
    e2e_fail "the repaired slides.js does not list the first picture: $(cat "$html/slides.js")"
  for image in $entries; do
    identify -regard-warnings "$html/$image" >/dev/null 2>&1 || e2e_fail "slides.js lists $image, which is not whole"
  done
  [ -z "$(find "$html/slides" -name '*.tmp')" ] || e2e_fail "a temporary picture file is left in slides"
  echo "slides after the repair: $(echo $entries)"
}

wiggle() { local i; for ((i = 0; i < $1; i++)); do xdotool mousemove $((200 + (i % 9) * 60)) $((200 + (i % 4) * 50)); sleep 0.2; done; }

# 1. Killed within the first second.
e2e_start
main=$(e2e_wait_main_window)
sleep 3
start_recording "$main"
sleep 0.6
kill_program
[ "$left" = "an unreadable file and its recovery record" ] || e2e_fail "the first kill left $left"
first=$lesson first_times="$appeared $killed"

# 2. Killed in the middle of a recording (the program was restarted: the first lesson is
# repaired at this start).
e2e_start
main=$(e2e_wait_main_window)
e2e_wait_repair_done || e2e_fail "the repair at the start did not end"
sleep 1
check_recovered "first second" "$first" $first_times
start_recording "$main"
wiggle 25
kill_program
[ "$left" = "an unreadable file and its recovery record" ] || e2e_fail "the second kill left $left"
middle=$lesson middle_times="$appeared $killed"

# 3. Killed during the stop.
e2e_start
main=$(e2e_wait_main_window)
e2e_wait_repair_done || e2e_fail "the repair at the start did not end"
sleep 1
check_recovered "mid-recording" "$middle" $middle_times
check_slides_repaired "$middle"
start_recording "$main"
wiggle 15
stop_posted=$(date +%s.%N)
e2e_post command 1002 || e2e_fail "could not post the stop command"
# The stop half rebuilds the preview before Vistrel is told to stop and closes the file; the
# kill lands in there (either state left is recovered, so the check accepts both).
sleep 0.05
kill_program
stopping=$lesson stop_times="$appeared $stop_posted $killed"

e2e_start
main=$(e2e_wait_main_window)
e2e_wait_repair_done || e2e_fail "the repair at the start did not end"
sleep 1
check_recovered "during the stop" "$stopping" $stop_times
e2e_post restore || true
sleep 1
e2e_screenshot interrupted-recovered
e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "interrupted recordings: passed"
