#!/usr/bin/env bash
# Devices that come and go during a recording, with the real program and the testbed, in one run:
# the second test camera is away at the start; F5 records; at 4 s the camera in use is unplugged,
# the second camera is plugged in meanwhile (before this change any arrival ended the recording),
# at 9 s the first camera comes back, at 14 s the record command stops. Then:
# - video.wmv (picture and sound), video-2.wmv (sound only) and video-3.wmv (both) decode with
#   ffmpeg -xerror, their lengths add up to the recording's within 2 s, the tone is in each;
# - screen.avi is whole and as long as the recording;
# - the balloon and the title told of the camera without a box, and the title cleared again;
# - the course page lists the three camera parts (tools/course_page.js runs the page).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
testbed() { bash "$LUMORA_SOURCE/scripts/testbed.sh" "$@" >/dev/null; }
watcher=
trap '[ -n "$watcher" ] && kill "$watcher" 2>/dev/null; e2e_cleanup; testbed camera plug; testbed camera plug 2;
      rm -rf "$save_dir"' EXIT
seconds_since() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }
wait_until() { while awk -v a="$1" -v t="$2" -v b="$(date +%s.%N)" 'BEGIN { exit !(b - a < t) }'; do sleep 0.1; done; }
decodes() { local errors; errors=$(ffmpeg -nostdin -v error -xerror -i "$1" -f null - 2>&1) && [ -z "$errors" ]; }
streams() { ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$1" | sort | tr '\n' ' '; }
# The RMS amplitude and rough frequency of a file's sound (the test microphone's tone: about 0.34
# at 440 Hz).
tone_of() {
  ffmpeg -nostdin -v error -i "$1" -vn -acodec pcm_s16le -y "$2"
  echo "$(sox "$2" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }') $(sox "$2" -n remix 1 stat 2>&1 | awk '/Rough +frequency/ { print $3 }')"
}

testbed camera unplug 2
e2e_program_folder
e2e_setup_save_dir "$save_dir"
e2e_start
main=$(e2e_wait_main_window)
sleep 3
[ ! -s "$E2E_PROGRAM/error-boxes" ] || e2e_fail "an error box at start-up"

e2e_start_recording "$main" "$save_dir"
started=$E2E_RECORDING_SEEN
html="$E2E_LESSON/html"
# Any box that comes up during the recording is noted (and left standing, so the check fails).
(while :; do
   xdotool search --onlyvisible --name '^(Error!|Lumora|提示)$' >>"$E2E_PROGRAM/boxes-while-recording" 2>/dev/null || true
   sleep 0.2
 done) &
watcher=$!

wait_until "$started" 4
testbed camera unplug
unplugged=$(seconds_since "$started")
e2e_wait_title '摄像头断开 - Lumora会议记录系统$' 10 >/dev/null || e2e_fail "the title does not tell of the lost camera"
e2e_wait_balloon "摄像头已断开，声音和屏幕录制继续。" 5 || e2e_fail "no balloon for the lost camera"
e2e_screenshot device-dropout-balloon
[ -f "$html/video-2.wmv" ] || e2e_fail "no sound-only part video-2.wmv after the camera was lost"

# Another camera that arrives changes nothing in the recording.
testbed camera plug 2
wait_until "$started" 9
testbed camera plug
plugged=$(seconds_since "$started")
e2e_wait_title '^录制中 [0-9:]+ - Lumora会议记录系统$' 10 >/dev/null || e2e_fail "the camera warning did not clear"
[ -f "$html/video-3.wmv" ] || e2e_fail "no part video-3.wmv after the camera came back"

wait_until "$started" 14
e2e_screenshot device-dropout-recording
e2e_post command 1002 || e2e_fail "could not post the stop command"
length=$(seconds_since "$started")
kill "$watcher" 2>/dev/null
watcher=
for i in $(seq 1 120); do
  [ -f "$html/time.ini" ] && ffprobe -v error "$html/screen.avi" >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 1
[ ! -s "$E2E_PROGRAM/boxes-while-recording" ] || e2e_fail "a box came up during the recording"
echo "camera unplugged at ${unplugged} s, plugged in at ${plugged} s, stopped at ${length} s"

parts=("$html/video.wmv" "$html/video-2.wmv" "$html/video-3.wmv")
[ ! -f "$html/video-4.wmv" ] || e2e_fail "a fourth part: the second camera's arrival changed the recording"
expected=("audio video " "audio " "audio video ")
total=0
for i in 0 1 2; do
  part=${parts[$i]}
  name=$(basename "$part")
  [ "$(streams "$part")" = "${expected[$i]}" ] || e2e_fail "$name has the streams '$(streams "$part")'"
  decodes "$part" || e2e_fail "$name does not decode with ffmpeg -xerror"
  read -r rms freq < <(tone_of "$part" "$E2E_PROGRAM/part-$i.wav")
  awk -v r="$rms" -v f="$freq" 'BEGIN { exit !(r > 0.28 && r < 0.4 && f > 400 && f < 480) }' ||
    e2e_fail "the tone is not heard in $name (RMS $rms, $freq Hz)"
  duration=$(e2e_duration "$part")
  total=$(awk -v a="$total" -v b="$duration" 'BEGIN { print a + b }')
  echo "$name: ${expected[$i]}${duration} s, tone RMS $rms at $freq Hz"
done
e2e_near "$total" "$length" 2 || e2e_fail "the parts last $total s together, the recording $length s"
echo "parts together $total s of $length s recorded (two part changes lost $(awk -v a="$length" -v b="$total" 'BEGIN { printf "%.2f", a - b }') s)"

screen="$html/screen.avi"
decodes "$screen" || e2e_fail "screen.avi does not decode"
e2e_near "$(e2e_duration "$screen")" "$length" 1.5 || e2e_fail "screen.avi lasts $(e2e_duration "$screen") s of $length s"
recorded=$(tr -d '\r' <"$html/time.ini" | sed -n 's/^time=//p')
e2e_near "$(awk -F: '{ print $1 * 3600 + $2 * 60 + $3 }' <<<"$recorded")" "$length" 1.5 ||
  e2e_fail "time.ini says $recorded of $length s"

page=$(node "$LUMORA_SOURCE/tests/e2e/tools/course_page.js" "$E2E_LESSON")
echo "$page"
[ "$(grep -c '^摄像机录像（第[123]段，共3段） | html/video\(-[23]\)\?.wmv' <<<"$page")" = 3 ] ||
  e2e_fail "the course page does not list the three camera parts"
grep -q '^摄像机录像（第2段，共3段） | html/video-2.wmv | html/video-2.wmv$' <<<"$page" ||
  e2e_fail "the course page does not list video-2.wmv second"

e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "device dropout: passed"
