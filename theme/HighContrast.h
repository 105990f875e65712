#pragma once
// Whether a high-contrast theme is on, and the system colours the program then draws with.
// User-interface thread; the answers are read afresh at each call, so a change of the theme shows
// at the next paint.
#include <windows.h>

#include <optional>

#include "theme/SystemColors.h"

namespace sweeplet {

// SPI_GETHIGHCONTRAST says high contrast is on, unless ForceHighContrast gave an answer.
bool HighContrastOn() noexcept;
// For tests and pictures only: Wine has no high-contrast setting to turn on. nullopt follows the
// system again.
void ForceHighContrast(std::optional<bool> on) noexcept;

SystemColors ReadSystemColors() noexcept;

// The pages' background and texts for the current theme, and a brush of the background that the
// caller does not own.
PageColors CurrentPageColors() noexcept;
HBRUSH PageBrush() noexcept;

}  // namespace sweeplet
