#pragma once
// Colours under a high-contrast theme. The program draws its own controls in its own colours on
// white; a high-contrast scheme (white on black, say) would make some of them vanish, so while
// one is on, everything the program draws itself takes the scheme's colours instead: the drawn
// buttons, the accent line, the page background and its texts, the activity dots and the logo.
// Platform-neutral: the caller reads the system colours and whether high contrast is on.
#include "theme/ButtonStyles.h"

namespace sweeplet {

// The system colours the program draws with (COLOR_WINDOW, COLOR_WINDOWTEXT, ...).
struct SystemColors {
  Color window, windowText, grayText, buttonFace, buttonText, highlight, highlightText;
};

// The drawn buttons under high contrast, the same for every appearance: a button-face button
// with a text-coloured hairline; the highlight colour while held down or latched down (the page
// shown), a highlight outline under the pointer, and greyed text when disabled.
ButtonStateSet HighContrastButtonStates(const SystemColors& system);

// The accent line: `activeColor` while the window is active, the greyed-text colour while it is
// not; under high contrast the highlight colour while active.
Color AccentLineColor(bool active, bool highContrast, Color activeColor, const SystemColors& system);

// The pages' background, their text, and the grey of the page-file and working-set lines.
struct PageColors {
  Color background, text, secondaryText;
};
inline constexpr Color kSecondaryGrey{128, 128, 128};
PageColors PickPageColors(bool highContrast, const SystemColors& system);

// The activity indicator's dots, drawn over the busy clean button.
Color IndicatorDotColor(bool highContrast, const SystemColors& system);

// A layer of the logo: its own colour, or under high contrast the highlight colour for the
// accent-blue tile, the highlight-text colour for the white drawn on it, and the window-text
// colour for the word.
Color LogoLayerColor(Color designed, bool highContrast, const SystemColors& system);

}  // namespace sweeplet
