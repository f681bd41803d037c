#!/usr/bin/env bash
# A lesson recorded end to end: F5 starts, about eight seconds of camera, microphone and a
# moving screen, the record command stops; then the lesson folder holds the course page, the
# subject, a Windows Media file with picture and sound, an MS Video 1 screen file and the
# duration, all of about eight seconds.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$save_dir"' EXIT

e2e_program_folder
e2e_setup_save_dir "$save_dir"
e2e_start
main=$(e2e_wait_main_window)
sleep 4
[ ! -s "$E2E_PROGRAM/error-boxes" ] || e2e_fail "an error box at start-up (is the testbed camera registered?)"
e2e_screenshot record-before

e2e_key "$main" F5
started=$(date +%s.%N)
sleep 2
lesson=$(find "$save_dir" -mindepth 1 -maxdepth 1 -type d -regextype posix-extended -regex '.*/[0-9]{14}$')
[ "$(wc -l <<<"$lesson")" = 1 ] && [ -n "$lesson" ] || e2e_fail "expected one new lesson folder, got: $lesson"
# Something moves on the screen while it records.
for i in $(seq 1 24); do xdotool mousemove $((100 + i * 30)) $((200 + (i % 5) * 40)); sleep 0.25; done
e2e_screenshot record-during
e2e_post command 1002 || e2e_fail "could not post the stop command"
stopped=$(date +%s.%N)

html="$lesson/html"
for i in $(seq 1 120); do
  [ -f "$html/time.ini" ] && ffprobe -v error "$html/screen.avi" >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 2
e2e_post restore || true
sleep 2
e2e_screenshot record-after

[ -f "$lesson/index.htm" ] || e2e_fail "no index.htm in the lesson folder"
cmp -s "$save_dir/subject.txt" "$html/subject.txt" || e2e_fail "the lesson's subject differs from the save folder's"
length=$(awk -v a="$started" -v b="$stopped" 'BEGIN { printf "%.2f", b - a }')

video="$html/video.wmv"
[ "$(ffprobe -v error -show_entries format=format_name -of csv=p=0 "$video")" = asf ] || e2e_fail "video.wmv is not ASF"
streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$video" | sort | tr '\n' ' ')
[ "$streams" = "audio video " ] || e2e_fail "video.wmv streams: $streams"
e2e_near "$(e2e_duration "$video")" "$length" 1.5 || e2e_fail "video.wmv lasts $(e2e_duration "$video") s, recorded $length s"
errors=$(ffmpeg -v error -i "$video" -f null - 2>&1 | head -5)
[ -z "$errors" ] || e2e_fail "video.wmv does not decode cleanly: $errors"

screen="$html/screen.avi"
[ "$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name -of csv=p=0 "$screen")" = msvideo1 ] ||
  e2e_fail "screen.avi is not MS Video 1"
e2e_near "$(e2e_duration "$screen")" "$length" 1.5 || e2e_fail "screen.avi lasts $(e2e_duration "$screen") s, recorded $length s"
errors=$(ffmpeg -v error -i "$screen" -f null - 2>&1 | head -5)
[ -z "$errors" ] || e2e_fail "screen.avi does not decode cleanly: $errors"

recorded=$(tr -d '\r' <"$html/time.ini" | sed -n 's/^time=//p')
seconds=$(awk -F: '{ print $1 * 3600 + $2 * 60 + $3 }' <<<"$recorded")
e2e_near "$seconds" "$length" 1.5 || e2e_fail "time.ini says $recorded, recorded $length s"

e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "record: passed ($length s recorded, time.ini $recorded)"
