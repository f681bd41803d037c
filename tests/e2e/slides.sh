#!/usr/bin/env bash
# The lesson's slides from a real recording. A slide show of five slides runs full-screen while
# the pointer circles without rest; Ctrl+F9 starts the recording from it, the slides change by
# click at known moments, Ctrl+F8 marks slide 3, and the recording is paused (Ctrl+F9) while slide 4
# goes up, so that it appears at the resume. Then:
# - html/slides.js lists slide 1 as the first picture at 0.00, one entry for each further slide
#   and one marked entry; each time is where screen.avi shows the slide: 0.3 s later the recording shows
#   the entry's picture (but for the pointer), 0.3 s earlier it does not;
# - each picture is a PNG of the screen's size with its slide's colour, and the mark's picture is
#   slide 3;
# - Ctrl+F8 is held only while the recording runs;
# - the course page in headless Chromium shows the thumbnails (screenshot slides-page.png).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
save_dir=$(mktemp -d)
work=$(mktemp -d)
help_dir=$(mktemp -d)
show=
trap '[ -n "$show" ] && kill "$show" 2>/dev/null; e2e_cleanup; rm -rf "$save_dir" "$work" "$help_dir"' EXIT

key_free() { wine "$LUMORA_BUILD/testbin/hold_hotkey.exe" 0 "$1" >/dev/null 2>&1; }
decodes() { local errors; errors=$(ffmpeg -v error -xerror -i "$1" -f null - 2>&1) && [ -z "$errors" ]; }
# The frame that screen.avi shows at second $1, as PNG $2.
frame_at() { ffmpeg -nostdin -v error -ss "$1" -i "$lesson/html/screen.avi" -frames:v 1 -y "$2"; }
# Pixels that differ between two pictures of the same size by more than the 16-bit rounding.
differing() { { compare -metric AE -fuzz 4% "$1" "$2" null: 2>&1 || true; } | awk '{ printf "%d", $1 }'; }
pixel() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n 's/^0,0: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p'; }

e2e_help_names "$help_dir" Ctrl+F8
e2e_launch "$save_dir"
key_free F8 || e2e_fail "Ctrl+F8 is held before any recording"
# The show runs before the recording begins, so that its first picture is slide 1; Ctrl+F9
# starts the recording from the show.
(cd "$LUMORA_BUILD/testbin" && exec wine slide_show.exe 60 >/dev/null 2>&1) &
show=$!
window=$(e2e_wait_window "Slide show" 30) || e2e_fail "the slide show did not open"
sleep 1
before=$(e2e_newest_lesson "$save_dir")
xdotool key ctrl+F9
for _ in $(seq 1 200); do
  lesson=$(e2e_newest_lesson "$save_dir")
  [ "$lesson" != "$before" ] && [ -f "$lesson/html/screen.avi" ] && break
  sleep 0.05
done
[ "$lesson" != "$before" ] || e2e_fail "Ctrl+F9 started no recording"
sleep 3
key_free F8 && e2e_fail "Ctrl+F8 is not held while recording"
xdotool click 1       # slide 2
sleep 3
xdotool click 1       # slide 3
sleep 1
xdotool key ctrl+F8   # marked
sleep 2.5
xdotool key ctrl+F9   # paused
sleep 1.5
xdotool click 1       # slide 4, while paused
sleep 1.5
xdotool key ctrl+F9   # goes on with slide 4
sleep 3
xdotool click 1       # slide 5
sleep 3
e2e_screenshot slides-show
xdotool key ctrl+F10
e2e_wait_title '^Lumora会议记录系统$' 20 >/dev/null || e2e_fail "Ctrl+F10 did not stop the recording"
for _ in $(seq 1 120); do
  [ -f "$lesson/html/time.ini" ] && [ -f "$lesson/html/slides.js" ] && decodes "$lesson/html/screen.avi" && break
  sleep 0.5
done
decodes "$lesson/html/screen.avi" || e2e_fail "screen.avi was not finished"
key_free F8 || e2e_fail "Ctrl+F8 is still held after the recording"
kill "$show" 2>/dev/null; show=

