#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/tests/AccessibleProbe.h"
#include "theme/ActivityIndicator.h"
#include "theme/ButtonStyles.h"
#include "theme/HighContrast.h"
#include "theme/Logo.h"
#include "theme/LogoShape.h"
#include "theme/StyledButton.h"
#include "theme/tests/WinTestSupport.h"

namespace sweeplet {
namespace {

using test::ClientPixel;
using test::ClientPixels;
using test::TestWindow;

constexpr Color Hex(unsigned v) {
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}
constexpr Color kBackdrop{250, 246, 220};  // the parent's colour, distinct from every button colour

int Luma(Color c) { return 299 * c.r + 587 * c.g + 114 * c.b; }

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterStyleFamily();
    ::ShowWindow(window_.Handle(), SW_SHOW);
    ::UpdateWindow(window_.Handle());
    // A large font: its strokes have solid middles in the text colour.
    LOGFONTW lf{};
    lf.lfHeight = -20;
    lf.lfWeight = FW_BOLD;
    lstrcpyW(lf.lfFaceName, L"Tahoma");
    font_ = ::CreateFontIndirectW(&lf);
  }
  void TearDown() override { ::DeleteObject(font_); }

  HWND Button(const char* appearance, const RECT& rect, const wchar_t* caption = L"Clean", bool takesFocus = true,
              int id = 42) {
    HWND b = CreateStyledButton(window_.Handle(), id, caption, appearance, 4, rect, takesFocus);
    ::SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    return b;
  }

  // The colours inside a button, away from its outline.
  static std::vector<Color> Inside(HWND button) {
    RECT rc{};
    ::GetClientRect(button, &rc);
    ::InflateRect(&rc, -3, -3);
    return ClientPixels(button, rc);
  }
  static Color Darkest(const std::vector<Color>& px) {
    return *std::min_element(px.begin(), px.end(), [](Color a, Color b) { return Luma(a) < Luma(b); });
  }
  static Color Brightest(const std::vector<Color>& px) {
    return *std::max_element(px.begin(), px.end(), [](Color a, Color b) { return Luma(a) < Luma(b); });
  }
  static int Count(const std::vector<Color>& px, Color c) { return static_cast<int>(std::count(px.begin(), px.end(), c)); }

  int Clicks() const {
    return static_cast<int>(std::count_if(window_.commands.begin(), window_.commands.end(),
                                          [](const test::Notification& n) { return n.code == BN_CLICKED; }));
  }

  TestWindow window_{400, 300, WS_OVERLAPPEDWINDOW, RGB(kBackdrop.r, kBackdrop.g, kBackdrop.b)};
  HFONT font_ = nullptr;
};

TEST_F(Controls, OutlineButtonIdleHasABlueHairlineAndNoFill) {
  HWND b = Button("Outline", {20, 20, 184, 88});
  EXPECT_EQ(ClientPixel(b, 0, 34), AccentColor);
  EXPECT_EQ(ClientPixel(b, 163, 34), AccentColor);
  EXPECT_EQ(ClientPixel(b, 80, 0), AccentColor);
  EXPECT_EQ(ClientPixel(b, 80, 67), AccentColor);
  EXPECT_EQ(ClientPixel(b, 1, 34), kBackdrop);  // one pixel wide
  EXPECT_EQ(ClientPixel(b, 0, 0), kBackdrop);   // the parent shows in the rounded corner
  const auto inside = Inside(b);
  EXPECT_GT(Count(inside, kBackdrop), static_cast<int>(inside.size()) * 3 / 4);  // not filled
  EXPECT_EQ(Darkest(inside), kBlack);
}

TEST_F(Controls, OutlineButtonDisabledIsGreyEvenWithoutCaption) {
  HWND b = Button("Outline", {20, 20, 184, 88});
  ::EnableWindow(b, FALSE);
  EXPECT_EQ(ClientPixel(b, 0, 34), Hex(0xD7D7D7));
  EXPECT_EQ(ClientPixel(b, 80, 0), Hex(0xD7D7D7));
  EXPECT_EQ(Darkest(Inside(b)), Hex(0xB3B3B3));
  // The busy clean button: disabled and blank.
  ::SetWindowTextW(b, L"");
  const auto blank = Inside(b);
  EXPECT_EQ(Count(blank, kBackdrop), static_cast<int>(blank.size()));
  EXPECT_EQ(ClientPixel(b, 0, 34), Hex(0xD7D7D7));
  ::EnableWindow(b, TRUE);
  EXPECT_EQ(ClientPixel(b, 0, 34), AccentColor);
}

