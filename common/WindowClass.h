#pragma once
// Registers a window class of our own. Registering one that already exists fails harmlessly,
// so callers may register at every creation.
#include <windows.h>

namespace sweeplet {

struct OwnWindowClass {
  const wchar_t* name = nullptr;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  LPCWSTR cursor = nullptr;     // a system cursor id such as IDC_ARROW; none when null
  HBRUSH background = nullptr;
  UINT style = 0;
};

inline void RegisterWindowClassOnce(const OwnWindowClass& cls) noexcept {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = cls.style;
  wc.lpfnWndProc = cls.proc;
  wc.hInstance = cls.instance;
  wc.hCursor = cls.cursor ? ::LoadCursorW(nullptr, cls.cursor) : nullptr;
  wc.hbrBackground = cls.background;
  wc.lpszClassName = cls.name;
  ::RegisterClassExW(&wc);
}

}  // namespace sweeplet
