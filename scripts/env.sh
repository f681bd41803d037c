#!/usr/bin/env bash
# Common environment for building and running Lumora under Wine. Sourced, not run.
LUMORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LUMORA_BUILD=${LUMORA_BUILD:-$LUMORA_ROOT/build}
export LUMORA_ROOT LUMORA_BUILD
export WINEPREFIX=${WINEPREFIX:-$LUMORA_BUILD/wineprefix}
export WINEARCH=win32
# Wine's sound devices come from the testbed's ALSA configuration in the prefix (scripts/testbed.sh),
# which records the testbed's tone file.
export ALSA_CONFIG_PATH=$WINEPREFIX/drive_c/lumora-testbed/asound.conf
export LUMORA_TESTBED_TONE=$WINEPREFIX/drive_c/lumora-testbed/tone.raw
# Wine takes the ANSI code page from the locale name; 936 is what a Chinese Windows uses.
export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}

# Creates the Wine prefix once; concurrent callers wait for the first one.
lumora_ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 || true
      # Without a window manager (Xvfb) Wine draws captions and frames itself.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
      wineserver -w || true
    fi
  ) 9>"$WINEPREFIX.lock"
}

# Starts a private Xvfb when there is no display; sets DISPLAY and LUMORA_XVFB_PID.
lumora_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
  LUMORA_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}

lumora_stop_xvfb() {
  if [ -n "${LUMORA_XVFB_PID:-}" ]; then
    kill "$LUMORA_XVFB_PID" 2>/dev/null || true
    wait "$LUMORA_XVFB_PID" 2>/dev/null || true
    LUMORA_XVFB_PID=
  fi
}

# Configures (once) and builds the whole tree.
lumora_build() {
  if [ ! -f "$LUMORA_BUILD/CMakeCache.txt" ]; then
    cmake -S "$LUMORA_ROOT" -B "$LUMORA_BUILD" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$LUMORA_ROOT/cmake/mingw-i686.cmake" >/dev/null
  fi
  cmake --build "$LUMORA_BUILD" -j"$(nproc)"
}
