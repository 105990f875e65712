#!/usr/bin/env bash
# Pictures of the window shown after a failure, in English and Japanese (or the languages given):
#   tools/screenshots/make_crash_shots.sh [LANG...]   -> build/shots/crash-<lang>.png
# The test-only CrashProbe fails as Sweeplet would; the reporter it starts is the same code and
# carries the same resources as Sweeplet.exe's.
source "$(dirname "$0")/../../scripts/lib.sh"

ensure_packages
build_windows CrashProbe >/dev/null
out="$ROOT/build/shots"
mkdir -p "$out"
langs=("$@")
[ "${#langs[@]}" -gt 0 ] || langs=(en ja)
declare -A locales=([en]=en_US [ja]=ja_JP [ko]=ko_KR [zh]=zh_CN [ru]=ru_RU [it]=it_IT [fr]=fr_FR [ar]=ar_SA)

own_display
ready_wine_prefix "$ROOT/build/crash-shot-prefix"
wine_desktop shot 1024x768 96
status=0
for lang in "${langs[@]}"; do
  export LC_ALL="${locales[$lang]:-en_US}.UTF-8"
  link_cjk_font
  wine "$BUILD_WIN/app/CrashProbe.exe" access-violation >/dev/null 2>&1 &
  sleep 10  # the desktop, the failure, the report and the window
  # The window sits in the middle of the 1024 x 768 desktop.
  import -window root -crop 520x240+252+264 +repage "$out/crash-$lang.png" && echo "$out/crash-$lang.png" || status=1
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
done
exit "$status"
