#include "app/KeyboardFocus.h"

namespace sweeplet {

void KeyboardFocus::Remember() noexcept {
  const HWND focus = ::GetFocus();
  lastFocus_ = focus != nullptr && ::IsChild(window_, focus) ? focus : nullptr;
}

void KeyboardFocus::Restore(HWND page) noexcept {
  HWND target = CanTakeFocus(lastFocus_) ? lastFocus_ : FirstTabStop(page);
  ::SetFocus(target != nullptr ? target : window_);
}

void KeyboardFocus::MoveNext(WPARAM wParam, bool isHandle) noexcept {
  HWND target = nullptr;
  if (isHandle) {
    target = reinterpret_cast<HWND>(wParam);  // checked below: only a tab stop of this window
  } else {
    const BOOL previous = wParam != 0 ? TRUE : FALSE;
    HWND from = ::GetFocus();
    if (from == window_ || !::IsChild(window_, from)) from = nullptr;
    if (from != nullptr) {
      target = ::GetNextDlgTabItem(window_, from, previous);
    } else {
      // From the window itself: Tab starts at the first tab stop, Shift+Tab at the last (found
      // by going round once, as the dialog manager gives nothing backwards from nothing).
      HWND first = ::GetNextDlgTabItem(window_, nullptr, FALSE);
      target = first;
      for (int stops = 0; previous && first != nullptr && stops < 256; ++stops) {
        HWND after = ::GetNextDlgTabItem(window_, target, FALSE);
        if (after == nullptr || after == first || after == target) break;
        target = after;
      }
    }
  }
  if (!CanTakeFocus(target)) return;
  ShowCues();
  ::SetFocus(target);
}

void KeyboardFocus::FollowPage(HWND page, bool byKeyboard, HWND focusBefore) noexcept {
  const bool focusHidden =
      focusBefore != nullptr && ::IsChild(window_, focusBefore) && !::IsWindowVisible(focusBefore);
  if (byKeyboard) ShowCues();
  if (byKeyboard || focusHidden) {
    HWND first = FirstTabStop(page);
    ::SetFocus(first != nullptr ? first : window_);
  }
}

HWND KeyboardFocus::FirstTabStop(HWND page) const noexcept {
  if (page == nullptr) return nullptr;
  for (HWND c = ::GetWindow(page, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (CanTakeFocus(c)) return c;
  }
  return nullptr;
}

bool KeyboardFocus::CanTakeFocus(HWND control) const noexcept {
  return control != nullptr && ::IsWindow(control) && ::IsChild(window_, control) && ::IsWindowVisible(control) &&
         ::IsWindowEnabled(control) && (::GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0;
}

void KeyboardFocus::ShowCues() noexcept {
  ::SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

}  // namespace sweeplet
