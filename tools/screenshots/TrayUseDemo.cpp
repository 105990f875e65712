// The tray icon with the use, as the program draws it, on a strip in the colour of a Windows 11
// taskbar, for make_tray_shots.sh:
//   TrayUseDemo <file.png> light|dark|contrast <dpi>
// Readings are set, not measured: 42 % (normal), 85 % (at or above 80), 95 % (at or above 90)
// and 100 % (the full tile), then the busy image a job shows. Each icon is drawn at the size the
// shell asks for at <dpi> and put on the strip pixel for pixel.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/TrayArea.h"
#include "common/Dpi.h"
#include "common/UniqueHandle.h"
#include "resources/resource.h"
#include "tests/e2e/Driver.h"

using namespace sweeplet;

namespace {

struct Strip {
  Color taskbar;
  TaskbarMode mode;
  SystemColors system;
  int size;
  UINT dpi;
  std::vector<UniqueIcon> icons;
};

LRESULT CALLBACK StripProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_PAINT) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  const auto* strip = reinterpret_cast<const Strip*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd, &ps);
  RECT rc;
  ::GetClientRect(hwnd, &rc);
  const UniqueBrush back(::CreateSolidBrush(RGB(strip->taskbar.r, strip->taskbar.g, strip->taskbar.b)));
  ::FillRect(dc, &rc, back.get());
  // Icons in the notification area sit in slots of 24 x 40 pixels at 100 %.
  const int slot = Scale(24, strip->dpi), margin = Scale(8, strip->dpi);
  const int top = (rc.bottom - strip->size) / 2;
  for (size_t i = 0; i < strip->icons.size(); ++i) {
    const int left = margin + static_cast<int>(i) * slot + (slot - strip->size) / 2;
    ::DrawIconEx(dc, left, top, strip->icons[i].get(), strip->size, strip->size, 0, nullptr, DI_NORMAL);
  }
  ::EndPaint(hwnd, &ps);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fwprintf(stderr, L"usage: TrayUseDemo <file.png> light|dark|contrast <dpi>\n");
    return 2;
  }
  const std::wstring file = argv[1], mode = argv[2];
  Strip strip;
  strip.dpi = static_cast<UINT>(_wtoi(argv[3]));
  if (strip.dpi < 96 || strip.dpi > 480) strip.dpi = 96;
  // A black high-contrast scheme: white text, cyan highlight.
  strip.system = {{0, 0, 0}, {255, 255, 255}, {63, 242, 63}, {0, 0, 0}, {255, 255, 255}, {26, 235, 255}, {0, 0, 0}};
  if (mode == L"light") {
    strip.mode = TaskbarMode::Light;
    strip.taskbar = {0xEE, 0xEE, 0xEE};
  } else if (mode == L"contrast") {
    strip.mode = TaskbarMode::HighContrast;
    strip.taskbar = strip.system.window;
  } else {
    strip.mode = TaskbarMode::Dark;
    strip.taskbar = {0x1C, 0x1C, 0x1C};
  }
  strip.size = SystemMetricForDpi(SM_CXSMICON, strip.dpi);
  UseIconCanvas canvas;
  for (float reading : {42.0f, 85.0f, 95.0f, 100.0f}) {
    const UseFace face = UseFaceFor(reading);
    strip.icons.push_back(canvas.Make(face, strip.size, UseInkFor(face.level, strip.mode, strip.system)));
  }
  strip.icons.emplace_back(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRAY_BUSY),
                                                           IMAGE_ICON, strip.size, strip.size, 0)));

  WNDCLASSW wc{};
  wc.lpfnWndProc = StripProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TrayUseStrip";
  ::RegisterClassW(&wc);
  const int width = Scale(8, strip.dpi) * 2 + Scale(24, strip.dpi) * static_cast<int>(strip.icons.size());
  const int height = Scale(40, strip.dpi);
  HWND hwnd = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP, 20, 20, width, height, nullptr, nullptr,
                                wc.hInstance, nullptr);
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&strip));
  ::ShowWindow(hwnd, SW_SHOW);
  ::UpdateWindow(hwnd);
  const ULONGLONG end = ::GetTickCount64() + 500;
  MSG msg;
  while (::GetTickCount64() < end) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(10);
  }
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  const bool ok = drive::CapturePng(rc, file);
  ::DestroyWindow(hwnd);
  if (!ok) std::fwprintf(stderr, L"capture failed\n");
  return ok ? 0 : 1;
}
