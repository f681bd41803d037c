#!/usr/bin/env bash
# Installs what is missing, builds both trees (build/win64 and build/win32) and runs every test
# under Wine: on the 64-bit build always, on the 32-bit build too where this machine runs 32-bit
# programs and the 32-bit Wine could be installed. Exit code 0 means every test passed.
# Arguments go to ctest.
set -euo pipefail
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$scripts/deps.sh"
lumora_install_deps

# Each tree in a shell of its own, since the environment (prefix, Wine loader) is per tree.
in_tree() {
  local arch=$1
  shift
  (
    unset LUMORA_BUILD WINEPREFIX
    export LUMORA_ARCH=$arch
    source "$scripts/env.sh"
    "$@"
  )
}

run_suite() {
  trap lumora_stop_xvfb EXIT
  lumora_start_xvfb
  lumora_ensure_prefix
  "$scripts/testbed.sh" install
  cd "$LUMORA_BUILD"
  echo "Running the tests of the $LUMORA_ARCH build"
  ctest --output-on-failure --no-tests=error "$@"
}

if lumora_use_32bit; then runs_32bit=ON; else runs_32bit=OFF; fi
LUMORA_TESTS=ON in_tree win64 lumora_build
# The 32-bit tree builds its tests only where they can run; its program folder is checked by
# the 64-bit suite either way.
LUMORA_TESTS=$runs_32bit in_tree win32 lumora_build

status=0
in_tree win64 run_suite "$@" || status=1
if [ "$runs_32bit" = ON ]; then
  in_tree win32 run_suite "$@" || status=1
else
  echo "32-bit run skipped: $LUMORA_32BIT_REASON; the 32-bit program folder was checked" \
    "without running it."
fi
exit $status
