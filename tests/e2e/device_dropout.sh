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
# A second, shorter recording loses the microphone 2 s in and gets it back at 5 s: video-2.wmv has
# the picture only, the balloon and title tell of the microphone, the parts add up again.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
testbed() { bash "$LUMORA_SOURCE/scripts/testbed.sh" "$@" >/dev/null; }
watcher=
trap '[ -n "$watcher" ] && kill "$watcher" 2>/dev/null; e2e_cleanup; testbed camera plug; testbed camera plug 2;
      testbed microphone plug; rm -rf "$save_dir"' EXIT
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

# Any box that comes up during a recording is noted (and left standing, so the check fails).
watch_for_boxes() {
  (while :; do
     xdotool search --onlyvisible --name '^(Error!|Lumora|提示)$' >>"$E2E_PROGRAM/boxes-while-recording" 2>/dev/null || true
     sleep 0.2
   done) &
  watcher=$!
}
# Stops the recording begun at $1 (date +%s.%N) and waits for its files; sets length.
stop_recording() {
  e2e_post command 1002 || e2e_fail "could not post the stop command"
  length=$(seconds_since "$1")
  kill "$watcher" 2>/dev/null
  watcher=
  for i in $(seq 1 120); do
    [ -f "$html/time.ini" ] && ffprobe -v error "$html/screen.avi" >/dev/null 2>&1 && break
    sleep 0.5
  done
  sleep 1
  [ ! -s "$E2E_PROGRAM/boxes-while-recording" ] || e2e_fail "a box came up during the recording"
}
# Checks the camera parts of $html against their streams ("audio video ", "video ", ...): each
# decodes, each with sound holds the tone, and together they last the recording's $length s.
check_parts() {
  local expected=("$@") total=0 i part name rms freq duration
  [ ! -f "$html/video-$(($# + 1)).wmv" ] || e2e_fail "a part more than the $# expected"
  for ((i = 0; i < $#; i++)); do
    part="$html/video.wmv"
    [ "$i" = 0 ] || part="$html/video-$((i + 1)).wmv"
    name=$(basename "$part")
    [ -f "$part" ] || e2e_fail "no $name"
    [ "$(streams "$part")" = "${expected[$i]}" ] || e2e_fail "$name has the streams '$(streams "$part")'"
    decodes "$part" || e2e_fail "$name does not decode with ffmpeg -xerror"
    rms=- freq=-
    if [[ ${expected[$i]} == *audio* ]]; then
      read -r rms freq < <(tone_of "$part" "$E2E_PROGRAM/part-$i.wav")
      awk -v r="$rms" -v f="$freq" 'BEGIN { exit !(r > 0.28 && r < 0.4 && f > 400 && f < 480) }' ||
        e2e_fail "the tone is not heard in $name (RMS $rms, $freq Hz)"
    fi
    duration=$(e2e_duration "$part")
    total=$(awk -v a="$total" -v b="$duration" 'BEGIN { print a + b }')
    echo "$name: ${expected[$i]}${duration} s, tone RMS $rms at $freq Hz"
  done
  e2e_near "$total" "$length" 2 || e2e_fail "the parts last $total s together, the recording $length s"
  echo "parts together $total s of $length s recorded (the part changes lost $(awk -v a="$length" -v b="$total" 'BEGIN { printf "%.2f", a - b }') s)"
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
watch_for_boxes

wait_until "$started" 4
unplugged=$(seconds_since "$started")
testbed camera unplug
unplug_done=$(seconds_since "$started")
e2e_wait_title '摄像头断开 - Lumora会议记录系统$' 10 >/dev/null || e2e_fail "the title does not tell of the lost camera"
e2e_wait_balloon "摄像头已断开，声音和屏幕录制继续。" 5 || e2e_fail "no balloon for the lost camera"
e2e_screenshot device-dropout-balloon
[ -f "$html/video-2.wmv" ] || e2e_fail "no sound-only part video-2.wmv after the camera was lost"

# Another camera that arrives changes nothing in the recording.
testbed camera plug 2
wait_until "$started" 9
plugged=$(seconds_since "$started")
testbed camera plug
plug_done=$(seconds_since "$started")
e2e_wait_title '^录制中 [0-9:]+ - Lumora会议记录系统$' 10 >/dev/null || e2e_fail "the camera warning did not clear"
[ -f "$html/video-3.wmv" ] || e2e_fail "no part video-3.wmv after the camera came back"

wait_until "$started" 14
e2e_screenshot device-dropout-recording
stop_recording "$started"
echo "camera unplugged at ${unplugged}-${unplug_done} s, plugged in at ${plugged}-${plug_done} s, stopped at ${length} s"
# A fourth part would mean that the second camera's arrival changed the recording.
check_parts "audio video " "audio " "audio video "

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

# The microphone drops out of a second recording and comes back. The main window stays
# minimised after a stop, so the record command is posted.
first_lesson=$E2E_LESSON
e2e_post command 1002 || e2e_fail "could not post the record command"
for i in $(seq 1 100); do
  E2E_LESSON=$(e2e_newest_lesson "$save_dir")
  [ "$E2E_LESSON" != "$first_lesson" ] && [ -f "$E2E_LESSON/html/screen.avi" ] && break
  sleep 0.05
done
[ "$E2E_LESSON" != "$first_lesson" ] || e2e_fail "no second recording began"
started=$(date +%s.%N)
html="$E2E_LESSON/html"
watch_for_boxes
wait_until "$started" 2
testbed microphone unplug
e2e_wait_title '麦克风断开 - Lumora会议记录系统$' 10 >/dev/null || e2e_fail "the title does not tell of the lost microphone"
e2e_wait_balloon "麦克风已断开，摄像头和屏幕录制继续。" 5 || e2e_fail "no balloon for the lost microphone"
e2e_screenshot device-dropout-microphone
wait_until "$started" 5
testbed microphone plug
e2e_wait_title '^录制中 [0-9:]+ - Lumora会议记录系统$' 10 >/dev/null || e2e_fail "the microphone warning did not clear"
wait_until "$started" 8
stop_recording "$started"
check_parts "audio video " "video " "audio video "
node "$LUMORA_SOURCE/tests/e2e/tools/course_page.js" "$E2E_LESSON" | grep -q '^摄像机录像（第2段，共3段） | html/video-2.wmv' ||
  e2e_fail "the course page does not list the picture-only part"

e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "device dropout: passed"
