# Shared by scripts/run, scripts/test, scripts/screenshot and scripts/bench. Source it.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_WIN="${SWEEPLET_BUILD_WIN:-$ROOT/build/windows}"
BUILD_NATIVE="${SWEEPLET_BUILD_NATIVE:-$ROOT/build/native}"
JOBS="$(nproc 2>/dev/null || echo 2)"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

PACKAGES=(
  cmake make python3 python3-yaml g++ clang libclang-rt-14-dev googletest
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

# Both take optional target names to build only those (and what they need).
build_windows() {
  cmake -S "$ROOT" -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE="${SWEEPLET_CONFIG:-Release}" >/dev/null
  cmake --build "$BUILD_WIN" -j "$JOBS" ${1:+--target "$@"}
}

build_native() {
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD_NATIVE" -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$BUILD_NATIVE" -j "$JOBS" ${1:+--target "$@"}
}

# A fresh Wine prefix of our own: no test sees another run's registry.
# Crash dialogs are switched off so that a crashing test fails at once instead of hanging or passing.
new_wine_prefix() {
  export WINEPREFIX="$1"
  # Tests that run the real program against the account run only in a prefix made like this one.
  export SWEEPLET_THROWAWAY_PREFIX="$WINEPREFIX"
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

# A prefix kept between runs of a script, made when missing; sets WINEPREFIX, and PREFIX_MADE=1
# when it was made now. A prefix of ours whose first boot was cut short lacks the system services
# (and the PNG encoder with them), so it is made again; any other existing prefix is left as it is.
ready_wine_prefix() {
  export WINEPREFIX="$1"
  PREFIX_MADE=""
  if [ -f "$WINEPREFIX/.sweeplet-ready" ]; then return 0; fi
  if [ -d "$WINEPREFIX/drive_c" ] && [ ! -f "$WINEPREFIX/.sweeplet-prefix" ]; then return 0; fi
  for _ in 1 2; do
    new_wine_prefix "$WINEPREFIX"
    touch "$WINEPREFIX/.sweeplet-prefix"
    if wine reg query 'HKLM\System\CurrentControlSet\Services\RpcSs' >/dev/null 2>&1; then
      touch "$WINEPREFIX/.sweeplet-ready"
      PREFIX_MADE=1
      return 0
    fi
  done
  echo "ready_wine_prefix: $WINEPREFIX did not boot" >&2
  return 1
}

# Every program of the prefix opens in a virtual desktop `name` of `size` (WxH) at `dpi`, which
# draws window frames; with "shell" it also has a taskbar with a notification area.
#   wine_desktop name size dpi [shell]
# Waits for the prefix's server to end, so that the next program starts the desktop afresh with
# these settings: call it before starting anything that should stay running.
wine_desktop() {
  local name="$1" size="$2" dpi="$3" shell=0
  [ "${4:-}" = shell ] && shell=1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d "$name" /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$name" /t REG_SZ /d "$size" /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops\'"$name" /v EnableShell /t REG_DWORD /d "$shell" /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKEY_CURRENT_CONFIG\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
}

# Starts Xvfb on a free display from :90 up unless one is given (set SWEEPLET_FORCE_XVFB to start
# one anyway); sets DISPLAY. Fails, saying why, when no display comes up.
start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${SWEEPLET_FORCE_XVFB:-}" ]; then return 0; fi
  if ! command -v Xvfb >/dev/null; then
    echo "start_xvfb: Xvfb is not installed" >&2
    return 1
  fi
  local d=90 ready log
  ready="$(mktemp)" log="$(mktemp)"
  for _ in 1 2 3 4 5; do
    # A display in use has a lock file, or at least its socket (servers started without a lock).
    while [ -e "/tmp/.X${d}-lock" ] || [ -e "/tmp/.X11-unix/X${d}" ]; do d=$((d + 1)); done
    # Xvfb writes the display's number once it accepts clients. When another server took the
    # number first, it ends, and the next one is tried.
    : >"$ready"
    Xvfb ":$d" -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp 3>"$ready" >"$log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 150); do
      if [ -s "$ready" ]; then
        export DISPLAY=":$d"
        rm -f "$ready" "$log"
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
    d=$((d + 1))
  done
  echo "start_xvfb: no display came up; Xvfb said:" >&2
  sed 's/^/  /' "$log" >&2
  rm -f "$ready" "$log"
  return 1
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}

# A display of this script's own, whatever DISPLAY says; on exit the prefix's server and the
# display end with the script.
own_display() {
  SWEEPLET_FORCE_XVFB=1 start_xvfb
  trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
}

# One server kept running for the prefix, and its services started with output to /dev/null:
# without it every Wine program pays for a server start, and a caller reading a program's output
# waits for the services that inherited it.
persistent_wineserver() {
  wineserver -w || true
  wineserver -p || true
  wine cmd /c exit >/dev/null 2>&1 || true
}

# The crash tests read minidumps with Debian's lldb (python3-lldb keeps it from printing tracebacks).
PACKAGES+=(lldb python3-lldb)

# scripts/package: the MSI (wixl, and msibuild from msitools), signing, and a throwaway test certificate.
PACKAGES+=(wixl msitools osslsigncode openssl)
