#include "theme/VectorCanvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sweeplet {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// Control-point distance of a cubic that follows a quarter circle of radius 1.
constexpr float kQuarterArc = 0.5522847498f;

PointF Lerp(PointF a, PointF b, float t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// Adds the signed area that the edge a-b covers to each pixel cell of a row-major buffer
// (`stride` cells per row), the way a scanline accumulation rasteriser does: the running sum
// of a row then gives the coverage of each pixel. x must already lie within 0..width.
void AccumulateEdge(std::vector<float>& acc, int stride, int height, PointF a, PointF b) {
  if (a.y == b.y) return;
  float dir = 1.0f;
  if (a.y > b.y) {
    std::swap(a, b);
    dir = -1.0f;
  }
  const float right = static_cast<float>(stride - 2);
  const float dxdy = (b.x - a.x) / (b.y - a.y);
  float x = a.x;
  const int yStart = std::max(0, static_cast<int>(std::floor(a.y)));
  const int yEnd = std::min(height, static_cast<int>(std::ceil(b.y)));
  if (a.y < static_cast<float>(yStart)) x = std::clamp(x + (static_cast<float>(yStart) - a.y) * dxdy, 0.0f, right);
  for (int y = yStart; y < yEnd; ++y) {
    float* row = acc.data() + static_cast<size_t>(y) * stride;
    const float dy = std::min(static_cast<float>(y + 1), b.y) - std::max(static_cast<float>(y), a.y);
    // Rounding may carry x a hair past the pixmap's sides; keep it on them.
    const float xNext = std::clamp(x + dxdy * dy, 0.0f, right);
    const float d = dy * dir;
    const float x0 = std::min(x, xNext);
    const float x1 = std::max(x, xNext);
    const float x0Floor = std::floor(x0);
    const int x0i = static_cast<int>(x0Floor);
    const float x1Ceil = std::ceil(x1);
    const int x1i = static_cast<int>(x1Ceil);
    if (x1i <= x0i + 1) {
      // The edge stays within one pixel column on this row.
      const float xmf = 0.5f * (x + xNext) - x0Floor;
      row[x0i] += d - d * xmf;
      row[x0i + 1] += d * xmf;
    } else {
      const float s = 1.0f / (x1 - x0);
      const float x0f = x0 - x0Floor;
      const float a0 = 0.5f * s * (1.0f - x0f) * (1.0f - x0f);
      const float x1f = x1 - x1Ceil + 1.0f;
      const float am = 0.5f * s * x1f * x1f;
      row[x0i] += d * a0;
      if (x1i == x0i + 2) {
        row[x0i + 1] += d * (1.0f - a0 - am);
      } else {
        const float a1 = s * (1.5f - x0f);
        row[x0i + 1] += d * (a1 - a0);
        for (int xi = x0i + 2; xi < x1i - 1; ++xi) row[xi] += d * s;
        const float a2 = a1 + static_cast<float>(x1i - x0i - 3) * s;
        row[x1i - 1] += d * (1.0f - a2 - am);
      }
      row[x1i] += d * am;
    }
    x = xNext;
  }
}

// Splits the edge where it crosses x = 0 and x = width and moves the parts outside onto those
// lines: a part left of the pixmap then still covers the pixels to its right, as it should.
void AddClippedEdge(std::vector<float>& acc, int stride, int width, int height, PointF a, PointF b) {
  const float w = static_cast<float>(width);
  float cuts[2];
  int n = 0;
  for (float bound : {0.0f, w}) {
    if ((a.x < bound && b.x > bound) || (a.x > bound && b.x < bound)) cuts[n++] = (bound - a.x) / (b.x - a.x);
  }
  if (n == 2 && cuts[0] > cuts[1]) std::swap(cuts[0], cuts[1]);
  PointF from = a;
  for (int i = 0; i <= n; ++i) {
    PointF to = i < n ? Lerp(a, b, cuts[i]) : b;
    PointF p = from, q = to;
    p.x = std::clamp(p.x, 0.0f, w);
    q.x = std::clamp(q.x, 0.0f, w);
    AccumulateEdge(acc, stride, height, p, q);
    from = to;
  }
}

std::uint8_t Blend(std::uint8_t dst, std::uint8_t src, float alpha) {
  return static_cast<std::uint8_t>(std::lround(static_cast<float>(dst) + (static_cast<float>(src) - dst) * alpha));
}

}  // namespace

