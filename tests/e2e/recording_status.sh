#!/usr/bin/env bash
# What the teacher sees of a recording, with the real program, in one run:
# - the microphone meter (control 1060) is high with the test tone and at the bottom when the
#   test microphone falls silent; the disk line is shown;
# - during a recording the title reads "录制中 00:00:0N - Lumora会议记录系统" and advances, the
#   notification icon's tip tells the same;
# - the microphone falls silent 5 s in while a slide show covers the screen: after 30 s the title
#   carries "麦克风无声", the balloon and the badge appear, the badge over the slides; the tone
#   back clears them;
# - a double click on the icon brings the main window back;
# - the icon's menu item "停止录制" ends the recording like the button: both files decode;
# - a recording that heard nothing gets the box after its stop.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
slides=
trap '[ -n "$slides" ] && kill "$slides" 2>/dev/null; bash "$LUMORA_SOURCE/scripts/testbed.sh" microphone tone >/dev/null;
      e2e_cleanup; rm -rf "$save_dir"' EXIT
microphone() { bash "$LUMORA_SOURCE/scripts/testbed.sh" microphone "$1" >/dev/null; }
meter() { wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" meter 2>/dev/null | tr -d '\r'; }
# How many of five readings of the meter, 0.3 s apart, the awk condition $1 holds for.
meter_readings() { local i; for i in 1 2 3 4 5; do meter; sleep 0.3; done | awk "$1 { n++ } END { print n + 0 }"; }
seconds_of() { sed -n 's/^录制中 \([0-9]*\):\([0-9]*\):\([0-9]*\).*/\1 \2 \3/p' <<<"$1" | awk '{ print $1 * 3600 + $2 * 60 + $3 }'; }
badge_shown() { xdotool search --onlyvisible --name '^● ' >/dev/null 2>&1; }
# The notification icon in Wine's own notification area (a window of its own without a taskbar).
tray_icon() {
  local tray
  tray=$(xdotool search --onlyvisible --name '^Wine System Tray$' | head -1) || return 1
  [ -n "$tray" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  echo "$((X + 12)) $((Y + 32))"
}
decodes() { local errors; errors=$(ffmpeg -v error -xerror -i "$1" -f null - 2>&1) && [ -z "$errors" ]; }

microphone tone
e2e_program_folder
e2e_setup_save_dir "$save_dir"
e2e_start
main=$(e2e_wait_main_window)
sleep 3

# The meter before a recording.
loud=$(meter_readings '$1 > 50')
[ "$loud" -ge 4 ] || e2e_fail "the meter is above 50 in only $loud of 5 readings with the tone"
e2e_screenshot status-main-window
microphone silent
sleep 1
quiet=$(meter_readings '$1 < 5')
[ "$quiet" = 5 ] || e2e_fail "the meter is below 5 in only $quiet of 5 readings with the microphone silent"
microphone tone
room=$(wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" text 1062 2>/dev/null | tr -d '\r' | iconv -f GBK -t UTF-8)
grep -Eq '^剩余空间约可录制 ([0-9]+ 小时 )?[0-9]+ 分钟$' <<<"$room" || e2e_fail "disk line: '$room'"
echo "meter: $loud of 5 readings above 50 with the tone, $quiet of 5 below 5 silent; $room"

# The title while recording.
e2e_start_recording "$main" "$save_dir"
first=$(e2e_wait_title '^录制中 00:00:0[0-9] - Lumora会议记录系统$' 10) || e2e_fail "no recording title"
sleep 2.5
second=$(e2e_title)
[ "$(seconds_of "$second")" -gt "$(seconds_of "$first")" ] || e2e_fail "the title did not advance: '$first', then '$second'"
read -r icon_x icon_y < <(tray_icon) || e2e_fail "no notification icon while recording"
xdotool mousemove "$icon_x" "$icon_y"
e2e_wait_balloon "Lumora 录制中 00:00:" 5 || e2e_fail "the icon's tip does not tell the recording"
xdotool mousemove 700 400
echo "title: '$first', then '$second'"

# Silence from 5 s in, while the teacher presents full screen: the warning after 30 s, with the
# badge over the slide show.
while [ "$(seconds_of "$(e2e_title)")" -lt 5 ]; do sleep 0.2; done
microphone silent
silent_at=$(date +%s.%N)
wine "$LUMORA_BUILD/testbin/fullscreen_window.exe" 45 >/dev/null 2>&1 &
slides=$!
e2e_wait_title '麦克风无声 - Lumora会议记录系统$' 45 >/dev/null || e2e_fail "no silence warning in the title"
after=$(awk -v a="$silent_at" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
awk -v t="$after" 'BEGIN { exit !(t >= 29 && t <= 40) }' || e2e_fail "the silence warning came $after s after the silence"
e2e_wait_balloon "麦克风已经30秒没有声音，请检查麦克风是否静音或选错。" 5 || e2e_fail "no silence balloon"
badge_shown || e2e_fail "no badge with the warning"
sleep 0.5
e2e_screenshot status-badge-over-slides
shot=$E2E_SHOTS/status-badge-over-slides.png
# The badge's top edge, above its text, in the screen's top right corner.
width=$(identify -format '%w' "$shot")
colour=$(convert "$shot" -crop 20x2+$((width - 40))+13 +repage -format '%[fx:mean.r*255] %[fx:mean.g*255]' info:)
awk -v c="$colour" 'BEGIN { split(c, v, " "); exit !(v[1] > 150 && v[2] < 90) }' ||
  e2e_fail "the badge is not seen over the slide show (colour $colour)"
kill "$slides" 2>/dev/null || true
wait "$slides" 2>/dev/null || true
slides=
sleep 0.5
e2e_screenshot status-silence-balloon
echo "silence warned after $after s; balloon shown, badge seen over a full-screen window"

# The tone back clears the warning.
microphone tone
e2e_wait_title '^录制中 [0-9:]+ - Lumora会议记录系统$' 6 >/dev/null || e2e_fail "the warning stayed after the tone came back"
sleep 0.5
! badge_shown || e2e_fail "the badge stayed after the tone came back"

# A double click on the icon brings the main window back during the recording.
read -r icon_x icon_y < <(tray_icon) || e2e_fail "the icon went"
xdotool mousemove "$icon_x" "$icon_y" click --repeat 2 --delay 80 1
sleep 1.5
! e2e_post minimised || e2e_fail "a double click on the icon left the main window minimised"
e2e_screenshot status-window-while-recording
loud=$(meter_readings '$1 > 50')
[ "$loud" -ge 4 ] || e2e_fail "the meter is above 50 in only $loud of 5 readings while recording"

# The icon's menu stops the recording as the button does (the window is minimised again first,
# as during a lecture; here it would cover Wine's notification area).
lesson=$E2E_LESSON
e2e_post minimise
sleep 1
read -r icon_x icon_y < <(tray_icon) || e2e_fail "the icon went"
xdotool mousemove "$icon_x" "$icon_y" click 3
sleep 1
e2e_screenshot status-icon-menu
# The menu opens at the pointer; 停止录制 is its first item.
xdotool mousemove $((icon_x + 48)) $((icon_y + 12)) click 1
e2e_wait_title '^Lumora会议记录系统$' 15 >/dev/null || e2e_fail "the menu's 停止录制 did not end the recording"
for i in $(seq 1 120); do
  [ -f "$lesson/html/time.ini" ] && decodes "$lesson/html/screen.avi" && break
  sleep 0.5
done
decodes "$lesson/html/screen.avi" || e2e_fail "screen.avi does not decode after the menu's stop"
decodes "$lesson/html/video.wmv" || e2e_fail "video.wmv does not decode after the menu's stop"
[ -f "$lesson/html/time.ini" ] || e2e_fail "no time.ini after the menu's stop"
! tray_icon >/dev/null || e2e_fail "the notification icon stayed after the stop"
# The meter in the sound's path leaves the sound as it was: the test tone at -6 dBFS.
peak=$(ffmpeg -v info -i "$lesson/html/video.wmv" -vn -af volumedetect -f null - 2>&1 | sed -n 's/.*max_volume: \(-*[0-9.]*\) dB.*/\1/p')
e2e_near "$peak" -6.0 0.5 || e2e_fail "the recorded sound peaks at '$peak' dB, the test tone at -6 dB"
echo "menu stop: screen.avi $(e2e_duration "$lesson/html/screen.avi") s, video.wmv $(e2e_duration "$lesson/html/video.wmv") s, sound peak $peak dB"

# A recording that hears nothing at all is reported after its stop, not before.
microphone silent
e2e_post command 1002
sleep 6
! wine "$LUMORA_BUILD/testbin/message_box_text.exe" Lumora >/dev/null 2>&1 || e2e_fail "a box during the recording"
e2e_post command 1002
box=
for i in $(seq 1 40); do
  box=$(wine "$LUMORA_BUILD/testbin/message_box_text.exe" Lumora 2>/dev/null | tr -d '\r') && break
  sleep 0.5
done
[ "$box" = "本次录制没有录到声音，请检查麦克风。" ] || e2e_fail "after a silent recording the box says '$box'"
e2e_screenshot status-silent-recording-box
e2e_key "$(xdotool search --onlyvisible --name '^Lumora$' | head -1)" Return
microphone tone

e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "recording status: passed"
