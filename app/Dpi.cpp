#include "app/Dpi.h"

namespace sweeplet {
namespace {

template <typename F>
F User32(const char* name) noexcept {
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

UINT WindowDpi(HWND hwnd) noexcept {
  static const auto getDpiForWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (getDpiForWindow && hwnd) {
    if (UINT dpi = getDpiForWindow(hwnd)) return dpi;
  }
  HDC dc = ::GetDC(nullptr);
  const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ::ReleaseDC(nullptr, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) noexcept {
  static const auto adjustForDpi =
      User32<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT rc{0, 0, clientWidth, clientHeight};
  if (!adjustForDpi || !adjustForDpi(&rc, style, FALSE, exStyle, dpi)) ::AdjustWindowRectEx(&rc, style, FALSE, exStyle);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

LOGFONTW DesktopFont(UINT dpi) noexcept {
  static const auto spiForDpi = User32<BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT)>("SystemParametersInfoForDpi");
  LOGFONTW lf{};
  if (spiForDpi && spiForDpi(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0, dpi)) return lf;
  ::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0);
  const UINT systemDpi = WindowDpi(nullptr);
  if (systemDpi != dpi) lf.lfHeight = ::MulDiv(lf.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
  return lf;
}

}  // namespace sweeplet
