#!/usr/bin/env bash
# Pause and resume with the real program, worked from another program (Wine's notepad has the
# keyboard throughout):
# - Ctrl+F9 with no recording running starts one; Ctrl+F9 after 8 s pauses it: the title reads
#   "已暂停 00:00:08 - Lumora会议记录系统" and stands still; Ctrl+F9 after 6 s resumes it, Ctrl+F10
#   after 8 s more stops it. screen.avi and video.wmv decode with -xerror, hold 16 +- 0.5 s, the
#   recorded time without the pause, and differ by under 0.3 s; time.ini says 00:00:16; the course
#   page's list holds the pause; the test camera's own frame number, burnt into its picture,
#   jumps across the pause by the frames it took while paused.
# - A second recording paused at once: the test tone heard for 20 s of the pause brings the
#   balloon "您在说话，但录制已暂停。按 Ctrl+F9 继续录制。" (the meter keeps measuring while
#   paused); Ctrl+F10 stops the paused recording.
# - Ctrl+F9 and Ctrl+F10 are held from start-up to the exit; a Ctrl+F9 that another program held
#   at start-up is left to it, and the recording is still worked by the window and the menu.
# - A recording killed during a pause is repaired at the next start to the time recorded before
#   the pause, in screen.avi and in time.ini.
# - The help files name the keys.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
help_dir=$(mktemp -d)
editor=
holder=
trap '[ -n "$holder" ] && kill "$holder" 2>/dev/null; [ -n "$editor" ] && kill "$editor" 2>/dev/null;
      e2e_cleanup; rm -rf "$save_dir" "$help_dir"' EXIT

key_free() { wine "$LUMORA_BUILD/testbin/hold_hotkey.exe" 0 "$1" >/dev/null 2>&1; }
decodes() { local errors; errors=$(ffmpeg -v error -xerror -i "$1" -f null - 2>&1) && [ -z "$errors" ]; }
new_lesson() { comm -13 <(printf '%s\n' "$1") <(find "$save_dir" -mindepth 1 -maxdepth 1 -type d | sort); }
lessons() { find "$save_dir" -mindepth 1 -maxdepth 1 -type d | sort; }
# Waits until the lesson $1 has its time.ini and both recordings decode.
wait_finished() {
  local i
  for i in $(seq 1 120); do
    [ -f "$1/html/time.ini" ] && decodes "$1/html/screen.avi" && decodes "$1/html/video.wmv" && return 0
    sleep 0.5
  done
  return 1
}
recorded_time() { tr -d '\r' <"$1/html/time.ini" | sed -n 's/^time=//p'; }
# The test camera's caption in the picture of video $1 at second $2, read by tesseract, as
# "<camera's frame number> <stream time in seconds>".
camera_caption() {
  local picture="$save_dir/caption.png" height text
  ffmpeg -v error -y -ss "$2" -i "$1" -frames:v 1 "$picture" || return 1
  height=$(identify -format %h "$picture")
  # The caption's band lies just above the bars' lower edge at two thirds of the height.
  convert "$picture" -crop "x$((height / 8))+0+$((height * 2 / 3 - height / 8))" +repage \
    -colorspace gray -negate -resize 300% "$picture"
  text=$(tesseract "$picture" - --psm 7 -l eng 2>/dev/null | tr -d '\n')
  [[ "$text" =~ ([0-9]{6})[^0-9]+([0-9]{2}):([0-9]{2}):([0-9]{2})[.,]([0-9]{3}) ]] || { echo "unread: '$text'"; return 1; }
  echo "$((10#${BASH_REMATCH[1]})) $((10#${BASH_REMATCH[2]} * 3600 + 10#${BASH_REMATCH[3]} * 60 + 10#${BASH_REMATCH[4]})).${BASH_REMATCH[5]}"
}
# Waits until the main window's X name matches the regular expression $1, within $2 seconds.
x_title() {
  local i
  for ((i = 0; i < $2 * 50; i++)); do
    xdotool search --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.02
  done
  return 1
}

e2e_help_names "$help_dir" Ctrl+F9 Ctrl+F10
e2e_launch "$save_dir"
key_free F9 && e2e_fail "Ctrl+F9 is not held while Lumora runs"
key_free F10 && e2e_fail "Ctrl+F10 is not held while Lumora runs"

(cd "$save_dir" && exec wine notepad >/dev/null 2>&1) &
editor=$!
notepad=$(e2e_wait_window "记事本" 30) || e2e_fail "notepad did not open"

