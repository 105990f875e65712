#include "theme/tests/WinTestSupport.h"

namespace sweeplet::test {

std::function<void(HWND)> TestWindow::onCreate;

TestWindow::TestWindow(int clientWidth, int clientHeight, DWORD style, COLORREF background) {
  brush_ = ::CreateSolidBrush(background);
  static int serial = 0;
  wchar_t name[64];
  wsprintfW(name, L"SweepletThemeTestWindow%d", ++serial);  // one class per background brush
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = Proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = brush_;
  wc.lpszClassName = name;
  ::RegisterClassExW(&wc);
  RECT r{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&r, style, FALSE, 0);
  hwnd_ = ::CreateWindowExW(0, name, L"Theme test", style, 40, 40, r.right - r.left, r.bottom - r.top, nullptr,
                            nullptr, wc.hInstance, this);
}

TestWindow::~TestWindow() {
  if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  ::DeleteObject(brush_);
}

LRESULT CALLBACK TestWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE:
      if (onCreate) onCreate(hwnd);
      break;
    case WM_COMMAND:
      if (self) self->commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
      return 0;
    case WM_ACTIVATE:
      if (self) self->activations.push_back(LOWORD(wParam));
      break;
    case WM_USER + 7:
      return 1234;  // lets a test see that results come back unchanged
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, int limitMs) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(limitMs);
  for (;;) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
    if (done()) return true;
    if (::GetTickCount64() >= end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

Color ClientPixel(HWND hwnd, int x, int y) {
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC dc = ::GetDC(hwnd);
  const COLORREF c = ::GetPixel(dc, x, y);
  ::ReleaseDC(hwnd, dc);
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

std::vector<Color> ClientPixels(HWND hwnd, const RECT& area) {
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  std::vector<Color> out;
  HDC dc = ::GetDC(hwnd);
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF c = ::GetPixel(dc, x, y);
      out.push_back({GetRValue(c), GetGValue(c), GetBValue(c)});
    }
  }
  ::ReleaseDC(hwnd, dc);
  return out;
}

}  // namespace sweeplet::test
