#include "autostart/Duration.h"

namespace sweeplet {

std::string SecondsToDuration(int seconds) {
  // Integer division truncates toward zero, so a negative count yields no positive part and
  // falls through to "PT0S" rather than producing a malformed "PT-1M".
  const int minutes = seconds / 60;
  const int rest = seconds % 60;
  std::string text = "PT";
  if (minutes > 0) text += std::to_string(minutes) + "M";
  if (rest > 0) text += std::to_string(rest) + "S";
  if (minutes <= 0 && rest <= 0) text += "0S";
  return text;
}

}  // namespace sweeplet
