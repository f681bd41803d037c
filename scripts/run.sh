#!/usr/bin/env bash
# Installs what is missing, builds Lumora and starts it under Wine: the 32-bit program where this
# machine runs 32-bit programs and the 32-bit Wine could be installed, else the 64-bit one; on
# the current display, or on a private Xvfb (with a screenshot of it) when there is none.
set -euo pipefail
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$scripts/deps.sh"
lumora_install_deps
if lumora_use_32bit; then
  LUMORA_ARCH=win32
else
  LUMORA_ARCH=win64
  echo "The 64-bit program is started: $LUMORA_32BIT_REASON."
fi
export LUMORA_ARCH
source "$scripts/env.sh"
lumora_build
echo "Starting the $LUMORA_ARCH build of Lumora ($LUMORA_BUILD/dist)."

private_display=0
if [ -z "${DISPLAY:-}" ]; then
  trap lumora_stop_xvfb EXIT
  lumora_start_xvfb
  private_display=1
fi
lumora_ensure_prefix
"$scripts/testbed.sh" install

cd "$LUMORA_BUILD/dist"
if [ "$private_display" = 1 ]; then
  shot_dir="$LUMORA_BUILD/screenshots"
  mkdir -p "$shot_dir"
  echo "No display: Lumora runs on a private Xvfb ($DISPLAY)."
  echo "A screenshot is written to $shot_dir/run.png every 10 seconds while it runs."
  wine Lumora.exe &
  lumora_pid=$!
  while kill -0 "$lumora_pid" 2>/dev/null; do
    sleep 10
    import -window root "$shot_dir/run.png" 2>/dev/null || true
  done
  wait "$lumora_pid" || true
else
  exec wine Lumora.exe
fi
