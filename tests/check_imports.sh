#!/usr/bin/env bash
# Sweeplet.exe must run on a bare Windows: its import table may name system DLLs only.
# It runs elevated, so it must also keep the loader's hardening: ASLR with high entropy, DEP, and
# the relocations ASLR needs.
set -euo pipefail
exe="$1"
allowed=' kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll ole32.dll oleaut32.dll version.dll winhttp.dll dwmapi.dll uxtheme.dll gdiplus.dll ntdll.dll msvcrt.dll ws2_32.dll msimg32.dll shlwapi.dll '
status=0
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
dlls=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers")
[ -n "$dlls" ] || { echo "no import table found in $exe"; exit 1; }
for dll in $dlls; do
  case "$allowed" in
    *" $dll "*) echo "ok: $dll" ;;
    *) echo "NOT A SYSTEM DLL: $dll"; status=1 ;;
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
exit $status
