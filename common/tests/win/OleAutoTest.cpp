#include "common/OleAuto.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace sweeplet {
namespace {

TEST(Bstr, KeepsTheWholeTextEmbeddedNulsIncluded) {
  const std::wstring text(L"a\0b", 3);
  const Bstr b = MakeBstr(text);
  ASSERT_TRUE(b);
  EXPECT_EQ(::SysStringLen(b.get()), 3u);
  EXPECT_EQ(BstrView(b), text);
  EXPECT_EQ(BstrView(Bstr()), L"");
}

TEST(Bstr, MovesOwnership) {
  Bstr first = MakeBstr(L"task");
  const BSTR raw = first.get();
  Bstr second = std::move(first);
  EXPECT_FALSE(first);
  EXPECT_EQ(second.get(), raw);
  // An out-parameter frees what was held before it is written.
  *second.put() = ::SysAllocString(L"other");
  EXPECT_EQ(BstrView(second), L"other");
}

TEST(Variant, StringHoldsACopy) {
  const Variant v = Variant::String(L"PT0S");
  ASSERT_EQ(v.get().vt, VT_BSTR);
  EXPECT_EQ(std::wstring_view(v.get().bstrVal, ::SysStringLen(v.get().bstrVal)), L"PT0S");
}

}  // namespace
}  // namespace sweeplet
