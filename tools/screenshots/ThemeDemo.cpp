// A stand-in for the main window's Home page built from the appearance controls, for looking
// at them: ThemeDemo.exe [--busy] [--config] [--hover] [--focus] [--shot file.txt]. With --shot it writes
// the window's screen rectangle ("left top width height") to the file once it has painted,
// waits three seconds for the picture to be taken, and exits.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "common/Dpi.h"
#include "common/UniqueHandle.h"
#include "theme/ActivityIndicator.h"
#include "theme/ButtonStyles.h"
#include "theme/Logo.h"
#include "theme/StyledButton.h"
#include "theme/ThemeHelper.h"

namespace {

using namespace sweeplet;

struct Options {
  bool busy = false, config = false, hover = false, focus = false;
  std::wstring shot;
};

struct Demo {
  Options options;
  std::unique_ptr<TThemeHelper> theme;
  UINT dpi = 96;
  UniqueFont font, titleFont;
  HWND home = nullptr, configure = nullptr, donate = nullptr, logo = nullptr, clean = nullptr, indicator = nullptr;
  std::vector<HWND> greyLabels;
};

Demo g_demo;

int S(int v) { return ::MulDiv(v, static_cast<int>(g_demo.dpi), 96); }
RECT R(int x, int y, int w, int h) { return {S(x), S(y), S(x) + S(w), S(y) + S(h)}; }

HWND Label(HWND parent, const wchar_t* text, RECT r, DWORD style = SS_LEFT) {
  return ::CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_NOPREFIX | style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent, nullptr, nullptr, nullptr);
}

void CreateControls(HWND hwnd) {
  g_demo.theme = std::make_unique<TThemeHelper>(hwnd);
  g_demo.dpi = WindowDpi(hwnd);
  const int line = ::MulDiv(g_demo.theme->LineHeight(), 96, static_cast<int>(g_demo.dpi));

  LOGFONTW lf{};
  ::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0);
  g_demo.font.reset(::CreateFontIndirectW(&lf));
  LOGFONTW title{};
  title.lfHeight = -S(59);
  title.lfQuality = ANTIALIASED_QUALITY;
  lstrcpyW(title.lfFaceName, L"Tahoma");
  g_demo.titleFont.reset(::CreateFontIndirectW(&title));

  const int head = line;  // the header sits just below the accent line
  g_demo.home = CreateStyledButton(hwnd, 101, L"Home", "Header", 4, R(10, head + 10, 70, 30), true);
  g_demo.configure = CreateStyledButton(hwnd, 102, L"Config", "Header", 4, R(80, head + 10, 70, 30), true);
  g_demo.donate = CreateStyledButton(hwnd, 103, L"Donate", "Header", 4, R(150, head + 10, 70, 30), true);
  g_demo.logo = CreateLogo(hwnd, 104, R(380, head, 112, 50));

  const int page = head + 50;
  HWND title_ = Label(hwnd, L"Sweeplet", R(8, page + 40, 484, 81), SS_CENTER);
  HWND progress = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, S(56), S(page + 192),
                                    S(393), S(25), hwnd, nullptr, nullptr, nullptr);
  ::SendMessageW(progress, PBM_SETPOS, 47, 0);
  Label(hwnd, L"Physical", R(56, page + 223, 70, 13));
  Label(hwnd, L"47% (7.48 GB / 15.9 GB)", R(132, page + 223, 317, 13));
  g_demo.greyLabels = {Label(hwnd, L"Virtual", R(56, page + 242, 70, 13)),
                       Label(hwnd, L"38% (9.12 GB)", R(134, page + 242, 120, 13)),
                       Label(hwnd, L"Working set", R(263, page + 242, 70, 13)),
                       Label(hwnd, L"12% (1.94 GB)", R(341, page + 242, 108, 13))};
  // As the main window does: the indicator first, the clean button after it.
  g_demo.indicator = CreateActivityIndicator(hwnd, R(233, page + 316, 32, 32));
  g_demo.clean = CreateStyledButton(hwnd, 105, L"Clean memory", "Outline", 6, R(168, page + 298, 164, 68), false);

  ::EnumChildWindows(
      hwnd,
      [](HWND child, LPARAM font) -> BOOL {
        ::SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(g_demo.font.get()));
  ::SendMessageW(title_, WM_SETFONT, reinterpret_cast<WPARAM>(g_demo.titleFont.get()), FALSE);

  SetStyledButtonDown(g_demo.options.config ? g_demo.configure : g_demo.home, true);
  if (g_demo.options.busy) {
    ::SetWindowTextW(g_demo.clean, L"");
    ::EnableWindow(g_demo.clean, FALSE);
    ::ShowWindow(g_demo.indicator, SW_SHOW);
    StartIndicator(g_demo.indicator);
  }
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      CreateControls(hwnd);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == 101 || LOWORD(wParam) == 102) {
        SetStyledButtonDown(g_demo.home, LOWORD(wParam) == 101);
        SetStyledButtonDown(g_demo.configure, LOWORD(wParam) == 102);
      } else if (LOWORD(wParam) == 105) {
        const bool busy = ::IsWindowEnabled(g_demo.clean) != FALSE;
        ::SetWindowTextW(g_demo.clean, busy ? L"" : L"Clean memory");
        ::EnableWindow(g_demo.clean, !busy);
        ::ShowWindow(g_demo.indicator, busy ? SW_SHOW : SW_HIDE);
        busy ? StartIndicator(g_demo.indicator) : StopIndicator(g_demo.indicator);
      }
      return 0;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const HWND control = reinterpret_cast<HWND>(lParam);
      bool grey = false;
      for (HWND g : g_demo.greyLabels) grey = grey || g == control;
      ::SetTextColor(dc, grey ? RGB(128, 128, 128) : ::GetSysColor(COLOR_WINDOWTEXT));
      ::SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    }
    case WM_CTLCOLORBTN:
      return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    case WM_DESTROY:
      g_demo.theme.reset();
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

