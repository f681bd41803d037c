#!/usr/bin/env bash
# Snapshots while a lesson records. The window is minimised and the teacher works in another
# program (here Wine's notepad): Ctrl+F6 there writes a bitmap of the camera picture into the
# lesson's html folder; the key is held only while the recording runs. When another program
# holds Ctrl+F6 the recording still runs, and F6 in the restored window takes the snapshot.
# The help files name the key.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
help_dir=$(mktemp -d)
holder=
editor=
trap '[ -n "$holder" ] && kill "$holder" 2>/dev/null; [ -n "$editor" ] && kill "$editor" 2>/dev/null;
      e2e_cleanup; rm -rf "$save_dir" "$help_dir"' EXIT

# Whether Ctrl+F6 is free for a new holder (tools/hold_hotkey.cpp).
hotkey_free() { wine "$LUMORA_BUILD/testbin/hold_hotkey.exe" 0 >/dev/null 2>&1; }

# The one lesson folder made since the list $1 of folders was taken.
new_lesson() {
  comm -13 <(printf '%s\n' "$1") <(find "$save_dir" -mindepth 1 -maxdepth 1 -type d | sort)
}

# Waits for the first snapshot bitmap in the folder $1; prints its path.
wait_snapshot() {
  local i shot
  for i in $(seq 1 60); do
    shot=$(find "$1" -maxdepth 1 -name '*.bmp' | head -1)
    if [ -n "$shot" ]; then sleep 1; echo "$shot"; return 0; fi
    sleep 0.5
  done
  return 1
}

# The R,G,B of pixel ($2, $3) of image $1.
pixel() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n 's/^0,0: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p'; }

# The snapshot $1 is a bitmap that ImageMagick reads, of the first test camera's 640 x 480
# picture, named after the time, with the colour bars across its upper two thirds and the dark
# band below.
check_snapshot() {
  local shot=$1 name
  name=$(basename "$shot")
  [[ "$name" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\([0-9]{2}-[0-9]{2}-[0-9]{2}\)\.bmp$ ]] || e2e_fail "snapshot name $name"
  [[ "$(identify -format '%m %w %h' "$shot")" =~ ^BMP3?\ 640\ 480$ ]] ||
    e2e_fail "snapshot $name: $(identify "$shot" 2>&1)"
  local bars=(192,192,192 192,192,0 0,192,192 0,192,0 192,0,192 192,0,0 0,0,192) i got
  for i in "${!bars[@]}"; do
    got=$(pixel "$shot" $((i * 640 / 7 + 45)) 60)
    [ "$got" = "${bars[$i]}" ] || e2e_fail "snapshot $name: bar $i is $got, the camera's is ${bars[$i]}"
  done
  got=$(pixel "$shot" 20 475)
  [ "$got" = 16,16,16 ] || e2e_fail "snapshot $name: the band below the bars is $got"
}

# The compiled help files name the key.
for language in zh en; do
  7z x -y -o"$help_dir/$language" "$LUMORA_DIST/Lumora_$language.CHM" >/dev/null
  grep -q 'Ctrl+F6' "$help_dir/$language/recording.htm" || e2e_fail "Lumora_$language.CHM does not name Ctrl+F6"
done

e2e_program_folder
e2e_setup_save_dir "$save_dir"
e2e_start
main=$(e2e_wait_main_window)
sleep 3
[ ! -s "$E2E_PROGRAM/error-boxes" ] || e2e_fail "an error box at start-up (is the testbed camera registered?)"
hotkey_free || e2e_fail "Ctrl+F6 is held before any recording"

# 1. The hot key while the window is minimised and another program has the keyboard.
before=$(find "$save_dir" -mindepth 1 -maxdepth 1 -type d | sort)
e2e_key "$main" F5
sleep 3
lesson=$(new_lesson "$before")
[ -n "$lesson" ] || e2e_fail "F5 made no lesson folder"
e2e_post minimised || e2e_fail "the window is not minimised while recording"
hotkey_free && e2e_fail "Ctrl+F6 is not held while recording"
(cd "$save_dir" && exec wine notepad >/dev/null 2>&1) &
editor=$!
notepad=$(e2e_wait_window "记事本" 30) || e2e_fail "notepad did not open"
e2e_key "$notepad" ctrl+F6
e2e_post minimised || e2e_fail "the window came back for the key"
shot=$(wait_snapshot "$lesson/html") || e2e_fail "Ctrl+F6 in another program wrote no snapshot"
e2e_screenshot snapshot-hotkey-recording
check_snapshot "$shot"
[ "$(find "$lesson/html" -maxdepth 1 -name '*.bmp' | wc -l)" = 1 ] || e2e_fail "one key press, several snapshots"
e2e_key "$notepad" alt+F4
wait "$editor" 2>/dev/null || true
editor=

e2e_post command 1002 || e2e_fail "could not post the stop command"
for i in $(seq 1 60); do [ -f "$lesson/html/time.ini" ] && break; sleep 0.5; done
[ -f "$lesson/html/time.ini" ] || e2e_fail "the recording did not stop"
hotkey_free || e2e_fail "Ctrl+F6 is still held after the recording stopped"

# 2. Another program holds Ctrl+F6: the recording runs all the same and F6 in the window works.
wine "$LUMORA_BUILD/testbin/hold_hotkey.exe" 120 >/dev/null 2>&1 &
holder=$!
sleep 2
hotkey_free && e2e_fail "the other program could not take Ctrl+F6"
e2e_post restore
sleep 2
before=$(find "$save_dir" -mindepth 1 -maxdepth 1 -type d | sort)
e2e_key "$main" F5
sleep 4
lesson=$(new_lesson "$before")
[ -n "$lesson" ] || e2e_fail "no recording while another program holds Ctrl+F6"
[ ! -s "$E2E_PROGRAM/error-boxes" ] || e2e_fail "an error box when Ctrl+F6 was taken"
e2e_post restore
sleep 2
e2e_key "$main" F6
shot=$(wait_snapshot "$lesson/html") || e2e_fail "F6 in the window wrote no snapshot"
check_snapshot "$shot"
e2e_post command 1002
for i in $(seq 1 60); do [ -f "$lesson/html/time.ini" ] && break; sleep 0.5; done
[ -s "$lesson/html/video.wmv" ] || e2e_fail "the recording beside the other program's key wrote no video"
kill "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
holder=
# The server gives a killed program's key back when it notices the end of its thread, which
# may take a moment; Lumora, whose registration was refused, holds nothing meanwhile.
for i in $(seq 1 20); do hotkey_free && break; sleep 0.5; done
hotkey_free || e2e_fail "Ctrl+F6 is still held after the other program was ended"

e2e_post close
question=$(e2e_wait_window "提示" 20)
e2e_key "$question" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
hotkey_free || e2e_fail "Ctrl+F6 is held after the program ended"
echo "snapshot hot key: passed"
