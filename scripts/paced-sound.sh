# Sourced by the checks that need a sound device delivering in real time: a private PulseAudio
# server whose capture device plays the testbed's tone file (scripts/testbed.sh) at the pace of
# the clock.
# The prefix's own ALSA device (scripts/testbed.sh) reads its tone file as fast as it is asked,
# which is right for checking content but not for checking length against a picture.
# Usage: lumora_start_paced_sound <folder>; Wine programs started afterwards record from it;
#        lumora_stop_paced_sound ends it (safe to call twice, and from an EXIT trap).

lumora_start_paced_sound() {
  local folder="$1" socket
  if [ ! -s "$LUMORA_TESTBED_TONE" ]; then
    echo "paced-sound: no tone file; scripts/testbed.sh install makes it" >&2
    return 1
  fi
  mkdir -p "$folder/home"
  socket="$folder/native"
  # A null sink consumes the tone at real time; its monitor is the capture device. The small
  # latency keeps the monitor's data in short pieces, so a recording starts within 0.1 s.
  HOME="$folder/home" PULSE_RUNTIME_PATH="$folder/home" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --system=false \
    --log-target="file:$folder/pulseaudio.log" \
    -L "module-native-protocol-unix socket=$socket auth-anonymous=1" \
    -L "module-null-sink sink_name=lumora_tone rate=22050 channels=1" &
  LUMORA_PACED_SERVER_PID=$!
  local waits=0
  until [ -S "$socket" ]; do
    if [ $waits -ge 100 ] || ! kill -0 "$LUMORA_PACED_SERVER_PID" 2>/dev/null; then
      echo "paced-sound: the sound server did not start (see $folder/pulseaudio.log)" >&2
      return 1
    fi
    sleep 0.1
    waits=$((waits + 1))
  done
  PULSE_SERVER="unix:$socket" HOME="$folder/home" \
    pacat --latency-msec=20 --format=s16le --rate=22050 --channels=1 -d lumora_tone \
    "$LUMORA_TESTBED_TONE" 2>"$folder/pacat.log" &
  LUMORA_PACED_FEEDER_PID=$!
  # A first recording from a fresh server waits about a second for the tone to reach the
  # monitor; a short recording here takes that wait, so that the checks' recordings start at once.
  PULSE_SERVER="unix:$socket" HOME="$folder/home" timeout 10 \
    parec --latency-msec=20 --format=s16le --rate=22050 --channels=1 -d lumora_tone.monitor \
    2>/dev/null | head -c 8820 >/dev/null || true
  cat > "$folder/asound.conf" <<CONF
pcm.!default {
  type asym
  playback.pcm "lumora_discard"
  capture.pcm "lumora_paced"
}
pcm.lumora_discard {
  type null
}
pcm.lumora_paced {
  type pulse
  server "unix:$socket"
  device "lumora_tone.monitor"
}
CONF
  export ALSA_CONFIG_PATH="$folder/asound.conf"
}

lumora_stop_paced_sound() {
  local pid
  for pid in ${LUMORA_PACED_FEEDER_PID:-} ${LUMORA_PACED_SERVER_PID:-}; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  LUMORA_PACED_FEEDER_PID=
  LUMORA_PACED_SERVER_PID=
}
