#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Lumora need.
# Sourced by run.sh and test.sh; does nothing when everything is already there.
#
# The 32-bit Wine is optional: where the machine runs 32-bit programs it is installed too, but
# when the archive cannot serve it (an i386 index that fails to download, an install that cannot
# be resolved, a failed download) the 64-bit path is taken instead. lumora_use_32bit then says
# no, and LUMORA_32BIT_REASON says why in words a skip line can quote.
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
  tesseract-ocr tesseract-ocr-chi-sim chromium
)
# The 32-bit Wine and its sound plugin only where the machine runs 32-bit programs.
LUMORA_PACKAGES_32BIT=(wine32:i386 libasound2-plugins:i386)

# Prints those of the named packages that are not installed.
lumora_missing() {
  local missing=() p native
  # A name without an architecture means the machine's own (or an architecture-free package):
  # with the i386 one installed beside it, the bare name would answer for both.
  native=$(dpkg --print-architecture)
  installed() { dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -qx 'install ok installed'; }
  for p in "$@"; do
    if [[ "$p" == *:* ]]; then
      installed "$p" || missing+=("$p")
    else
      installed "$p:$native" || installed "$p:all" || missing+=("$p")
    fi
  done
  echo "${missing[@]:-}"
}

# The first error line apt printed (its log in $1), for a message of one line.
lumora_apt_error() {
  grep -m1 '^E:' "$1" 2>/dev/null || tail -n1 "$1" 2>/dev/null || true
}

# Chooses the 64-bit path for the rest of this run, says why in one line, and takes back the
# i386 architecture when this run added it and no i386 package is installed.
lumora_give_up_32bit() {
  LUMORA_32BIT_REASON=$1
  export LUMORA_32BIT_REASON
  echo "32-bit packages unavailable: $LUMORA_32BIT_REASON; the 64-bit path is used."
  if [ "${lumora_added_i386:-0}" = 1 ] &&
     ! dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx i386; then
    dpkg --remove-architecture i386 || true
    lumora_added_i386=0
  fi
}

# Installs what is missing. Fails only when a package the chosen path needs cannot be
# installed; a failed index download alone is not fatal.
lumora_install_packages() {
  local missing missing_32bit="" log status
  missing=$(lumora_missing "${LUMORA_PACKAGES[@]}")
  if lumora_runs_32bit; then
    missing_32bit=$(lumora_missing "${LUMORA_PACKAGES_32BIT[@]}")
  fi
  [ -z "$missing$missing_32bit" ] && return 0

  echo "Installing missing packages:" $missing $missing_32bit
  export DEBIAN_FRONTEND=noninteractive
  lumora_added_i386=0
  if [ -n "$missing_32bit" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    lumora_added_i386=1
  fi
  log=$(mktemp)
  # A mirror caught in a sync serves an index of the wrong size; once more often succeeds.
  if ! apt-get update -qq >"$log" 2>&1 && ! apt-get update -qq >"$log" 2>&1; then
    echo "apt-get update failed twice ($(lumora_apt_error "$log")); installing from the indexes it has."
    if [ -n "$missing_32bit" ] && grep -q 'binary-i386' "$log"; then
      lumora_give_up_32bit "apt-get could not read the i386 package index"
      missing_32bit=""
    fi
  fi
  if [ -n "$missing" ]; then
    # shellcheck disable=SC2086
    status=0
    apt-get install -y -qq --no-install-recommends $missing >"$log" 2>&1 || status=$?
    if [ "$status" != 0 ]; then
      echo "Could not install the packages Lumora needs: $missing" >&2
      echo "apt-get said: $(lumora_apt_error "$log")" >&2
      rm -f "$log"
      return "$status"
    fi
  fi
  if [ -n "$missing_32bit" ]; then
    # shellcheck disable=SC2086
    if ! apt-get install -y -qq --no-install-recommends $missing_32bit >"$log" 2>&1; then
      lumora_give_up_32bit "apt-get could not install $missing_32bit ($(lumora_apt_error "$log"))"
    fi
  fi
  rm -f "$log"
}

lumora_install_deps() {
  lumora_install_packages
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

# Whether the 32-bit program runs here: the machine runs 32-bit programs and the 32-bit Wine is
# installed. Call after lumora_install_deps; when it says no, LUMORA_32BIT_REASON says why.
lumora_use_32bit() {
  if ! lumora_runs_32bit; then
    LUMORA_32BIT_REASON="this machine does not run 32-bit programs (the kernel refused a 32-bit test program)"
  elif [ -n "$(lumora_missing "${LUMORA_PACKAGES_32BIT[@]}")" ]; then
    LUMORA_32BIT_REASON=${LUMORA_32BIT_REASON:-"the 32-bit Wine packages are not installed"}
  else
    return 0
  fi
  export LUMORA_32BIT_REASON
  return 1
}
