#pragma once
// The main window's frame: a title bar that follows the user's app mode, dark or light (again
// whenever the system says the mode changed), and a thin accent
// line along the top of the client area that is blue while the window is active and grey while
// it is not (under high contrast, the system's highlight colour while active). Create it first
// thing while the window is being created; it lives as long as the window does.
// User-interface thread only.
#include <windows.h>

#include "theme/ButtonStyles.h"
#include "theme/FrameMode.h"

namespace sweeplet {

class TThemeHelper {
 public:
  // `form` must be a top-level window of the calling thread; anything else throws
  // std::invalid_argument("TThemeHelper Owner must be a TForm").
  // `frame` is what the title bar's mode is read from and set through; it must outlive the helper.
  explicit TThemeHelper(HWND form, IFrameModeSystem& frame = SystemFrameMode());
  // Puts the window's previous window procedure back (the accent line stays, as the window's child).
  ~TThemeHelper();
  TThemeHelper(const TThemeHelper&) = delete;
  TThemeHelper& operator=(const TThemeHelper&) = delete;

  // Height of the accent line in pixels at the window's current DPI: 2 at 96 DPI, scaled with
  // the DPI (3 at 144, 4 at 192). The window lays its header out below it.
  int LineHeight() const noexcept;
  bool IsActive() const noexcept { return FIsActive; }
  HWND Line() const noexcept { return FShape; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  void OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  void ApplyState() noexcept;
  void Detach() noexcept;

  HWND FForm = nullptr;
  IFrameModeSystem* FFrame = nullptr;
  Color FActiveColor = AccentColor;
  bool FIsActive = true;
  HWND FShape = nullptr;
  WNDPROC FOldWindowProc = nullptr;
};

}  // namespace sweeplet