void Path::MoveTo(float x, float y) {
  if (open_) Close();
  segments_.push_back({Kind::Move, {{x, y}}});
  current_ = start_ = {x, y};
  open_ = true;
}

void Path::LineTo(float x, float y) {
  if (!open_) {
    MoveTo(x, y);
    return;
  }
  segments_.push_back({Kind::Line, {{x, y}}});
  current_ = {x, y};
}

void Path::CubicTo(float x1, float y1, float x2, float y2, float x, float y) {
  if (!open_) MoveTo(current_.x, current_.y);
  segments_.push_back({Kind::Cubic, {{x1, y1}, {x2, y2}, {x, y}}});
  current_ = {x, y};
}

void Path::ArcTo(float cx, float cy, float rx, float ry, float from, float to) {
  const float sweep = to - from;
  const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-4f)));
  const float step = sweep / static_cast<float>(pieces);
  // Handle length of a cubic following an arc of `step` radians on the unit circle.
  const float k = 4.0f / 3.0f * std::tan(step / 4.0f);
  const PointF begin{cx + rx * std::cos(from), cy + ry * std::sin(from)};
  if (open_) {
    LineTo(begin.x, begin.y);
  } else {
    MoveTo(begin.x, begin.y);
  }
  float angle = from;
  for (int i = 0; i < pieces; ++i) {
    const float next = angle + step;
    const float c0 = std::cos(angle), s0 = std::sin(angle), c1 = std::cos(next), s1 = std::sin(next);
    CubicTo(cx + rx * (c0 - k * s0), cy + ry * (s0 + k * c0), cx + rx * (c1 + k * s1), cy + ry * (s1 - k * c1),
            cx + rx * c1, cy + ry * s1);
    angle = next;
  }
}

void Path::Close() {
  if (!open_) return;
  segments_.push_back({Kind::Close, {start_}});
  current_ = start_;
  open_ = false;
}

void Path::AddRect(float x, float y, float w, float h, bool reverse) {
  if (reverse) {
    AddPolygon({{x, y}, {x, y + h}, {x + w, y + h}, {x + w, y}});
  } else {
    AddPolygon({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}});
  }
}

void Path::AddRoundRect(float x, float y, float w, float h, float radius, bool reverse) {
  const float r = std::clamp(radius, 0.0f, std::min(w, h) / 2.0f);
  if (r <= 0.0f) {
    AddRect(x, y, w, h, reverse);
    return;
  }
  const float k = r * kQuarterArc;
  const float l = x, t = y, rt = x + w, b = y + h;
  if (open_) Close();
  if (!reverse) {
    MoveTo(l + r, t);
    LineTo(rt - r, t);
    CubicTo(rt - r + k, t, rt, t + r - k, rt, t + r);
    LineTo(rt, b - r);
    CubicTo(rt, b - r + k, rt - r + k, b, rt - r, b);
    LineTo(l + r, b);
    CubicTo(l + r - k, b, l, b - r + k, l, b - r);
    LineTo(l, t + r);
    CubicTo(l, t + r - k, l + r - k, t, l + r, t);
  } else {
    MoveTo(l + r, t);
    CubicTo(l + r - k, t, l, t + r - k, l, t + r);
    LineTo(l, b - r);
    CubicTo(l, b - r + k, l + r - k, b, l + r, b);
    LineTo(rt - r, b);
    CubicTo(rt - r + k, b, rt, b - r + k, rt, b - r);
    LineTo(rt, t + r);
    CubicTo(rt, t + r - k, rt - r + k, t, rt - r, t);
  }
  Close();
}

void Path::AddEllipse(float cx, float cy, float rx, float ry, bool reverse) {
  if (open_) Close();
  if (reverse) {
    ArcTo(cx, cy, rx, ry, 2 * kPi, 0);
  } else {
    ArcTo(cx, cy, rx, ry, 0, 2 * kPi);
  }
  Close();
}

void Path::AddPolygon(const std::vector<PointF>& points) {
  if (points.size() < 3) return;
  if (open_) Close();
  MoveTo(points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) LineTo(points[i].x, points[i].y);
  Close();
}

Path Path::Transformed(float sx, float sy, float dx, float dy) const {
  Path out = *this;
  for (Segment& s : out.segments_) {
    for (PointF& p : s.p) p = {p.x * sx + dx, p.y * sy + dy};
  }
  out.current_ = {current_.x * sx + dx, current_.y * sy + dy};
  out.start_ = {start_.x * sx + dx, start_.y * sy + dy};
  return out;
}