TEST_F(Controls, HeaderButtonDownIsFilledLighterBlueWithWhiteTextAndNoOutline) {
  HWND b = Button("Header", {10, 10, 80, 40}, L"Home");
  SetStyledButtonDown(b, true);
  EXPECT_TRUE(IsStyledButtonDown(b));
  EXPECT_EQ(ClientPixel(b, 0, 15), Hex(0x5090E0));  // the fill reaches the edge: no outline
  EXPECT_EQ(ClientPixel(b, 35, 1), Hex(0x5090E0));
  EXPECT_EQ(ClientPixel(b, 0, 0), kBackdrop);
  const auto inside = Inside(b);
  EXPECT_EQ(Brightest(inside), kWhite);
  EXPECT_EQ(Darkest(inside), Hex(0x5090E0));
  // Still selected under the pointer.
  ::SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(30, 15));
  EXPECT_EQ(ClientPixel(b, 0, 15), Hex(0x5090E0));
}

TEST_F(Controls, HeaderButtonUpHasBlackTextAndABlackHairline) {
  HWND b = Button("Header", {10, 10, 80, 40}, L"Home");
  SetStyledButtonDown(b, true);
  SetStyledButtonDown(b, false);
  EXPECT_FALSE(IsStyledButtonDown(b));
  EXPECT_EQ(ClientPixel(b, 0, 15), kBlack);
  EXPECT_EQ(ClientPixel(b, 69, 15), kBlack);
  EXPECT_EQ(ClientPixel(b, 35, 0), kBlack);
  EXPECT_EQ(ClientPixel(b, 1, 15), kBackdrop);
  const auto inside = Inside(b);
  EXPECT_EQ(Darkest(inside), kBlack);
  EXPECT_GT(Count(inside, kBackdrop), static_cast<int>(inside.size()) / 2);
}

TEST_F(Controls, HotUnderThePointerAndPressedWhileHeld) {
  HWND header = Button("Header", {10, 10, 80, 40}, L"Home");
  ::SendMessageW(header, WM_MOUSEMOVE, 0, MAKELPARAM(30, 15));
  EXPECT_EQ(ClientPixel(header, 0, 15), AccentColor);  // hot: accent fill, no outline
  ::SendMessageW(header, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(ClientPixel(header, 0, 15), kBlack);

  HWND outline = Button("Outline", {20, 60, 184, 128}, L"Clean", false, 43);
  ::SendMessageW(outline, WM_MOUSEMOVE, 0, MAKELPARAM(80, 30));
  EXPECT_EQ(ClientPixel(outline, 80, 3), Hex(0x5090E0));
  EXPECT_EQ(ClientPixel(outline, 0, 30), AccentColor);
  ::SendMessageW(outline, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 30));
  EXPECT_EQ(ClientPixel(outline, 80, 3), AccentColor);  // pressed: accent fill
  EXPECT_EQ(Brightest(Inside(outline)), kWhite);
  ::SendMessageW(outline, WM_LBUTTONUP, 0, MAKELPARAM(80, 30));
  ASSERT_EQ(window_.commands.size(), 1u);
  EXPECT_EQ(window_.commands[0].id, 43);
  EXPECT_EQ(window_.commands[0].code, BN_CLICKED);
  EXPECT_EQ(window_.commands[0].from, outline);
}

