#!/usr/bin/env bash
# Pause and resume with the real program, worked from another program (Wine's notepad has the
# keyboard throughout):
# - Ctrl+F9 with no recording running starts one; Ctrl+F9 after 8 s pauses it: the title reads
#   "已暂停 00:00:08 - Lumora会议记录系统" and stands still; Ctrl+F9 after 6 s resumes it, Ctrl+F10
#   after 8 s more stops it. video.wmv decodes with -xerror and holds 16 +- 0.5 s, the recorded
#   time without the pause; time.ini says 00:00:16; the course page's list holds the pause.
# - A second recording paused at once: the test tone heard for 20 s of the pause brings the
#   balloon "您在说话，但录制已暂停。按 Ctrl+F9 继续录制。" (the meter keeps measuring while
#   paused); Ctrl+F10 stops the paused recording.
# - Ctrl+F9 and Ctrl+F10 are held from start-up to the exit; a Ctrl+F9 that another program held
#   at start-up is left to it, and the recording is still worked by the window.
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

for language in zh en; do
  7z x -y -o"$help_dir/$language" "$LUMORA_DIST/Lumora_$language.CHM" >/dev/null
  for key in Ctrl+F9 Ctrl+F10; do
    grep -q "$key" "$help_dir/$language/recording.htm" || e2e_fail "Lumora_$language.CHM does not name $key"
  done
done

e2e_program_folder
e2e_setup_save_dir "$save_dir"
e2e_start
main=$(e2e_wait_main_window)
sleep 3
[ ! -s "$E2E_PROGRAM/error-boxes" ] || e2e_fail "an error box at start-up (is the testbed camera registered?)"
key_free F9 && e2e_fail "Ctrl+F9 is not held while Lumora runs"
key_free F10 && e2e_fail "Ctrl+F10 is not held while Lumora runs"

(cd "$save_dir" && exec wine notepad >/dev/null 2>&1) &
editor=$!
notepad=$(e2e_wait_window "记事本" 30) || e2e_fail "notepad did not open"

# 1. Ctrl+F9 in another program starts a recording, pauses it and resumes it; Ctrl+F10 stops it.
before=$(lessons)
e2e_key "$notepad" ctrl+F9
# The camera's graph runs within moments of the key; the screen file appears a little later.
started=$(date +%s.%N)
for i in $(seq 1 300); do
  lesson=$(new_lesson "$before")
  [ -n "$lesson" ] && [ -f "$lesson/html/screen.avi" ] && break
  sleep 0.05
done
[ -n "$lesson" ] && [ -f "$lesson/html/screen.avi" ] || e2e_fail "Ctrl+F9 in notepad started no recording"
e2e_wait_title '^录制中 00:00:0[0-9] - Lumora会议记录系统$' 5 >/dev/null || e2e_fail "no recording title after Ctrl+F9"
e2e_post minimised || e2e_fail "the window is not minimised while recording"
until awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { exit !(b - a >= 8) }'; do sleep 0.05; done
xdotool key ctrl+F9
pressed=$(date +%s.%N)
paused=$(e2e_wait_title '^已暂停 00:00:0[78] - Lumora会议记录系统$' 5) || e2e_fail "Ctrl+F9 did not pause the recording"
e2e_screenshot pause-title
until awk -v a="$pressed" -v b="$(date +%s.%N)" 'BEGIN { exit !(b - a >= 5.5) }'; do sleep 0.05; done
[ "$(e2e_title)" = "$paused" ] || e2e_fail "the paused title moved on: '$paused', then '$(e2e_title)'"
until awk -v a="$pressed" -v b="$(date +%s.%N)" 'BEGIN { exit !(b - a >= 6) }'; do sleep 0.05; done
xdotool key ctrl+F9
resumed=$(date +%s.%N)
e2e_wait_title '^录制中 00:00:0[78] - Lumora会议记录系统$' 5 >/dev/null || e2e_fail "Ctrl+F9 did not resume the recording"
until awk -v a="$resumed" -v b="$(date +%s.%N)" 'BEGIN { exit !(b - a >= 8) }'; do sleep 0.05; done
xdotool key ctrl+F10
e2e_wait_title '^Lumora会议记录系统$' 15 >/dev/null || e2e_fail "Ctrl+F10 did not stop the recording"
wait_finished "$lesson" || e2e_fail "the paused recording was not finished: $(ls "$lesson/html")"
video=$(e2e_duration "$lesson/html/video.wmv")
e2e_near "$video" 16 0.5 || e2e_fail "video.wmv holds $video s, 16 s were recorded around a 6 s pause"
[ "$(recorded_time "$lesson")" = "00:00:16" ] || e2e_fail "time.ini says '$(recorded_time "$lesson")', not 00:00:16"
pauses=$(tr -d '\r\n' <"$lesson/html/pauses.js")
[[ "$pauses" =~ ^var\ recordingPauses\ =\ \[\[([0-9]+),\ ([0-9]+)\]\]\;$ ]] || e2e_fail "pauses.js: '$pauses'"
at=${BASH_REMATCH[1]} length=${BASH_REMATCH[2]}
awk -v a="$at" -v l="$length" 'BEGIN { exit !(a >= 7500 && a <= 8500 && l >= 5500 && l <= 7000) }' ||
  e2e_fail "the pause is listed at $at ms for $length ms, it came after 8 s for 6 s"
echo "paused recording: video.wmv $video s, screen.avi $(e2e_duration "$lesson/html/screen.avi") s," \
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
meter=$(wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" meter 2>/dev/null | tr -d '\r')
[ "${meter:-0}" -gt 50 ] || e2e_fail "the meter shows $meter with the test tone during the pause"
xdotool key ctrl+F10
e2e_wait_title '^Lumora会议记录系统$' 15 >/dev/null || e2e_fail "Ctrl+F10 did not stop the paused recording"
wait_finished "$lesson" || e2e_fail "the recording stopped while paused was not finished"
video=$(e2e_duration "$lesson/html/video.wmv")
awk -v v="$video" 'BEGIN { exit !(v <= 3) }' || e2e_fail "video.wmv of about 1 s recorded holds $video s"
echo "stopped while paused: video.wmv $video s, time.ini $(recorded_time "$lesson"), meter $meter while paused"

e2e_key "$notepad" alt+F4
wait "$editor" 2>/dev/null || true
editor=

# 3. A Ctrl+F9 that another program held at start-up stays with it; the window still records.
e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
key_free F9 || e2e_fail "Ctrl+F9 is still held after the exit"
key_free F10 || e2e_fail "Ctrl+F10 is still held after the exit"
wine "$LUMORA_BUILD/testbin/hold_hotkey.exe" 120 F9 >/dev/null 2>&1 &
holder=$!
sleep 2
e2e_start
main=$(e2e_wait_main_window)
sleep 3
key_free F10 && e2e_fail "Ctrl+F10 was not taken beside the other program's Ctrl+F9"
before=$(lessons)
e2e_key "$main" F5
sleep 3
lesson=$(new_lesson "$before")
[ -n "$lesson" ] || e2e_fail "no recording while another program holds Ctrl+F9"
[ ! -s "$E2E_PROGRAM/error-boxes" ] || e2e_fail "an error box when Ctrl+F9 was taken"
e2e_post command 32792 || e2e_fail "could not post the pause command"
e2e_wait_title '^已暂停 ' 5 >/dev/null || e2e_fail "the icon menu's pause command did not pause"
e2e_post command 1002
wait_finished "$lesson" || e2e_fail "the recording beside the other program's key was not finished"
kill "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
holder=
e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "pause: passed"
