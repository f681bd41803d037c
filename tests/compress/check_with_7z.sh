#!/usr/bin/env bash
# Packs a lesson-like tree with dist/compress.exe under Wine and checks the archives with 7z
# (p7zip): encryption, passwords, the extracted tree, adding, an unreadable file, Zip64,
# exit codes and messages.
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
lumora_ensure_prefix

COMPRESS="$LUMORA_DIST/compress.exe"
WORK="$LUMORA_BUILD/compress-check"
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
win() { winepath -w "$1" 2>/dev/null; }
# Runs the archiver; its exit code goes to $rc, its standard error to $WORK/stderr.txt.
pack() { set +e; wine "$@" 2>"$WORK/stderr.txt"; rc=$?; set -e; }
expect_rc() { [ "$rc" = "$1" ] || fail "$2: exit code $rc, expected $1 ($(cat "$WORK/stderr.txt"))"; }

# A lesson: course page, incompressible camera file, compressible screen file, Chinese names,
# a blank in a name, empty folders.
SRC="$WORK/lesson/20240301080000"
mkdir -p "$SRC/html/空文件夹" "$SRC/html/图片" "$SRC/deep/a/b/c"
echo '<html>课程</html>' > "$SRC/index.htm"
head -c 4000000 /dev/urandom > "$SRC/html/video.wmv"
seq 1 600000 | sed 's/$/ screen row/' > "$SRC/html/screen.avi"
printf '主题&nbsp;一<br>' | iconv -f UTF-8 -t GBK > "$SRC/html/subject.txt"
head -c 70000 /dev/urandom > "$SRC/html/图片/截图 1.bmp"
echo old > "$SRC/html/old.txt"

PASSWORD='my "pass" \ \\"end\'
ARCHIVE="$WORK/out/课程 lesson"   # no extension: ".zip" is appended
mkdir -p "$WORK/out"
pack "$COMPRESS" a -tzip "-p$PASSWORD" "$(win "$ARCHIVE")" "$(win "$SRC")\\*" -r
expect_rc 0 "first pack"
[ -f "$ARCHIVE.zip" ] || fail "archive name without extension did not get .zip"
[ -z "$(ls "$WORK/out" | grep -v '^课程 lesson.zip$')" ] || fail "files left beside the archive: $(ls "$WORK/out")"

listing=$(7z l -slt "$ARCHIVE.zip")
files=$(find "$SRC" -type f | wc -l)
aes=$(grep -c '^Method = AES-256 \(Deflate\|Store\)$' <<<"$listing" || true)
[ "$aes" = "$files" ] || fail "AES-256 entries: $aes, files: $files"
grep -q '^Path = html/screen.avi$' <<<"$listing" || fail "screen.avi missing from the listing"
grep -A12 '^Path = html/screen.avi$' <<<"$listing" | grep -q 'AES-256 Deflate' || fail "screen.avi not deflated"
grep -A12 '^Path = html/video.wmv$' <<<"$listing" | grep -q 'AES-256 Store' || fail "video.wmv not stored"

7z t "-p$PASSWORD" "$ARCHIVE.zip" >/dev/null || fail "7z t with the right password"
if 7z t -pwrong "$ARCHIVE.zip" >/dev/null 2>&1; then fail "7z t passed with a wrong password"; fi
mkdir x1 && (cd x1 && 7z x "-p$PASSWORD" "$ARCHIVE.zip" >/dev/null) || fail "7z x"
diff -r "$SRC" x1 >/dev/null || fail "extracted tree differs: $(diff -r "$SRC" x1 | head -5)"
[ -d "x1/deep/a/b/c" ] && [ -d "x1/html/空文件夹" ] || fail "empty folders not restored"

# Adding: a changed file replaces its entry, a new one is added, a removed one stays.
echo '<html>changed</html>' > "$SRC/index.htm"
echo new > "$SRC/html/new.txt"
rm "$SRC/html/old.txt"
pack "$COMPRESS" a -tzip "-p$PASSWORD" "$(win "$ARCHIVE.zip")" "$(win "$SRC")\\*" -r
expect_rc 0 "adding"
[ "$(7z l -slt "$ARCHIVE.zip" | grep -c '^Path = index.htm$')" = 1 ] || fail "index.htm twice after adding"
mkdir x2 && (cd x2 && 7z x "-p$PASSWORD" "$ARCHIVE.zip" >/dev/null) || fail "7z x after adding"
[ "$(cat x2/html/old.txt 2>/dev/null)" = old ] || fail "entry of a removed file was not kept"
rm -f x2/html/old.txt
diff -r "$SRC" x2 >/dev/null || fail "tree after adding differs: $(diff -r "$SRC" x2 | head -5)"

