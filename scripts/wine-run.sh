#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own prefix (ctest's emulator).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
lumora_ensure_prefix
exec wine "$@"
