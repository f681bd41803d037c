#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Lumora need.
# Sourced by run.sh and test.sh; does nothing when everything is already there.
set -euo pipefail

LUMORA_PACKAGES=(
  cmake make
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 libz-mingw-w64-dev
  googletest
  wine wine32:i386 libasound2-plugins:i386 pulseaudio pulseaudio-utils
  xvfb xauth x11-utils xdotool
  fonts-wqy-microhei fonts-wine locales
  ffmpeg p7zip-full imagemagick sox fp-utils xchm
)

lumora_missing_packages() {
  local missing=() p
  for p in "${LUMORA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
  done
  echo "${missing[@]:-}"
}

lumora_install_deps() {
  local missing
  missing=$(lumora_missing_packages)
  if [ -n "$missing" ]; then
    echo "Installing missing packages: $missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
  fi
  # Wine reads the locale name itself; generating it only silences the shell's warnings.
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
}
