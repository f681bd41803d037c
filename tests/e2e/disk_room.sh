#!/usr/bin/env bash
# The disk's room in recording time, with the real program on a small disk of its own (a tmpfs,
# so the check needs the right to mount; without it the check is skipped with code 77):
# - the main window's disk line tells the few minutes a 48 MB disk holds at 2 GB an hour;
# - the record key first asks whether to record with so little room; No records nothing;
# - Yes records, and within the first checks the recording's own data rate brings the title's
#   "磁盘将满" and the balloon about ten minutes left.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_small_disk 48m
disk=$E2E_DISK
trap 'e2e_cleanup; e2e_release_disk' EXIT
save_dir=$disk/lessons
mkdir -p "$save_dir"
lessons() { find "$save_dir" -mindepth 1 -maxdepth 1 -type d | wc -l; }

e2e_program_folder
e2e_setup_save_dir "$save_dir"
e2e_start
main=$(e2e_wait_main_window)
sleep 3

room=$(wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" text 1062 2>/dev/null | tr -d '\r' | iconv -f GBK -t UTF-8)
minutes=$(sed -n 's/^剩余空间约可录制 \([0-9]*\) 分钟$/\1/p' <<<"$room")
[ -n "$minutes" ] && [ "$minutes" -lt 30 ] || e2e_fail "the disk line of a 48 MB disk says '$room'"
e2e_screenshot disk-room-line

# No: nothing is recorded.
e2e_key "$main" F5
question=$(e2e_wait_window "提示" 20) || e2e_fail "F5 on a nearly full disk asked nothing"
text=$(wine "$LUMORA_BUILD/testbin/message_box_text.exe" 提示 2>/dev/null | tr -d '\r')
[ "$text" = "磁盘剩余空间只够录制约 $minutes 分钟。仍要开始录制吗？" ] || e2e_fail "the question says '$text'"
e2e_screenshot disk-room-question
e2e_key "$question" n
e2e_wait_window_gone "提示" 10 || e2e_fail "the question stayed after No"
sleep 2
[ "$(lessons)" = 0 ] || e2e_fail "No made a lesson folder"
[ "$(e2e_title)" = "Lumora会议记录系统" ] || e2e_fail "No started a recording: '$(e2e_title)'"
! e2e_post minimised || e2e_fail "No minimised the window"

# Yes: the recording runs and soon warns that the disk fills.
e2e_key "$main" F5
question=$(e2e_wait_window "提示" 20) || e2e_fail "the second F5 asked nothing"
e2e_key "$question" y
e2e_wait_title '^录制中 ' 15 >/dev/null || e2e_fail "Yes did not start the recording"
title=$(e2e_wait_title '磁盘将满 - Lumora会议记录系统$' 30) || e2e_fail "no disk warning in the title"
e2e_wait_balloon "磁盘剩余空间只够再录制约 10 分钟。" 10 || e2e_fail "no disk balloon"
e2e_screenshot disk-room-warning
e2e_post command 1002 || e2e_fail "could not post the stop command"
e2e_wait_title '^Lumora会议记录系统$' 15 >/dev/null || e2e_fail "the recording did not stop"
[ "$(lessons)" = 1 ] || e2e_fail "expected one lesson, found $(lessons)"
echo "disk line '$room', question answered No then Yes, then '$title'"

e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "disk room: passed"