bool SaveWindowRect(HWND hwnd, const std::wstring& path) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  FILE* f = _wfopen(path.c_str(), L"w");
  if (f == nullptr) return false;
  std::fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  std::fclose(f);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--busy") g_demo.options.busy = true;
    if (a == L"--config") g_demo.options.config = true;
    if (a == L"--hover") g_demo.options.hover = true;
    if (a == L"--focus") g_demo.options.focus = true;
    if (a == L"--shot" && i + 1 < argc) g_demo.options.shot = argv[++i];
  }
  ::SetProcessDPIAware();
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&icc);
  RegisterStyleFamily();

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DemoProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"SweepletThemeDemo";
  ::RegisterClassExW(&wc);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"Sweeplet", style, 40, 30, 100, 100, nullptr, nullptr,
                                wc.hInstance, nullptr);
  if (hwnd == nullptr) return 1;
  RECT outer{0, 0, ::MulDiv(500, static_cast<int>(g_demo.dpi), 96),
             ::MulDiv(450, static_cast<int>(g_demo.dpi), 96) + g_demo.theme->LineHeight()};
  ::AdjustWindowRectEx(&outer, style, FALSE, 0);
  ::SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
  ::ShowWindow(hwnd, SW_SHOW);
  ::UpdateWindow(hwnd);
  RECT hoverOver{};
  ::GetWindowRect(g_demo.donate, &hoverOver);
  const POINT away{::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1};
  const POINT over{(hoverOver.left + hoverOver.right) / 2, (hoverOver.top + hoverOver.bottom) / 2};
  ::SetCursorPos(away.x, away.y);
  // Wine's virtual desktop can miss a pointer move made this early, while it still starts up:
  // the pointer comes over the button once more, from away, before the picture.
  if (g_demo.options.hover) {
    ::SetCursorPos(over.x, over.y);
    ::SetTimer(hwnd, 3, 600, nullptr);
  }
  if (g_demo.options.focus) {
    // As after a Tab key: the focus on the Config button, with keyboard cues shown.
    ::SetFocus(g_demo.configure);
    ::SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  }

  if (!g_demo.options.shot.empty()) ::SetTimer(hwnd, 1, 1200, nullptr);
  MSG m;
  while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == 1) {
      ::KillTimer(hwnd, 1);
      ::RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      if (!SaveWindowRect(hwnd, g_demo.options.shot)) return 2;
      ::SetTimer(hwnd, 2, 3000, nullptr);
      continue;
    }
    if (m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == 3) {
      ::KillTimer(hwnd, 3);
      ::SetCursorPos(away.x, away.y);
      ::SetCursorPos(over.x, over.y);
      continue;
    }
    if (m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == 2) {
      ::DestroyWindow(hwnd);
      continue;
    }
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  return 0;
}
