#!/usr/bin/env bash
# The slides' cost per frame at 1366x768 and 1920x1080 beside the encoder's (see SlidesBench.cpp).
# Usage: bench/slides/run.sh [frames]   (builds slides_bench in $LUMORA_BUILD first)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
echo "Machine: $(nproc) processors, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "Load at the start: $(uptime | sed 's/.*load average/load average/')"
[ -n "${NO_BUILD:-}" ] || cmake --build "$LUMORA_BUILD" --target slides_bench -j2 >/dev/null
lumora_ensure_prefix
wine "$LUMORA_BUILD/bench/slides_bench.exe" "${1:-24}" | tr -d '\r'
echo "Load at the end: $(uptime | sed 's/.*load average/load average/')"
