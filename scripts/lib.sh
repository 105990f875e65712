# Shared by scripts/run, scripts/test, scripts/screenshot and scripts/bench. Source it.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_WIN="${SWEEPLET_BUILD_WIN:-$ROOT/build/windows}"
BUILD_NATIVE="${SWEEPLET_BUILD_NATIVE:-$ROOT/build/native}"
JOBS="$(nproc 2>/dev/null || echo 2)"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

PACKAGES=(
  cmake make python3 g++ clang libclang-rt-14-dev googletest
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64 xvfb xauth x11-apps imagemagick fonts-noto-cjk fonts-wine
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs whatever of PACKAGES is missing; a machine that has everything is left alone.
ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

build_windows() {
  cmake -S "$ROOT" -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE="${SWEEPLET_CONFIG:-Release}" >/dev/null
  cmake --build "$BUILD_WIN" -j "$JOBS"
}

build_native() {
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD_NATIVE" -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$BUILD_NATIVE" -j "$JOBS"
}

# A fresh Wine prefix of our own: no test sees another run's registry.
# Crash dialogs are switched off so that a crashing test fails at once instead of hanging or passing.
new_wine_prefix() {
  export WINEPREFIX="$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -u >/dev/null 2>&1 || true
  wineserver -w || true
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d "" /f >/dev/null 2>&1
  # Tahoma for Latin, Cyrillic and Arabic; Noto CJK through the system font link for the rest.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/tahoma*.ttf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  link_cjk_font
}

# The font link is reset by a run under another code page, so callers re-add it before each run.
link_cjk_font() {
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ \
    /d 'NotoSansCJK-Regular.ttc,Noto Sans CJK JP' /f >/dev/null 2>&1 || true
}

# Starts Xvfb on a free display unless one is given; sets DISPLAY.
start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${SWEEPLET_FORCE_XVFB:-}" ]; then return; fi
  local d=90
  while [ -e "/tmp/.X${d}-lock" ]; do d=$((d + 1)); done
  Xvfb ":$d" -screen 0 2560x1600x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$d"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${d}" ] && break; sleep 0.1; done
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}

# scripts/package: the MSI (wixl, and msibuild from msitools), signing, and a throwaway test certificate.
PACKAGES+=(wixl msitools osslsigncode openssl)
