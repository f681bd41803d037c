#!/usr/bin/env bash
# The title overlay filter's own cost per 640 x 480 frame for RGB24, RGB32, RGB555 and YUY2, with a
# still and a scrolling title (50-pixel font, Chinese and Latin text), and the one-off cost of its
# GDI mask. The goal is under 1 ms per frame.
# Usage: bench/overlay/run.sh [frames per run]   (LUMORA_ARCH=win32 or win64 chooses the build)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
lumora_ensure_prefix
bench="$LUMORA_BUILD/bench/title_overlay_bench.exe"
[ -f "$bench" ] || cmake --build "$LUMORA_BUILD" --target title_overlay_bench
started_xvfb=""
if [ -z "${DISPLAY:-}" ]; then lumora_start_xvfb; started_xvfb=1; fi
wine "$bench" "${1:-600}" 2>/dev/null | tr -d '\r'
[ -z "$started_xvfb" ] || lumora_stop_xvfb
