#include "autostart/Duration.h"

#include <gtest/gtest.h>

#include <climits>

namespace sweeplet {
namespace {

TEST(SecondsToDurationTest, FormatsMinutesAndSecondsWithoutHours) {
  const struct {
    int seconds;
    const char* expected;
  } cases[] = {
      {0, "PT0S"},        {1, "PT1S"},         {45, "PT45S"},          {59, "PT59S"},
      {60, "PT1M"},       {61, "PT1M1S"},      {90, "PT1M30S"},        {119, "PT1M59S"},
      {120, "PT2M"},      {3600, "PT60M"},     {3661, "PT61M1S"},      {86400, "PT1440M"},
      {INT_MAX, "PT35791394M7S"},
      // No negative delay exists; these read as none.
      {-1, "PT0S"},       {-60, "PT0S"},       {-90, "PT0S"},          {INT_MIN, "PT0S"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, SecondsToDuration(c.seconds)) << c.seconds << " seconds";
  }
}

}  // namespace
}  // namespace sweeplet
