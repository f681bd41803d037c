#!/usr/bin/env bash
# The Windows Media start-up check of the real program. With the testbed's Windows Media Format
# runtime the main window comes up with no box in front of it and the screen profile is built
# with the MSS2 format at the screen's size. With Wine's own runtime (no codec information)
# the three reports appear, in order and with their exact texts, and the program goes on.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
report=$(mktemp)
trap 'e2e_cleanup; rm -rf "$save_dir" "$report"' EXIT

# The text of the visible box captioned $1, or nothing.
box_text() { { wine "$LUMORA_BUILD/testbin/message_box_text.exe" "$1" 2>/dev/null || true; } | tr -d '\r'; }

ends_program() {
  e2e_post close
  local question
  question=$(e2e_wait_window "提示" 20)
  e2e_key "$question" y
  e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
}

# 1. The testbed's runtime: no box at all, a writer with the screen profile.
e2e_program_folder
e2e_setup_save_dir "$save_dir"
LUMORA_TESTBED_WM_REPORT=$(e2e_winpath "$report")
export LUMORA_TESTBED_WM_REPORT
e2e_start
unset LUMORA_TESTBED_WM_REPORT
main=
for ((i = 0; i < 240; i++)); do
  for caption in Lumora 'Error!'; do
    text=$(box_text "$caption")
    [ -z "$text" ] || e2e_fail "a box \"$caption\" at start-up: $text"
  done
  main=$(xdotool search --onlyvisible --name "Lumora会议记录系统" 2>/dev/null | head -1 || true)
  [ -n "$main" ] && break
  sleep 0.25
done
[ -n "$main" ] || e2e_fail "the main window did not come up"
# The profile check is the last step of the window's start-up; give it time to show a box.
sleep 4
for caption in Lumora 'Error!'; do
  text=$(box_text "$caption")
  [ -z "$text" ] || e2e_fail "a box \"$caption\" after start-up: $text"
done
e2e_screenshot startup-windows-media-testbed
size=$(xdpyinfo | sed -n 's/^ *dimensions: *\([0-9]*x[0-9]*\) pixels.*/\1/p')
grep -qx "SetProfile: stream 1 \"Screen\" MSS2 $size 500000 bps, format 500000 bps 1.0 s/frame, buffer 3000 ms" "$report" ||
  e2e_fail "the screen profile is not MSS2 at $size: $(cat "$report")"
ends_program
grep -qx 'EndWriting: not writing' "$report" || e2e_fail "the writer was not ended at exit: $(cat "$report")"

# 2. Wine's own runtime for this run only: the three reports, then the window.
rm -rf "$E2E_PROGRAM"
e2e_program_folder
e2e_setup_save_dir "$save_dir"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}wmvcore=b"
e2e_start
texts=()
main=
for ((i = 0; i < 240 && ${#texts[@]} < 5; i++)); do
  box=$(xdotool search --onlyvisible --name '^Lumora$' 2>/dev/null | head -1 || true)
  if [ -n "$box" ]; then
    text=$(box_text Lumora)
    if [ -n "$text" ]; then
      texts+=("$text")
      [ "${#texts[@]}" = 1 ] && e2e_screenshot startup-windows-media-wine
      e2e_key "$box" Return
      e2e_wait_window_gone '^Lumora$' 10 || true
      continue
    fi
  fi
  main=$(xdotool search --onlyvisible --name "Lumora会议记录系统" 2>/dev/null | head -1 || true)
  [ -n "$main" ] && [ "${#texts[@]}" -ge 3 ] && break
  sleep 0.25
done
expected=("Failed to Get the IWMCodecInfo Interface." "Failed to Get the IWMCodecInfo Interface."
          "Windows Media Screen codec is not available.")
[ "$(printf '%s\n' "${texts[@]}")" = "$(printf '%s\n' "${expected[@]}")" ] ||
  e2e_fail "boxes with Wine's runtime: $(printf '[%s] ' "${texts[@]}")"
[ -n "$main" ] || e2e_fail "the main window did not come up after the boxes"
ends_program
echo "startup with Windows Media: passed"