std::vector<std::vector<PointF>> Path::Flatten(float tolerance) const {
  std::vector<std::vector<PointF>> contours;
  PointF at{};
  for (const Segment& s : segments_) {
    switch (s.kind) {
      case Kind::Move:
        contours.push_back({s.p[0]});
        at = s.p[0];
        break;
      case Kind::Line:
        contours.back().push_back(s.p[0]);
        at = s.p[0];
        break;
      case Kind::Cubic: {
        // Enough steps that the chords stay within the tolerance of the curve.
        const float dd = std::max(std::hypot(at.x - 2 * s.p[0].x + s.p[1].x, at.y - 2 * s.p[0].y + s.p[1].y),
                                  std::hypot(s.p[0].x - 2 * s.p[1].x + s.p[2].x, s.p[0].y - 2 * s.p[1].y + s.p[2].y));
        const int steps = std::clamp(static_cast<int>(std::ceil(std::sqrt(0.75f * dd / tolerance))), 1, 256);
        for (int i = 1; i <= steps; ++i) {
          const float t = static_cast<float>(i) / static_cast<float>(steps);
          const PointF ab = Lerp(at, s.p[0], t), bc = Lerp(s.p[0], s.p[1], t), cd = Lerp(s.p[1], s.p[2], t);
          contours.back().push_back(Lerp(Lerp(ab, bc, t), Lerp(bc, cd, t), t));
        }
        at = s.p[2];
        break;
      }
      case Kind::Close:
        at = s.p[0];
        break;
    }
  }
  return contours;
}

Color Pixmap::At(int x, int y) const {
  const std::uint32_t v = pixels[static_cast<size_t>(y) * stride + x];
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

void Pixmap::Set(int x, int y, Color c) {
  pixels[static_cast<size_t>(y) * stride + x] =
      (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
}

void Pixmap::Fill(Color c) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) Set(x, y, c);
  }
}

void FillPath(Pixmap& target, const Path& path, Color color, float opacity) {
  if (target.pixels == nullptr || target.width <= 0 || target.height <= 0 || !(opacity > 0.0f)) return;
  opacity = std::min(opacity, 1.0f);
  const auto contours = path.Flatten();
  float minY = static_cast<float>(target.height), maxY = 0;
  bool any = false;
  for (const auto& c : contours) {
    for (const PointF& p : c) {
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
      any = true;
    }
  }
  if (!any) return;
  const int top = std::clamp(static_cast<int>(std::floor(minY)), 0, target.height);
  const int bottom = std::clamp(static_cast<int>(std::ceil(maxY)), 0, target.height);
  if (top >= bottom) return;

  // Two spare cells per row take what falls on the right edge; rows never spill into each other.
  const int stride = target.width + 2;
  const int rows = bottom - top;
  std::vector<float> acc(static_cast<size_t>(stride) * rows, 0.0f);
  for (const auto& c : contours) {
    for (size_t i = 0; i < c.size(); ++i) {
      PointF a = c[i];
      PointF b = c[(i + 1) % c.size()];
      a.y -= static_cast<float>(top);
      b.y -= static_cast<float>(top);
      AddClippedEdge(acc, stride, target.width, rows, a, b);
    }
  }
  for (int y = 0; y < rows; ++y) {
    const float* row = acc.data() + static_cast<size_t>(y) * stride;
    float sum = 0;
    for (int x = 0; x < target.width; ++x) {
      sum += row[x];
      const float coverage = std::min(1.0f, std::fabs(sum));
      if (coverage < 1.0f / 512) continue;
      const float alpha = coverage * opacity;
      const Color under = target.At(x, top + y);
      target.Set(x, top + y,
                 alpha >= 1.0f ? color
                               : Color{Blend(under.r, color.r, alpha), Blend(under.g, color.g, alpha),
                                       Blend(under.b, color.b, alpha)});
    }
  }
}

Path RoundRectOutline(float x, float y, float w, float h, float radius, float thickness) {
  Path p;
  p.AddRoundRect(x, y, w, h, radius);
  if (w > 2 * thickness && h > 2 * thickness) {
    p.AddRoundRect(x + thickness, y + thickness, w - 2 * thickness, h - 2 * thickness,
                   std::max(0.0f, radius - thickness), true);
  }
  return p;
}

}  // namespace sweeplet
