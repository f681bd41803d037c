#!/usr/bin/env bash
# Checks the package set-up of scripts/deps.sh without a network: apt-get, dpkg and dpkg-query
# are stand-ins (stand-ins/) that keep the machine's architectures and packages in a folder and
# fail the way a package archive does. Each case starts from its own machine state.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
deps=$here/../../scripts/deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL ($case): $*"; failures=$((failures + 1)); }

# Every package deps.sh knows, as installed names (bare names are amd64's).
all_packages() {
  (source "$deps"; printf '%s:amd64\n' "${LUMORA_PACKAGES[@]}"; printf '%s\n' "${LUMORA_PACKAGES_32BIT[@]}")
}

# new_machine <case> <foreign architectures> [installed packages...]
new_machine() {
  case=$1
  state=$work/$case
  mkdir -p "$state"
  printf '%s' "$2" > "$state/architectures"
  shift 2
  printf '%s\n' "$@" | sed '/^$/d' > "$state/installed"
  : > "$state/calls"
}

# install <runs 32-bit: yes|no> [archive fault]: runs the set-up against the stand-ins; sets
# status, out (both streams) and path (32 or 64, the path chosen afterwards).
install() {
  out=$( (
    export FAKE_DPKG_STATE=$state FAKE_APT_FAIL=${2:-} LUMORA_RUNS_32BIT=$1
    unset LUMORA_32BIT_REASON
    PATH=$here/stand-ins:$PATH
    source "$deps"
    lumora_install_packages || exit $?
    if lumora_use_32bit; then echo "path=32"; else echo "path=64 reason=$LUMORA_32BIT_REASON"; fi
  ) 2>&1 )
  status=$?
  path=$(sed -n 's/^path=\([0-9]*\).*/\1/p' <<<"$out")
}

installed() { grep -qx "$1" "$state/installed"; }
calls() { grep -c "^apt-get $1" "$state/calls"; }
expect_natives_installed() {
  local p
  for p in cmake:amd64 wine64:amd64 xvfb:amd64 g++-mingw-w64-i686-posix:amd64; do
    installed "$p" || fail "$p was not installed"
  done
}
expect_no_i386() {
  [ ! -s "$state/architectures" ] || fail "the i386 architecture was left behind"
  ! grep -q ':i386$' "$state/installed" || fail "an i386 package got installed"
}

# The i386 index does not download (a mirror in sync): the update is tried twice, the native
# packages are installed, the i386 architecture is taken back, and the 64-bit path says why.
new_machine i386-index ""
install yes i386-index
[ "$status" = 0 ] || fail "the set-up failed ($status): $out"
[ "$path" = 64 ] || fail "the 32-bit path was chosen: $out"
[ "$(calls update)" = 2 ] || fail "apt-get update ran $(calls update) times, not twice"
[ "$(calls 'install.*:i386')" = 0 ] || fail "the i386 install was tried against an index that failed"
expect_natives_installed
expect_no_i386
grep -q '^32-bit packages unavailable: apt-get could not read the i386 package index; the 64-bit path is used\.$' <<<"$out" ||
  fail "no plain line about the i386 index: $out"
grep -q 'reason=apt-get could not read the i386 package index' <<<"$out" ||
  fail "the skip reason does not name the index: $out"

# The update succeeds but the i386 packages cannot be resolved.
new_machine i386-install ""
install yes i386-install
[ "$status" = 0 ] || fail "the set-up failed ($status): $out"
[ "$path" = 64 ] || fail "the 32-bit path was chosen: $out"
expect_natives_installed
expect_no_i386
grep -q 'reason=apt-get could not install wine32:i386 libasound2-plugins:i386 (E: Unable to correct problems' <<<"$out" ||
  fail "the skip reason does not name the packages and apt's error: $out"

# An i386 architecture that was there before is the machine's own: it stays.
new_machine i386-already-there "i386"
install yes i386-install
[ "$status" = 0 ] || fail "the set-up failed ($status): $out"
grep -qx i386 "$state/architectures" || fail "an architecture the set-up did not add was removed"

# A native package that cannot be installed is a clear failure naming it and apt's error.
new_machine native-missing ""
install no package:xdotool
[ "$status" != 0 ] || fail "the set-up passed without xdotool"
grep -q '^Could not install the packages Lumora needs: .*xdotool' <<<"$out" ||
  fail "the failure does not name the packages: $out"
grep -q "^apt-get said: E: Unable to locate package xdotool" <<<"$out" ||
  fail "the failure does not give apt's error: $out"

# Everything installed: no archive is asked.
new_machine everything-installed "i386" $(all_packages)
install yes
[ "$status" = 0 ] || fail "the set-up failed ($status): $out"
[ "$path" = 32 ] || fail "the 32-bit path was not chosen: $out"
changes=$(grep -v '^dpkg --print' "$state/calls" | tr '\n' ';')
[ -z "$changes" ] || fail "a complete machine called: $changes"

# Everything works: the i386 architecture is added and the 32-bit path is taken.
new_machine 32-bit-works ""
install yes
[ "$status" = 0 ] || fail "the set-up failed ($status): $out"
[ "$path" = 32 ] || fail "the 32-bit path was not chosen: $out"
installed wine32:i386 || fail "wine32:i386 was not installed"
grep -qx i386 "$state/architectures" || fail "the i386 architecture was not added"
[ "$(calls update)" = 1 ] || fail "apt-get update ran $(calls update) times"

# A machine that does not run 32-bit programs never asks for them.
new_machine kernel-refuses ""
install no
[ "$status" = 0 ] || fail "the set-up failed ($status): $out"
[ "$path" = 64 ] || fail "the 32-bit path was chosen"
expect_no_i386
grep -q 'reason=this machine does not run 32-bit programs' <<<"$out" || fail "wrong reason: $out"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "package set-up: every case passed"
