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
