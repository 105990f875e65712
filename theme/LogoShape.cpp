#include "theme/LogoShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sweeplet {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// The letters: x-height from y 29.5 to 63.5, strokes 7 units wide.
constexpr float kTop = 29.5f;
constexpr float kBottom = 63.5f;
constexpr float kMid = (kTop + kBottom) / 2;
constexpr float kStroke = 7.0f;
constexpr float kBowlRx = 15.0f;  // o, a, e
constexpr float kBowlRy = 17.0f;
constexpr float kArch = 13.0f;  // n, r

// A band between two concentric ellipses from angle `from` to `to` (clockwise on screen).
void AddBand(Path& p, float cx, float cy, float rx, float ry, float from, float to) {
  p.ArcTo(cx, cy, rx, ry, from, to);
  p.ArcTo(cx, cy, rx - kStroke, ry - kStroke, to, from);
  p.Close();
}

void AddStem(Path& p, float x, float top, float bottom) { p.AddRect(x, top, kStroke, bottom - top); }

void AddO(Path& p, float x) {
  p.AddEllipse(x + kBowlRx, kMid, kBowlRx, kBowlRy);
  p.AddEllipse(x + kBowlRx, kMid, kBowlRx - kStroke, kBowlRy - kStroke, true);
}

void AddR(Path& p, float x) {
  AddStem(p, x, kTop, kBottom);
  AddBand(p, x + kArch, kTop + kArch, kArch, kArch, kPi, 1.62f * kPi);
}

void AddV(Path& p, float x) {
  constexpr float w = 28.0f;
  p.AddPolygon({{x, kTop},
                {x + 7.8f, kTop},
                {x + w / 2, kBottom - 13.0f},
                {x + w - 7.8f, kTop},
                {x + w, kTop},
                {x + w / 2 + 4.4f, kBottom},
                {x + w / 2 - 4.4f, kBottom}});
}

void AddA(Path& p, float x) {
  AddO(p, x);
  AddStem(p, x + 2 * kBowlRx - kStroke, kTop, kBottom);
}

void AddN(Path& p, float x) {
  AddStem(p, x, kTop, kBottom);
  AddBand(p, x + kArch, kTop + kArch, kArch, kArch, kPi, 2 * kPi);
  AddStem(p, x + 2 * kArch - kStroke, kTop + kArch, kBottom);
}

void AddE(Path& p, float x) {
  const float cx = x + kBowlRx;
  AddBand(p, cx, kMid, kBowlRx, kBowlRy, 0.3f * kPi, 2 * kPi);
  p.AddRect(cx - kBowlRx + kStroke - 0.5f, kMid - kStroke / 2, 2 * kBowlRx - kStroke + 0.5f, kStroke);
}

std::vector<LogoLayer> BuildLogo() {
  std::vector<LogoLayer> layers;
  // The mark: a blue tile holding a white orbit with a dot riding on it.
  constexpr float tile = kLogoHeight;
  constexpr float c = tile / 2;
  Path square;
  square.AddRoundRect(0, 0, tile, tile, 21.0f);
  layers.push_back({square, AccentColor});
  Path orbit;
  orbit.AddEllipse(c, c, 25.0f, 25.0f);
  orbit.AddEllipse(c, c, 16.0f, 16.0f, true);
  layers.push_back({orbit, kWhite});
  const float dotAngle = -0.25f * kPi;
  const float dotX = c + 20.5f * std::cos(dotAngle), dotY = c + 20.5f * std::sin(dotAngle);
  Path gap;
  gap.AddEllipse(dotX, dotY, 10.5f, 10.5f);
  layers.push_back({gap, AccentColor});
  Path dot;
  dot.AddEllipse(dotX, dotY, 6.5f, 6.5f);
  layers.push_back({dot, kWhite});

  Path word;
  AddO(word, 105.0f);
  AddR(word, 139.0f);
  AddV(word, 159.5f);
  AddA(word, 190.5f);
  AddN(word, 224.5f);
  AddE(word, 254.5f);
  layers.push_back({word, kLogoInk});
  return layers;
}

}  // namespace

const std::vector<LogoLayer>& LogoLayers() {
  static const std::vector<LogoLayer> layers = BuildLogo();
  return layers;
}

LogoPlacement FitLogo(float boxWidth, float boxHeight) {
  if (!(boxWidth > 0) || !(boxHeight > 0)) return {};
  const float scale = std::min(boxWidth / kLogoWidth, boxHeight / kLogoHeight);
  return {scale, (boxWidth - kLogoWidth * scale) / 2, (boxHeight - kLogoHeight * scale) / 2};
}

}  // namespace sweeplet