# 1. Ctrl+F9 in another program starts a recording, pauses it and resumes it; Ctrl+F10 stops it.
# The keys follow the recorded time that the title shows (the X window's name shows the title at
# once, without a Windows program to ask).
before=$(lessons)
e2e_key "$notepad" ctrl+F9
x_title '^录制中 00:00:00 - Lumora会议记录系统$' 10 || e2e_fail "Ctrl+F9 in notepad started no recording"
lesson=$(new_lesson "$before")
[ -n "$lesson" ] && [ -f "$lesson/html/screen.avi" ] || e2e_fail "Ctrl+F9 in notepad made no lesson"
e2e_post minimised || e2e_fail "the window is not minimised while recording"
x_title '^录制中 00:00:08 ' 15 || e2e_fail "the recording's title did not come to 8 s"
xdotool key ctrl+F9
pressed=$(date +%s.%N)
paused=$(e2e_wait_title '^已暂停 00:00:0[89] - Lumora会议记录系统$' 5) || e2e_fail "Ctrl+F9 did not pause the recording"
e2e_screenshot pause-title
until awk -v a="$pressed" -v b="$(date +%s.%N)" 'BEGIN { exit !(b - a >= 5.5) }'; do sleep 0.05; done
[ "$(e2e_title)" = "$paused" ] || e2e_fail "the paused title moved on: '$paused', then '$(e2e_title)'"
until awk -v a="$pressed" -v b="$(date +%s.%N)" 'BEGIN { exit !(b - a >= 6) }'; do sleep 0.05; done
xdotool key ctrl+F9
x_title '^录制中 00:00:16 ' 15 || e2e_fail "Ctrl+F9 did not resume the recording up to 16 s"
xdotool key ctrl+F10
e2e_wait_title '^Lumora会议记录系统$' 15 >/dev/null || e2e_fail "Ctrl+F10 did not stop the recording"
wait_finished "$lesson" || e2e_fail "the paused recording was not finished: $(ls "$lesson/html")"
video=$(e2e_duration "$lesson/html/video.wmv")
screen=$(e2e_duration "$lesson/html/screen.avi")
e2e_near "$video" 16 0.5 || e2e_fail "video.wmv holds $video s, 16 s were recorded around a 6 s pause"
e2e_near "$screen" 16 0.5 || e2e_fail "screen.avi holds $screen s, 16 s were recorded around a 6 s pause"
e2e_near "$screen" "$video" 0.3 || e2e_fail "screen.avi ($screen s) and video.wmv ($video s) are out of step"
[ "$(recorded_time "$lesson")" = "00:00:16" ] || e2e_fail "time.ini says '$(recorded_time "$lesson")', not 00:00:16"
pauses=$(tr -d '\r\n' <"$lesson/html/pauses.js")
[[ "$pauses" =~ ^var\ recordingPauses\ =\ \[\[([0-9]+),\ ([0-9]+)\]\]\;$ ]] || e2e_fail "pauses.js: '$pauses'"
at=${BASH_REMATCH[1]} length=${BASH_REMATCH[2]}
awk -v a="$at" -v l="$length" 'BEGIN { exit !(a >= 8000 && a <= 9000 && l >= 5500 && l <= 7000) }' ||
  e2e_fail "the pause is listed at $at ms for $length ms, it came after 8 s for 6 s"
# The camera went on taking pictures while the graph stood: its frame number jumps across the
# pause by the pause's length, while the stream time goes on from where it stood.
early=$(camera_caption "$lesson/html/video.wmv" 2) || e2e_fail "the caption at 2 s: $early"
before_pause=$(camera_caption "$lesson/html/video.wmv" "$(awk -v a="$at" 'BEGIN { print a / 1000 - 0.5 }')") ||
  e2e_fail "the caption before the pause: $before_pause"
after_pause=$(camera_caption "$lesson/html/video.wmv" "$(awk -v a="$at" 'BEGIN { print a / 1000 + 0.5 }')") ||
  e2e_fail "the caption after the pause: $after_pause"
jump=$(awk -v e="$early" -v b="$before_pause" -v a="$after_pause" 'BEGIN {
  split(e, x, " "); split(b, y, " "); split(a, z, " ")
  rate = (y[1] - x[1]) / (y[2] - x[2])
  printf "%.2f", (z[1] - y[1]) / rate - (z[2] - y[2]) }')
e2e_near "$jump" "$(awk -v l="$length" 'BEGIN { print l / 1000 }')" 0.5 ||
  e2e_fail "the camera's frame number jumps by $jump s across a pause of $length ms ($early; $before_pause; $after_pause)"
echo "camera captions: $early; $before_pause; $after_pause: the camera's frames jump by $jump s"
echo "paused recording: video.wmv $video s, screen.avi $screen s," \
     "time.ini $(recorded_time "$lesson"), pause at $at ms for $length ms"

