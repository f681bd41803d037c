#!/usr/bin/env bash
# The real Lumora.exe's main window: its size, the record button's picture where the window
# places it, the hover look of a small button, F1 opening the help viewer, the About box from
# its button, and the exit question. Pictures are compared with ImageMagick.
source "${LUMORA_SOURCE:?}/tests/e2e/lib.sh"
trap e2e_cleanup EXIT

pictures=${LUMORA_BUILD}/resources/generated
scratch=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$scratch"' EXIT

# Number of differing pixels between a crop of the last screenshot and a picture file's crop.
differing_pixels() {  # screenshot x y width height picture px py
  convert "$1" -crop "$4x$5+$2+$3" +repage "$scratch/screen.png"
  convert "$6" -crop "$4x$5+$7+$8" +repage "$scratch/picture.png"
  compare -metric AE "$scratch/screen.png" "$scratch/picture.png" null: 2>&1 || true
}

e2e_program_folder
e2e_start
main=$(e2e_wait_main_window) || e2e_fail "the main window did not come up"
sleep 2

geometry=$(xdotool getwindowgeometry "$main")
grep -q 'Geometry: 752x475' <<<"$geometry" || e2e_fail "main window is not 752 x 475: $geometry"
eval "$(xdotool getwindowgeometry --shell "$main")"
wx=$X wy=$Y

# The client area starts inside the frame that Wine draws: find it from the record button,
# whose picture (below the caption band it leaves for the text) must appear pixel for pixel.
e2e_screenshot mainwnd-ready
shot=$E2E_SHOTS/mainwnd-ready.png
client_x=""
for dy in $(seq 18 30); do
  for dx in $(seq 0 6); do
    n=$(differing_pixels "$shot" $((wx + dx + 178)) $((wy + dy + 380 + 20)) 176 36 \
        "$pictures/record_normal.bmp" 0 20)
    if [ "$n" = 0 ]; then client_x=$((wx + dx)); client_y=$((wy + dy)); break 2; fi
  done
done
[ -n "$client_x" ] || e2e_fail "the record button's picture is not at 178, 380 of the client area"

# The small buttons sit at their places with their normal pictures (their right ends carry no text).
for place in "503 settings" "563 package" "623 about" "683 help"; do
  set -- $place
  n=$(differing_pixels "$shot" $((client_x + $1 + 44)) $((client_y + 402)) 12 20 "$pictures/$2_normal.bmp" 44 0)
  [ "$n" = 0 ] || e2e_fail "button $2 does not show its normal picture at $1, 402 ($n pixels differ)"
done

# Hover over the settings button shows its hover picture.
xdotool mousemove $((client_x + 530)) $((client_y + 410))
sleep 0.3
xdotool mousemove $((client_x + 531)) $((client_y + 411))
sleep 1
e2e_screenshot mainwnd-settings-hover
n=$(differing_pixels "$E2E_SHOTS/mainwnd-settings-hover.png" $((client_x + 503 + 44)) $((client_y + 402)) 12 20 \
    "$pictures/settings_hover.bmp" 44 0)
[ "$n" = 0 ] || e2e_fail "the settings button shows no hover picture ($n pixels differ)"
xdotool mousemove $((client_x + 300)) $((client_y + 200))
sleep 0.5

# F1 opens the Chinese help in the shell's viewer.
e2e_key "$main" F1
viewer=$(e2e_wait_window "Lumora 会议记录系统 帮助" 30) || e2e_fail "F1 opened no help viewer"
sleep 1
e2e_screenshot mainwnd-help
e2e_key "$viewer" alt+F4
e2e_wait_window_gone "Lumora 会议记录系统 帮助" 20 || e2e_fail "the help viewer did not close"

# The About button opens the About box; Esc closes it.
xdotool mousemove $((client_x + 650)) $((client_y + 410)) click 1
about=$(e2e_wait_window "关于" 20) || e2e_fail "the About button opened nothing"
sleep 1
e2e_screenshot mainwnd-about
e2e_key "$about" Escape
e2e_wait_window_gone "关于" 20 || e2e_fail "Esc did not close the About box"

# Esc asks; Yes ends the program.
e2e_key "$main" Escape
question=$(e2e_wait_window "提示" 20) || e2e_fail "Esc asked nothing"
e2e_key "$question" y
e2e_wait_exit 30 || e2e_fail "Lumora did not end after Yes"
echo "main window: passed"
