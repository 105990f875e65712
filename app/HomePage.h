#pragma once
// The Home page: the title, the memory figures with their bar, and the clean button with the
// activity indicator over it. Made with the window.
#include <windows.h>

#include <string>
#include <vector>

#include "app/ControlPlacement.h"
#include "app/logic/StatusLines.h"

namespace sweeplet {

class PageHost;

class HomePage {
 public:
  explicit HomePage(PageHost& host) : host_(host) {}

  void Create(HWND pageArea);
  void Layout() noexcept;
  HWND Card() const noexcept { return card_; }
  HWND CleanButton() const noexcept { return btnClean_; }
  HWND Title() const noexcept { return lblTitle_; }

  // Writes the figures that changed since the last call: each write is a trip to the window system.
  void ShowStatus(const StatusLines& lines);
  // The busy state: the button empty and disabled, the indicator turning over it when asked.
  void ShowBusy(bool busy, bool withIndicator);
  // The page and working-set figures are drawn in the secondary colour.
  bool IsSecondaryText(HWND control) const noexcept;
  void SetUpAccessibility() noexcept;

 private:
  std::vector<Placement> Placements();

  PageHost& host_;
  HWND card_ = nullptr;
  HWND lblTitle_ = nullptr, progressBar_ = nullptr, lblPhys_ = nullptr, lblPhysStatus_ = nullptr;
  HWND lblVirtual_ = nullptr, lblVirtualStatus_ = nullptr, lblWorking_ = nullptr, lblWorkingStatus_ = nullptr;
  HWND btnClean_ = nullptr, indicator_ = nullptr;
  StatusLines shown_;       // what the labels were last given
  std::wstring wideText_;   // kept so that a tick reuses its room
};

}  // namespace sweeplet
