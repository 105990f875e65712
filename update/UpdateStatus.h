#pragma once
// The notice bar: a status bar along the bottom of the main window that says an update or a
// notice is waiting and opens the service's link when clicked, or with Enter or Space once Tab
// has reached it. Screen readers see a link named by its text.
// The window that carries it owns it and hands it two of its messages: WM_DRAWITEM (the bar's one
// part is owner-drawn, and owner-draw requests go to the parent) and WM_SIZE.
#include <windows.h>

#include <string>
#include <string_view>

#include "common/ShellOpen.h"
#include "common/UniqueHandle.h"

namespace sweeplet {

// Control id of the bar.
inline constexpr int kNoticeBarId = 0x5B01;

class NoticeBar {
 public:
  NoticeBar() = default;
  ~NoticeBar();
  NoticeBar(const NoticeBar&) = delete;
  NoticeBar& operator=(const NoticeBar&) = delete;

  // Adds the bar to `owner` (which grows by the bar's height, its content untouched) or, when it
  // is already there, only points it at the new `link`. The bar shows UpdateText(1) in
  // `language`, bold red and centred, with the link as its tooltip; a click opens the link through
  // `links` (which must outlive the bar; null: nothing is opened). Nothing when `owner` is no
  // window. User-interface thread only.
  void Show(HWND owner, std::wstring_view link, std::string_view language, ILinkOpener* links) noexcept;
  // The owner's WM_DRAWITEM: draws the bar and returns true when `item` is the bar's.
  bool Draw(const DRAWITEMSTRUCT& item) const noexcept;
  // The owner's WM_SIZE: keeps the bar docked along the bottom at its scaled height.
  void Layout() noexcept;
  HWND Handle() const noexcept { return bar_; }

 private:
  static LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref);
  static std::wstring AccessibleName(HWND bar);
  bool Create(HWND owner);
  void UpdateFont(UINT dpi);
  void OpenLink() const;

  HWND bar_ = nullptr;
  HWND tip_ = nullptr;
  std::wstring text_;
  std::wstring link_;
  ILinkOpener* links_ = nullptr;
  UniqueFont font_;
  UINT fontDpi_ = 0;
};

}  // namespace sweeplet
