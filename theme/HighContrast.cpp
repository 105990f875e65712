#include "theme/HighContrast.h"

#include <atomic>

#include "theme/DrawSupport.h"

namespace sweeplet {
namespace {

using theme_detail::FromColorRef;

// -1 follows the system; 0 and 1 are forced answers.
std::atomic<int> forced{-1};

Color Sys(int index) noexcept { return FromColorRef(::GetSysColor(index)); }

}  // namespace

bool HighContrastOn() noexcept {
  const int force = forced.load();
  if (force >= 0) return force == 1;
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void ForceHighContrast(std::optional<bool> on) noexcept { forced.store(on ? (*on ? 1 : 0) : -1); }

SystemColors ReadSystemColors() noexcept {
  return {Sys(COLOR_WINDOW),  Sys(COLOR_WINDOWTEXT), Sys(COLOR_GRAYTEXT),     Sys(COLOR_BTNFACE),
          Sys(COLOR_BTNTEXT), Sys(COLOR_HIGHLIGHT),  Sys(COLOR_HIGHLIGHTTEXT)};
}

PageColors CurrentPageColors() noexcept { return PickPageColors(HighContrastOn(), ReadSystemColors()); }

HBRUSH PageBrush() noexcept {
  // The system's own brush follows the scheme and is never freed by its users.
  return HighContrastOn() ? ::GetSysColorBrush(COLOR_WINDOW) : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
}

}  // namespace sweeplet
