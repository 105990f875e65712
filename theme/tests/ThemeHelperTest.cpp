#include "theme/ThemeHelper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/tests/win/TestMachine.h"
#include "theme/HighContrast.h"
#include "theme/tests/FakeFrameMode.h"
#include "theme/tests/WinTestSupport.h"

namespace sweeplet {
namespace {

using test::ClientPixel;
using test::PumpUntil;
using test::TestWindow;

Color GrayText() {
  const COLORREF c = ::GetSysColor(COLOR_GRAYTEXT);
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

int ClientWidth(HWND hwnd) {
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  return rc.right;
}

// The line across the whole top edge, `height` rows of `colour`, and the window below it.
void ExpectLine(HWND hwnd, int height, Color colour) {
  const int width = ClientWidth(hwnd);
  for (int x : {0, 1, width / 2, width - 2, width - 1}) {
    for (int y = 0; y < height; ++y) EXPECT_EQ(ClientPixel(hwnd, x, y), colour) << "at " << x << "," << y;
    EXPECT_EQ(ClientPixel(hwnd, x, height), kWhite) << "below the line at " << x;
  }
}

void ShowAndActivate(HWND hwnd) {
  ::ShowWindow(hwnd, SW_SHOW);
  ::SetForegroundWindow(hwnd);
  ::SetActiveWindow(hwnd);
  ::UpdateWindow(hwnd);
  test::Pump(50);
}

TEST(ThemeHelper, LineIsAccentBlueAcrossTheTopRightAfterCreation) {
  TestWindow window(320, 200);
  TThemeHelper helper(window.Handle());
  ShowAndActivate(window.Handle());
  EXPECT_TRUE(helper.IsActive());
  ASSERT_EQ(helper.LineHeight(), 2);  // the test prefix runs at 96 DPI
  RECT line{};
  ::GetWindowRect(helper.Line(), &line);
  ::MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&line), 2);
  EXPECT_EQ(line.left, 0);
  EXPECT_EQ(line.top, 0);
  EXPECT_EQ(line.right, 320);
  EXPECT_EQ(line.bottom, 2);
  ExpectLine(window.Handle(), 2, Color{0x3D, 0x84, 0xDD});
}

TEST(ThemeHelper, CreatedWhileTheWindowIsBeingCreated) {
  std::unique_ptr<TThemeHelper> helper;
  TestWindow::onCreate = [&](HWND hwnd) { helper = std::make_unique<TThemeHelper>(hwnd); };
  TestWindow window(200, 120);
  TestWindow::onCreate = nullptr;
  ASSERT_NE(helper, nullptr);
  ShowAndActivate(window.Handle());
  ExpectLine(window.Handle(), 2, AccentColor);
}

TEST(ThemeHelper, GreyWhileAnotherWindowIsActiveBlueAgainAfterAClickBack) {
  TestWindow window(300, 150);
  TThemeHelper helper(window.Handle());
  ShowAndActivate(window.Handle());
  ExpectLine(window.Handle(), 2, AccentColor);

  TestWindow other(200, 100);
  ::SetWindowPos(other.Handle(), HWND_TOP, 400, 300, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  ::SetForegroundWindow(other.Handle());
  ::SetActiveWindow(other.Handle());
  ASSERT_TRUE(PumpUntil([&] { return !helper.IsActive(); }));
  ExpectLine(window.Handle(), 2, GrayText());

  // A real click into the window activates it with WA_CLICKACTIVE.
  RECT rc{};
  ::GetWindowRect(window.Handle(), &rc);
  ::SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  INPUT clicks[2] = {};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  window.activations.clear();
  ::SendInput(2, clicks, sizeof(INPUT));
  if (!PumpUntil([&] { return helper.IsActive(); }, 2000)) {
    // No input reaches windows on this display: deliver what the click would have.
    std::cout << "[ note     ] synthetic input did not activate the window; sending WA_CLICKACTIVE\n";
    ::SendMessageW(window.Handle(), WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 0), reinterpret_cast<LPARAM>(other.Handle()));
  }
  ASSERT_FALSE(window.activations.empty());
  EXPECT_EQ(window.activations.back(), WA_CLICKACTIVE);
  EXPECT_TRUE(helper.IsActive());
  ExpectLine(window.Handle(), 2, AccentColor);
}

TEST(ThemeHelper, ResizingKeepsTheLineAcrossTheFullWidth) {
  TestWindow window(200, 100);
  TThemeHelper helper(window.Handle());
  ShowAndActivate(window.Handle());
  ::SendMessageW(window.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  RECT outer{};
  ::GetWindowRect(window.Handle(), &outer);
  ::SetWindowPos(window.Handle(), nullptr, 0, 0, outer.right - outer.left + 150, outer.bottom - outer.top + 20,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_EQ(ClientWidth(window.Handle()), 350);
  ExpectLine(window.Handle(), 2, GrayText());
  ::SendMessageW(window.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  ExpectLine(window.Handle(), 2, AccentColor);
}

TEST(ThemeHelper, UnderHighContrastTheActiveLineTakesTheHighlightColour) {
  TestWindow window(200, 100);
  TThemeHelper helper(window.Handle());
  ShowAndActivate(window.Handle());
  ForceHighContrast(true);
  ::SendMessageW(window.Handle(), WM_SYSCOLORCHANGE, 0, 0);  // as the system sends when the theme changes
  const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  ExpectLine(window.Handle(), 2, Color{GetRValue(highlight), GetGValue(highlight), GetBValue(highlight)});
  ::SendMessageW(window.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  ExpectLine(window.Handle(), 2, GrayText());
  ForceHighContrast(std::nullopt);
  ::SendMessageW(window.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  ExpectLine(window.Handle(), 2, AccentColor);
}

TEST(ThemeHelper, PassesEveryMessageOnAndRestoresTheProcedure) {
  TestWindow window(200, 100);
  const LONG_PTR before = ::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC);
  {
    TThemeHelper helper(window.Handle());
    EXPECT_NE(::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC), before);
    EXPECT_EQ(::SendMessageW(window.Handle(), WM_USER + 7, 0, 0), 1234);
    window.activations.clear();
    ::SendMessageW(window.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(helper.IsActive());
    ::SendMessageW(window.Handle(), WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);
    EXPECT_TRUE(helper.IsActive());
    // Both reached the window's own procedure, unchanged and in order (the default handling of
    // an activation may add one of its own after them).
    ASSERT_GE(window.activations.size(), 2u);
    EXPECT_EQ(window.activations[0], WA_INACTIVE);
    EXPECT_EQ(window.activations[1], WA_ACTIVE);
  }
  EXPECT_EQ(::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC), before);
  EXPECT_EQ(::SendMessageW(window.Handle(), WM_USER + 7, 0, 0), 1234);
}

LRESULT CALLBACK LaterSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
WNDPROC g_beforeLater = nullptr;
LRESULT CALLBACK LaterSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_USER + 8) return 99;
  return ::CallWindowProcW(g_beforeLater, hwnd, msg, wParam, lParam);
}

TEST(ThemeHelper, ALaterSubclassSurvivesTheHelper) {
  TestWindow window(200, 100);
  auto helper = std::make_unique<TThemeHelper>(window.Handle());
  g_beforeLater = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterSubclass)));
  helper.reset();
  EXPECT_EQ(::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&LaterSubclass));
  EXPECT_EQ(::SendMessageW(window.Handle(), WM_USER + 8, 0, 0), 99);
  EXPECT_EQ(::SendMessageW(window.Handle(), WM_USER + 7, 0, 0), 1234);  // still reaches the original
}

