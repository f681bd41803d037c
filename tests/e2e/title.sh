#!/usr/bin/env bash
# The title of the camera recording, set up as a teacher does it in the real Lumora.exe: the
# settings dialog opened from the main window, the check box clicked with the mouse, text,
# position, colour, size and display type chosen in its controls, OK. Setup.ini then holds the
# choice; a recording made with it carries the title where the position puts it in the picture
# and in its colour (ffmpeg decodes a frame, ImageMagick finds the title's pixels) and tesseract
# reads it back. After a restart the dialog shows the stored title again; a Chinese title is then
# set and recorded the same way, and read back with tesseract's simplified Chinese.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
work=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$save_dir" "$work"' EXIT

# Control ids of the settings dialog's title section.
ENABLE=1111 TEXT=1113 POS=1115 COLOUR=1117 SIZE=1119 TYPE=1121

open_settings() {
  e2e_post command 1006 || e2e_fail "could not press the settings button"
  e2e_wait_window "设置" 20 >/dev/null || e2e_fail "the settings dialog did not open"
  sleep 1
}

confirm_settings() {
  e2e_click_control 设置 1 || e2e_fail "no OK button"
  e2e_wait_window_gone "设置" 20 || e2e_fail "OK did not close the settings dialog"
}

stored() { tr -d '\r' <"$E2E_PROGRAM/Setup.ini" | iconv -f GBK -t UTF-8 | sed -n "s/^$1=//p"; }

# Records about five seconds with F5 and the record command; prints the new lesson's html folder.
record_lesson() {
  local main=$1 before lesson i
  before=$(ls "$save_dir")
  e2e_key "$main" F5
  sleep 6
  e2e_post command 1002 || e2e_fail "could not post the stop command"
  for i in $(seq 1 120); do
    lesson=$(comm -13 <(echo "$before") <(ls "$save_dir") | grep -E '^[0-9]{14}$' | head -1 || true)
    [ -n "$lesson" ] && [ -f "$save_dir/$lesson/html/time.ini" ] && break
    sleep 0.5
  done
  [ -n "$lesson" ] && [ -s "$save_dir/$lesson/html/video.wmv" ] || e2e_fail "no video.wmv recorded"
  sleep 2
  e2e_post restore || true
  sleep 1
  echo "$save_dir/$lesson/html"
}

# Finds the title in a frame of video.wmv: prints "left top width height" of the pixels of the
# colour (an ImageMagick -fx test) and leaves the title as black on white in $work/<name>-ocr.png.
find_title() {  # <video.wmv> <name> <colour test>
  local frame="$work/$2.png" mask="$work/$2-mask.png" box
  ffmpeg -nostdin -v error -ss 2.5 -i "$1" -frames:v 1 "$frame" || e2e_fail "ffmpeg could not decode $1"
  convert "$frame" -fx "$3 ? 1 : 0" -colorspace gray "$mask"
  box=$(convert "$mask" -trim -format '%X %Y %w %h' info: 2>/dev/null || true)
  read -r bx by bw bh <<<"$box"
  convert "$mask" -crop "$((bw + 24))x$((bh + 24))+$((${bx#+} > 12 ? ${bx#+} - 12 : 0))+$((${by#+} > 12 ? ${by#+} - 12 : 0))" \
    +repage -negate -resize 300% "$work/$2-ocr.png"
  echo "${bx#+} ${by#+} $bw $bh"
}

e2e_program_folder
e2e_setup_save_dir "$save_dir"
e2e_start
main=$(e2e_wait_main_window)
sleep 3
[ ! -s "$E2E_PROGRAM/error-boxes" ] || e2e_fail "an error box at start-up (is the testbed camera registered?)"

# First start: the title is off, and its controls cannot be used.
open_settings
[ "$(e2e_dialog 设置 checked $ENABLE)" = 0 ] || e2e_fail "the title is on at the first start"
for id in $TEXT $POS $COLOUR $SIZE $TYPE; do
  [ "$(e2e_dialog 设置 enabled $id)" = 0 ] || e2e_fail "control $id can be used while the title is off"
done
e2e_screenshot title-settings-off
# The check box clicked on its box with the mouse switches the controls on.
ticked=""
for attempt in 1 2 3; do
  e2e_click_control 设置 $ENABLE 6
  for i in $(seq 1 8); do
    [ "$(e2e_dialog 设置 checked $ENABLE)" = 1 ] && { ticked=1; break 2; }
    sleep 0.25
  done
done
[ -n "$ticked" ] || e2e_fail "clicks did not tick the title check box"
for id in $TEXT $POS $COLOUR $SIZE $TYPE; do
  [ "$(e2e_dialog 设置 enabled $id)" = 1 ] || e2e_fail "control $id stays disabled with the title on"
