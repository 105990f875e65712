#pragma once
// Helpers for the window tests: a plain top-level test window that records what its children
// report, message pumping, and reading back what reached the screen.
#include <windows.h>

#include <functional>
#include <vector>

#include "theme/ButtonStyles.h"

namespace sweeplet::test {

struct Notification {
  int id;
  int code;
  HWND from;
};

// A white top-level window that records WM_COMMAND and WM_ACTIVATE.
class TestWindow {
 public:
  explicit TestWindow(int clientWidth = 400, int clientHeight = 300, DWORD style = WS_OVERLAPPEDWINDOW,
                      COLORREF background = RGB(255, 255, 255));
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  std::vector<Notification> commands;
  std::vector<WORD> activations;  // low words of WM_ACTIVATE's wParam
  // Runs inside WM_CREATE when set before construction (see CreateWith).
  static std::function<void(HWND)> onCreate;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
  HBRUSH brush_ = nullptr;
};

// Dispatches messages until `done` holds or `limitMs` passes; returns whether it held.
bool PumpUntil(const std::function<bool()>& done, int limitMs = 3000);
void Pump(int ms);
// Paints now and reads one pixel of the window's client area from the screen.
Color ClientPixel(HWND hwnd, int x, int y);
// All pixels of a client rectangle, row by row.
std::vector<Color> ClientPixels(HWND hwnd, const RECT& area);

}  // namespace sweeplet::test
