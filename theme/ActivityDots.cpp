#include "theme/ActivityDots.h"

#include <cmath>
#include <numbers>

namespace sweeplet {
namespace {

constexpr float kTwoPi = 2 * std::numbers::pi_v<float>;
constexpr float kDotDelay = 3.0f;  // frames between one dot and the next
constexpr float kMomentum = 0.75f;  // 0: constant speed; towards 1: the dots nearly stop at the top

}  // namespace

std::vector<IndicatorDot> IndicatorFrame(int frame, float size) {
  const float dotRadius = size * 0.08f;
  const float orbit = size / 2 - dotRadius - size / 32;
  const float centre = size / 2;
  const int cycleFrame = ((frame % kIndicatorCycleFrames) + kIndicatorCycleFrames) % kIndicatorCycleFrames;
  std::vector<IndicatorDot> dots;
  dots.reserve(kIndicatorDotCount);
  for (int i = 0; i < kIndicatorDotCount; ++i) {
    float phase = (static_cast<float>(cycleFrame) - kDotDelay * static_cast<float>(i)) / kIndicatorCycleFrames;
    phase -= std::floor(phase);
    // Speed 1 - kMomentum * cos(2 pi phase): slowest at the top, fastest at the bottom.
    const float travelled = phase - kMomentum * std::sin(kTwoPi * phase) / kTwoPi;
    const float angle = kTwoPi * travelled - kTwoPi / 4;  // starting at the top, clockwise
    dots.push_back({centre + orbit * std::cos(angle), centre + orbit * std::sin(angle), dotRadius});
  }
  return dots;
}

}  // namespace sweeplet
