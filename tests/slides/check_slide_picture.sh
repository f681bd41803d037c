#!/usr/bin/env bash
# A slide picture as the recorder writes it, read back by ImageMagick: a PNG of the screen's size
# that matches a screenshot of the screen pixel for pixel at the frames' 5 bits a colour, with no
# pointer in it, while the same frame as grabbed shows the pointer at its place. The screen shows
# colour gradients, so that a flipped, shifted or channel-swapped picture would differ.
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
work=$(mktemp -d "$LUMORA_BUILD/slide-picture.XXXXXX")
trap 'rm -rf "$work"; lumora_stop_xvfb' EXIT
if [ -z "${DISPLAY:-}" ]; then lumora_start_xvfb; fi
lumora_ensure_prefix

(cd "$LUMORA_BUILD/testbin" && wine slide_picture_probe.exe "$(winepath -w "$work/slide.png")" \
   "$(winepath -w "$work/grabbed.png")" 6000 >"$work/place" 2>/dev/null) &
probe=$!
for _ in $(seq 100); do [ -s "$work/place" ] && break; sleep 0.2; done
[ -s "$work/place" ] || { echo "the probe wrote no picture"; exit 1; }
# The screenshot while the window is still up (X screenshots never show the pointer).
import -window root "$work/screen.png"
wait "$probe" || { echo "the probe failed"; exit 1; }
read -r left top right bottom < <(tr -d '\r' <"$work/place")
echo "pointer at $left,$top-$right,$bottom"

[ "$(identify -format '%m %w %h' "$work/slide.png")" = "PNG $(identify -format '%w %h' "$work/screen.png")" ] ||
  { echo "not a PNG of the screen's size: $(identify "$work/slide.png")"; exit 1; }
for png in slide grabbed screen; do convert "$work/$png.png" -depth 8 "rgb:$work/$png.rgb"; done
python3 - "$work" "$(identify -format '%w' "$work/screen.png")" "$left" "$top" "$right" "$bottom" <<'PY'
import sys
work, width, left, top, right, bottom = sys.argv[1], int(sys.argv[2]), *map(int, sys.argv[3:])
five = bytes(v >> 3 for v in range(256))
def load(name):
    return open(f"{work}/{name}.rgb", "rb").read().translate(five)
screen, slide, grabbed = load("screen"), load("slide"), load("grabbed")
row = width * 3
def pixels_differing(picture, a, b):
    return sum(1 for i in range(a, b, 3) if picture[i:i + 3] != screen[i:i + 3])
def differing(picture, inside):
    count = 0
    for y in range(len(screen) // row):
        start = y * row
        spans = [(left, right)] if top <= y < bottom else []
        if not inside:
            spans = [(0, left), (right, width)] if spans else [(0, width)]
        for a, b in spans:
            a, b = start + 3 * max(a, 0), start + 3 * min(b, width)
            if a < b and picture[a:b] != screen[a:b]:
                count += pixels_differing(picture, a, b)
    return count
problems = []
if differing(slide, False) or differing(slide, True):
    problems.append(f"the slide differs from the screen in {differing(slide, False)} pixels outside the pointer "
                    f"and {differing(slide, True)} under it")
if differing(grabbed, False):
    problems.append(f"the grabbed frame differs outside the pointer in {differing(grabbed, False)} pixels")
if differing(grabbed, True) < 20:
    problems.append("the grabbed frame shows no pointer")
print("\n".join(problems) or "the slide matches the screen at 5 bits a colour, without the pointer")
sys.exit(1 if problems else 0)
PY