TEST(ThemeHelper, OutlivingItsWindowIsHarmless) {
  auto window = std::make_unique<TestWindow>(200, 100);
  TThemeHelper helper(window->Handle());
  window.reset();
  EXPECT_TRUE(helper.IsActive());
}

TEST(ThemeHelper, FramelessWindowShowsNoLine) {
  TestWindow window(200, 100, WS_POPUP);
  TThemeHelper helper(window.Handle());
  ShowAndActivate(window.Handle());
  EXPECT_FALSE(::IsWindowVisible(helper.Line()));
  EXPECT_EQ(ClientPixel(window.Handle(), 10, 0), kWhite);
}

TEST(ThemeHelper, RefusesAnythingButATopLevelWindow) {
  TestWindow window(200, 100);
  HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, window.Handle(), nullptr, nullptr, nullptr);
  HWND destroyed = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::DestroyWindow(destroyed);
  for (HWND bad : {static_cast<HWND>(nullptr), child, destroyed, reinterpret_cast<HWND>(0x12345)}) {
    try {
      TThemeHelper helper(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "TThemeHelper Owner must be a TForm");
    }
  }
}

using Frames = std::vector<std::pair<HWND, bool>>;

// The title bar is dark only when the user's app mode says so (AppsUseLightTheme 0); a missing
// value, as on systems before the setting existed, and any other number are light.
TEST(ThemeHelper, TheTitleBarFollowsTheAppModeFromTheStart) {
  const struct {
    std::optional<DWORD> value;
    bool dark;
  } cases[] = {{0, true}, {1, false}, {std::nullopt, false}, {2, false}, {0xFFFFFFFF, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? std::to_string(*c.value) : "missing");
    testing::FakeFrameMode frame;
    frame.SetValue(c.value);
    TestWindow window(200, 100);
    TThemeHelper helper(window.Handle(), frame);
    EXPECT_EQ(frame.Frames(), (Frames{{window.Handle(), c.dark}}));
  }
}

