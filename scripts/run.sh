#!/usr/bin/env bash
# Installs what is missing, builds Lumora and starts it under Wine: on the current display,
# or on a private Xvfb (with a screenshot of it) when there is none.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/deps.sh"
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

lumora_install_deps
lumora_build

private_display=0
if [ -z "${DISPLAY:-}" ]; then
  trap lumora_stop_xvfb EXIT
  lumora_start_xvfb
  private_display=1
fi
lumora_ensure_prefix
if [ -x "$LUMORA_ROOT/scripts/testbed.sh" ]; then
  "$LUMORA_ROOT/scripts/testbed.sh" install
fi

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
