#!/usr/bin/env bash
# The lessons' disk fills up, with the real program on a small disk of its own (a tmpfs, so the
# check needs the right to mount; without it the check is skipped with code 77).
# 1. Another program takes the last room while a recording runs: the screen recording ends with
#    a whole file holding what was recorded before, the program stays usable, the stop and the
#    exit work.
# 2. A recording cut off by a kill on a disk that is then full: the start on the full disk keeps
#    the recording and its record untouched and does not give up on it; once there is room, the
#    next start repairs it.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_small_disk 48m
disk=$E2E_DISK
trap 'e2e_cleanup; e2e_release_disk' EXIT
save_dir=$disk/lessons
mkdir -p "$save_dir"

e2e_program_folder
e2e_setup_save_dir "$save_dir"

free_kb() { df -k --output=avail "$disk" | tail -1 | tr -d ' '; }
# Takes the disk's room down to about $1 KB with a file of another program.
fill_to() { fallocate -l $(( ($(free_kb) - $1) * 1024 )) "$disk/filler-$RANDOM"; }
wiggle() { local i; for ((i = 0; i < $1; i++)); do xdotool mousemove $((200 + (i % 9) * 60)) $((200 + (i % 4) * 50)); sleep 0.2; done; }

start_recording() {
  e2e_start_recording "$1" "$save_dir"
  lesson=$E2E_LESSON
}

# Answers the boxes that the camera recording's abort shows; prints how many there were.
answer_boxes() {
  local box count=0 i
  for ((i = 0; i < 8; i++)); do
    box=$(xdotool search --onlyvisible --name '^Error!$' 2>/dev/null | head -1 || true)
    [ -n "$box" ] || { sleep 0.5; continue; }
    count=$((count + 1))
    e2e_key "$box" Return
    sleep 0.5
  done
  echo "$count"
}

decodes() { local errors; errors=$(ffmpeg -v error -xerror -i "$1" -f null - 2>&1) && [ -z "$errors" ]; }

# 1. The disk fills up during a recording.
e2e_start
main=$(e2e_wait_main_window)
sleep 3
start_recording "$main"
wiggle 15
fill_to 2500
wiggle 15
# Lumora learns at once that the screen recording ended, and says so while the camera records on.
title=$(e2e_wait_title '屏幕录制已停止' 20) || e2e_fail "Lumora did not learn that the screen recording ended"
e2e_wait_balloon '磁盘空间已满' 15 || e2e_fail "no balloon tells that the disk is full"
e2e_screenshot disk-full-recording
boxes=$(answer_boxes)
e2e_post command 1002 || e2e_fail "could not post the stop command"
sleep 3
answer_boxes >/dev/null
screen=$lesson/html/screen.avi
decodes "$screen" || e2e_fail "screen.avi does not decode after the disk filled up"
duration=$(e2e_duration "$screen")
awk -v d="$duration" 'BEGIN { exit !(d >= 2.5) }' || e2e_fail "screen.avi keeps only $duration s of the recording"
[ -z "$(find "$lesson/html" -name '*.recovery.ini')" ] || e2e_fail "the finished recording left its recovery record"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "Lumora ended when the disk filled up"
# Lumora learnt that the screen recording ended with the disk full: the lesson's length is the
# screen file's, not the time until the stop.
recorded=$(tr -d '\r' <"$lesson/html/time.ini" 2>/dev/null | sed -n 's/^time=//p')
[[ "$recorded" =~ ^([0-9]+):([0-9]{2}):([0-9]{2})$ ]] || e2e_fail "no length in time.ini ('$recorded')"
seconds=$((10#${BASH_REMATCH[1]} * 3600 + 10#${BASH_REMATCH[2]} * 60 + 10#${BASH_REMATCH[3]}))
e2e_near "$seconds" "$duration" 1 || e2e_fail "time.ini says $recorded, but screen.avi holds $duration s"
echo "disk filled during the recording: title '$title'; screen.avi whole with $duration s, time.ini $recorded;" \
     "$boxes notice box(es) of the camera recording"
rm -f "$disk"/filler-*

# 2. Killed, then started on a full disk, then started with room again.
e2e_post restore || true
sleep 1
start_recording "$main"
wiggle 20
kill -9 "$E2E_PID" 2>/dev/null || true
wait "$E2E_PID" 2>/dev/null || true
wineserver -k 2>/dev/null || true
killed=$lesson
record=$(find "$killed/html" -name 'screen.avi.recovery.ini')
[ -n "$record" ] || e2e_fail "the kill left no recovery record"
before=$(sha1sum <"$killed/html/screen.avi")
fill_to 200
e2e_start
main=$(e2e_wait_main_window)
e2e_wait_repair_done || e2e_fail "the repair at the start on a full disk did not end"
[ "$(sha1sum <"$killed/html/screen.avi")" = "$before" ] || e2e_fail "the start on a full disk changed screen.avi"
[ -f "$record" ] || e2e_fail "the start on a full disk removed the recovery record"
! grep -qi '^Handled=' "$record" || e2e_fail "the start on a full disk gave the repair up: $(grep -i '^Handled=' "$record")"
[ -z "$(find "$killed/html" -name '*.repair')" ] || e2e_fail "a half-written repair copy was left behind"
e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"

rm -f "$disk"/filler-*
e2e_start
main=$(e2e_wait_main_window)
e2e_wait_repair_done || e2e_fail "the repair at the start with room did not end"
if ! decodes "$killed/html/screen.avi"; then
  ls -l "$killed/html" >&2
  df -k "$disk" >&2
  cat "$record" >&2 2>/dev/null
  ffmpeg -v error -xerror -i "$killed/html/screen.avi" -f null - 2>&1 | head -5 >&2
  e2e_fail "the recording was not repaired once there was room"
fi
[ ! -f "$record" ] || e2e_fail "the recovery record is still there after the repair"
echo "killed recording on a full disk: kept as it was, repaired ($(e2e_duration "$killed/html/screen.avi") s) once there was room"
e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "disk full: passed"
