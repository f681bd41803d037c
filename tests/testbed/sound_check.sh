#!/usr/bin/env bash
# Records with waveIn and MCI waveaudio from the testbed's ALSA capture device and checks
# with sox that both files hold its tone: 1 kHz at half of full scale, a pause every second.
set -euo pipefail
source "$LUMORA_SOURCE/scripts/env.sh"
out="$LUMORA_BUILD/testbed-out/sound"
rm -rf "$out"
mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }

LUMORA_TESTBED_SOUND="Z:${out//\//\\}" wine "$LUMORA_BUILD/testbin/testbed_sound.exe" --gtest_color=no

check_tone() {
  local wav="$1" min_seconds="$2" rms freq length
  [ -s "$wav" ] || fail "$wav was not written"
  length=$(soxi -D "$wav")
  awk -v l="$length" -v m="$min_seconds" 'BEGIN { exit !(l >= m) }' || fail "$wav lasts $length s"
  rms=$(sox "$wav" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
  freq=$(sox "$wav" -n remix 1 stat 2>&1 | awk '/Rough +frequency/ { print $3 }')
  awk -v r="$rms" 'BEGIN { exit !(r > 0.28 && r < 0.37) }' || fail "$wav: tone RMS is $rms"
  awk -v f="$freq" 'BEGIN { exit !(f > 950 && f < 1050) }' || fail "$wav: tone frequency is $freq Hz"
  echo "$wav: ${length}s, RMS $rms at $freq Hz"
}
check_tone "$out/wavein.wav" 1.9
check_tone "$out/mci.wav" 1.0