done
e2e_dialog 设置 settext $TEXT "Physics 101" || e2e_fail "could not type the title"
e2e_dialog 设置 select $POS 1 || e2e_fail "no position 1"        # 左下
e2e_dialog 设置 select $COLOUR 4 || e2e_fail "no colour 4"       # 绿色
e2e_dialog 设置 settext $SIZE 40
e2e_dialog 设置 select $TYPE 0 || e2e_fail "no display type 0"   # 静止
e2e_screenshot title-settings-on
confirm_settings

for pair in EnableTitle=1 "OverlayText=Physics 101" OverlayPos=BottomLeft OverlayFontColor=Green \
            OverlayFontSize=40 OverlayType=0; do
  [ "$(stored "${pair%%=*}")" = "${pair#*=}" ] || e2e_fail "Setup.ini holds ${pair%%=*}=$(stored "${pair%%=*}"), not ${pair#*=}"
done

html=$(record_lesson "$main")
video="$html/video.wmv"
IFS=, read -r width height < <(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$video")
# Pure green title pixels; the test picture's own green is darker.
read -r x y w h < <(find_title "$video" latin 'g > 0.85 && r < 0.4 && b < 0.4')
echo "picture ${width}x$height, green title ${w}x$h at $x,$y"
[ "${w:-0}" -gt 80 ] && [ "${h:-0}" -gt 15 ] || e2e_fail "no green title in the recording"
# BottomLeft starts at 10, height - 100 of the camera picture.
[ "$x" -ge 8 ] && [ "$x" -le 22 ] || e2e_fail "the title starts at x=$x, not near 10"
[ "$y" -ge $((height - 102)) ] && [ "$y" -le $((height - 80)) ] || e2e_fail "the title starts at y=$y, not near $((height - 100))"
[ "$h" -le 50 ] || e2e_fail "the title is $h pixels high for a 40-pixel font"
text=$(tesseract "$work/latin-ocr.png" - --psm 7 -l eng 2>/dev/null | tr -d '\n')
echo "tesseract read: '$text'"
[ "$(tr -d '[:space:]' <<<"$text")" = Physics101 ] || e2e_fail "the title reads '$text'"

# A restart keeps the title: the dialog shows what was stored.
e2e_post close
e2e_key "$(e2e_wait_window "提示" 20)" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
e2e_start
main=$(e2e_wait_main_window)
sleep 3
open_settings
[ "$(e2e_dialog 设置 checked $ENABLE)" = 1 ] || e2e_fail "the title is off after a restart"
[ "$(e2e_dialog 设置 text $TEXT)" = "Physics 101" ] || e2e_fail "after a restart the title is '$(e2e_dialog 设置 text $TEXT)'"
[ "$(e2e_dialog 设置 text $POS)" = 左下 ] || e2e_fail "after a restart the position is '$(e2e_dialog 设置 text $POS)'"
[ "$(e2e_dialog 设置 text $COLOUR)" = 绿色 ] || e2e_fail "after a restart the colour is '$(e2e_dialog 设置 text $COLOUR)'"
[ "$(e2e_dialog 设置 text $SIZE)" = 40 ] || e2e_fail "after a restart the size is '$(e2e_dialog 设置 text $SIZE)'"
[ "$(e2e_dialog 设置 text $TYPE)" = 静止 ] || e2e_fail "after a restart the type is '$(e2e_dialog 设置 text $TYPE)'"

# A Chinese title, red, at the top left.
e2e_dialog 设置 settext $TEXT "高等数学" || e2e_fail "could not type the Chinese title"
e2e_dialog 设置 select $POS 0
e2e_dialog 设置 select $COLOUR 1
e2e_dialog 设置 settext $SIZE 60
e2e_screenshot title-settings-chinese
confirm_settings
[ "$(stored OverlayText)" = 高等数学 ] || e2e_fail "Setup.ini holds OverlayText=$(stored OverlayText)"
html=$(record_lesson "$main")
read -r x y w h < <(find_title "$html/video.wmv" chinese 'r > 0.85 && g < 0.4 && b < 0.4')
echo "red Chinese title ${w}x$h at $x,$y"
[ "${w:-0}" -gt 150 ] || e2e_fail "no red title in the recording"
[ "$x" -ge 8 ] && [ "$x" -le 22 ] && [ "$y" -ge 8 ] && [ "$y" -le 30 ] || e2e_fail "the title starts at $x,$y, not near 10,10"
text=$(tesseract "$work/chinese-ocr.png" - --psm 7 -l chi_sim 2>/dev/null | tr -d '[:space:]')
echo "tesseract read: '$text'"
[ "$text" = 高等数学 ] || e2e_fail "the Chinese title reads '$text'"

e2e_post close
e2e_key "$(e2e_wait_window "提示" 20)" y
e2e_wait_exit 60 || e2e_fail "Lumora did not end after Yes"
echo "title: passed"
