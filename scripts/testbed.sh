#!/usr/bin/env bash
# Puts the testbed into the Wine prefix named by WINEPREFIX, or takes it out again:
# the test cameras, the test microphone and the WM ASF Writer stand-in (a COM server that
# registers itself), the Windows Media Format stand-in (wmvcore.dll in place of Wine's own,
# whose profile manager has no codec information), and the sound devices (an ALSA configuration of the prefix's own, which
# scripts/env.sh names in ALSA_CONFIG_PATH, with a tone file for capture).
# Usage: scripts/testbed.sh install|remove
#        scripts/testbed.sh microphone silent|tone|unplug|plug
#        scripts/testbed.sh camera unplug|plug [2]
# "microphone silent" makes the test microphone of the prefix record digital silence, as a muted
# or wrong microphone does, and "microphone tone" (the default) gives it its tone back; both work
# at once, also while a program records.
# "unplug" makes a test device vanish for the running programs as Windows shows it: its running
# filter stops delivering and reports EC_DEVICE_LOST, it drops out of its DirectShow category, and
# the top-level windows receive WM_DEVICECHANGE for its KSCATEGORY_CAPTURE interface; "plug"
# brings it back the same way. "camera ... 2" is the second test camera. An install plugs every
# device in again.
# Quick when the installed testbed is already current; never shipped with the program.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

built_dll="$LUMORA_BUILD/testbin/lumora_testbed.dll"
home="$WINEPREFIX/drive_c/lumora-testbed"
home_windows='C:\lumora-testbed'
stamp="$home/installed"
built_wmvcore="$LUMORA_BUILD/testbin/wmformat/wmvcore.dll"
system_wmvcore="$WINEPREFIX/drive_c/windows/system32/wmvcore.dll"
wine_wmvcore="$home/wmvcore.dll.wine"  # Wine's own file, put back by remove
tone="$LUMORA_TESTBED_TONE"
# The tone that the sound device records: 1 kHz at half of full scale, 22050 Hz mono
# 16-bit, with a 100 ms pause every second; ten minutes of it, read once per opened device.
tone_rate=22050

write_sound_config() {
  local conf="$ALSA_CONFIG_PATH" next
  next=$(cat <<CONF
# Sound devices of the Lumora testbed (Wine reads this through ALSA_CONFIG_PATH):
# capture reads a tone file in real time, playback is discarded.
pcm.!default {
  type asym
  playback.pcm "lumora_discard"
  capture.pcm "lumora_tone"
}
pcm.lumora_discard {
  type null
}
# The application gets any format; the file is read as the slave's fixed format.
pcm.lumora_tone {
  type plug
  slave {
    pcm "lumora_tone_file"
    format S16_LE
    rate $tone_rate
    channels 1
  }
}
pcm.lumora_tone_file {
  type file
  slave.pcm "lumora_discard"
  file "/dev/null"
  infile "$tone"
  format "raw"
}
CONF
)
  if [ ! -f "$conf" ] || [ "$(cat "$conf")" != "$next" ]; then
    printf '%s\n' "$next" > "$conf.part" && mv "$conf.part" "$conf"
  fi
  if [ ! -s "$tone" ]; then
    sox -q -n -r "$tone_rate" -c 1 -b 16 -e signed-integer -t raw "$tone.part" \
      synth 0.9 sine 1000 vol 0.5 pad 0 0.1 repeat 599
    mv "$tone.part" "$tone"
  fi
}

registered() {
  [ -f "$WINEPREFIX/system.reg" ] && LC_ALL=C grep -aq 'Lumora Test Camera' "$WINEPREFIX/system.reg"
}

# The Windows Media Format stand-in replaces the prefix's wmvcore.dll, and a DLL override makes
# Wine load that file rather than its built-in runtime.
install_wmvcore() {
  if [ ! -f "$built_wmvcore" ] && [ -f "$LUMORA_BUILD/CMakeCache.txt" ]; then
    cmake --build "$LUMORA_BUILD" --target testbed_wmvcore >/dev/null
  fi
  if [ ! -f "$built_wmvcore" ]; then
    echo "testbed.sh: $built_wmvcore is not built; Wine's Windows Media runtime stays" >&2
    return 0
  fi
  if [ -f "$system_wmvcore" ] && cmp -s "$built_wmvcore" "$system_wmvcore" &&
     LC_ALL=C grep -aq '^"wmvcore"="native,builtin"' "$WINEPREFIX/user.reg"; then
    return 0
  fi
  if [ ! -f "$wine_wmvcore" ] && [ -f "$system_wmvcore" ]; then
    cp "$system_wmvcore" "$wine_wmvcore"
  fi
  cp "$built_wmvcore" "$system_wmvcore.part"
  mv -f "$system_wmvcore.part" "$system_wmvcore"
  wine reg add 'HKCU\Software\Wine\DllOverrides' /v wmvcore /t REG_SZ /d native,builtin /f >/dev/null
  wineserver -w
}

