#include "common/Dpi.h"

#include <gtest/gtest.h>

#include <cwchar>

#include "common/UniqueHandle.h"

namespace sweeplet {
namespace {

UINT ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

TEST(Dpi, NoWindowMeansTheSystemDpi) {
  EXPECT_EQ(dpi_detail::SystemDpi(), ScreenDpi());
  EXPECT_EQ(WindowDpi(nullptr), ScreenDpi());
}

TEST(Dpi, AWindowHasItsOwnDpi) {
  UniqueWindow window(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(window);
  EXPECT_EQ(WindowDpi(window.get()), ::GetDpiForWindow(window.get()));
}

// Windows 7 has none of the per-DPI calls; what it gets instead must match what they answer.
class DpiFallback : public ::testing::TestWithParam<int> {
 protected:
  UINT dpi() const { return static_cast<UINT>(::MulDiv(static_cast<int>(dpi_detail::SystemDpi()), GetParam(), 100)); }
};

TEST_P(DpiFallback, MetricsMatchThePerDpiCall) {
  for (int index : {SM_CXSMICON, SM_CYSMICON, SM_CXICON, SM_CYICON}) {
    EXPECT_EQ(dpi_detail::ScaledSystemMetric(index, dpi()), ::GetSystemMetricsForDpi(index, dpi())) << index;
    EXPECT_EQ(SystemMetricForDpi(index, dpi()), ::GetSystemMetricsForDpi(index, dpi())) << index;
  }
}

TEST_P(DpiFallback, FontsMatchThePerDpiCall) {
  LOGFONTW desktop{};
  ASSERT_TRUE(::SystemParametersInfoForDpi(SPI_GETICONTITLELOGFONT, sizeof(desktop), &desktop, 0, dpi()));
  for (const LOGFONTW& font : {DesktopFont(dpi()), dpi_detail::ScaledDesktopFont(dpi())}) {
    EXPECT_EQ(font.lfHeight, desktop.lfHeight);
    EXPECT_STREQ(font.lfFaceName, desktop.lfFaceName);
  }

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi()));
  for (const NONCLIENTMETRICSW& m : {NonClientMetrics(dpi()), dpi_detail::ScaledNonClientMetrics(dpi())}) {
    EXPECT_EQ(m.lfMessageFont.lfHeight, metrics.lfMessageFont.lfHeight);
    EXPECT_EQ(m.lfStatusFont.lfHeight, metrics.lfStatusFont.lfHeight);
    EXPECT_EQ(m.lfCaptionFont.lfHeight, metrics.lfCaptionFont.lfHeight);
    EXPECT_STREQ(m.lfMessageFont.lfFaceName, metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(m.iCaptionHeight, metrics.iCaptionHeight);
  }
}

INSTANTIATE_TEST_SUITE_P(Scales, DpiFallback, ::testing::Values(100, 150, 200));

TEST(Dpi, OuterSizeKeepsTheClientAndGrowsTheFrameWithTheDpi) {
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const UINT system = dpi_detail::SystemDpi();
  const SIZE plain = dpi_detail::PlainOuterSize(500, 450, kStyle, 0);
  const SIZE same = OuterSizeForClient(500, 450, kStyle, 0, system);
  EXPECT_EQ(same.cx, plain.cx);
  EXPECT_EQ(same.cy, plain.cy);
  const SIZE doubled = OuterSizeForClient(1000, 900, kStyle, 0, 2 * system);
  EXPECT_GT(doubled.cy - 900, plain.cy - 450);  // a taller caption
  EXPECT_GE(doubled.cx - 1000, plain.cx - 500);
}

// The frame does not change with a DPI change sent by hand, as under plain per-monitor awareness,
// where the system leaves the caption and frame at the system DPI: whatever size the suggestion
// has, the client area ends as asked, at the suggested place.
TEST(Dpi, ADpiChangeGivesTheClientAreaAskedForAtTheSuggestedPlace) {
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const UniqueWindow w(::CreateWindowExW(0, L"STATIC", L"dpi", kStyle, 40, 30, 300, 200, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(w);
  RECT start{};
  ::GetWindowRect(w.get(), &start);
  const struct {
    const char* name;
    RECT suggested;
  } cases[] = {
      {"the old outer size scaled by 1.5, frame included", {60, 45, 60 + (start.right - start.left) * 3 / 2, 45 + (start.bottom - start.top) * 3 / 2}},
      {"a size too small", {10, 20, 110, 70}},
      {"the old size", start},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MoveForDpiChange(w.get(), c.suggested, 450, 300);
    RECT outer{}, client{};
    ::GetWindowRect(w.get(), &outer);
    ::GetClientRect(w.get(), &client);
    EXPECT_EQ(client.right, 450);
    EXPECT_EQ(client.bottom, 300);
    EXPECT_EQ(outer.left, c.suggested.left);
    EXPECT_EQ(outer.top, c.suggested.top);
  }
}

}  // namespace
}  // namespace sweeplet
