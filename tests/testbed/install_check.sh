#!/usr/bin/env bash
# scripts/testbed.sh in a fresh Wine prefix of its own: after install the device enumerator
# lists both cameras and the microphone by name and the Windows Media Format stand-in is the
# prefix's wmvcore.dll; a second install changes nothing; after remove no camera, microphone,
# writer or sound device is left (the no-camera cases) and Wine's own wmvcore.dll is back.
# The prefix has the caption buttons' symbol font, and a prefix that lost it gets it again.
set -euo pipefail
export WINEPREFIX="$LUMORA_BUILD/testbed-install-prefix"
source "$LUMORA_SOURCE/scripts/env.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }
tests="$LUMORA_BUILD/testbin/testbed_device_tests.exe"

wmvcore="$WINEPREFIX/drive_c/windows/system32/wmvcore.dll"
standin="$LUMORA_BUILD/testbin/wmformat/wmvcore.dll"
marlett="$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
override() { LC_ALL=C grep -a '^"wmvcore"=' "$WINEPREFIX/user.reg" || true; }

rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
lumora_ensure_prefix
cmp -s "$marlett" /usr/share/wine/fonts/marlett.ttf || fail "a new prefix lacks Marlett"
rm "$marlett"
lumora_ensure_prefix
cmp -s "$marlett" /usr/share/wine/fonts/marlett.ttf || fail "an existing prefix did not get Marlett"
[ -f "$wmvcore" ] || fail "a new prefix has no wmvcore.dll of Wine's"
cp "$wmvcore" "$LUMORA_BUILD/wmvcore.wine-copy"
"$LUMORA_SOURCE/scripts/testbed.sh" install
cmp -s "$wmvcore" "$standin" || fail "the Windows Media Format stand-in is not the prefix's wmvcore.dll"
[ "$(override)" = '"wmvcore"="native,builtin"' ] || fail "no DLL override for the stand-in: $(override)"
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
wineserver -w
cmp -s "$wmvcore" "$LUMORA_BUILD/wmvcore.wine-copy" || fail "Wine's wmvcore.dll was not put back"
rm -f "$LUMORA_BUILD/wmvcore.wine-copy"
[ -z "$(override)" ] || fail "the stand-in's DLL override is left: $(override)"
LUMORA_TESTBED_REMOVED=1 wine "$tests" --gtest_color=no --gtest_filter='TestbedRemoved.*' ||
  fail "testbed still present after remove"
wineserver -w
rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
[ ! -e "$LUMORA_DIST/lumora_testbed.dll" ] || fail "the testbed reached the program folder"
[ ! -e "$LUMORA_DIST/wmvcore.dll" ] || fail "the Windows Media Format stand-in reached the program folder"
echo "install, reinstall and remove ok"
