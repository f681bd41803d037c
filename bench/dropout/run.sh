#!/usr/bin/env bash
# How long a recording's camera part takes to change when the camera goes and comes back, with
# the real filter graph and the testbed's devices (see DeviceDropoutBench.cpp); the goal for the
# return is under 2 s. The streams and lengths of the parts it records are printed (ffprobe).
# Usage: bench/dropout/run.sh [rounds]   (LUMORA_ARCH=win32 or win64 chooses the build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/env.sh"
echo "Benchmark of the $LUMORA_ARCH build ($LUMORA_BUILD); LUMORA_ARCH=win32 or win64 chooses."
echo "Machine: $(nproc) cores; load at the start: $(uptime | sed 's/.*load average/load average/')"
bench="$LUMORA_BUILD/bench/device_dropout_bench.exe"
[ -f "$bench" ] || cmake --build "$LUMORA_BUILD" --target device_dropout_bench -j2 >/dev/null
started_xvfb=""
if [ -z "${DISPLAY:-}" ]; then lumora_start_xvfb; started_xvfb=1; fi
lumora_ensure_prefix
"$root/scripts/testbed.sh" install >/dev/null
parts=$(mktemp -d)
trap '"$root/scripts/testbed.sh" camera plug >/dev/null 2>&1 || true; rm -rf "$parts"; [ -z "$started_xvfb" ] || lumora_stop_xvfb' EXIT
wine "$bench" 'C:\lumora-testbed\lumora_testbed.dll' "Z:${parts//\//\\}" "${1:-5}" 2>/dev/null | tr -d '\r'
for part in $(ls -v "$parts"/video*.wmv); do
  printf '%s: %s, %s s\n' "$(basename "$part")" \
    "$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$part" | sort | tr '\n' ' ')" \
    "$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$part")"
done
echo "Load at the end: $(uptime | sed 's/.*load average/load average/')"
