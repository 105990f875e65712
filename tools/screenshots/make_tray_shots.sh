#!/usr/bin/env bash
# Pictures of the notification area of Wine's virtual desktop: the notification after a cleaning
# started by a click on the icon, and the icon's tooltip after it, in English:
#   tools/screenshots/make_tray_shots.sh   -> build/shots/tray-{notification,tooltip}.png
# The pointer is moved and clicked through X (xdotool), as a user would, on the icon's place at
# the right end of the taskbar.
source "$(dirname "$0")/../../scripts/lib.sh"

PACKAGES+=(xdotool)
ensure_packages
build_windows Sweeplet >/dev/null
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
exit "$status"
