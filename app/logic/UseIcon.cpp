#include "app/logic/UseIcon.h"

#include <algorithm>

#include "app/logic/StatusLines.h"

namespace sweeplet {
namespace {

// The seven bars of a digit: top, upper right, lower right, bottom, lower left, upper left, middle.
enum : std::uint8_t { kTop = 1, kUpperRight = 2, kLowerRight = 4, kBottom = 8, kLowerLeft = 16, kUpperLeft = 32, kMiddle = 64 };
constexpr std::uint8_t kDigitBars[10] = {
    kTop | kUpperRight | kLowerRight | kBottom | kLowerLeft | kUpperLeft,           // 0
    kUpperRight | kLowerRight,                                                       // 1
    kTop | kUpperRight | kMiddle | kLowerLeft | kBottom,                             // 2
    kTop | kUpperRight | kMiddle | kLowerRight | kBottom,                            // 3
    kUpperLeft | kMiddle | kUpperRight | kLowerRight,                                // 4
    kTop | kUpperLeft | kMiddle | kLowerRight | kBottom,                             // 5
    kTop | kUpperLeft | kMiddle | kLowerLeft | kLowerRight | kBottom,                // 6
    kTop | kUpperRight | kLowerRight,                                                // 7
    kTop | kUpperRight | kLowerRight | kBottom | kLowerLeft | kUpperLeft | kMiddle,  // 8
    kTop | kUpperRight | kLowerRight | kBottom | kUpperLeft | kMiddle,               // 9
};

// Whole-pixel measures for one icon size: bar thickness, digit cell, gap between two digits and
// the margin above and below.
struct DigitMetrics {
  int bar, width, height, gap, top;
};

DigitMetrics MetricsFor(int size) noexcept {
  DigitMetrics m{};
  m.bar = std::max(1, size / 8);
  m.gap = std::max(1, size / 16);
  m.width = (size - m.gap) / 2;
  m.top = size / 8;
  m.height = size - 2 * m.top;
  return m;
}

void Fill(std::span<std::uint8_t> pixels, int size, int left, int top, int right, int bottom) noexcept {
  for (int y = top; y < bottom; ++y) {
    std::fill(pixels.begin() + y * size + left, pixels.begin() + y * size + right, kUseInk);
  }
}

void DrawDigit(std::span<std::uint8_t> pixels, int size, const DigitMetrics& m, int left, int digit) noexcept {
  const std::uint8_t bars = kDigitBars[digit];
  const int x0 = left, x1 = left + m.width, y0 = m.top, y1 = m.top + m.height;
  const int middle = y0 + (m.height - m.bar) / 2;  // the middle bar's top row
  if (bars & kTop) Fill(pixels, size, x0, y0, x1, y0 + m.bar);
  if (bars & kMiddle) Fill(pixels, size, x0, middle, x1, middle + m.bar);
  if (bars & kBottom) Fill(pixels, size, x0, y1 - m.bar, x1, y1);
  if (bars & kUpperLeft) Fill(pixels, size, x0, y0, x0 + m.bar, middle + m.bar);
  if (bars & kLowerLeft) Fill(pixels, size, x0, middle, x0 + m.bar, y1);
  if (bars & kUpperRight) Fill(pixels, size, x1 - m.bar, y0, x1, middle + m.bar);
  if (bars & kLowerRight) Fill(pixels, size, x1 - m.bar, middle, x1, y1);
}

}  // namespace

UseFace UseFaceFor(float usagePhys) noexcept {
  UseFace face;
  face.percent = ProgressPosition(usagePhys);
  face.level = face.percent >= kCriticalUse ? UseLevel::Critical
               : face.percent >= kHighUse   ? UseLevel::High
                                            : UseLevel::Normal;
  return face;
}

Color UseInkFor(UseLevel level, TaskbarMode mode, const SystemColors& system) noexcept {
  switch (mode) {
    case TaskbarMode::HighContrast:
      return level == UseLevel::Normal ? system.windowText : system.highlight;
    case TaskbarMode::Light:
      // Dark enough for a 4.5:1 contrast against the light taskbar's near-white.
      switch (level) {
        case UseLevel::Normal: return {0x1A, 0x1A, 0x1A};
        case UseLevel::High: return {0x8A, 0x50, 0x00};
        case UseLevel::Critical: return {0xC4, 0x2B, 0x1C};
      }
      break;
    case TaskbarMode::Dark:
      break;
  }
  switch (level) {
    case UseLevel::High: return {0xFF, 0xC8, 0x3D};
    case UseLevel::Critical: return {0xFF, 0x6B, 0x5E};
    case UseLevel::Normal: break;
  }
  return {0xFF, 0xFF, 0xFF};
}

bool DrawUseFace(std::span<std::uint8_t> pixels, int size, UseFace face) noexcept {
  if (size < kMinUseIconSize || size > kMaxUseIconSize) return false;
  const auto count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
  if (pixels.size() < count) return false;
  pixels = pixels.first(count);
  const int percent = std::clamp(face.percent, 0, 100);
  if (percent == 100) {
    std::fill(pixels.begin(), pixels.end(), kUseInk);
    return true;
  }
  std::fill(pixels.begin(), pixels.end(), kUseClear);
  const DigitMetrics m = MetricsFor(size);
  if (percent < 10) {
    DrawDigit(pixels, size, m, (size - m.width) / 2, percent);
  } else {
    const int left = (size - 2 * m.width - m.gap) / 2;
    DrawDigit(pixels, size, m, left, percent / 10);
    DrawDigit(pixels, size, m, left + m.width + m.gap, percent % 10);
  }
  return true;
}

}  // namespace sweeplet
