#pragma once
// The maker's wordmark as vector paths: a rounded accent-blue mark with an orbiting dot, then
// the word "orvane" in geometric lower-case letters. Units: a box of 287.985 x 92.996.
#include <vector>

#include "theme/ButtonStyles.h"
#include "theme/VectorCanvas.h"

namespace sweeplet {

inline constexpr float kLogoWidth = 287.985f;
inline constexpr float kLogoHeight = 92.996f;
inline constexpr Color kLogoInk{32, 32, 32};

struct LogoLayer {
  Path path;
  Color color;
};

// Painted in order, each over the ones before.
const std::vector<LogoLayer>& LogoLayers();

struct LogoPlacement {
  float scale = 0, dx = 0, dy = 0;  // device = unit * scale + d
};
// The largest placement of the logo inside a box of boxWidth x boxHeight that keeps its
// proportions, centred.
LogoPlacement FitLogo(float boxWidth, float boxHeight);

}  // namespace sweeplet
