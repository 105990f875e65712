// Traits given to a control: what a screen reader reads, and whose user data the subclass takes.
#include <gtest/gtest.h>

#include "common/Accessible.h"
#include "common/UniqueHandle.h"
#include "common/tests/AccessibleProbe.h"

namespace sweeplet {
namespace {

class AccessibleTraitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_.reset(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr));
    label_ = ::CreateWindowExW(0, L"STATIC", L"Used", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, parent_.get(), nullptr,
                               nullptr, nullptr);
    ASSERT_TRUE(label_);
  }

  test::ComApartment com_;
  UniqueWindow parent_;
  HWND label_ = nullptr;
};

TEST_F(AccessibleTraitsTest, TheRoleIsReadAndGivenAgainReplaced) {
  ASSERT_TRUE(SetAccessibleTraits(label_, {.role = ROLE_SYSTEM_STATICTEXT}));
  EXPECT_EQ(test::ReadAccessible(label_).role, ROLE_SYSTEM_STATICTEXT);
  ASSERT_TRUE(SetAccessibleTraits(label_, {.role = ROLE_SYSTEM_LINK}));
  EXPECT_EQ(test::ReadAccessible(label_).role, ROLE_SYSTEM_LINK);
  // The control itself still works beneath the subclass.
  ::SetWindowTextW(label_, L"Changed");
  wchar_t text[16] = {};
  ::GetWindowTextW(label_, text, 16);
  EXPECT_STREQ(text, L"Changed");
}

TEST_F(AccessibleTraitsTest, AControlWhoseUserDataIsTakenIsLeftAlone) {
  ::SetWindowLongPtrW(label_, GWLP_USERDATA, 1234);
  const LONG_PTR procBefore = ::GetWindowLongPtrW(label_, GWLP_WNDPROC);
  EXPECT_FALSE(SetAccessibleTraits(label_, {.role = ROLE_SYSTEM_LINK}));
  EXPECT_EQ(::GetWindowLongPtrW(label_, GWLP_USERDATA), 1234);
  EXPECT_EQ(::GetWindowLongPtrW(label_, GWLP_WNDPROC), procBefore);
}

TEST_F(AccessibleTraitsTest, NoWindowNoTraits) {
  EXPECT_FALSE(SetAccessibleTraits(nullptr, {.role = ROLE_SYSTEM_LINK}));
  HWND gone = label_;
  ::DestroyWindow(label_);
  EXPECT_FALSE(SetAccessibleTraits(gone, {.role = ROLE_SYSTEM_LINK}));
}

}  // namespace
}  // namespace sweeplet
