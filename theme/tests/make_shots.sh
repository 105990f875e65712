#!/usr/bin/env bash
# Pictures of the appearance demo window, with window frames, at 96 and 192 DPI:
#   theme/tests/make_shots.sh [windows-build-dir]   -> build/theme/shots/*.png
source "$(dirname "$0")/../../scripts/lib.sh"
set +u

build="${1:-$ROOT/build/theme/windows}"
demo="$build/theme/theme_demo.exe"
out="$ROOT/build/theme/shots"
mkdir -p "$out"
[ -x "$demo" ] || { echo "build theme_demo first ($demo)" >&2; exit 1; }

SWEEPLET_FORCE_XVFB=1 start_xvfb
trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
for dpi in 96 192; do
  export WINEPREFIX="$ROOT/build/theme/shot-prefix-$dpi"
  [ -d "$WINEPREFIX/drive_c" ] || new_wine_prefix "$WINEPREFIX"
  # A virtual desktop draws the window frame.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d shot /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shot /t REG_SZ /d 1200x1000 /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKEY_CURRENT_CONFIG\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
  for state in idle busy hover config focus; do
    flags=""
    [ "$state" = idle ] || flags="--$state"
    rect="$out/demo-$state-$dpi.txt"
    rm -f "$rect"
    wine "$demo" $flags --shot "$(winepath -w "$rect")" &
    demo_pid=$!
    for _ in $(seq 300); do [ -s "$rect" ] && break; sleep 0.1; done
    if [ -s "$rect" ]; then
      read -r x y w h < "$rect"
      sleep 0.3
      import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/demo-$state-$dpi.png"
      echo "$out/demo-$state-$dpi.png"
    else
      echo "no picture of $state at $dpi DPI" >&2
    fi
    wait "$demo_pid"
    rm -f "$rect"
  done
  wineserver -k 2>/dev/null || true
done
