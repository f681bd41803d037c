#!/usr/bin/env bash
# Common environment for building and running Lumora under Wine. Sourced, not run.
# LUMORA_ARCH chooses the build tree: win64 (build/win64, the tests' tree) or win32
# (build/win32, the 32-bit program folder); each tree has its own Wine prefix.
LUMORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${LUMORA_ARCH:-}" ]; then
  case "${LUMORA_BUILD:-}" in
    */win32) LUMORA_ARCH=win32 ;;
    *) LUMORA_ARCH=win64 ;;
  esac
fi
LUMORA_BUILD=${LUMORA_BUILD:-$LUMORA_ROOT/build/$LUMORA_ARCH}
export LUMORA_ROOT LUMORA_BUILD LUMORA_ARCH
export WINEPREFIX=${WINEPREFIX:-$LUMORA_BUILD/wineprefix}
export WINEARCH=$LUMORA_ARCH
# Debian's /usr/bin/wine takes the 32-bit loader whenever wine32 is installed, and Wine's own
# tools (wineboot, winepath, regsvr32) start through it; a folder of wrappers in front of PATH
# sends them all to the loader and server of this tree's architecture.
if [ "$LUMORA_ARCH" = win32 ]; then
  export WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32
else
  export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
fi
lumora_wine_wrappers() {
  local dir="$LUMORA_BUILD/winebin" tool
  [ -x "$dir/wine-stable" ] && [ "$(cat "$dir/.loader" 2>/dev/null)" = "$WINELOADER" ] && return 0
  mkdir -p "$dir"
  for tool in wine wine-stable; do
    printf '#!/bin/sh\nexec "%s" "$@"\n' "$WINELOADER" > "$dir/$tool"
  done
  printf '#!/bin/sh\nexec "%s" -p0 "$@"\n' "$WINESERVER" > "$dir/wineserver"
  chmod +x "$dir/wine" "$dir/wine-stable" "$dir/wineserver"
  echo "$WINELOADER" > "$dir/.loader"
}
lumora_wine_wrappers
case ":$PATH:" in
  *":$LUMORA_BUILD/winebin:"*) ;;
  *) export PATH="$LUMORA_BUILD/winebin:$PATH" ;;
esac
# Wine's sound devices come from the testbed's ALSA configuration in the prefix (scripts/testbed.sh),
# which records the testbed's tone file.
export ALSA_CONFIG_PATH=$WINEPREFIX/drive_c/lumora-testbed/asound.conf
export LUMORA_TESTBED_TONE=$WINEPREFIX/drive_c/lumora-testbed/tone.raw
# Wine takes the ANSI code page from the locale name; 936 is what a Chinese Windows uses.
export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}

# Creates the Wine prefix once and keeps its fonts complete; concurrent callers wait for the
# first one.
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
    lumora_prefix_fonts
  ) 9>"$WINEPREFIX.lock"
}

# Wine draws the caption buttons (minimise, maximise, close) as glyphs of the Marlett font, but
# Debian's wineboot leaves the prefix's Fonts folder empty, so letters ("0", "1", "r") of a
# fallback font appear instead. Wine loads every font file in that folder at start, so a copy of
# its own Marlett (package fonts-wine) there is enough; prefixes made earlier get it too.
lumora_prefix_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" marlett=/usr/share/wine/fonts/marlett.ttf
  [ -f "$fonts/marlett.ttf" ] && return 0
  if [ ! -f "$marlett" ]; then
    echo "lumora_prefix_fonts: $marlett is missing (package fonts-wine)" >&2
    return 0
  fi
  mkdir -p "$fonts"
  cp "$marlett" "$fonts/marlett.ttf.part" && mv "$fonts/marlett.ttf.part" "$fonts/marlett.ttf"
}

# Starts a private Xvfb with a screen of $1 (default 1366x768) on the first free display number;
# sets DISPLAY and LUMORA_XVFB_PID.
lumora_start_xvfb() {
  local size=${1:-1366x768} n i
  for n in $(seq 90 140); do
    { [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; } && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    LUMORA_XVFB_PID=$!
    # Another server may take the number between the look and the start: ours then ends at once,
    # and its socket must not be taken for ours.
    for i in $(seq 1 50); do
      kill -0 "$LUMORA_XVFB_PID" 2>/dev/null || break
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        sleep 0.2
        kill -0 "$LUMORA_XVFB_PID" 2>/dev/null || break
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    kill "$LUMORA_XVFB_PID" 2>/dev/null || true
    wait "$LUMORA_XVFB_PID" 2>/dev/null || true
    LUMORA_XVFB_PID=
  done
  echo "Xvfb did not start" >&2
  return 1
}

lumora_stop_xvfb() {
  if [ -n "${LUMORA_XVFB_PID:-}" ]; then
    kill "$LUMORA_XVFB_PID" 2>/dev/null || true
    wait "$LUMORA_XVFB_PID" 2>/dev/null || true
    LUMORA_XVFB_PID=
  fi
}

# A private Xvfb of another size ($1) in place of ours. The Wine server of our prefix is ended
# first: while it lives, a new Wine program takes the screen size from it, not from the display.
lumora_new_screen() {
  lumora_stop_xvfb
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  unset DISPLAY
  lumora_start_xvfb "$1"
}

# Configures (once) and builds this tree. LUMORA_TESTS=ON or OFF chooses whether the tests and
# benchmarks are built too; unset, a tree keeps its choice, and a new one starts without them.
lumora_build() {
  local toolchain=mingw-x86_64
  [ "$LUMORA_ARCH" = win32 ] && toolchain=mingw-i686
  if [ ! -f "$LUMORA_BUILD/CMakeCache.txt" ]; then
    cmake -S "$LUMORA_ROOT" -B "$LUMORA_BUILD" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$LUMORA_ROOT/cmake/$toolchain.cmake" \
      -DLUMORA_TESTS="${LUMORA_TESTS:-OFF}" >/dev/null
  elif [ -n "${LUMORA_TESTS:-}" ] &&
       ! grep -qx "LUMORA_TESTS:BOOL=$LUMORA_TESTS" "$LUMORA_BUILD/CMakeCache.txt"; then
    cmake -DLUMORA_TESTS="$LUMORA_TESTS" "$LUMORA_BUILD" >/dev/null
  fi
  cmake --build "$LUMORA_BUILD" -j"$(nproc)"
}