# The list, read by node as the page's script: "time image mark" a line.
[ -f "$lesson/html/slides.js" ] || e2e_fail "no slides.js: $(ls "$lesson/html")"
node -e 'const vm = require("vm"); const c = {}; vm.runInNewContext(require("fs").readFileSync(process.argv[1], "utf8"), c);
         for (const s of c.LESSON_SLIDES) console.log(s.time.toFixed(2), s.image, s.mark);' "$lesson/html/slides.js" >"$work/list"
cat "$work/list"
length=$(e2e_duration "$lesson/html/screen.avi")
[ "$(grep -c ' false$' "$work/list")" = 5 ] || e2e_fail "expected the five slides, the first of them as the first picture"
[ "$(grep -c ' true$' "$work/list")" = 1 ] || e2e_fail "expected one mark"
[ "$(head -1 "$work/list")" = "0.00 slides/001.png false" ] || e2e_fail "the first picture is not slide 1 at 0.00"
sort -n -c "$work/list" || e2e_fail "the list is not in time order"

read -r width height < <(identify -format '%w %h\n' "$lesson/html/slides/001.png")
# The show's colours with channels of 0 and 128, as 16-bit pixels widened to 8 bits (16 of 31: 132).
colours=(0,0,132 0,132,0 132,0,0 132,0,132 0,132,132)
slide=0
previous=0
while read -r time image mark; do
  png="$lesson/html/$image"
  [ "$(identify -format '%m %w %h' "$png")" = "PNG $width $height" ] || e2e_fail "$image: $(identify "$png" 2>&1)"
  if [ "$mark" = true ]; then
    marked=$png
    continue
  fi
  colour=$(pixel "$png" $((width - 5)) $((height - 5)))
  [ "$colour" = "${colours[$slide]}" ] || e2e_fail "$image at $time shows colour $colour, slide $((slide + 1)) has ${colours[$slide]}"
  [ "$slide" = 2 ] && third=$png
  if [ "$time" = 0.00 ]; then
    slide=$((slide + 1))
    continue
  fi
  after=$(awk -v t="$time" 'BEGIN { printf "%.2f", t + 0.3 }')
  before=$(awk -v t="$time" 'BEGIN { printf "%.2f", t - 0.3 }')
  frame_at "$after" "$work/after.png"
  frame_at "$before" "$work/before.png"
  # 0.3 s later only the pointer differs; 0.3 s earlier most of the screen does.
  d_after=$(differing "$png" "$work/after.png")
  d_before=$(differing "$png" "$work/before.png")
  echo "slide $((slide + 1)) at $time: $d_after pixels differ 0.3 s later, $d_before 0.3 s earlier"
  [ "$d_after" -lt 2000 ] || e2e_fail "screen.avi does not show $image 0.3 s after $time"
  [ "$d_before" -gt $((width * height / 10)) ] || e2e_fail "screen.avi shows $image already 0.3 s before $time"
  previous=$time
  slide=$((slide + 1))
done <"$work/list"
[ "$slide" = 5 ] || e2e_fail "found $slide slides of the show"
[ "$(differing "$marked" "$third")" -lt 2000 ] || e2e_fail "the marked picture is not slide 3"
awk -v t="$previous" -v l="$length" 'BEGIN { exit !(t < l) }' || e2e_fail "the last slide at $previous s lies past screen.avi's $length s"

# The course page, opened from disk in a browser of its own, as a student opens it: no flag
# that widens what a page from disk may read.
page="file://$lesson/index.htm"
chromium --headless --no-sandbox --disable-gpu --virtual-time-budget=3000 \
  --dump-dom "$page" 2>/dev/null >"$work/dom.html"
[ "$(grep -o 'class="slide"' "$work/dom.html" | wc -l)" = 6 ] || e2e_fail "the course page does not show the six pictures"
grep -q '00:00:00' "$work/dom.html" && grep -q '★' "$work/dom.html" || e2e_fail "the page shows no times or no mark"
chromium --headless --no-sandbox --disable-gpu --virtual-time-budget=3000 \
  --window-size=1100,1300 --screenshot="$E2E_SHOTS/slides-page.png" "$page" >/dev/null 2>&1
echo "screenshot: $E2E_SHOTS/slides-page.png"
e2e_close_program
