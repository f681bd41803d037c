#!/usr/bin/env bash
# Helpers for end-to-end checks of the real Lumora.exe under Wine on the current X display.
# Each check copies the program folder into a scratch folder of its own, so runs never share state.
set -euo pipefail

E2E_SHOTS=${LUMORA_BUILD:?}/screenshots
mkdir -p "$E2E_SHOTS"

# Copies the program folder to a fresh scratch folder; sets E2E_PROGRAM (Unix path).
e2e_program_folder() {
  E2E_PROGRAM=$(mktemp -d "${TMPDIR:-/tmp}/lumora-e2e.XXXXXX")
  cp -r "$LUMORA_DIST"/. "$E2E_PROGRAM"/
  rm -f "$E2E_PROGRAM/Setup.ini"
}

# The Windows path of a Unix path (Wine maps / to drive Z:).
e2e_winpath() { echo "Z:${1//\//\\}"; }

# A Setup.ini in the scratch program folder that saves the lessons in the Unix folder $1.
e2e_setup_save_dir() {
  printf '[Setup]\r\nOverlayText=Lumora\r\nSaveDir=%s\r\n' "$(e2e_winpath "$1")" >"$E2E_PROGRAM/Setup.ini"
}

# Starts Lumora.exe from the scratch program folder; sets E2E_PID.
e2e_start() {
  (cd "$E2E_PROGRAM" && exec wine Lumora.exe >"$E2E_PROGRAM/wine.log" 2>&1) &
  E2E_PID=$!
}

# Waits until a window whose name contains $1 is shown; prints its X id.
e2e_wait_window() {
  local name=$1 timeout=${2:-60} id i
  for ((i = 0; i < timeout * 4; i++)); do
    id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.25
  done
  echo "no window named '$name' after ${timeout}s" >&2
  return 1
}

# Waits until no visible window's name contains $1.
e2e_wait_window_gone() {
  local name=$1 timeout=${2:-30} i
  for ((i = 0; i < timeout * 4; i++)); do
    xdotool search --onlyvisible --name "$name" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  echo "window '$name' still there after ${timeout}s" >&2
  return 1
}

# Sends keys to a window (xdotool key names, e.g. F5, Escape, y).
e2e_key() {
  local window=$1; shift
  # Without a window manager a click on the caption (which Wine draws itself) activates the
  # window; the keys then go through XTEST to the active window.
  xdotool mousemove --window "$window" 60 8 click 1
  sleep 0.3
  xdotool key "$@"
}

# Saves a screenshot of the whole screen under build/screenshots/<name>.png.
e2e_screenshot() {
  import -window root "$E2E_SHOTS/$1.png"
  echo "screenshot: $E2E_SHOTS/$1.png"
}

# Waits for the program to end; fails after the timeout.
e2e_wait_exit() {
  local timeout=${1:-30} i
  for ((i = 0; i < timeout * 4; i++)); do
    kill -0 "$E2E_PID" 2>/dev/null || { wait "$E2E_PID" 2>/dev/null || true; return 0; }
    sleep 0.25
  done
  echo "Lumora.exe did not end after ${timeout}s" >&2
  return 1
}

# Ends whatever is left of a check: the program and the scratch folder.
e2e_cleanup() {
  if [ -n "${E2E_PID:-}" ] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill "$E2E_PID" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
  fi
  [ -n "${E2E_PROGRAM:-}" ] && rm -rf "$E2E_PROGRAM"
  return 0
}

e2e_fail() { echo "FAILED: $*" >&2; exit 1; }

# Posts to the main window through the Windows-side helper (see tools/post_to_lumora.cpp).
e2e_post() { wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" "$@" >/dev/null 2>&1; }

# The duration of a media file in seconds (ffprobe), or empty.
e2e_duration() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" 2>/dev/null; }

# True when |a - b| <= tolerance (floating point).
e2e_near() { awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= t) }'; }

