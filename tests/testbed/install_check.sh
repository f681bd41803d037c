#!/usr/bin/env bash
# scripts/testbed.sh in a fresh Wine prefix of its own: after install the device enumerator
# lists both cameras and the microphone by name; a second install changes nothing; after
# remove no camera, microphone, writer or sound device is left (the no-camera cases).
set -euo pipefail
export WINEPREFIX="$LUMORA_BUILD/testbed-install-prefix"
source "$LUMORA_SOURCE/scripts/env.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }
tests="$LUMORA_BUILD/testbin/testbed_device_tests.exe"

rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
lumora_ensure_prefix
"$LUMORA_SOURCE/scripts/testbed.sh" install
wine "$tests" --gtest_color=no --gtest_filter='Testbed.DeviceEnumerator*:Testbed.EachDevice*' ||
  fail "devices not listed after install"

# Installed and current: the second run registers nothing, so the registry file stays as it is.
wineserver -w
before=$(stat -c %Y.%s "$WINEPREFIX/system.reg")
"$LUMORA_SOURCE/scripts/testbed.sh" install
wineserver -w
[ "$(stat -c %Y.%s "$WINEPREFIX/system.reg")" = "$before" ] || fail "a second install registered again"

"$LUMORA_SOURCE/scripts/testbed.sh" remove
[ ! -e "$WINEPREFIX/drive_c/lumora-testbed" ] || fail "testbed files left in the prefix"
LUMORA_TESTBED_REMOVED=1 wine "$tests" --gtest_color=no --gtest_filter='TestbedRemoved.*' ||
  fail "testbed still present after remove"
wineserver -w
rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
[ ! -e "$LUMORA_DIST/lumora_testbed.dll" ] || fail "the testbed reached the program folder"
echo "install, reinstall and remove ok"
