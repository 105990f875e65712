#!/usr/bin/env bash
# Sweeplet.exe must run on a bare Windows and take no DLL from beside itself: its import table
# may name only DLLs that Windows always loads from the system folder.
# It runs elevated, so it must also keep the loader's hardening: ASLR with high entropy, DEP, and
# the relocations ASLR needs.
set -euo pipefail
exe="$1"
# Windows takes these from the system folder whatever lies beside the executable: the known DLLs
# of every version from Vista on (ntdll is in every process before any other), and comctl32 v6
# through the manifest's side-by-side dependency. Every other DLL is loaded at run time from the
# system folder (common/SystemProc.h).
allowed=' kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll msvcrt.dll ntdll.dll shlwapi.dll ws2_32.dll imm32.dll comdlg32.dll psapi.dll comctl32.dll '
status=0
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
dlls=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers")
[ -n "$dlls" ] || { echo "no import table found in $exe"; exit 1; }
for dll in $dlls; do
  case "$allowed" in
    *" $dll "*) echo "ok: $dll" ;;
    *) echo "NOT A KNOWN DLL (load it at run time from the system folder): $dll"; status=1 ;;
  esac
done
# Read as numbers, not as objdump's names for the flags.
characteristics=$(awk '$1 == "Characteristics" {print $2; exit}' <<<"$headers")
dll_characteristics=$(awk '$1 == "DllCharacteristics" {print "0x" $2; exit}' <<<"$headers")
reloc_size=$(awk '/Base Relocation Directory/ {print "0x" $4; exit}' <<<"$headers")
if [ -z "$characteristics" ] || [ -z "$dll_characteristics" ] || [ -z "$reloc_size" ]; then
  echo "no PE headers found in $exe"
  exit 1
fi
check() {  # check <name> <condition as an arithmetic expression>
  if (( $2 )); then echo "ok: $1"; else echo "MISSING: $1"; status=1; fi
}
check HIGH_ENTROPY_VA "dll_characteristics & 0x20"
check DYNAMIC_BASE "dll_characteristics & 0x40"
check NX_COMPAT "dll_characteristics & 0x100"
check "relocations kept (no IMAGE_FILE_RELOCS_STRIPPED)" "!(characteristics & 0x1)"
check "base relocation directory" "reloc_size > 0"

# Functions that Windows 7 SP1 lacks (the deny list beside this script, drawn from each function's
# documented minimum client): imported, they stop the loader before the program runs. Listed per DLL.
deny="$(dirname "$0")/imports_deny.txt"
[ -r "$deny" ] || { echo "no deny list at $deny"; exit 1; }
imported=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '
  /DLL Name:/ { dll = tolower($3); next }
  dll != "" && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_]/ { print dll " " $3 }
  /^$/ { if (seen) dll = ""; seen = 0; next }
  { seen = 1 }')
[ -n "$imported" ] || { echo "no imported function names found in $exe"; exit 1; }
denied=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$deny" | grep -v '^$' | sort -u)
[ -n "$denied" ] || { echo "the deny list $deny is empty"; exit 1; }
while read -r dll fn; do
  if grep -qxF "$fn" <<<"$denied"; then echo "IMPORTED, NEWER THAN WINDOWS 7: $dll!$fn"; status=1; fi
done <<<"$imported"
echo "checked $(wc -l <<<"$imported") imported functions against $(wc -l <<<"$denied") denied names"
exit $status
