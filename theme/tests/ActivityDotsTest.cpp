#include "theme/ActivityDots.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sweeplet {
namespace {

float Gap(const IndicatorDot& a, const IndicatorDot& b) { return std::hypot(a.x - b.x, a.y - b.y); }

TEST(IndicatorFrame, DotsStayInsideTheirSquare) {
  for (float size : {32.0f, 64.0f}) {
    for (int frame = 0; frame < kIndicatorCycleFrames; ++frame) {
      const auto dots = IndicatorFrame(frame, size);
      ASSERT_EQ(dots.size(), static_cast<size_t>(kIndicatorDotCount));
      for (const IndicatorDot& d : dots) {
        EXPECT_GT(d.radius, 0);
        EXPECT_GE(d.x - d.radius, 0);
        EXPECT_GE(d.y - d.radius, 0);
        EXPECT_LE(d.x + d.radius, size);
        EXPECT_LE(d.y + d.radius, size);
        EXPECT_NEAR(std::hypot(d.x - size / 2, d.y - size / 2), std::hypot(dots[0].x - size / 2, dots[0].y - size / 2),
                    1e-3);  // all on one circle
      }
    }
  }
}

TEST(IndicatorFrame, RepeatsEveryCycleAndMovesEveryFrame) {
  for (int frame = -3; frame < kIndicatorCycleFrames; ++frame) {
    const auto now = IndicatorFrame(frame, 32);
    const auto later = IndicatorFrame(frame + kIndicatorCycleFrames, 32);
    const auto next = IndicatorFrame(frame + 1, 32);
    float moved = 0;
    for (size_t i = 0; i < now.size(); ++i) {
      EXPECT_NEAR(now[i].x, later[i].x, 1e-3);
      EXPECT_NEAR(now[i].y, later[i].y, 1e-3);
      moved += Gap(now[i], next[i]);
    }
    EXPECT_GT(moved, 0.5f) << "frame " << frame;
  }
}

TEST(IndicatorFrame, DotsGatherAndStringOut) {
  float tightest = 1e9f, widest = 0;
  for (int frame = 0; frame < kIndicatorCycleFrames; ++frame) {
    const auto dots = IndicatorFrame(frame, 32);
    const float spread = Gap(dots.front(), dots.back());
    tightest = std::min(tightest, spread);
    widest = std::max(widest, spread);
  }
  EXPECT_LT(tightest, 10.0f);
  EXPECT_GT(widest, 2.5f * tightest);
}

}  // namespace
}  // namespace sweeplet
