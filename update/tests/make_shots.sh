#!/usr/bin/env bash
# Pictures of the update prompt with a "hold" check box and of the main window with the notice
# bar, in English, with window frames:
#   update/tests/make_shots.sh [windows-build-dir]   -> build/update/shots/{prompt-hold,window-notice}.png
source "$(dirname "$0")/../../scripts/lib.sh"
set +u

build="${1:-$BUILD_WIN}"
demo="$build/app/UpdateDemo.exe"
out="$ROOT/build/update/shots"
mkdir -p "$out"
[ -x "$demo" ] || { echo "build UpdateDemo first ($demo)" >&2; exit 1; }

SWEEPLET_FORCE_XVFB=1 start_xvfb
export WINEPREFIX="$ROOT/build/update/shot-prefix"
trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
# A prefix whose first boot was cut short lacks the system services, and the PNG encoder with
# them; it is made again rather than reused.
if [ ! -f "$WINEPREFIX/.shots-ready" ]; then
  for _ in 1 2; do
    new_wine_prefix "$WINEPREFIX"
    if wine reg query 'HKLM\System\CurrentControlSet\Services\RpcSs' >/dev/null 2>&1; then
      touch "$WINEPREFIX/.shots-ready"
      break
    fi
  done
fi
export LC_ALL=en_US.UTF-8 2>/dev/null
link_cjk_font
# A virtual desktop draws window frames; every process of this prefix opens in it.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d shot /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shot /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
wine reg add 'HKEY_CURRENT_CONFIG\Software\Fonts' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
wineserver -w

status=0
for shot in "prompt prompt-hold" "bar window-notice"; do
  read -r mode name <<< "$shot"
  png="$out/$name.png"
  rm -f "$png"
  if wine "$demo" "--$mode" "$(winepath -w "$png")" && [ -s "$png" ]; then
    echo "$png"
  else
    echo "UpdateDemo --$mode made no picture" >&2
    status=1
  fi
done
exit "$status"
