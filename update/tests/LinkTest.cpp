#include "update/Link.h"

#include <gtest/gtest.h>

namespace sweeplet {
namespace {

struct LinkCase {
  const char* link;
  bool openable;
};

class IsOpenableLinkTest : public testing::TestWithParam<LinkCase> {};

TEST_P(IsOpenableLinkTest, OnlyWebAddresses) { EXPECT_EQ(IsOpenableLink(GetParam().link), GetParam().openable); }

INSTANTIATE_TEST_SUITE_P(
    Cases, IsOpenableLinkTest,
    testing::Values(LinkCase{"http://a.example", true}, LinkCase{"https://a.example/x/y?z=1&w=%20#top", true},
                    LinkCase{"HTTPS://A.EXAMPLE/", true}, LinkCase{"http://127.0.0.1:8080/p", true},
                    LinkCase{"https://user@a.example/", true},
                    // Not web addresses: files, shares, other schemes, commands.
                    LinkCase{"", false}, LinkCase{"http://", false}, LinkCase{"https://", false},
                    LinkCase{"https:///etc", false}, LinkCase{"http://?q", false}, LinkCase{"http:/a.example", false},
                    LinkCase{"httpx://a.example", false}, LinkCase{"ftp://a.example", false},
                    LinkCase{"file:///C:/Windows/System32/cmd.exe", false},
                    LinkCase{"C:\\Windows\\System32\\cmd.exe", false}, LinkCase{"\\\\host\\share\\x.exe", false},
                    LinkCase{"ms-settings:windowsupdate", false}, LinkCase{"javascript:alert(1)", false},
                    LinkCase{"cmd /c calc", false}, LinkCase{" https://a.example", false},
                    // Characters that could break out of the browser's command line.
                    LinkCase{"https://a.example/\" --flag", false}, LinkCase{"https://a.example/ x", false},
                    LinkCase{"https://a.example/\tx", false}, LinkCase{"https://a.example/\nx", false},
                    LinkCase{"https://a.example\\..\\x", false}, LinkCase{"https://a.example/<x>", false},
                    LinkCase{"https://a.example/\xc3\xa9", false}));

}  // namespace
}  // namespace sweeplet
