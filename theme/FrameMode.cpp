#include "theme/FrameMode.h"

#include <dwmapi.h>

#include <cstring>
#include <cwchar>
#include <iterator>

#include "common/SystemProc.h"
#include "common/UniqueHandle.h"

namespace sweeplet {
namespace {

constexpr DWORD kUseImmersiveDarkMode = 20;
constexpr DWORD kUseImmersiveDarkModeBefore20H1 = 19;
constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kColorSetChange[] = L"ImmersiveColorSet";

class SystemFrame final : public IFrameModeSystem {
 public:
  std::optional<DWORD> AppsUseLightTheme() noexcept override {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPersonalizeKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    // Room for more than a number, so that a longer value is seen as such and not cut short.
    BYTE data[8] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof(data);
    if (::RegQueryValueExW(key.get(), L"AppsUseLightTheme", nullptr, &type, data, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(DWORD)) {
      return std::nullopt;
    }
    DWORD value = 0;
    std::memcpy(&value, data, sizeof(value));
    return value;
  }
  void SetDarkFrame(HWND window, bool dark) noexcept override {
    // dwmapi.dll is no known DLL: taken from the system folder, never from beside the executable.
    const UniqueModule dwm = SystemModule(L"dwmapi.dll");
    const auto setAttribute = SystemProc<decltype(&::DwmSetWindowAttribute)>(dwm.get(), "DwmSetWindowAttribute");
    SetDarkFrameAttribute(window, dark, setAttribute);
  }
};

}  // namespace

IFrameModeSystem& SystemFrameMode() noexcept {
  static SystemFrame system;
  return system;
}

void SetDarkFrameAttribute(HWND window, bool dark, DwmSetWindowAttributeFn setAttribute) noexcept {
  if (!setAttribute) return;
  const BOOL value = dark ? TRUE : FALSE;
  // Windows 10 1809 to 1909 know the attribute under its earlier number only, and refuse 20.
  if (FAILED(setAttribute(window, kUseImmersiveDarkMode, &value, sizeof(value)))) {
    setAttribute(window, kUseImmersiveDarkModeBefore20H1, &value, sizeof(value));
  }
}

bool DarkFrameFor(std::optional<DWORD> appsUseLightTheme) noexcept {
  return appsUseLightTheme.has_value() && *appsUseLightTheme == 0;
}

void ApplyFrameMode(HWND window, IFrameModeSystem& system) noexcept {
  if (window) system.SetDarkFrame(window, DarkFrameFor(system.AppsUseLightTheme()));
}

bool IsColorSetChange(UINT msg, LPARAM lParam) noexcept {
  if (msg != WM_SETTINGCHANGE || lParam == 0) return false;
  // Compared up to the name's own end: a longer or shorter text stops the comparison there.
  return std::wcsncmp(reinterpret_cast<const wchar_t*>(lParam), kColorSetChange, std::size(kColorSetChange)) == 0;
}

}  // namespace sweeplet
