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
# Per-DPI calls that Windows before 10 version 1607 lacks: looked up at run time (common/Dpi.cpp).
for fn in GetDpiForWindow GetSystemMetricsForDpi SystemParametersInfoForDpi AdjustWindowRectExForDpi; do
  if grep -qE "[[:space:]]$fn\$" <<<"$headers"; then echo "IMPORTED, MISSING BEFORE WINDOWS 10 1607: $fn"; status=1; fi
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
