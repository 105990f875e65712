#pragma once
// The main window's drawn push buttons (the page buttons of the header and the clean button),
// styled by the family "Orvane". Each one is a real BUTTON child window: its window text is its
// caption, it reports BN_CLICKED to its parent through WM_COMMAND, and keyboard and
// accessibility tools see a push button (reported pressed while latched down). It paints itself
// in every state: normal, hot under the pointer, pressed while held, selected while latched
// down, and disabled; under a high-contrast theme in the system's colours. Space and Enter press
// the focused button; the focus mark shows while the window's keyboard cues are on.
// User-interface thread only.
#include <windows.h>

#include <string_view>

namespace sweeplet {

// `appearance` is one of the family's appearances ("Header", "Outline", "Normal"); an unknown
// one draws as "Normal". `cornerRadius96` is the corner radius at 96 DPI, scaled with the
// window's DPI; `rect` is in the parent's client coordinates, in device pixels. A button that
// does not take focus (`takesFocus` false) keeps the keyboard focus where it was when clicked
// and is left out of the tab order. The button takes the font sent with WM_SETFONT and, until
// it has one, its parent's. Its corners show what the parent paints behind it (WM_ERASEBKGND
// and WM_PRINTCLIENT, over the brush it returns for WM_CTLCOLORBTN).
// Returns null when the window cannot be created.
HWND CreateStyledButton(HWND parent, int id, const wchar_t* caption, std::string_view appearance, int cornerRadius96,
                        const RECT& rect, bool takesFocus);

// The latched "down" state (the header button of the page shown). Grouping is the caller's:
// setting one button down does not release another.
void SetStyledButtonDown(HWND button, bool down);
bool IsStyledButtonDown(HWND button);

// The button that Enter presses while no button has the focus: it shows the focus mark (when
// the keyboard cues are on) and is reported as the default button. Pressing it is the caller's.
void SetStyledButtonDefault(HWND button, bool isDefault);

// True while the click being reported to the parent was made with Space or Enter.
bool StyledButtonClickFromKeyboard(HWND button);

}  // namespace sweeplet
