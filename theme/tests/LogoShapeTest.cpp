#include "theme/LogoShape.h"

#include <gtest/gtest.h>

#include <vector>

namespace sweeplet {
namespace {

TEST(Logo, PathsStayInsideTheUnitBox) {
  float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
  for (const LogoLayer& layer : LogoLayers()) {
    for (const auto& contour : layer.path.Flatten()) {
      for (const PointF& p : contour) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
      }
    }
  }
  EXPECT_GE(minX, 0);
  EXPECT_GE(minY, 0);
  EXPECT_LE(maxX, kLogoWidth);
  EXPECT_LE(maxY, kLogoHeight);
  // It uses the box: the mark spans the full height, the word reaches the right side.
  EXPECT_NEAR(minY, 0, 0.5);
  EXPECT_NEAR(maxY, kLogoHeight, 0.5);
  EXPECT_GT(maxX, kLogoWidth - 6);
}

struct FitCase {
  float w, h;
  LogoPlacement want;
};

class LogoFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(LogoFit, KeepsProportionsAndCentres) {
  const FitCase& c = GetParam();
  const LogoPlacement got = FitLogo(c.w, c.h);
  EXPECT_NEAR(got.scale, c.want.scale, 1e-4);
  EXPECT_NEAR(got.dx, c.want.dx, 1e-2);
  EXPECT_NEAR(got.dy, c.want.dy, 1e-2);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, LogoFit,
    ::testing::Values(FitCase{kLogoWidth, kLogoHeight, {1, 0, 0}},
                      // The main window's box: width decides, centred vertically.
                      FitCase{112, 50, {112 / kLogoWidth, 0, (50 - kLogoHeight * 112 / kLogoWidth) / 2}},
                      FitCase{224, 100, {224 / kLogoWidth, 0, (100 - kLogoHeight * 224 / kLogoWidth) / 2}},
                      // A wide box: height decides, centred horizontally.
                      FitCase{600, 46.498f, {0.5f, (600 - kLogoWidth / 2) / 2, 0}},
                      FitCase{0, 50, {0, 0, 0}}, FitCase{112, -1, {0, 0, 0}}));

TEST(Logo, RendersCentredInTheWindowBox) {
  constexpr int w = 112, h = 50;
  std::vector<std::uint32_t> pixels(w * h);
  Pixmap map{pixels.data(), w, h, w};
  map.Fill(kWhite);
  const LogoPlacement fit = FitLogo(w, h);
  for (const LogoLayer& layer : LogoLayers()) FillPath(map, layer.path.Transformed(fit.scale, fit.scale, fit.dx, fit.dy), layer.color);
  int top = h, bottom = -1, accent = 0, ink = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Color c = map.At(x, y);
      if (c != kWhite) top = std::min(top, y), bottom = std::max(bottom, y);
      accent += c == AccentColor ? 1 : 0;
      ink += c == kLogoInk ? 1 : 0;
    }
  }
  EXPECT_NEAR(top, h - 1 - bottom, 1);  // as much room above as below
  EXPECT_NEAR(bottom - top + 1, kLogoHeight * 112 / kLogoWidth, 2);  // plus a smoothed row at each end
  EXPECT_GT(accent, 400);  // the blue tile
  EXPECT_GT(ink, 100);     // solid letter strokes
}

}  // namespace
}  // namespace sweeplet
