#!/usr/bin/env bash
# Pictures of the notification area of Wine's virtual desktop: the notification after a cleaning
# started by a click on the icon, the icon's tooltip after it, in English, and the icon with the
# use on it ("Show memory use on the tray icon"):
#   tools/screenshots/make_tray_shots.sh   -> build/shots/tray-{notification,tooltip,use}.png
# The pointer is moved and clicked through X (xdotool), as a user would, on the icon's place at
# the right end of the taskbar.
# Then the icon with the use at fixed readings (42, 85, 95 and 100 %, and the busy image) on a
# strip in the colour of a light, dark and high-contrast taskbar, at 100 % and 200 % (Wine's
# taskbar has neither mode, and the reading cannot be set):
#   -> build/shots/trayuse-{light,dark,contrast}-{100,200}.png
source "$(dirname "$0")/../../scripts/lib.sh"

PACKAGES+=(xdotool)
ensure_packages
build_windows Sweeplet >/dev/null
build_windows TrayUseDemo >/dev/null
out="$ROOT/build/shots"
mkdir -p "$out"

own_display
ready_wine_prefix "$ROOT/build/tray-shot-prefix"
export LC_ALL=en_US.UTF-8 2>/dev/null
wine_desktop shot 1024x768 96 shell
wine reg add 'HKCU\Software\Orvane\Sweeplet' /v cleanontray /t REG_DWORD /d 1 /f >/dev/null 2>&1

wine "$BUILD_WIN/app/Sweeplet.exe" /start >/dev/null 2>&1 &
icon=(1013 758)     # the first icon of the notification area, in a 1024 x 768 desktop
area=300x120+724+648  # the lower right corner, where the balloon and the tooltip open
sleep 8             # the desktop, its taskbar and the program come up

# The desktop is the root window's top left 1024 x 768.
shoot() { import -window root -crop "$area" +repage "$1" && echo "$1"; }
hover() {
  xdotool mousemove 900 300
  sleep 1
  xdotool mousemove "${icon[0]}" "${icon[1]}"
  sleep 0.3
  xdotool mousemove $((icon[0] - 1)) "${icon[1]}"
  sleep 3
}

status=0
hover
xdotool click 1      # cleans (the setting above), then the notification
sleep 3
shoot "$out/tray-notification.png" || status=1
sleep 6              # the balloon goes
hover
shoot "$out/tray-tooltip.png" || status=1

# A new session with the use on the icon.
wineserver -k 2>/dev/null || true
wineserver -w || true
wine reg add 'HKCU\Software\Orvane\Sweeplet' /v trayuse /t REG_DWORD /d 1 /f >/dev/null 2>&1
# Wine's taskbar is light; without this the icon would be drawn for the dark one Windows starts with.
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' /v SystemUsesLightTheme \
  /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine_desktop shot 1024x768 96 shell
wine "$BUILD_WIN/app/Sweeplet.exe" /start >/dev/null 2>&1 &
sleep 8
xdotool mousemove 900 300
sleep 1
import -window root -crop 96x24+928+744 +repage "$out/tray-use.png" && echo "$out/tray-use.png" || status=1
wine reg delete 'HKCU\Software\Orvane\Sweeplet' /v trayuse /f >/dev/null 2>&1

for dpi in 96 192; do
  for mode in light dark contrast; do
    png="$out/trayuse-$mode-$((dpi * 100 / 96)).png"
    wine "$BUILD_WIN/app/TrayUseDemo.exe" "$(winepath -w "$png")" "$mode" "$dpi" >/dev/null 2>&1 && echo "$png" || status=1
  done
done
exit "$status"
