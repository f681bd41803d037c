#!/usr/bin/env bash
# First start of Lumora.exe in a program folder without Setup.ini: the settings file is made
# with only the overlay text, the main window comes up, Esc asks the exit question, Yes ends
# the program and the settings are saved.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
trap e2e_cleanup EXIT

e2e_program_folder
save_dir=$(mktemp -d)
e2e_start
main=$(e2e_wait_main_window)
sleep 2
settings=$(iconv -f GBK -t UTF-8 "$E2E_PROGRAM/Setup.ini" | tr -d '\r')
[ "$(printf '%s' "$settings" | head -2)" = "$(printf '[Setup]\nOverlayText=Lumora')" ] ||
  e2e_fail "Setup.ini of the first start: $settings"
e2e_screenshot startup-main-window

e2e_key "$main" Escape
question=$(e2e_wait_window "提示" 20)
e2e_screenshot startup-exit-question
e2e_key "$question" y
e2e_wait_exit 30 || e2e_fail "Lumora did not end after Yes"

settings=$(iconv -f GBK -t UTF-8 "$E2E_PROGRAM/Setup.ini" | tr -d '\r')
for key in FileFormat=1 OverlayType=0 OverlayText=Lumora OverlayPos= OverlayFontSize=50 \
           OverlayFontColor=Black VDeviceIndex=0 ADeviceIndex=0; do
  grep -qx "$key" <<<"$settings" || e2e_fail "Setup.ini after exit lacks $key: $settings"
done
grep -q '^SaveDir=.' <<<"$settings" || e2e_fail "no save folder written: $settings"
rm -rf "$save_dir"
echo "startup: passed"
