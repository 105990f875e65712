#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "TestUi.h"
#include "common/tests/AccessibleProbe.h"
#include "common/Utf.h"
#include "update/UpdateStatus.h"
#include "update/UpdateText.h"

namespace sweeplet {
namespace {

using testing::ClassOf;

int ClientHeight(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  return r.bottom;
}

RECT RectInParent(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int CountChildren(HWND parent, const std::wstring& className) {
  struct Count {
    const std::wstring* name;
    int n;
  } count{&className, 0};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM p) -> BOOL {
        auto* c = reinterpret_cast<Count*>(p);
        if (ClassOf(child) == *c->name) ++c->n;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.n;
}

// The tooltip text the bar shows on hover.
std::wstring TipText(HWND window, HWND bar) {
  struct Search {
    HWND owner;
    HWND tip;
  } search{window, nullptr};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND hwnd, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (ClassOf(hwnd) == TOOLTIPS_CLASSW && ::GetWindow(hwnd, GW_OWNER) == s->owner) s->tip = hwnd;
        return s->tip == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  if (!search.tip) return L"<no tooltip>";
  wchar_t text[512] = {};
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(bar);
  tool.lpszText = text;
  ::SendMessageW(search.tip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
  return text;
}

void ClickOn(HWND bar) {
  ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

TEST(NoticeBarTest, DocksOneBarAtTheBottomAndGrowsTheWindow) {
  testing::LinkRecorder links;
  testing::NoticeWindow window;
  HWND content = ::CreateWindowExW(0, L"STATIC", L"content", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, window.get(),
                                   nullptr, nullptr, nullptr);
  const int before = ClientHeight(window.get());
  const int barHeight = ::MulDiv(28, static_cast<int>(::GetDpiForWindow(window.get())), 96);

  window.Show(L"https://n.example/first", "en", &links);
  HWND bar = ::GetDlgItem(window.get(), kNoticeBarId);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(ClassOf(bar), STATUSCLASSNAMEW);
  EXPECT_EQ(ClientHeight(window.get()), before + barHeight);
  RECT client{};
  ::GetClientRect(window.get(), &client);
  const RECT placed = RectInParent(bar);
  EXPECT_EQ(placed.left, 0);
  EXPECT_EQ(placed.top, before);
  EXPECT_EQ(placed.right, client.right);
  EXPECT_EQ(placed.bottom, before + barHeight);
  const RECT kept = RectInParent(content);
  EXPECT_EQ(kept.top, 10);
  EXPECT_EQ(kept.bottom, 30);

  // A second notice reuses the bar: no second bar, no further growth, the last link wins.
  window.Show(L"https://n.example/second", "de", &links);
  EXPECT_EQ(::GetDlgItem(window.get(), kNoticeBarId), bar);
  EXPECT_EQ(CountChildren(window.get(), STATUSCLASSNAMEW), 1);
  EXPECT_EQ(ClientHeight(window.get()), before + barHeight);
  EXPECT_EQ(TipText(window.get(), bar), L"https://n.example/second");
  EXPECT_TRUE(links.Opened().empty()) << "only a click opens the link";

  ClickOn(bar);
  EXPECT_EQ(links.Opened(), (std::vector<std::wstring>{L"https://n.example/second"}));
}

TEST(NoticeBarTest, StaysDockedWhenTheWindowResizes) {
  testing::NoticeWindow window;
  window.Show(L"https://n.example/", "en", nullptr);
  HWND bar = ::GetDlgItem(window.get(), kNoticeBarId);
  ASSERT_NE(bar, nullptr);
  RECT r{};
  ::GetWindowRect(window.get(), &r);
  ::SetWindowPos(window.get(), nullptr, 0, 0, r.right - r.left + 40, r.bottom - r.top + 50, SWP_NOMOVE | SWP_NOZORDER);
  RECT client{};
  ::GetClientRect(window.get(), &client);
  const RECT placed = RectInParent(bar);
  EXPECT_EQ(placed.bottom, client.bottom);
  EXPECT_EQ(placed.right, client.right);
}

TEST(NoticeBarTest, ClickOpensOnlyWebAddresses) {
  testing::LinkRecorder links;
  testing::NoticeWindow window;
  window.Show(L"ms-settings:windowsupdate", "en", &links);
  ClickOn(::GetDlgItem(window.get(), kNoticeBarId));
  EXPECT_TRUE(links.Opened().empty());
}

TEST(NoticeBarTest, DrawsItsTextInRed) {
  testing::NoticeWindow window;
  ::ShowWindow(window.get(), SW_SHOWNORMAL);
  window.Show(L"https://n.example/", "en", nullptr);
  HWND bar = ::GetDlgItem(window.get(), kNoticeBarId);
  ASSERT_NE(bar, nullptr);
  ::RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT r{};
  ::GetClientRect(bar, &r);
  HDC dc = ::GetDC(bar);
  int red = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (::GetPixel(dc, x, y) == RGB(255, 0, 0)) ++red;
    }
  }
  ::ReleaseDC(bar, dc);
  EXPECT_GT(red, 20);
}

int CountThreadWindows() {
  int n = 0;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND, LPARAM p) -> BOOL {
        ++*reinterpret_cast<int*>(p);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&n));
  return n;
}

TEST(NoticeBarTest, ScreenReadersSeeALinkWithTheNoticesText) {
  test::ComApartment com;
  testing::LinkRecorder links;
  testing::NoticeWindow window;
  window.Show(L"https://n.example/", "de", &links);
  HWND bar = ::GetDlgItem(window.get(), kNoticeBarId);
  ASSERT_NE(bar, nullptr);
  const test::AccessibleInfo info = test::ReadAccessible(bar);
  ASSERT_TRUE(info.found);
  EXPECT_EQ(info.role, ROLE_SYSTEM_LINK);
  EXPECT_EQ(info.name, Widen(UpdateText(kUpdateNoticeBar, "de")));
  EXPECT_FALSE(info.name.empty());
  EXPECT_NE(info.state & STATE_SYSTEM_LINKED, 0);

  EXPECT_TRUE(test::DoDefaultAction(bar));
  EXPECT_TRUE(testing::PumpUntil([&] { return links.Opened().size() == 1; }));
}

TEST(NoticeBarTest, IsATabStopThatEnterAndSpaceOpen) {
  testing::LinkRecorder links;
  testing::NoticeWindow window;
  ::ShowWindow(window.get(), SW_SHOWNORMAL);
  window.Show(L"https://n.example/keys", "en", &links);
  HWND bar = ::GetDlgItem(window.get(), kNoticeBarId);
  ASSERT_NE(bar, nullptr);
  EXPECT_NE(::GetWindowLongW(bar, GWL_STYLE) & WS_TABSTOP, 0);
  ::SetFocus(bar);
  for (WPARAM key : {VK_RETURN, VK_SPACE}) {
    // As the program's message loop delivers the key: through the dialog manager first.
    MSG msg{bar, WM_KEYDOWN, key, 1, 0, {}};
    if (!::IsDialogMessageW(window.get(), &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  EXPECT_EQ(links.Opened(), (std::vector<std::wstring>{L"https://n.example/keys", L"https://n.example/keys"}));
}

TEST(NoticeBarTest, WithoutAWindowNothingHappens) {
  HWND gone = nullptr;
  {
    testing::TestWindow window;
    gone = window.get();
  }
  const HWND never = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
  ASSERT_FALSE(::IsWindow(gone));
  ASSERT_FALSE(::IsWindow(never));
  const int windows = CountThreadWindows();

  for (HWND target : {HWND{nullptr}, never, gone}) {
    NoticeBar bar;
    bar.Show(target, L"https://n.example/", "en", nullptr);
    EXPECT_EQ(bar.Handle(), nullptr);
  }

  // Neither a bar nor its tooltip was made as a window of its own instead.
  EXPECT_EQ(CountThreadWindows(), windows);
}

}  // namespace
}  // namespace sweeplet
