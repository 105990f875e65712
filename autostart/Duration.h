#pragma once
// The ISO 8601 duration text the Task Scheduler takes for a logon delay.
#include <string>

namespace sweeplet {

// "PT" + whole minutes as "<n>M" + remaining seconds as "<n>S", each part only when above zero;
// "PT0S" when both are zero. Minutes are never folded into hours (3600 gives "PT60M").
// A negative count has no meaning as a delay and gives "PT0S".
std::string SecondsToDuration(int seconds);

}  // namespace sweeplet
