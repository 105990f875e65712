#!/usr/bin/env bash
# Pictures of the update prompt with a "hold" check box and of the main window with the notice
# bar, in English, with window frames:
#   tools/screenshots/make_update_shots.sh   -> build/shots/update-{prompt,notice}.png
source "$(dirname "$0")/../../scripts/lib.sh"

ensure_packages
build_windows UpdateDemo >/dev/null
out="$ROOT/build/shots"
mkdir -p "$out"

own_display
ready_wine_prefix "$ROOT/build/update-shot-prefix"
export LC_ALL=en_US.UTF-8 2>/dev/null
link_cjk_font
wine_desktop shot 1024x768 96

status=0
for shot in "prompt update-prompt" "bar update-notice"; do
  read -r mode name <<< "$shot"
  png="$out/$name.png"
  rm -f "$png"
  if wine "$BUILD_WIN/app/UpdateDemo.exe" "--$mode" "$(winepath -w "$png")" && [ -s "$png" ]; then
    echo "$png"
  else
    echo "UpdateDemo --$mode made no picture" >&2
    status=1
  fi
done
exit "$status"
