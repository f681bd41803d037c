#!/usr/bin/env bash
# Writes uncompressed 1920 x 1080 16-bit frames (4 MB each) through the AVI file library until
# the file has passed 2 GB by a few frames, and shows what happened: every write's result near
# the limit, the RIFF size the release wrote, where the frame chunks ended up, and what ffprobe
# and ffmpeg make of the file. Needs about 2.2 GB of free disk for a moment; the file is deleted.
# Usage: bench/avilimit/run.sh [frames, default 525]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/env.sh"
lumora_ensure_prefix
probe="$LUMORA_BUILD/bench/avi_limit_probe.exe"
[ -f "$probe" ] || cmake --build "$LUMORA_BUILD" --target avi_limit_probe
work=$(mktemp -d "$LUMORA_BUILD/avi-limit.XXXXXX")
trap 'rm -rf "$work"' EXIT
avi="$work/big.avi"
frames=${1:-525}
wine "$probe" "$(winepath -w "$avi")" 1920 1080 100000 "$frames" 2>/dev/null | tr -d '\r' | tail -12
echo "file size on disk: $(stat -c %s "$avi")"
python3 - "$avi" <<'PY'
import re, struct, sys
with open(sys.argv[1], 'rb') as f:
    head = f.read(64 << 20)
print("RIFF size in the header:", struct.unpack('<I', head[4:8])[0])
chunks = [m.start() for m in re.finditer(rb'00db', head) if struct.unpack('<I', head[m.start() + 4:m.start() + 8])[0] == 1920 * 1080 * 2]
print("frame chunks in the first 64 MB at offsets:", chunks[:8], "..." if len(chunks) > 8 else "")
m = head.find(b'idx1')
print("idx1 at offset:", m if m >= 0 else "not in the first 64 MB")
PY
echo "ffprobe: $(ffprobe -v error -show_entries stream=nb_frames -of csv=p=0 "$avi" 2>&1)"
echo "ffmpeg decodes: $(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$avi" 2>&1) frames"
