#pragma once
// The title bar's colour mode. It follows the user's app mode (Settings, Personalisation,
// Colours): dark only when AppsUseLightTheme under the current user's Themes\Personalize key is 0.
// Missing, of another type or any other number is light, which is also what the system draws
// for a window that asks for nothing. Systems without the attribute ignore it.
#include <windows.h>

#include <optional>

namespace sweeplet {

// What the frame mode asks of the system; tests put a fake here.
class IFrameModeSystem {
 public:
  virtual ~IFrameModeSystem() = default;
  // The user's AppsUseLightTheme when it is a REG_DWORD; nothing otherwise.
  virtual std::optional<DWORD> AppsUseLightTheme() noexcept = 0;
  // DwmSetWindowAttribute(DWMWA_USE_IMMERSIVE_DARK_MODE) on `window`; a refusal is ignored.
  virtual void SetDarkFrame(HWND window, bool dark) noexcept = 0;
};

// The registry and the desktop window manager; holds no state.
IFrameModeSystem& SystemFrameMode() noexcept;

using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// Sets DWMWA_USE_IMMERSIVE_DARK_MODE (20) through `setAttribute`; when that is refused, the same
// under 19, its number on Windows 10 1809 to 1909. A null function does nothing.
void SetDarkFrameAttribute(HWND window, bool dark, DwmSetWindowAttributeFn setAttribute) noexcept;

// Dark exactly when the value is 0.
bool DarkFrameFor(std::optional<DWORD> appsUseLightTheme) noexcept;

// Reads the app mode now and sets the window's frame to it, dark or light.
void ApplyFrameMode(HWND window, IFrameModeSystem& system) noexcept;

// The system's notice that the app mode may have changed: WM_SETTINGCHANGE naming
// "ImmersiveColorSet". lParam comes from another process; it is read only as far as that name.
bool IsColorSetChange(UINT msg, LPARAM lParam) noexcept;

}  // namespace sweeplet
