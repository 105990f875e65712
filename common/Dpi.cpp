#include "common/Dpi.h"

#include "common/SystemProc.h"

namespace sweeplet {
namespace {

template <typename Fn>
Fn User32(const char* name) noexcept {
  return SystemProc<Fn>(L"user32.dll", name);
}

// For a length the system gave at its own DPI.
int FromSystemDpi(int value, UINT dpi, UINT systemDpi) noexcept {
  return dpi == systemDpi ? value : ::MulDiv(value, static_cast<int>(dpi), static_cast<int>(systemDpi));
}

// Only the icon-title font, the icon metrics and the non-client metrics are offered per DPI.
bool ParametersForDpi(UINT action, UINT size, void* data, UINT dpi) noexcept {
  static const auto forDpi = User32<BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT)>("SystemParametersInfoForDpi");
  return forDpi && forDpi(action, size, data, 0, dpi);
}

}  // namespace

namespace dpi_detail {

UINT SystemDpi() noexcept {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

int ScaledSystemMetric(int index, UINT dpi) noexcept {
  return FromSystemDpi(::GetSystemMetrics(index), dpi, SystemDpi());
}

SIZE PlainOuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle) noexcept {
  RECT rc{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&rc, style, FALSE, exStyle);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

LOGFONTW ScaledDesktopFont(UINT dpi) noexcept {
  LOGFONTW lf{};
  ::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0);
  lf.lfHeight = FromSystemDpi(lf.lfHeight, dpi, SystemDpi());
  return lf;
}

NONCLIENTMETRICSW ScaledNonClientMetrics(UINT dpi) noexcept {
  NONCLIENTMETRICSW m{};
  m.cbSize = sizeof(m);
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0);
  const UINT systemDpi = SystemDpi();
  for (int* length : {&m.iBorderWidth, &m.iScrollWidth, &m.iScrollHeight, &m.iCaptionWidth, &m.iCaptionHeight,
                      &m.iSmCaptionWidth, &m.iSmCaptionHeight, &m.iMenuWidth, &m.iMenuHeight, &m.iPaddedBorderWidth}) {
    *length = FromSystemDpi(*length, dpi, systemDpi);
  }
  for (LOGFONTW* font : {&m.lfCaptionFont, &m.lfSmCaptionFont, &m.lfMenuFont, &m.lfStatusFont, &m.lfMessageFont}) {
    font->lfHeight = FromSystemDpi(font->lfHeight, dpi, systemDpi);
  }
  return m;
}

}  // namespace dpi_detail

UINT WindowDpi(HWND hwnd) noexcept {
  static const auto forWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (forWindow && hwnd) {
    if (const UINT dpi = forWindow(hwnd)) return dpi;
  }
  return dpi_detail::SystemDpi();
}

int SystemMetricForDpi(int index, UINT dpi) noexcept {
  static const auto forDpi = User32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
  return forDpi ? forDpi(index, dpi) : dpi_detail::ScaledSystemMetric(index, dpi);
}

SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) noexcept {
  static const auto forDpi = User32<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT rc{0, 0, clientWidth, clientHeight};
  if (forDpi && forDpi(&rc, style, FALSE, exStyle, dpi)) return SIZE{rc.right - rc.left, rc.bottom - rc.top};
  return dpi_detail::PlainOuterSize(clientWidth, clientHeight, style, exStyle);
}

void MoveForDpiChange(HWND hwnd, const RECT& suggested, int clientWidth, int clientHeight) noexcept {
  ::SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  FitClientSize(hwnd, clientWidth, clientHeight);
}

void FitClientSize(HWND hwnd, int clientWidth, int clientHeight) noexcept {
  // A minimised window has no client area to measure; its restored size is the system's.
  if (::IsIconic(hwnd)) return;
  // The frame as the window has it now, at whatever DPI the system draws it.
  RECT outer{}, client{};
  if (!::GetWindowRect(hwnd, &outer) || !::GetClientRect(hwnd, &client)) return;
  if (client.right == clientWidth && client.bottom == clientHeight) return;
  const int frameWidth = (outer.right - outer.left) - client.right;
  const int frameHeight = (outer.bottom - outer.top) - client.bottom;
  ::SetWindowPos(hwnd, nullptr, 0, 0, clientWidth + frameWidth, clientHeight + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ScaleNonClientWithDpi(HWND hwnd) noexcept {
  static const auto enable = User32<BOOL(WINAPI*)(HWND)>("EnableNonClientDpiScaling");
  // Refused under per-monitor v2 (which scales it anyway) and where the process is not per-monitor.
  if (enable) enable(hwnd);
}

LOGFONTW DesktopFont(UINT dpi) noexcept {
  LOGFONTW lf{};
  if (ParametersForDpi(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, dpi)) return lf;
  return dpi_detail::ScaledDesktopFont(dpi);
}

NONCLIENTMETRICSW NonClientMetrics(UINT dpi) noexcept {
  NONCLIENTMETRICSW m{};
  m.cbSize = sizeof(m);
  if (ParametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, dpi)) return m;
  return dpi_detail::ScaledNonClientMetrics(dpi);
}

}  // namespace sweeplet