TEST_F(Controls, AreRealPushButtonsThatReportClicks) {
  HWND focusable = Button("Header", {10, 10, 80, 40}, L"Config", true, 7);
  HWND unfocusable = Button("Outline", {20, 60, 184, 128}, L"Clean", false, 8);
  wchar_t cls[32] = {};
  ::GetClassNameW(unfocusable, cls, 32);
  EXPECT_EQ(lstrcmpiW(cls, L"Button"), 0);
  EXPECT_EQ(::GetWindowLongPtrW(unfocusable, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  wchar_t text[32] = {};
  ::GetWindowTextW(focusable, text, 32);
  EXPECT_STREQ(text, L"Config");
  EXPECT_NE(::GetWindowLongPtrW(focusable, GWL_STYLE) & WS_TABSTOP, 0);
  EXPECT_EQ(::GetWindowLongPtrW(unfocusable, GWL_STYLE) & WS_TABSTOP, 0);

  for (HWND b : {focusable, unfocusable}) {
    window_.commands.clear();
    ::SendMessageW(b, BM_CLICK, 0, 0);
    // A quick double click is two clicks, not BN_DOUBLECLICKED.
    ::SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ::SendMessageW(b, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    // Pressed, then released away from the button: no click.
    ::SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 300));
    ::SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(300, 300));
    ASSERT_EQ(window_.commands.size(), 3u) << "button " << ::GetDlgCtrlID(b);
    for (const auto& c : window_.commands) {
      EXPECT_EQ(c.code, BN_CLICKED);
      EXPECT_EQ(c.from, b);
      EXPECT_EQ(c.id, ::GetDlgCtrlID(b));
    }
    EXPECT_EQ(::SendMessageW(b, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  }
}

TEST_F(Controls, OnlyTheFocusableButtonTakesTheFocus) {
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 200, 10, 100, 24, window_.Handle(),
                                nullptr, nullptr, nullptr);
  HWND focusable = Button("Header", {10, 10, 80, 40}, L"Home", true, 1);
  HWND unfocusable = Button("Outline", {20, 60, 184, 128}, L"Clean", false, 2);
  ::SetActiveWindow(window_.Handle());
  ::SetFocus(edit);
  ASSERT_EQ(::GetFocus(), edit);
  ::SendMessageW(unfocusable, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(unfocusable, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(::GetFocus(), edit);
  ::SendMessageW(focusable, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(focusable, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(::GetFocus(), focusable);
  EXPECT_EQ(Clicks(), 2);
  // The keyboard clicks the focused one.
  ::SendMessageW(focusable, WM_KEYDOWN, VK_SPACE, 0);
  ::SendMessageW(focusable, WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(Clicks(), 3);
}

TEST_F(Controls, UnknownAppearanceDrawsAsNormal) {
  HWND b = Button("Fancy", {10, 10, 80, 40}, L"");
  EXPECT_EQ(ClientPixel(b, 35, 15), AccentColor);
  ::EnableWindow(b, FALSE);
  EXPECT_EQ(ClientPixel(b, 35, 15), kWhite);
  EXPECT_EQ(ClientPixel(b, 0, 15), Hex(0xC0C0C0));
}

TEST_F(Controls, IndicatorShowsTheButtonBeneathAndAnimatesOnlyWhenStarted) {
  // Created before the button, as the main window does, and still drawn above it.
  HWND indicator = CreateActivityIndicator(window_.Handle(), {40, 30, 72, 62});
  HWND b = Button("Header", {10, 10, 110, 80}, L"");
  SetStyledButtonDown(b, true);
  ::ShowWindow(indicator, SW_SHOW);
  EXPECT_FALSE(IsIndicatorAnimating(indicator));
  StartIndicator(indicator);
  EXPECT_TRUE(IsIndicatorAnimating(indicator));
  EXPECT_EQ(::GetWindow(window_.Handle(), GW_CHILD), indicator);
  EXPECT_EQ(::SendMessageW(indicator, WM_NCHITTEST, 0, 0), HTTRANSPARENT);

  const RECT all{0, 0, 32, 32};
  const auto first = ClientPixels(indicator, all);
  EXPECT_EQ(first.front(), Hex(0x5090E0));  // the button's fill shows through around the dots
  EXPECT_EQ(Darkest(first), kBlack);
  EXPECT_GT(Count(first, Hex(0x5090E0)), 32 * 32 / 2);
  // The window's own view: the button does not paint over the indicator.
  EXPECT_EQ(Darkest(ClientPixels(window_.Handle(), {40, 30, 72, 62})), kBlack);
  EXPECT_TRUE(test::PumpUntil([&] { return ClientPixels(indicator, all) != first; }, 3000));

  StopIndicator(indicator);
  EXPECT_FALSE(IsIndicatorAnimating(indicator));
  const auto stopped = ClientPixels(indicator, all);
  test::Pump(200);
  EXPECT_EQ(ClientPixels(indicator, all), stopped);
  StopIndicator(indicator);  // twice is harmless
  StartIndicator(nullptr);
  EXPECT_FALSE(IsIndicatorAnimating(b));
}

TEST_F(Controls, LogoIsDrawnCentredAndReportsClicks) {
  HWND logo = CreateLogo(window_.Handle(), 77, {100, 100, 212, 150});
  const auto px = ClientPixels(logo, {0, 0, 112, 50});
  int top = 50, bottom = -1;
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 112; ++x) {
      if (px[static_cast<size_t>(y) * 112 + x] != kBackdrop) top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  EXPECT_NEAR(top, 49 - bottom, 1);
  EXPECT_GT(Count(px, AccentColor), 300);
  EXPECT_GT(Count(px, kLogoInk), 50);

  ::SendMessageW(logo, WM_SETCURSOR, reinterpret_cast<WPARAM>(logo), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));

  ::SendMessageW(logo, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 25));
  ::SendMessageW(logo, WM_LBUTTONUP, 0, MAKELPARAM(50, 25));
  ::SendMessageW(logo, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 25));
  ::SendMessageW(logo, WM_LBUTTONUP, 0, MAKELPARAM(500, 25));  // released elsewhere: no click
  ASSERT_EQ(window_.commands.size(), 1u);
  EXPECT_EQ(window_.commands[0].id, 77);
  EXPECT_EQ(window_.commands[0].code, BN_CLICKED);
  EXPECT_EQ(window_.commands[0].from, logo);
}

// One key as the program's message loop delivers it: through the dialog manager first.
void Key(HWND window, HWND target, UINT message, WPARAM vk, LPARAM flags = 1) {
  MSG msg{target, message, vk, flags, 0, {}};
  if (!::IsDialogMessageW(window, &msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

TEST_F(Controls, EnterAndSpacePressTheFocusedButtonOnceEach) {
  HWND b = Button("Header", {10, 10, 80, 40}, L"Home", true, 5);
  ::SetActiveWindow(window_.Handle());
  ::SetFocus(b);
  ASSERT_EQ(::GetFocus(), b);
  Key(window_.Handle(), b, WM_KEYDOWN, VK_RETURN);
  Key(window_.Handle(), b, WM_KEYDOWN, VK_RETURN, 1 | (1 << 30));  // held down: no second click
  Key(window_.Handle(), b, WM_KEYUP, VK_RETURN, 0xC0000001);
  test::Pump(20);
  EXPECT_EQ(Clicks(), 1);
  ASSERT_FALSE(window_.commands.empty());
  EXPECT_EQ(window_.commands.back().from, b);
  Key(window_.Handle(), b, WM_KEYDOWN, VK_SPACE);
  Key(window_.Handle(), b, WM_KEYUP, VK_SPACE, 0xC0000001);
  test::Pump(20);
  EXPECT_EQ(Clicks(), 2);
  ::EnableWindow(b, FALSE);
  ::SendMessageW(b, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(Clicks(), 2);
}

// Whether the focus mark (a ring 3 pixels inside the edge) shows at the top middle of a header
// button that is neither down nor hot.
bool RingShows(HWND button) { return Luma(ClientPixel(button, 35, 3)) < Luma(kBackdrop) / 2; }

TEST_F(Controls, TheFocusMarkFollowsTheKeyboardCues) {
  HWND b = Button("Header", {10, 10, 80, 40}, L"Home", true, 5);
  ::SetActiveWindow(window_.Handle());
  HWND other = Button("Header", {100, 10, 170, 40}, L"Config", true, 6);
  ::SetFocus(b);
  // What the window passes down to its children; sent to each here, as Wine does not pass it on.
  auto cues = [&](WORD action) {
    for (HWND button : {b, other}) ::SendMessageW(button, WM_UPDATEUISTATE, MAKEWPARAM(action, UISF_HIDEFOCUS), 0);
  };
  cues(UIS_SET);  // the mouse was used last
  EXPECT_FALSE(RingShows(b));
  cues(UIS_CLEAR);  // the keyboard was used
  EXPECT_TRUE(RingShows(b));
  EXPECT_FALSE(RingShows(other));
  ::SetFocus(other);
  EXPECT_FALSE(RingShows(b));
  EXPECT_TRUE(RingShows(other));
}

TEST_F(Controls, TheDefaultButtonShowsTheMarkWithoutTheFocus) {
  HWND b = Button("Header", {10, 10, 80, 40}, L"Clean", false, 5);
  EXPECT_FALSE(RingShows(b));
  SetStyledButtonDefault(b, true);
  EXPECT_TRUE(RingShows(b));
  ::SendMessageW(b, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
  EXPECT_FALSE(RingShows(b));  // the cues are off until the keyboard is used
  ::SendMessageW(b, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  EXPECT_TRUE(RingShows(b));
  ::EnableWindow(b, FALSE);  // busy: Enter does nothing, so no mark
  EXPECT_FALSE(RingShows(b));
  ::EnableWindow(b, TRUE);
  SetStyledButtonDefault(b, false);
  EXPECT_FALSE(RingShows(b));
}

// High contrast forced on for one test; Wine has no setting for it.
class HighContrastOnForTest {
 public:
  HighContrastOnForTest() { ForceHighContrast(true); }
  ~HighContrastOnForTest() { ForceHighContrast(std::nullopt); }
};

Color System(int index) {
  const COLORREF c = ::GetSysColor(index);
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

TEST_F(Controls, UnderHighContrastEverythingDrawnTakesTheSystemColours) {
  HighContrastOnForTest contrast;
  HWND outline = Button("Outline", {20, 60, 184, 128}, L"Clean", false, 8);
  EXPECT_EQ(ClientPixel(outline, 0, 34), System(COLOR_BTNTEXT));   // outline
  EXPECT_EQ(ClientPixel(outline, 80, 3), System(COLOR_BTNFACE));   // fill
  EXPECT_EQ(Darkest(Inside(outline)), System(COLOR_BTNTEXT));      // caption (dark on Wine's light face)
  HWND header = Button("Header", {10, 10, 80, 40}, L"Home");
  SetStyledButtonDown(header, true);
  EXPECT_EQ(ClientPixel(header, 35, 2), System(COLOR_HIGHLIGHT));
  EXPECT_GT(Count(Inside(header), System(COLOR_HIGHLIGHTTEXT)), 5);
  ::EnableWindow(outline, FALSE);
  EXPECT_EQ(ClientPixel(outline, 0, 34), System(COLOR_GRAYTEXT));
  for (const Color orvane : {AccentColor, Hex(0x5090E0)}) {
    EXPECT_EQ(Count(Inside(header), orvane), 0);
    EXPECT_EQ(Count(Inside(outline), orvane), 0);
  }

  HWND logo = CreateLogo(window_.Handle(), 77, {200, 100, 312, 150});
  const auto px = ClientPixels(logo, {0, 0, 112, 50});
  EXPECT_GT(Count(px, System(COLOR_HIGHLIGHT)), 300);  // the tile
  EXPECT_EQ(Count(px, AccentColor), 0);
}

TEST_F(Controls, ScreenReadersSeePushButtonsAndTheLatchedOneAsPressed) {
  test::ComApartment com;
  HWND home = Button("Header", {10, 10, 80, 40}, L"Home", true, 5);
  HWND clean = Button("Outline", {20, 60, 184, 128}, L"Clean memory", false, 8);
  SetStyledButtonDown(home, true);
  const test::AccessibleInfo down = test::ReadAccessible(home);
  ASSERT_TRUE(down.found);
  EXPECT_EQ(down.name, L"Home");
  EXPECT_EQ(down.role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_NE(down.state & STATE_SYSTEM_PRESSED, 0);
  EXPECT_NE(down.state & STATE_SYSTEM_FOCUSABLE, 0);
  SetStyledButtonDown(home, false);
  EXPECT_EQ(test::ReadAccessible(home).state & STATE_SYSTEM_PRESSED, 0);

  const test::AccessibleInfo big = test::ReadAccessible(clean);
  EXPECT_EQ(big.name, L"Clean memory");
  EXPECT_EQ(big.role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(big.state & STATE_SYSTEM_FOCUSABLE, 0);  // it never takes the focus
  SetStyledButtonDefault(clean, true);
  EXPECT_NE(test::ReadAccessible(clean).state & STATE_SYSTEM_DEFAULT, 0);
  ::EnableWindow(clean, FALSE);
  EXPECT_NE(test::ReadAccessible(clean).state & STATE_SYSTEM_UNAVAILABLE, 0);
  ::EnableWindow(clean, TRUE);

  // A screen reader can press it.
  window_.commands.clear();
  EXPECT_EQ(big.defaultAction, L"Press");
  EXPECT_TRUE(test::DoDefaultAction(clean));
  EXPECT_TRUE(test::PumpUntil([&] { return Clicks() == 1; }, 2000));
}

TEST_F(Controls, ScreenReadersSeeTheLogoAsALinkNamedAfterTheMaker) {
  test::ComApartment com;
  HWND logo = CreateLogo(window_.Handle(), 77, {100, 100, 212, 150});
  const test::AccessibleInfo info = test::ReadAccessible(logo);
  ASSERT_TRUE(info.found);
  EXPECT_EQ(info.name, L"Orvane");
  EXPECT_EQ(info.role, ROLE_SYSTEM_LINK);
  EXPECT_NE(info.state & STATE_SYSTEM_LINKED, 0);
  EXPECT_TRUE(test::DoDefaultAction(logo));
  ASSERT_TRUE(test::PumpUntil([&] { return !window_.commands.empty(); }, 2000));
  EXPECT_EQ(window_.commands[0].id, 77);
  EXPECT_EQ(window_.commands[0].code, BN_CLICKED);
}

}  // namespace
}  // namespace sweeplet
