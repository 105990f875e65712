#include <gtest/gtest.h>

#include "update/Identity.h"

namespace sweeplet {
namespace {

// This test program has no version resource.
TEST(AppVersionWithoutResourceTest, IsAllZeroWhateverThePattern) {
  EXPECT_EQ(GetAppVersion(L"%d.%d.%d"), L"0.0.0.0");
  EXPECT_EQ(GetAppVersion(L"%d.%d.%d.%d"), L"0.0.0.0");
  EXPECT_EQ(GetAppVersion(L"%d"), L"0.0.0.0");
}

}  // namespace
}  // namespace sweeplet
