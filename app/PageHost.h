#pragma once
// What a page of the main window asks of the window around it. The pages know the window only
// through this.
#include <windows.h>

namespace sweeplet {

class PageHost {
 public:
  virtual ~PageHost() = default;
  virtual HWND Window() const noexcept = 0;
  virtual UINT Dpi() const noexcept = 0;
  virtual HFONT Font() const noexcept = 0;
  // The theme's accent line above the header, in pixels at 96 DPI; the pages give it their height.
  virtual int AccentLine() const noexcept = 0;
  // A threshold or interval setting changed: the automatic rule measures time from now.
  virtual void AutoSettingChanged() = 0;
  // The "start at logon" box: its state now, and a click that asks for `wanted` (returns what it shows).
  virtual bool LogonTaskChecked() const noexcept = 0;
  virtual bool LogonTaskClicked(bool wanted) = 0;
  // A switch of the notification area changed in the settings: the tray follows it now.
  virtual void TraySettingChanged() = 0;
};

}  // namespace sweeplet