# 2. Paused at once: speech heard during the pause is told; Ctrl+F10 stops a paused recording.
before=$(lessons)
e2e_key "$notepad" ctrl+F9
e2e_wait_title '^录制中 ' 15 >/dev/null || e2e_fail "the second Ctrl+F9 started no recording"
lesson=$(new_lesson "$before")
sleep 1
xdotool key ctrl+F9
e2e_wait_title '^已暂停 00:00:0[0-2] - Lumora会议记录系统$' 5 >/dev/null || e2e_fail "the second recording did not pause"
e2e_wait_balloon "您在说话，但录制已暂停。按 Ctrl+F9 继续录制。" 30 || e2e_fail "no balloon for speech during the pause"
e2e_screenshot pause-speaking-balloon
# The main window during the pause, its title whole.
e2e_post restore
sleep 1
e2e_screenshot pause-main-window
e2e_post minimise
sleep 0.5
# The highest of five readings 0.3 s apart: on a loaded machine a reading may fall between buffers.
meter=$(for i in 1 2 3 4 5; do wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" meter 2>/dev/null | tr -d '\r'; sleep 0.3; done |
  sort -n | tail -1)
[ "${meter:-0}" -gt 50 ] || e2e_fail "the meter shows at most $meter with the test tone during the pause"
xdotool key ctrl+F10
e2e_wait_title '^Lumora会议记录系统$' 15 >/dev/null || e2e_fail "Ctrl+F10 did not stop the paused recording"
wait_finished "$lesson" || e2e_fail "the recording stopped while paused was not finished"
video=$(e2e_duration "$lesson/html/video.wmv")
awk -v v="$video" 'BEGIN { exit !(v <= 3) }' || e2e_fail "video.wmv of about 1 s recorded holds $video s"
grep -q ', null\]\];' "$lesson/html/pauses.js" || e2e_fail "the pause the recording ended in is listed as '$(cat "$lesson/html/pauses.js")'"
echo "stopped while paused: video.wmv $video s, time.ini $(recorded_time "$lesson"), meter $meter while paused"

e2e_key "$notepad" alt+F4
wait "$editor" 2>/dev/null || true
editor=

# 3. A Ctrl+F9 that another program held at start-up stays with it; the window still records.
e2e_close_program
key_free F9 || e2e_fail "Ctrl+F9 is still held after the exit"
key_free F10 || e2e_fail "Ctrl+F10 is still held after the exit"
wine "$LUMORA_BUILD/testbin/hold_hotkey.exe" 120 F9 >/dev/null 2>&1 &
holder=$!
sleep 2
e2e_launch "$save_dir"
key_free F10 && e2e_fail "Ctrl+F10 was not taken beside the other program's Ctrl+F9"
before=$(lessons)
e2e_key "$E2E_MAIN" F5
sleep 3
lesson=$(new_lesson "$before")
[ -n "$lesson" ] || e2e_fail "no recording while another program holds Ctrl+F9"
e2e_post command 32792 || e2e_fail "could not post the pause command"
e2e_wait_title '^已暂停 ' 5 >/dev/null || e2e_fail "the icon menu's pause command did not pause"
e2e_post command 1002
wait_finished "$lesson" || e2e_fail "the recording beside the other program's key was not finished"
kill "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
holder=

# 4. Killed during a pause: at the next start the repair gives a screen.avi that plays to the
# kill without the pause, and the lesson the recorded length.
before=$(lessons)
e2e_post command 1002
for i in $(seq 1 300); do
  lesson=$(new_lesson "$before")
  [ -n "$lesson" ] && [ -f "$lesson/html/screen.avi" ] && break
  sleep 0.05
done
[ -f "$lesson/html/screen.avi" ] || e2e_fail "no recording to kill"
sleep 4
e2e_post command 32792
e2e_wait_title '^已暂停 00:00:0[3-5] ' 5 >/dev/null || e2e_fail "the recording to kill did not pause"
sleep 5
kill -9 "$E2E_PID" 2>/dev/null || true
wait "$E2E_PID" 2>/dev/null || true
wineserver -k 2>/dev/null || true
sleep 1
e2e_start
e2e_wait_main_window >/dev/null
e2e_wait_repair_done 120 || e2e_fail "the repair of the recording killed while paused did not end"
decodes "$lesson/html/screen.avi" || e2e_fail "the repaired screen.avi does not decode"
screen=$(e2e_duration "$lesson/html/screen.avi")
awk -v d="$screen" 'BEGIN { exit !(d >= 2.5 && d <= 5) }' ||
  e2e_fail "the repaired screen.avi holds $screen s; about 4 s were recorded before a 5 s pause"
recorded=$(recorded_time "$lesson")
[[ "$recorded" =~ ^00:00:0[3-5]$ ]] || e2e_fail "the repaired lesson's length is '$recorded', about 4 s were recorded"
pauses=$(tr -d '\r\n' <"$lesson/html/pauses.js" 2>/dev/null)
[[ "$pauses" =~ ^var\ recordingPauses\ =\ \[\[[34][0-9]{3},\ null\]\]\;$ ]] ||
  e2e_fail "the killed recording's pause is listed as '$pauses', it came after about 4 s and lasted to the kill"
echo "killed while paused: repaired screen.avi $screen s, time.ini $recorded, $pauses"

e2e_close_program
echo "pause: passed"
