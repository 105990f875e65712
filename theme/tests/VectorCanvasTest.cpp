#include "theme/VectorCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace sweeplet {

namespace {

constexpr Color kRed{200, 30, 40};

struct Canvas {
  std::vector<std::uint32_t> pixels;
  Pixmap map;
  Canvas(int w, int h, Color background = kWhite) : pixels(static_cast<size_t>(w) * h) {
    map = {pixels.data(), w, h, w};
    map.Fill(background);
  }
  int CountNot(Color c) const {
    int n = 0;
    for (int y = 0; y < map.height; ++y)
      for (int x = 0; x < map.width; ++x) n += map.At(x, y) == c ? 0 : 1;
    return n;
  }
  // Total coverage of black ink over white, in pixels.
  double InkArea() const {
    double area = 0;
    for (int y = 0; y < map.height; ++y)
      for (int x = 0; x < map.width; ++x) area += (255 - map.At(x, y).r) / 255.0;
    return area;
  }
};

TEST(FillPath, PixelAlignedRectangleIsExactAndSharp) {
  Canvas c(10, 8);
  Path p;
  p.AddRect(2, 1, 5, 4);
  FillPath(c.map, p, kRed);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 7 && y >= 1 && y < 5;
      EXPECT_EQ(c.map.At(x, y), inside ? kRed : kWhite) << x << "," << y;
    }
  }
}

TEST(FillPath, HalfCoveredPixelsBlendHalfway) {
  Canvas c(6, 4);
  Path p;
  p.AddRect(1.5f, 0, 3, 4);  // columns 1 and 4 are half covered
  FillPath(c.map, p, kBlack);
  EXPECT_NEAR(c.map.At(1, 2).r, 127.5, 1.0);
  EXPECT_EQ(c.map.At(2, 2), kBlack);
  EXPECT_EQ(c.map.At(3, 2), kBlack);
  EXPECT_NEAR(c.map.At(4, 2).r, 127.5, 1.0);
  EXPECT_EQ(c.map.At(5, 2), kWhite);
}

TEST(FillPath, CircleCoversItsAreaWithSmoothedEdge) {
  Canvas c(40, 40);
  Path p;
  p.AddEllipse(20.3f, 19.6f, 12.0f, 12.0f);
  FillPath(c.map, p, kBlack);
  EXPECT_NEAR(c.InkArea(), std::numbers::pi * 144, std::numbers::pi * 144 * 0.01);
  EXPECT_EQ(c.map.At(20, 20), kBlack);
  EXPECT_EQ(c.map.At(2, 2), kWhite);
  int partial = 0;
  for (int x = 0; x < 40; ++x) {
    const std::uint8_t v = c.map.At(x, 20).r;
    partial += (v != 0 && v != 255) ? 1 : 0;
  }
  EXPECT_EQ(partial, 2);  // one smoothed pixel on each side of the row through the centre
}

TEST(FillPath, ReversedInnerContourCutsAHole) {
  Canvas c(20, 12);
  FillPath(c.map, RoundRectOutline(0, 0, 20, 12, 4, 1), kRed);
  EXPECT_EQ(c.map.At(0, 6), kRed);   // left edge, straight part: a crisp hairline
  EXPECT_EQ(c.map.At(19, 6), kRed);  // right edge
  EXPECT_EQ(c.map.At(10, 0), kRed);
  EXPECT_EQ(c.map.At(10, 11), kRed);
  EXPECT_EQ(c.map.At(1, 6), kWhite);  // inside stays untouched
  EXPECT_EQ(c.map.At(10, 6), kWhite);
  EXPECT_EQ(c.map.At(0, 0), kWhite);  // outside the rounded corner
  const Color corner = c.map.At(1, 1);
  EXPECT_NE(corner, kWhite);  // the corner curve is smoothed, not stepped
  EXPECT_NE(corner, kRed);
}

TEST(FillPath, OverlappingContoursOfTheSameWindingDoNotDarkenTwice) {
  Canvas c(10, 10);
  Path p;
  p.AddRect(0, 0, 6, 10);
  p.AddRect(4, 0, 6, 10);
  FillPath(c.map, p, kRed, 0.5f);
  EXPECT_EQ(c.map.At(2, 5), c.map.At(5, 5));
  EXPECT_EQ(c.map.At(5, 5), c.map.At(8, 5));
}

