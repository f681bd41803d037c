#!/usr/bin/env bash
# Checks a program folder without running it: every program is a Windows image of the expected
# machine, Lumora.exe is a GUI program, Vistrel.dll exports exactly its five names and keeps its
# hook data in a shared section, TitleOverlay.dll is a COM server, Lumora.exe binds Vistrel by name, and nothing depends on a DLL
# that Windows does not have. With a second folder, both must hold the same files.
# Usage: check_program_folder.sh <folder> <win32|win64> [<folder to compare with>]
set -uo pipefail
export LC_ALL=C  # objdump's words and the sort order as written here
folder=$1 arch=$2 other=${3:-}
case "$arch" in
  win32) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
  win64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
failures=0
fail() { echo "FAIL ($arch): $*"; failures=$((failures + 1)); }

if [ ! -f "$folder/Lumora.exe" ]; then
  echo "FAIL ($arch): no program folder at $folder (scripts/test.sh builds both trees)"
  exit 1
fi

# Windows' own DLLs; anything else (a compiler runtime, zlib1.dll) would have to be shipped.
system_dlls=(kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll shlwapi.dll ole32.dll
  oleaut32.dll comctl32.dll comdlg32.dll winmm.dll msvfw32.dll avifil32.dll bcrypt.dll msvcrt.dll
  version.dll)

for image in "$folder"/*.exe "$folder"/*.dll; do
  name=$(basename "$image")
  header=$("$objdump" -p "$image" 2>&1)
  grep -q "file format $format" <<<"$header" || fail "$name is not a $format image"
  while read -r dll; do
    lower=${dll,,}
    [ "$lower" = vistrel.dll ] && [ "$name" = Lumora.exe ] && continue
    [[ " ${system_dlls[*]} " == *" $lower "* ]] || fail "$name depends on $dll, which Windows does not have"
  done < <(sed -n 's/^\s*DLL Name: //p' <<<"$header")
done

grep -q 'Subsystem.*(Windows GUI)' < <("$objdump" -p "$folder/Lumora.exe") ||
  fail "Lumora.exe is not a GUI program"

exports=$("$objdump" -p "$folder/Vistrel.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
[ "$exports" = "InstallMyHook UninstallMyHook _MMWIMDATA@8 _OnMark@0 _OnPause@4 _OnRecord@12 _OnStop@0 " ] ||
  fail "Vistrel.dll exports '$exports'"
"$objdump" -h "$folder/Vistrel.dll" | grep -A1 ' \.shared ' | grep -q SHARED ||
  fail "Vistrel.dll has no shared data section for its mouse hook"

# The title overlay filter: an in-process COM server that Lumora registers and COM loads.
if [ -f "$folder/TitleOverlay.dll" ]; then
  exports=$("$objdump" -p "$folder/TitleOverlay.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
  [ "$exports" = "DllCanUnloadNow DllGetClassObject " ] || fail "TitleOverlay.dll exports '$exports'"
else
  fail "no TitleOverlay.dll in $folder"
fi

# The imports from Vistrel.dll, by name (objdump lists "address hint name" under the DLL's name).
imports=$("$objdump" -p "$folder/Lumora.exe" | awk '
  /DLL Name:/ { inside = ($3 == "Vistrel.dll"); next }
  inside && /^\s*$/ { inside = 0 }
  inside && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }' | sort | tr '\n' ' ')
[ "$imports" = "_OnMark@0 _OnPause@4 _OnRecord@12 _OnStop@0 " ] || fail "Lumora.exe imports '$imports' from Vistrel.dll"

if [ -n "$other" ]; then
  # What a run of the program writes into its folder is not part of the delivery.
  list() { (cd "$1" && find . -type f ! -name Setup.ini | sort); }
  if ! difference=$(diff <(list "$folder") <(list "$other")); then
    fail "the program folders $folder and $other differ: $difference"
  fi
fi

[ $failures = 0 ] && echo "$arch program folder $folder: all checks passed"
exit $((failures > 0))
