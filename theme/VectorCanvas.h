#pragma once
// Anti-aliased filling of vector paths into a 32-bit pixel buffer. The drawn controls paint
// their shapes with it instead of the system's graphics library, so that edges are smoothed
// the same way on every system the program runs on.
#include <cstdint>
#include <vector>

#include "theme/ButtonStyles.h"

namespace sweeplet {

struct PointF {
  float x = 0, y = 0;
};

// Closed contours made of lines and cubic curves. Filling uses the non-zero rule, so a contour
// wound the other way round inside another one cuts a hole.
class Path {
 public:
  void MoveTo(float x, float y);
  void LineTo(float x, float y);
  void CubicTo(float x1, float y1, float x2, float y2, float x, float y);
  // An elliptic arc around (cx, cy) from angle `from` to `to` (radians, clockwise on screen,
  // 0 pointing right); joins the current point with a line, or starts a contour.
  void ArcTo(float cx, float cy, float rx, float ry, float from, float to);
  void Close();

  // Whole contours. `reverse` winds them counter-clockwise, to cut holes.
  void AddRect(float x, float y, float w, float h, bool reverse = false);
  void AddRoundRect(float x, float y, float w, float h, float radius, bool reverse = false);
  void AddEllipse(float cx, float cy, float rx, float ry, bool reverse = false);
  void AddPolygon(const std::vector<PointF>& points);

  // This path scaled by (sx, sy) and then moved by (dx, dy).
  Path Transformed(float sx, float sy, float dx, float dy) const;
  // Contours as polygons whose edges stay within `tolerance` of the curves.
  std::vector<std::vector<PointF>> Flatten(float tolerance = 0.05f) const;
  bool Empty() const { return segments_.empty(); }

 private:
  enum class Kind : std::uint8_t { Move, Line, Cubic, Close };
  struct Segment {
    Kind kind;
    PointF p[3];
  };
  std::vector<Segment> segments_;
  PointF current_{};
  PointF start_{};
  bool open_ = false;
};

// A view of 32-bit pixels laid out as in a top-down device-independent bitmap: one
// std::uint32_t per pixel, 0x00RRGGBB (blue in the lowest byte). The canvas does not own them.
struct Pixmap {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // pixels from one row to the next

  Color At(int x, int y) const;
  void Set(int x, int y, Color c);
  void Fill(Color c);
};

// Blends `color` over the pixels inside `path`, weighted by the area of each pixel the path
// covers and by `opacity` (0..1). Parts outside the pixmap are ignored.
void FillPath(Pixmap& target, const Path& path, Color color, float opacity = 1.0f);

// The ring between a rounded rectangle and the same one inset by `thickness`: a button outline.
Path RoundRectOutline(float x, float y, float w, float h, float radius, float thickness);

}  // namespace sweeplet
