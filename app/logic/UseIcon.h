#pragma once
// The tray icon that shows the physical-memory use: which number and level it shows for a
// reading, its colours for the taskbar's mode, and its pixels at a given icon size. The digits are
// built from whole-pixel bars laid out for that size, so they are sharp at every size the shell
// asks for; nothing is scaled. Platform-neutral: the caller reads the mode and the system colours.
#include <cstdint>
#include <span>

#include "theme/SystemColors.h"

namespace sweeplet {

// Normal, at or above kHighUse, at or above kCriticalUse. Fixed rather than taken from the
// automatic rule's threshold: that one may be as low as 30 %, which would paint the icon as a
// warning most of the day.
enum class UseLevel : std::uint8_t { Normal, High, Critical };
inline constexpr int kHighUse = 80;
inline constexpr int kCriticalUse = 90;

// What the icon shows: the whole percent (0..100; 100 fills the tile) and its level.
struct UseFace {
  int percent = 0;
  UseLevel level = UseLevel::Normal;
  friend constexpr bool operator==(UseFace, UseFace) = default;
};

// The same rounding as the window's bar and the tooltip, so that the three never disagree.
UseFace UseFaceFor(float usagePhys) noexcept;

// The taskbar the icon sits on: dark or light (SystemUsesLightTheme), or a high-contrast scheme.
enum class TaskbarMode : std::uint8_t { Dark, Light, HighContrast };

// The colour of the digits (and of the full tile). Around them the icon is clear: the taskbar
// shows through, as around every other icon. An opaque tile would not do: at 16 pixels the two
// digits take the whole width, and their outer bars would melt into a taskbar of their colour.
// Under high contrast only the scheme's colours: the window text for normal, the highlight for
// both upper levels (a scheme has no third colour meant for this; the number tells them apart).
Color UseInkFor(UseLevel level, TaskbarMode mode, const SystemColors& system) noexcept;

// One byte per pixel, row by row from the top.
enum UsePixel : std::uint8_t { kUseClear = 0, kUseInk = 1 };

// The smallest and largest icon sizes drawn; the shell asks for 16 to 32 on common displays.
inline constexpr int kMinUseIconSize = 12;
inline constexpr int kMaxUseIconSize = 256;

// Fills `pixels` (size * size bytes) with the face at `size`: one digit centred below 10, two
// digits side by side below 100, a full ink tile at 100. Returns false, drawing nothing, when
// the size is out of range or `pixels` is too small.
bool DrawUseFace(std::span<std::uint8_t> pixels, int size, UseFace face) noexcept;

}  // namespace sweeplet