# Waits for the main window, answering the reports that start-up may show first (with Wine's
# own Windows Media runtime, in place of the testbed's, the profile manager has no codec
# information, so its application boxes "Lumora" appear); an "Error!" box is answered too and
# noted in $E2E_PROGRAM/error-boxes. Prints the main window's X id.
e2e_wait_main_window() {
  local i id box
  for ((i = 0; i < 240; i++)); do
    id=$(xdotool search --onlyvisible --name "Lumora会议记录系统" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    box=$(xdotool search --onlyvisible --name '^Error!$' 2>/dev/null | head -1 || true)
    if [ -n "$box" ]; then
      echo "$box" >>"$E2E_PROGRAM/error-boxes"
      e2e_key "$box" Return
    fi
    box=$(xdotool search --onlyvisible --name '^Lumora$' 2>/dev/null | head -1 || true)
    if [ -n "$box" ]; then e2e_key "$box" Return; fi
    sleep 0.25
  done
  echo "the main window did not come up" >&2
  return 1
}

# The newest lesson folder in the save folder $1 (lesson folders are named by their start time).
e2e_newest_lesson() { find "$1" -mindepth 1 -maxdepth 1 -type d | sort | tail -1; }

# Starts a recording with F5 in the main window $1 and waits until a new lesson in the save
# folder $2 has its screen.avi; sets E2E_LESSON and E2E_RECORDING_SEEN (when screen.avi appeared).
# On a disk with little room the question whether to record anyway is answered Yes.
e2e_start_recording() {
  local main=$1 save_dir=$2 before i question
  before=$(e2e_newest_lesson "$save_dir")
  e2e_key "$main" F5
  for ((i = 0; i < 200; i++)); do
    question=$(xdotool search --onlyvisible --name '^提示$' 2>/dev/null | head -1 || true)
    [ -z "$question" ] || e2e_key "$question" y
    E2E_LESSON=$(e2e_newest_lesson "$save_dir")
    if [ "$E2E_LESSON" != "$before" ] && [ -f "$E2E_LESSON/html/screen.avi" ]; then
      E2E_RECORDING_SEEN=$(date +%s.%N)
      return 0
    fi
    sleep 0.05
  done
  e2e_fail "no screen.avi appeared after F5"
}

# Works a control of one of Lumora's dialogs (see tools/post_to_lumora.cpp); prints its answer
# in UTF-8. Usage: e2e_dialog <caption> <verb> <control id> [text or index]
e2e_dialog() {
  local out
  out=$(wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" dialog "$@" 2>/dev/null) || return 1
  printf '%s\n' "$out" | tr -d '\r' | iconv -f GBK -t UTF-8
}

# The rows of the main window's lesson list, one a line, in UTF-8.
e2e_rows() {
  wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" rows 2>/dev/null | tr -d '\r' | iconv -f GBK -t UTF-8
}

# Waits until the start-up repair is over: no row of the lesson list shows a lesson waiting for
# its repair or under it.
e2e_wait_repair_done() {
  local timeout=${1:-120} i
  for ((i = 0; i < timeout * 2; i++)); do
    e2e_rows | grep -q '修复' || return 0
    sleep 0.5
  done
  echo "the start-up repair did not end after ${timeout}s" >&2
  return 1
}

# Clicks the middle of a dialog's control with the mouse, as a user would.
e2e_click_control() {  # <caption> <control id> [x offset from the control's left]
  local x y w h
  read -r x y w h < <(e2e_dialog "$1" rect "$2") || return 1
  xdotool mousemove $((x + ${3:-$((w / 2))})) $((y + h / 2)) click 1
  sleep 0.3
}

# The main window's title in UTF-8 (during a recording "录制中 00:00:05 - Lumora会议记录系统").
e2e_title() { wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" title 2>/dev/null | tr -d '\r' | iconv -f GBK -t UTF-8; }

# The texts of the balloons and tips shown on the screen, one a line, in UTF-8.
e2e_balloons() { wine "$LUMORA_BUILD/testbin/post_to_lumora.exe" balloons 2>/dev/null | tr -d '\r' | iconv -f GBK -t UTF-8; }

# Waits until the main window's title matches the extended regular expression $1; prints it.
e2e_wait_title() {
  local pattern=$1 timeout=${2:-30} i title
  for ((i = 0; i < timeout * 2; i++)); do
    title=$(e2e_title)
    if grep -Eq "$pattern" <<<"$title"; then echo "$title"; return 0; fi
    sleep 0.5
  done
  echo "the title did not come to '$pattern' in ${timeout}s (last: '$title')" >&2
  return 1
}

# Waits until a shown balloon's text contains $1.
e2e_wait_balloon() {
  local text=$1 timeout=${2:-15} i
  for ((i = 0; i < timeout * 2; i++)); do
    e2e_balloons | grep -qF "$text" && return 0
    sleep 0.5
  done
  echo "no balloon '$text' within ${timeout}s (shown: $(e2e_balloons | tr '\n' '|'))" >&2
  return 1
}

# Mounts a small disk of its own (a tmpfs of size $1, for example 48m) on a new folder and sets
# E2E_DISK; a check that cannot mount one (it needs the right to) is skipped with code 77.
# e2e_release_disk takes it away again.
e2e_small_disk() {
  E2E_DISK=$(mktemp -d)
  if ! mount -t tmpfs -o size="$1" tmpfs "$E2E_DISK" 2>/dev/null; then
    rmdir "$E2E_DISK"
    echo "SKIPPED: a small disk could not be mounted here (needs the right to mount a tmpfs)"
    exit 77
  fi
}
e2e_release_disk() { umount "$E2E_DISK" 2>/dev/null || umount -l "$E2E_DISK"; rmdir "$E2E_DISK"; }

# Starts Lumora from a fresh program folder that saves into the Unix folder $1, waits for its
# main window (set in E2E_MAIN) and a moment more, and fails on an error box at start-up.
e2e_launch() {
  e2e_program_folder
  e2e_setup_save_dir "$1"
  e2e_start
  E2E_MAIN=$(e2e_wait_main_window)
  sleep 3
  [ ! -s "$E2E_PROGRAM/error-boxes" ] || e2e_fail "an error box at start-up (is the testbed camera registered?)"
}

# Fails unless both compiled help files (into the scratch folder $1) name each text after it in
# their page "recording.htm".
e2e_help_names() {
  local folder=$1 language text
  shift
  for language in zh en; do
    7z x -y -o"$folder/$language" "$LUMORA_DIST/Lumora_$language.CHM" >/dev/null
    for text in "$@"; do
      grep -qF "$text" "$folder/$language/recording.htm" || e2e_fail "Lumora_$language.CHM does not name $text"
    done
  done
}

# Asks the program to close, answers Yes and waits for its end.
e2e_close_program() {
  local question
  e2e_post close
  question=$(e2e_wait_window "提示" 20)
  e2e_key "$question" y
  e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
}
