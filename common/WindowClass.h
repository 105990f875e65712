#pragma once
// Registers a window class of our own. Registering one that already exists fails harmlessly,
// so callers may register at every creation.
#include <windows.h>

namespace sweeplet {

struct WindowClassSpec {
  const wchar_t* name = nullptr;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  LPCWSTR cursor = nullptr;     // a system cursor id such as IDC_ARROW; none when null
  HBRUSH background = nullptr;
  UINT style = 0;
};

inline void RegisterWindowClassOnce(const WindowClassSpec& spec) noexcept {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = spec.style;
  wc.lpfnWndProc = spec.proc;
  wc.hInstance = spec.instance;
  wc.hCursor = spec.cursor ? ::LoadCursorW(nullptr, spec.cursor) : nullptr;
  wc.hbrBackground = spec.background;
  wc.lpszClassName = spec.name;
  ::RegisterClassExW(&wc);
}

}  // namespace sweeplet
