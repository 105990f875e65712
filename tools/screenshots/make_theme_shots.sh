#!/usr/bin/env bash
# Pictures of the appearance demo window, with window frames, at 96 and 192 DPI:
#   tools/screenshots/make_theme_shots.sh   -> build/shots/demo-<state>-<dpi>.png
source "$(dirname "$0")/../../scripts/lib.sh"

ensure_packages
build_windows ThemeDemo >/dev/null
out="$ROOT/build/shots"
mkdir -p "$out"

own_display
ready_wine_prefix "$ROOT/build/theme-shot-prefix"
status=0
for dpi in 96 192; do
  wine_desktop shot 1200x1000 "$dpi"
  for state in idle busy hover config focus; do
    flags=""
    [ "$state" = idle ] || flags="--$state"
    rect="$out/demo-$state-$dpi.txt"
    png="$out/demo-$state-$dpi.png"
    rm -f "$rect" "$png"
    # The demo says where its window is once it has painted, then waits to be photographed.
    wine "$BUILD_WIN/app/ThemeDemo.exe" $flags --shot "$(winepath -w "$rect")" &
    demo_pid=$!
    for _ in $(seq 300); do [ -s "$rect" ] && break; sleep 0.1; done
    if [ -s "$rect" ]; then
      read -r x y w h < "$rect"
      sleep 0.3
      import -window root -crop "${w}x${h}+${x}+${y}" +repage "$png"
      echo "$png"
    else
      echo "ThemeDemo made no picture of $state at $dpi DPI" >&2
      status=1
    fi
    wait "$demo_pid" || true
    rm -f "$rect"
  done
  wineserver -k 2>/dev/null || true  # the next DPI needs a new desktop
done
exit "$status"