# The default target lies inside the lesson folder; the archive must not pack itself.
INSIDE="$SRC/lesson1.zip"
pack "$COMPRESS" a -tzip -pinside "$(win "$SRC/lesson1")" "$(win "$SRC")\\*" -r
expect_rc 0 "archive inside the source"
pack "$COMPRESS" a -tzip -pinside "$(win "$SRC/lesson1")" "$(win "$SRC")\\*" -r
expect_rc 0 "archive inside the source, again"
7z l -slt "$INSIDE" | grep -q '^Path = lesson1.zip$' && fail "archive packed itself"
7z t -pinside "$INSIDE" >/dev/null || fail "7z t of the archive inside the source"
rm -f "$INSIDE"

# A file held open without sharing: exit code 1, a message naming it, the rest packed.
rm -f "$WORK/held.flag"
wine "$LUMORA_BUILD/testbin/hold_file.exe" "$(win "$SRC/html/video.wmv")" "$(win "$WORK/held.flag")" &
holder=$!
for _ in $(seq 1 100); do [ -f "$WORK/held.flag" ] && break; sleep 0.1; done
[ -f "$WORK/held.flag" ] || fail "the file holder did not start"
pack "$COMPRESS" a -tzip -psecret "$(win "$WORK/out/partial.zip")" "$(win "$SRC")\\*" -r
rm -f "$WORK/held.flag"
wait "$holder" || true
expect_rc 1 "unreadable file"
grep -q 'video.wmv' "$WORK/stderr.txt" || fail "no message names the unreadable file: $(cat "$WORK/stderr.txt")"
7z t -psecret "$WORK/out/partial.zip" >/dev/null || fail "7z t of the archive with a file left out"
7z l -slt "$WORK/out/partial.zip" | grep -q '^Path = html/video.wmv$' && fail "unreadable file in the archive"
mkdir x3 && (cd x3 && 7z x -psecret "$WORK/out/partial.zip" >/dev/null) || fail "7z x of the partial archive"
diff -r -x video.wmv "$SRC" x3 >/dev/null || fail "partial archive differs: $(diff -r -x video.wmv "$SRC" x3 | head -5)"

# Zip64 records, forced on for a small archive, are read by 7z.
pack "$LUMORA_BUILD/testbin/compress_zip64.exe" a -tzip -pzip64 "$(win "$WORK/out/zip64.zip")" "$(win "$SRC")\\*" -r
expect_rc 0 "forced Zip64"
LC_ALL=C grep -qaP 'PK\x06\x06' "$WORK/out/zip64.zip" || fail "no Zip64 end record"
7z t -pzip64 "$WORK/out/zip64.zip" >/dev/null || fail "7z t of the Zip64 archive"
mkdir x4 && (cd x4 && 7z x -pzip64 "$WORK/out/zip64.zip" >/dev/null) || fail "7z x of the Zip64 archive"
diff -r "$SRC" x4 >/dev/null || fail "Zip64 tree differs: $(diff -r "$SRC" x4 | head -5)"

# Bad command lines: exit code 7 and a message; nothing asked, nothing made.
pack "$COMPRESS" a -tzip "$(win "$WORK/out/nopass.zip")" "$(win "$SRC")\\*" -r </dev/null
expect_rc 7 "missing password"
grep -q 'password' "$WORK/stderr.txt" || fail "no message for the missing password"
pack "$COMPRESS" a -tzip -p "$(win "$WORK/out/nopass.zip")" "$(win "$SRC")\\*" -r </dev/null
expect_rc 7 "empty password"
[ -e "$WORK/out/nopass.zip" ] && fail "archive made without a password"

# A fatal error leaves an existing file as it was and no temporary behind.
echo "not a zip" > "$WORK/out/notes.zip"
pack "$COMPRESS" a -tzip -px "$(win "$WORK/out/notes.zip")" "$(win "$SRC")\\*" -r
expect_rc 2 "existing file that is not a zip"
[ "$(cat "$WORK/out/notes.zip")" = "not a zip" ] || fail "existing file was changed"
[ -s "$WORK/stderr.txt" ] || fail "no message for the fatal error"
cp "$ARCHIVE.zip" "$WORK/before.zip"
pack "$COMPRESS" a -tzip -px "$(win "$ARCHIVE.zip")" "$(win "$WORK/nowhere")\\*" -r
expect_rc 2 "missing source folder"
cmp -s "$WORK/before.zip" "$ARCHIVE.zip" || fail "good archive changed by a failed run"
leftovers=$(ls "$WORK/out" | grep -v -e '^课程 lesson.zip$' -e '^partial.zip$' -e '^zip64.zip$' -e '^notes.zip$' || true)
[ -z "$leftovers" ] || fail "left behind: $leftovers"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all archiver checks passed"
