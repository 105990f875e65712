#!/usr/bin/env bash
# Sweeplet.exe must run on a bare Windows: its import table may name system DLLs only.
set -euo pipefail
exe="$1"
allowed=' kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll ole32.dll oleaut32.dll version.dll winhttp.dll dwmapi.dll uxtheme.dll gdiplus.dll ntdll.dll msvcrt.dll ws2_32.dll msimg32.dll shlwapi.dll '
status=0
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}')
[ -n "$dlls" ] || { echo "no import table found in $exe"; exit 1; }
for dll in $dlls; do
  case "$allowed" in
    *" $dll "*) echo "ok: $dll" ;;
    *) echo "NOT A SYSTEM DLL: $dll"; status=1 ;;
  esac
done
# Per-DPI calls that Windows before 10 version 1607 lacks: looked up at run time (common/Dpi.cpp).
imports=$(x86_64-w64-mingw32-objdump -p "$exe")
for fn in GetDpiForWindow GetSystemMetricsForDpi SystemParametersInfoForDpi AdjustWindowRectExForDpi; do
  if grep -qE "[[:space:]]$fn\$" <<<"$imports"; then echo "IMPORTED, MISSING BEFORE WINDOWS 10 1607: $fn"; status=1; fi
done
exit $status
