#!/usr/bin/env bash
# Installs what is missing, builds Lumora and every test, and runs them all under Wine.
# Exit code 0 means every test passed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/deps.sh"
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

lumora_install_deps
lumora_build

trap lumora_stop_xvfb EXIT
lumora_start_xvfb
lumora_ensure_prefix
if [ -x "$LUMORA_ROOT/scripts/testbed.sh" ]; then
  "$LUMORA_ROOT/scripts/testbed.sh" install
fi

cd "$LUMORA_BUILD"
ctest --output-on-failure --no-tests=error "$@"
