#!/usr/bin/env bash
# The start-up repair runs behind a window that is already up: a large recording cut off by a
# kill is repaired on a worker thread while the main window answers, its lesson's row tells how
# far the repair has come, and the row shows the lesson's length once it is done. A second Lumora
# started meanwhile brings the first one to the front and ends without touching any record.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$save_dir"' EXIT

e2e_program_folder
e2e_setup_save_dir "$save_dir"
damage() { wine "$LUMORA_BUILD/testbin/make_damaged_lesson.exe" "$(e2e_winpath "$1")" "$2" "$3" >/dev/null 2>&1; }
row_of() { e2e_rows | grep -F "($1 " || true; }  # the row of the lesson of date $1

large=$save_dir/20240501080000
damage "$large" still 60 || e2e_fail "could not make the damaged lesson"
record=$large/html/screen.avi.recovery.ini
[ -f "$record" ] || e2e_fail "the damaged lesson has no recovery record"

# 1. The window comes up while the repair still runs, and answers.
e2e_start
main=$(e2e_wait_main_window)
appeared=$(date +%s.%N)
[ -f "$record" ] || e2e_fail "the window came up only after the repair had ended"
e2e_post responds || e2e_fail "the window does not answer while the repair runs"
row=$(row_of 20240501)
[[ "$row" == *修复* ]] || e2e_fail "the lesson's row does not show its repair: '$row'"
echo "window up during the repair; the row shows: $row"
e2e_screenshot startup-repair-running

# The lesson under repair is chosen in the list, but is not packed until its recording is whole.
read -r lx ly lw lh < <(e2e_dialog "Lumora会议记录系统" rect 1082) || e2e_fail "no lesson list"
xdotool mousemove $((lx + 40)) $((ly + 9)) click 1
sleep 0.5
e2e_post command 1086
sleep 2
[ -z "$(xdotool search --onlyvisible --name '^加密$' 2>/dev/null)" ] || e2e_fail "a lesson under repair was offered for packing"
[ -f "$record" ] || e2e_fail "the repair ended before the package command was tried"

# 2. The repair ends on its own; the row then shows the length.
for ((i = 0; i < 600; i++)); do [ -f "$record" ] || break; sleep 0.5; done
[ ! -f "$record" ] || e2e_fail "the repair did not end within 5 minutes"
repaired=$(date +%s.%N)
for ((i = 0; i < 20; i++)); do
  row=$(row_of 20240501)
  [[ "$row" =~ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] && break
  sleep 0.5
done
[[ "$row" == *")01:00:00" ]] || e2e_fail "after the repair the row does not show the hour recorded: '$row'"
errors=$(ffmpeg -v error -xerror -i "$large/html/screen.avi" -f null - 2>&1) && [ -z "$errors" ] ||
  e2e_fail "the repaired screen.avi does not decode: $errors"
# Now it is packed as any other lesson (the chosen row is the same lesson after the refill).
xdotool mousemove $((lx + 40)) $((ly + 9)) click 1
sleep 0.5
e2e_post command 1086
package=$(e2e_wait_window '^加密$' 20) || e2e_fail "the repaired lesson cannot be packed"
e2e_key "$package" Escape
e2e_wait_window_gone '^加密$' 20 || e2e_fail "the package dialog did not close"
echo "repaired ($(e2e_duration "$large/html/screen.avi") s of recording)" \
     "$(awk -v a="$appeared" -v b="$repaired" 'BEGIN { printf "%.1f", b - a }') s after the window came up;" \
     "the row shows: $row"
e2e_screenshot startup-repair-done

# 3. A second Lumora, started while the first runs, leaves a new damaged lesson alone, brings the
# first window to the front and ends.
small=$save_dir/20240502080000
damage "$small" still 1 || e2e_fail "could not make the second damaged lesson"
before=$(sha1sum <"$small/html/screen.avi")
e2e_post minimise
sleep 1
e2e_post minimised || e2e_fail "the window could not be minimised"
(cd "$E2E_PROGRAM" && exec wine Lumora.exe >"$E2E_PROGRAM/second.log" 2>&1) &
second=$!
for ((i = 0; i < 120; i++)); do kill -0 "$second" 2>/dev/null || break; sleep 0.25; done
if kill -0 "$second" 2>/dev/null; then kill "$second"; e2e_fail "the second Lumora did not end"; fi
wait "$second" || e2e_fail "the second Lumora ended with code $?"
[ -f "$small/html/screen.avi.recovery.ini" ] || e2e_fail "the second Lumora touched the record"
[ "$(sha1sum <"$small/html/screen.avi")" = "$before" ] || e2e_fail "the second Lumora changed screen.avi"
! e2e_post minimised || e2e_fail "the second Lumora did not bring the first one to the front"
[ "$(xdotool search --onlyvisible --name 'Lumora会议记录系统' | wc -l)" = 1 ] || e2e_fail "more than one main window"
echo "second Lumora: ended at once, the first window came to the front, the record untouched"
e2e_screenshot startup-repair-second-instance

e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "start-up repair: passed"
