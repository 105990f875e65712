// Every test of this program runs with a current-user hive of its own: the client identifier that
// the update check makes and stores never reaches the user's real HKCU\Software\Orvane.
#include <gtest/gtest.h>

#include <memory>

#include "common/tests/win/TestMachine.h"

namespace sweeplet {
namespace {

class ScratchHiveEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    hive_ = std::make_unique<testing::ScratchUserHive>();
    ASSERT_TRUE(hive_->Redirected()) << "HKEY_CURRENT_USER could not be redirected";
  }
  void TearDown() override { hive_.reset(); }

 private:
  std::unique_ptr<testing::ScratchUserHive> hive_;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ScratchHiveEnvironment);

}  // namespace
}  // namespace sweeplet