void SendSettingChange(HWND hwnd, const wchar_t* area) {
  ::SendMessageW(hwnd, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(area));
}

TEST(ThemeHelper, TheTitleBarFollowsAChangeOfTheAppModeWhileRunning) {
  testing::FakeFrameMode frame;
  frame.SetValue(1);
  TestWindow window(200, 100);
  HWND w = window.Handle();
  auto helper = std::make_unique<TThemeHelper>(w, frame);

  frame.SetValue(0);
  SendSettingChange(w, L"ImmersiveColorSet");
  EXPECT_EQ(frame.Frames(), (Frames{{w, false}, {w, true}}));

  // Other areas leave the frame alone, also names that only begin or end like the one that counts.
  frame.SetValue(1);
  for (const wchar_t* area : {static_cast<const wchar_t*>(nullptr), L"", L"WindowMetrics", L"Immersive",
                              L"ImmersiveColorSetX", L"immersivecolorset"}) {
    SendSettingChange(w, area);
  }
  EXPECT_EQ(frame.Frames().size(), 2u);

  SendSettingChange(w, L"ImmersiveColorSet");
  EXPECT_EQ(frame.Frames().back(), std::make_pair(w, false));
  EXPECT_EQ(frame.Frames().size(), 3u);

  helper.reset();
  SendSettingChange(w, L"ImmersiveColorSet");
  EXPECT_EQ(frame.Frames().size(), 3u) << "nothing after the helper is gone";
}

// The value as the system's reader finds it in the user's hive: a 32-bit number, or nothing.
TEST(FrameMode, TheSystemReadsOnlyANumberFromTheUsersHive) {
  testing::ScratchUserHive hive;
  ASSERT_TRUE(hive.Redirected());
  const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  IFrameModeSystem& system = SystemFrameMode();
  EXPECT_EQ(system.AppsUseLightTheme(), std::nullopt) << "no key";

  const DWORD zero = 0, one = 1;
  const ULONGLONG wide = 0;
  const struct {
    const char* name;
    DWORD type;
    const void* data;
    DWORD size;
    std::optional<DWORD> expected;
  } cases[] = {
      {"dword 0", REG_DWORD, &zero, sizeof(zero), 0},
      {"dword 1", REG_DWORD, &one, sizeof(one), 1},
      {"string 0", REG_SZ, L"0", 4, std::nullopt},
      {"qword 0", REG_QWORD, &wide, sizeof(wide), std::nullopt},
      {"binary", REG_BINARY, &zero, sizeof(zero), std::nullopt},
      {"short dword", REG_DWORD, &zero, 2, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", c.type, c.data, c.size), ERROR_SUCCESS);
    EXPECT_EQ(system.AppsUseLightTheme(), c.expected);
  }
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme");
  EXPECT_EQ(system.AppsUseLightTheme(), std::nullopt) << "no value";
}

// Stands in for DwmSetWindowAttribute: records each call and refuses the attribute numbers in
// `refused`, as a build that does not know them does.
struct AttributeCall {
  HWND window;
  DWORD attribute;
  BOOL value;
  bool operator==(const AttributeCall&) const = default;
};
std::vector<AttributeCall> g_attributeCalls;
std::vector<DWORD> g_refusedAttributes;

HRESULT WINAPI FakeSetAttribute(HWND window, DWORD attribute, LPCVOID data, DWORD size) {
  BOOL value = -1;
  if (size == sizeof(BOOL)) std::memcpy(&value, data, sizeof(value));
  g_attributeCalls.push_back({window, attribute, value});
  for (DWORD refused : g_refusedAttributes) {
    if (attribute == refused) return E_INVALIDARG;
  }
  return S_OK;
}

TEST(FrameMode, TheEarlierAttributeNumberOnlyWhenTheCurrentOneIsRefused) {
  const HWND w = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
  const struct {
    const char* name;
    std::vector<DWORD> refused;
    std::vector<DWORD> tried;
  } cases[] = {
      {"2004 and later", {}, {20}},
      {"1809 to 1909", {20}, {20, 19}},
      {"before 1809, or no desktop window manager", {20, 19}, {20, 19}},
  };
  for (const auto& c : cases) {
    for (const bool dark : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (dark ? ", dark" : ", light"));
      g_attributeCalls.clear();
      g_refusedAttributes = c.refused;
      SetDarkFrameAttribute(w, dark, &FakeSetAttribute);
      std::vector<AttributeCall> expected;
      for (DWORD attribute : c.tried) expected.push_back({w, attribute, dark ? TRUE : FALSE});
      EXPECT_EQ(g_attributeCalls, expected);
    }
  }
  SetDarkFrameAttribute(w, true, nullptr);  // a system without the function: nothing happens
}

}  // namespace
}  // namespace sweeplet
