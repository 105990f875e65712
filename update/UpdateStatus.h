#pragma once
// The notice bar: a status bar along the bottom of the main window that says an update or a
// notice is waiting and opens the service's link when clicked, or with Enter or Space once Tab
// has reached it. Screen readers see a link named by its text.
#include <windows.h>

#include <string>
#include <string_view>

#include "common/ShellOpen.h"

namespace sweeplet {

// Control id of the bar; a second call finds the bar by it.
inline constexpr int kNoticeBarId = 0x5B01;

// Adds the bar to `mainWindow` (which grows by the bar's height, its content untouched) or, when
// it is already there, only points it at the new `link`. The bar shows UpdateText(1) in
// `language`, bold red and centred, with the link as its tooltip; a click opens the link through
// `links` (which must outlive the bar; null: nothing is opened). Nothing when `mainWindow` is
// no window. User-interface thread only.
void ShowUpdateStatus(HWND mainWindow, std::wstring_view link, std::string_view language,
                      ILinkOpener* links) noexcept;

}  // namespace sweeplet
