#pragma once
// The update prompt: a modal question that looks like the platform's message box, with Yes and
// No and an optional notice row below a thin line (a "hold" check box or a "note" link).
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/ShellOpen.h"
#include "theme/FrameMode.h"
#include "update/Reply.h"

namespace sweeplet {

struct PromptOptions {
  HWND owner = nullptr;         // the main window, even while hidden
  std::string language;         // chooses the built-in texts, compared exactly
  std::wstring title;           // caption
  int dialogOffset = 10;        // shifts the notice row, as the main window asks
  bool mainWindowShown = true;  // false after a hidden start: a topmost prompt then stands alone
  std::wstring holdUrl;         // where a ticked "hold" box sends its request
  ILinkOpener* links = nullptr;  // opens the "note" link; null: the link is not opened
  IFrameModeSystem* frame = nullptr;  // the title bar's mode; null: the system's
};

// Control ids, for whoever needs to find the parts of an open prompt.
inline constexpr int kPromptIconId = 1001;
inline constexpr int kPromptTextId = 1002;
inline constexpr int kPromptLineId = 1003;
inline constexpr int kPromptHoldId = 1004;
inline constexpr int kPromptNoteId = 1005;
// The answers keep the platform's ids: IDYES and IDNO.

// Shows the prompt for `info` and returns when it closes: true for Yes; No, the close box and
// Escape give false. A ticked "hold" box sends the hold request, whatever the answer.
// User-interface thread only.
bool ShowUpdatePrompt(const UpdateInfo& info, const PromptOptions& options) noexcept;

// The same for a whole reply; nullopt (and nothing shown) when its "info" block is malformed.
std::optional<bool> UpdateDialog(std::string_view data, const PromptOptions& options) noexcept;

}  // namespace sweeplet
