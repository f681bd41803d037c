#!/usr/bin/env bash
# Packs a lesson-like folder of about 500 MB with dist/compress.exe under Wine and with
# 7-Zip's own zip writer (7z a -tzip -mem=AES256) natively, and prints speed and size of both.
# Usage: run.sh [total MB]   (the folder is generated once under $LUMORA_BUILD/bench-compress)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
lumora_ensure_prefix

TOTAL_MB=${1:-500}
HALF_MB=$((TOTAL_MB / 2))
DATA="$LUMORA_BUILD/bench-compress"
LESSON="$DATA/lesson-$TOTAL_MB/20240301080000"
COMPRESS="$LUMORA_BUILD/dist/compress.exe"
PASSWORD='bench "pass" \ word'
[ -x "$COMPRESS" ] || { echo "build compress first: $COMPRESS" >&2; exit 2; }

# The camera file is a finished Windows Media file: as good as random to deflate. The screen
# file is MS Video 1 frames of a moving picture, which deflate roughly halves; a 10 MB run of
# frames is repeated, further apart than deflate's 32 KB window, so the repetition gives
# deflate nothing extra.
if [ ! -f "$LESSON/.complete" ]; then
  echo "generating a ${TOTAL_MB} MB lesson folder in $LESSON ..."
  rm -rf "$LESSON"
  mkdir -p "$LESSON/html/snapshots"
  head -c $((HALF_MB * 1024 * 1024)) /dev/urandom > "$LESSON/html/video.wmv"
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc2=size=1364x768:rate=5" -t 40 \
    -pix_fmt rgb555le -c:v msvideo1 "$DATA/frames.avi"
  while [ "$(stat -c %s "$LESSON/html/screen.avi" 2>/dev/null || echo 0)" -lt $((HALF_MB * 1024 * 1024)) ]; do
    cat "$DATA/frames.avi" >> "$LESSON/html/screen.avi"
  done
  truncate -s $((HALF_MB * 1024 * 1024)) "$LESSON/html/screen.avi"
  for i in 1 2 3; do
    ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc2=size=1364x768" -frames:v 1 \
      "$LESSON/html/snapshots/2024030108000$i.bmp"
  done
  printf '<html><body>课程</body></html>\r\n' > "$LESSON/index.htm"
  printf '[TimeInfo]\r\ntime=00:45:00\r\n' > "$LESSON/html/time.ini"
  printf 'subject' > "$LESSON/html/subject.txt"
  touch "$LESSON/.complete"
fi
INPUT_BYTES=$(find "$LESSON" -type f ! -name .complete -printf '%s\n' | awk '{s+=$1} END {print s}')

OUT="$DATA/out"
rm -rf "$OUT"
mkdir -p "$OUT"
now() { date +%s.%N; }

# Both tools read a warm cache: one read of the folder beforehand.
cat "$LESSON"/html/* > /dev/null 2>&1 || true

start=$(now)
wine "$COMPRESS" a -tzip "-p$PASSWORD" "$(winepath -w "$OUT/compress.zip")" "$(winepath -w "$LESSON")\\*" -r
ours=$(echo "$(now) - $start" | bc)

start=$(now)
(cd "$LESSON" && 7z a -tzip -mem=AES256 "-p$PASSWORD" "$OUT/7z.zip" . -x'!.complete' >/dev/null)
theirs=$(echo "$(now) - $start" | bc)

7z t "-p$PASSWORD" "$OUT/compress.zip" >/dev/null && ours_ok=ok || ours_ok=FAILED
7z t "-p$PASSWORD" "$OUT/7z.zip" >/dev/null && theirs_ok=ok || theirs_ok=FAILED

row() {  # name seconds archive check
  local size
  size=$(stat -c %s "$3")
  awk -v n="$1" -v t="$2" -v s="$size" -v in_="$INPUT_BYTES" -v ok="$4" 'BEGIN {
    printf "%-34s %8.1f s %8.1f MB/s %9.1f MB %7.1f %%   7z t: %s\n",
      n, t, in_ / 1048576 / t, s / 1048576, 100 * s / in_, ok }'
}
echo
printf 'lesson folder: %.1f MB (camera-like %d MB, screen-like %d MB, small files)\n' \
  "$(echo "$INPUT_BYTES / 1048576" | bc -l)" "$HALF_MB" "$HALF_MB"
printf '%-34s %10s %13s %12s %8s\n' tool time speed archive "of input"
row "compress.exe (Wine, zlib level 6)" "$ours" "$OUT/compress.zip" "$ours_ok"
row "7z a -tzip -mem=AES256 (native)" "$theirs" "$OUT/7z.zip" "$theirs_ok"
echo "(compress.exe's time includes starting Wine; $(nproc) cores on this machine, shared)"
