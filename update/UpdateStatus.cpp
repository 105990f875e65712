#include "update/UpdateStatus.h"

#include <commctrl.h>
#include <oleacc.h>

#include "common/Accessible.h"
#include "common/Dpi.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"
#include "theme/HighContrast.h"
#include "update/OpenLink.h"
#include "update/UpdateText.h"

namespace sweeplet {
namespace {

constexpr int kBarHeight = 28;  // 96-DPI pixels
constexpr COLORREF kTextColor = RGB(255, 0, 0);
constexpr UINT_PTR kBarSubclassId = 1;
constexpr UINT_PTR kParentSubclassId = 0x5B01;
constexpr wchar_t kStateProperty[] = L"SweepletNoticeBar";

// Lives as long as the bar; owned by the bar's subclass and freed when the bar goes.
struct NoticeBar {
  HWND bar = nullptr;
  HWND tip = nullptr;
  std::wstring text;
  std::wstring link;
  ILinkOpener* links = nullptr;
  UniqueFont font;
  UINT fontDpi = 0;
};

NoticeBar* FindBar(HWND parent);

int BarHeight(HWND parent) { return Scale(kBarHeight, WindowDpi(parent)); }

void UpdateFont(NoticeBar& state, UINT dpi) {
  if (state.font && state.fontDpi == dpi) return;
  LOGFONTW bold = NonClientMetrics(dpi).lfStatusFont;
  bold.lfWeight = FW_BOLD;
  state.font.reset(::CreateFontIndirectW(&bold));
  state.fontDpi = dpi;
  ::SendMessageW(state.bar, WM_SETFONT, reinterpret_cast<WPARAM>(state.font.get()), FALSE);
}

// Docks the bar along the bottom of the parent's client area at its scaled height.
void PlaceBar(HWND parent, NoticeBar& state) {
  RECT client{};
  ::GetClientRect(parent, &client);
  const int height = BarHeight(parent);
  UpdateFont(state, WindowDpi(parent));
  ::SetWindowPos(state.bar, nullptr, 0, client.bottom - height, client.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
  const int edge = -1;  // one part, as wide as the bar
  ::SendMessageW(state.bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&edge));
}

void DrawNotice(const DRAWITEMSTRUCT& item, const NoticeBar& state) {
  const RECT& r = item.rcItem;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  // Drawn off-screen first so the bar does not flicker.
  UniqueAny<HDC, ::DeleteDC> memory(::CreateCompatibleDC(item.hDC));
  UniqueBitmap bitmap(::CreateCompatibleBitmap(item.hDC, width, height));
  if (!memory || !bitmap) return;
  HGDIOBJ oldBitmap = ::SelectObject(memory.get(), bitmap.get());
  RECT local{0, 0, width, height};
  ::FillRect(memory.get(), &local, ::GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = ::SelectObject(memory.get(), state.font.get());
  ::SetBkMode(memory.get(), TRANSPARENT);
  // Under high contrast the scheme's text colour on its button face.
  ::SetTextColor(memory.get(), HighContrastOn() ? ::GetSysColor(COLOR_BTNTEXT) : kTextColor);
  ::DrawTextW(memory.get(), state.text.c_str(), -1, &local, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  // Reached with Tab, it shows the focus while the keyboard cues are on.
  if (::GetFocus() == state.bar && (::SendMessageW(state.bar, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0) {
    RECT mark = local;
    ::InflateRect(&mark, -2, -2);
    ::SetTextColor(memory.get(), HighContrastOn() ? ::GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 0));
    ::DrawFocusRect(memory.get(), &mark);
  }
  ::BitBlt(item.hDC, r.left, r.top, width, height, memory.get(), 0, 0, SRCCOPY);
  ::SelectObject(memory.get(), oldFont);
  ::SelectObject(memory.get(), oldBitmap);
}

LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
  auto* state = reinterpret_cast<NoticeBar*>(ref);
  switch (msg) {
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    case WM_LBUTTONUP:
      // A click anywhere on the bar opens the notice.
      if (state->links) OpenServiceLink(state->link, *state->links);
      return 0;
    case WM_GETDLGCODE: {
      // Enter opens the notice, as Space does, rather than going to the window.
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      const LRESULT code = ::DefSubclassProc(hwnd, msg, wParam, lParam);
      if (key && (key->message == WM_KEYDOWN || key->message == WM_CHAR) && key->wParam == VK_RETURN) {
        return code | DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if ((wParam == VK_RETURN || wParam == VK_SPACE) && (lParam & (1 << 30)) == 0 && state->links) {
        OpenServiceLink(state->link, *state->links);
      }
      return 0;
    case WM_CHAR:
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
      ::InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &BarProc, kBarSubclassId);
      ::RemovePropW(hwnd, kStateProperty);
      delete state;
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The bar's panel is owner-drawn, and owner-draw requests go to the parent: the parent is
// subclassed to answer them, and to keep the bar docked when it changes size.
LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != static_cast<UINT>(kNoticeBarId)) break;
      if (NoticeBar* state = FindBar(hwnd)) DrawNotice(*item, *state);
      return TRUE;
    }
    case WM_SIZE: {
      const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
      if (wParam != SIZE_MINIMIZED) {
        if (NoticeBar* state = FindBar(hwnd)) PlaceBar(hwnd, *state);
      }
      return result;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &ParentProc, kParentSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

NoticeBar* FindBar(HWND parent) {
  HWND bar = ::GetDlgItem(parent, kNoticeBarId);
  return bar ? static_cast<NoticeBar*>(::GetPropW(bar, kStateProperty)) : nullptr;
}

// Screen readers see a link with the notice's text; the bar's own part text is only a pointer
// for the owner-drawn part.
std::wstring AccessibleName(HWND bar) {
  const auto* state = static_cast<const NoticeBar*>(::GetPropW(bar, kStateProperty));
  return state ? state->text : std::wstring();
}

long AccessibleState(HWND, long standard) { return standard | STATE_SYSTEM_LINKED; }

void FollowForAccessibility(HWND bar) { ::PostMessageW(bar, WM_LBUTTONUP, 0, 0); }

NoticeBar* CreateBar(HWND parent) {
  INITCOMMONCONTROLSEX init{sizeof(init), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&init);
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  // Sized and placed by us, not by the control: its height is fixed.
  // A tab stop: the keyboard reaches it after the window's other controls.
  HWND bar = ::CreateWindowExW(0, STATUSCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNoticeBarId)),
                               instance, nullptr);
  if (!bar) return nullptr;
  auto* state = new NoticeBar;
  state->bar = bar;
  if (!::SetWindowSubclass(bar, &BarProc, kBarSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
    delete state;
    ::DestroyWindow(bar);
    return nullptr;
  }
  ::SetPropW(bar, kStateProperty, state);
  ::SetWindowSubclass(parent, &ParentProc, kParentSubclassId, 0);
  SetAccessibleTraits(bar, {.role = ROLE_SYSTEM_LINK,
                            .name = AccessibleName,
                            .state = AccessibleState,
                            .defaultAction = L"Jump",
                            .doDefaultAction = FollowForAccessibility});

  // The tooltip shows the link whenever the pointer rests on the bar, active window or not.
  state->tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, instance,
                                 nullptr);
  if (state->tip) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(bar);
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(state->tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }

  // The window grows by the bar, so the content above keeps its room.
  const int height = BarHeight(parent);
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (::IsIconic(parent) && ::GetWindowPlacement(parent, &placement)) {
    placement.rcNormalPosition.bottom += height;
    ::SetWindowPlacement(parent, &placement);
  } else {
    RECT window{};
    ::GetWindowRect(parent, &window);
    ::SetWindowPos(parent, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  PlaceBar(parent, *state);
  return state;
}

}  // namespace

void ShowUpdateStatus(HWND mainWindow, std::wstring_view link, std::string_view language,
                      ILinkOpener* links) noexcept {
  try {
    if (!mainWindow || !::IsWindow(mainWindow)) return;
    NoticeBar* state = FindBar(mainWindow);
    if (!state) state = CreateBar(mainWindow);
    if (!state) return;
    state->text = Widen(UpdateText(kUpdateNoticeBar, language));
    state->link = std::wstring(link);
    state->links = links;
    ::SendMessageW(state->bar, SB_SETTEXTW, 0 | SBT_OWNERDRAW | SBT_NOBORDERS, reinterpret_cast<LPARAM>(state));
    if (state->tip) {
      TOOLINFOW tool{};
      tool.cbSize = sizeof(tool);
      tool.hwnd = mainWindow;
      tool.uId = reinterpret_cast<UINT_PTR>(state->bar);
      tool.lpszText = state->link.data();
      ::SendMessageW(state->tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::InvalidateRect(state->bar, nullptr, TRUE);
  } catch (...) {
  }
}

}  // namespace sweeplet
