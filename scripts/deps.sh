#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Lumora need.
# Sourced by run.sh and test.sh; does nothing when everything is already there.
set -euo pipefail

LUMORA_PACKAGES=(
  cmake make
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  googletest
  wine wine64 libasound2-plugins pulseaudio pulseaudio-utils
  xvfb xauth x11-utils xdotool
  fonts-wqy-microhei fonts-wine locales
  ffmpeg p7zip-full imagemagick sox fp-utils xchm
  tesseract-ocr tesseract-ocr-chi-sim
)
# The 32-bit Wine and its sound plugin only where the machine runs 32-bit programs.
LUMORA_PACKAGES_32BIT=(wine32:i386 libasound2-plugins:i386)

lumora_missing_packages() {
  local missing=() p wanted=("${LUMORA_PACKAGES[@]}")
  lumora_runs_32bit && wanted+=("${LUMORA_PACKAGES_32BIT[@]}")
  # A name without an architecture means the machine's own (or an architecture-free package):
  # with the i386 one installed beside it, the bare name would answer for both.
  local native
  native=$(dpkg --print-architecture)
  installed() { dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -qx 'install ok installed'; }
  for p in "${wanted[@]}"; do
    if [[ "$p" == *:* ]]; then
      installed "$p" || missing+=("$p")
    else
      installed "$p:$native" || installed "$p:all" || missing+=("$p")
    fi
  done
  echo "${missing[@]:-}"
}

lumora_install_deps() {
  local missing
  missing=$(lumora_missing_packages)
  if [ -n "$missing" ]; then
    echo "Installing missing packages: $missing"
    if lumora_runs_32bit && ! dpkg --print-foreign-architectures | grep -qx i386; then
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

# Whether this machine runs 32-bit x86 programs: a 96-byte static i386 program that only exits
# is started once. Kernels without IA-32 emulation refuse it ("Exec format error").
lumora_runs_32bit() {
  if [ -z "${LUMORA_RUNS_32BIT:-}" ]; then
    local probe
    probe=$(mktemp)
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80\x90\x90\x90' > "$probe"
    chmod +x "$probe"
    if "$probe" 2>/dev/null; then LUMORA_RUNS_32BIT=yes; else LUMORA_RUNS_32BIT=no; fi
    rm -f "$probe"
    export LUMORA_RUNS_32BIT
  fi
  [ "$LUMORA_RUNS_32BIT" = yes ]
}
