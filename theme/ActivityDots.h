#pragma once
// The activity indicator's picture: dots circling with momentum. They gather at the top of the
// circle, where they move slowly, and string out as each one speeds round the far side.
#include <vector>

namespace sweeplet {

inline constexpr int kIndicatorFrameMs = 50;     // one frame every 50 ms
inline constexpr int kIndicatorCycleFrames = 40;  // one lap in two seconds
inline constexpr int kIndicatorDotCount = 5;

struct IndicatorDot {
  float x = 0, y = 0, radius = 0;
};

// The dots of frame `frame` (any integer; the picture repeats every kIndicatorCycleFrames)
// inside a square of `size` pixels.
std::vector<IndicatorDot> IndicatorFrame(int frame, float size);

}  // namespace sweeplet