remove_wmvcore() {
  wine reg delete 'HKCU\Software\Wine\DllOverrides' /v wmvcore /f >/dev/null 2>&1 || true
  if [ -f "$wine_wmvcore" ]; then
    mv -f "$wine_wmvcore" "$system_wmvcore"
  fi
}

install_testbed() {
  lumora_ensure_prefix
  mkdir -p "$home"
  # A device left unplugged (by a check that broke off) is plugged in again by registering anew.
  if compgen -G "$home/*-unplugged" >/dev/null; then
    rm -f "$home"/*-unplugged "$stamp"
  fi
  write_sound_config
  install_wmvcore
  if [ ! -f "$built_dll" ] && [ -f "$LUMORA_BUILD/CMakeCache.txt" ]; then
    cmake --build "$LUMORA_BUILD" --target lumora_testbed >/dev/null
  fi
  if [ ! -f "$built_dll" ]; then
    echo "testbed.sh: $built_dll is not built; no devices registered" >&2
    return 0
  fi
  local sum
  sum=$(sha1sum < "$built_dll" | cut -d' ' -f1)
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$sum" ] && registered; then
    return 0
  fi
  # A new file rather than an overwrite, so that a process still using the old one keeps it.
  cp "$built_dll" "$home/lumora_testbed.dll.part"
  mv -f "$home/lumora_testbed.dll.part" "$home/lumora_testbed.dll"
  wine regsvr32 /s "$home_windows\\lumora_testbed.dll"
  # Wine's own choice of audio driver would try PulseAudio first.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /t REG_SZ /d alsa /f >/dev/null
  wineserver -w  # the registry reaches system.reg, where the next run looks
  if ! registered; then
    echo "testbed.sh: registration of the testbed failed" >&2
    return 1
  fi
  echo "$sum" > "$stamp"
}

remove_testbed() {
  [ -f "$WINEPREFIX/system.reg" ] || return 0
  if [ -f "$home/lumora_testbed.dll" ]; then
    wine regsvr32 /s /u "$home_windows\\lumora_testbed.dll" || true
  fi
  wine reg delete 'HKCU\Software\Wine\Drivers' /v Audio /f >/dev/null 2>&1 || true
  remove_wmvcore
  wineserver -w
  rm -rf "$home"
}

# The test microphone reads this switch for every sound buffer (testbed/microphone/MicrophoneSwitch.h).
switch_microphone() {
  mkdir -p "$home"
  case "$1" in
    silent) : > "$home/microphone-silent" ;;
    tone) rm -f "$home/microphone-silent" ;;
  esac
}

# Unplugs or plugs in a test device (testbed/devices/PlugDevice.cpp) for the programs of the prefix.
plug_device() {
  local device=$1 action=$2
  if [ ! -f "$home/lumora_testbed.dll" ]; then
    echo "testbed.sh: the testbed is not installed in $WINEPREFIX" >&2
    return 1
  fi
  wine rundll32 "$home_windows\\lumora_testbed.dll,PlugDevice" "$device" "$action" >/dev/null 2>"$home/plug.log" || true
  # The switch file tells whether it took effect.
  if { [ "$action" = unplug ] && [ ! -f "$home/$device-unplugged" ]; } ||
     { [ "$action" = plug ] && [ -f "$home/$device-unplugged" ]; }; then
    echo "testbed.sh: could not $action the $device: $(cat "$home/plug.log")" >&2
    return 1
  fi
}

case "${1:-}" in
  microphone)
    case "${2:-}" in
      silent | tone) switch_microphone "$2" && echo "Test microphone of the $LUMORA_ARCH prefix: $2" ;;
      unplug | plug) plug_device microphone "$2" && echo "Test microphone of the $LUMORA_ARCH prefix: ${2}ged" ;;
      *)
        echo "usage: $0 microphone silent|tone|unplug|plug" >&2
        exit 2
        ;;
    esac
    ;;
  camera)
    camera=camera
    [ "${3:-}" = 2 ] && camera=camera2
    case "${2:-}" in
      unplug | plug) plug_device "$camera" "$2" && echo "Test $camera of the $LUMORA_ARCH prefix: ${2}ged" ;;
      *)
        echo "usage: $0 camera unplug|plug [2]" >&2
        exit 2
        ;;
    esac
    ;;
  install) install_testbed && echo "Testbed installed in the $LUMORA_ARCH prefix $WINEPREFIX" ;;
  remove) remove_testbed && echo "Testbed removed from the $LUMORA_ARCH prefix $WINEPREFIX" ;;
  *)
    echo "usage: $0 install|remove|microphone silent|tone|unplug|plug|camera unplug|plug [2]" >&2
    exit 2
    ;;
esac
