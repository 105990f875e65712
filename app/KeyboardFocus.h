#pragma once
// Keyboard use of the main window. The message loop's IsDialogMessage moves the focus for Tab
// between controls, or sends WM_NEXTDLGCTL for that (as it does for dialogs, and for the arrow
// keys), which only a dialog's own procedure acts on: the window passes it here, and it takes Tab
// itself while the focus is on the window, where the dialog manager cannot go backwards. The tab
// order is the creation order: the header's page buttons, then the shown page's controls, then
// the notice bar when there is one; hidden and disabled ones are passed over. The Home page has
// no tab stop of its own (the clean button takes no focus), so there the focus rests on the
// window itself.
#include <windows.h>

namespace sweeplet {

class KeyboardFocus {
 public:
  void Attach(HWND window) noexcept { window_ = window; }

  // On deactivation: the control with the focus, to give it back later.
  void Remember() noexcept;
  // On activation: the remembered control, or else the first tab stop of `page`.
  void Restore(HWND page) noexcept;
  // WM_NEXTDLGCTL: the next or previous tab stop, or the control given (only a tab stop of this window).
  void MoveNext(WPARAM wParam, bool isHandle) noexcept;
  // After a page switch: a switch by the keyboard takes the focus along to the page's first tab
  // stop; so does one that hid the control with the focus.
  void FollowPage(HWND page, bool byKeyboard, HWND focusBefore) noexcept;
  // The focus mark shows from now on.
  void ShowCues() noexcept;

  bool CanTakeFocus(HWND control) const noexcept;
  HWND FirstTabStop(HWND page) const noexcept;

 private:
  HWND window_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window was last deactivated
};

}  // namespace sweeplet