TEST(FillPath, OpacityBlendsTowardsTheColour) {
  Canvas c(4, 4);
  Path p;
  p.AddRect(0, 0, 4, 4);
  FillPath(c.map, p, kBlack, 0.25f);
  EXPECT_NEAR(c.map.At(1, 1).r, 191, 1);
}

TEST(FillPath, PartsOutsideThePixmapAreClippedNotWrapped) {
  Canvas c(8, 6);
  Path p;
  p.AddRect(-20, -3, 23.5f, 5);  // left and top beyond the edges, ends halfway into column 3
  p.AddRect(6, 4, 50, 50);        // right and bottom beyond the edges
  FillPath(c.map, p, kBlack);
  EXPECT_EQ(c.map.At(0, 0), kBlack);
  EXPECT_EQ(c.map.At(2, 1), kBlack);
  EXPECT_NEAR(c.map.At(3, 1).r, 127.5, 1.0);
  EXPECT_EQ(c.map.At(0, 2), kWhite);
  EXPECT_EQ(c.map.At(7, 5), kBlack);
  EXPECT_EQ(c.map.At(6, 4), kBlack);
  EXPECT_EQ(c.map.At(5, 5), kWhite);
  EXPECT_EQ(c.map.At(0, 5), kWhite);  // nothing spilled from the right edge into the next row
  EXPECT_EQ(c.CountNot(kWhite), 2 * 3 + 2 + 2 * 2);
}

TEST(FillPath, SlantedEdgesLeavingThePixmapStillCoverTheInside) {
  Canvas c(10, 10);
  Path p;
  p.AddPolygon({{-30, -5}, {40, 5}, {40, 40}, {-30, 40}});  // a slope across the whole width
  FillPath(c.map, p, kBlack);
  EXPECT_EQ(c.map.At(0, 9), kBlack);
  EXPECT_EQ(c.map.At(9, 9), kBlack);
  EXPECT_EQ(c.map.At(0, 0), kBlack);
  // The edge crosses row 0 near the right side: about a third of pixel (9, 0) lies below it.
  EXPECT_NEAR(c.map.At(9, 0).r, 255 * (1 - 0.357), 3);
}

TEST(FillPath, NothingHappensForDegenerateInput) {
  Canvas c(5, 5);
  Path empty;
  FillPath(c.map, empty, kBlack);
  Path outside;
  outside.AddRect(10, 10, 5, 5);
  FillPath(c.map, outside, kBlack);
  Path flat;
  flat.AddRect(1, 1, 3, 0);
  FillPath(c.map, flat, kBlack);
  Path bad;
  bad.AddRect(std::numeric_limits<float>::quiet_NaN(), 0, 3, 3);
  FillPath(c.map, bad, kBlack);
  Path huge;
  huge.AddRect(-1e30f, -1e30f, 2e30f, 2e30f);
  FillPath(c.map, huge, kBlack, 0.0f);
  EXPECT_EQ(c.CountNot(kWhite), 0);
  Pixmap none{};
  FillPath(none, huge, kBlack);
}

TEST(Path, TransformedScalesThenMoves) {
  Canvas c(20, 20);
  Path p;
  p.AddRect(1, 1, 2, 3);
  FillPath(c.map, p.Transformed(2, 2, 5, 4), kBlack);
  EXPECT_EQ(c.CountNot(kWhite), 4 * 6);
  EXPECT_EQ(c.map.At(7, 6), kBlack);
  EXPECT_EQ(c.map.At(10, 11), kBlack);
  EXPECT_EQ(c.map.At(11, 11), kWhite);
}

TEST(Path, FlatteningFollowsCurvesWithinTolerance) {
  Path p;
  p.AddEllipse(0, 0, 100, 100);
  for (const auto& contour : p.Flatten(0.1f)) {
    for (const PointF& q : contour) EXPECT_NEAR(std::hypot(q.x, q.y), 100.0, 0.1);
  }
}

}  // namespace
}  // namespace sweeplet
