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
constexpr wchar_t kStateProperty[] = L"SweepletNoticeBar";

int BarHeight(HWND owner) { return Scale(kBarHeight, WindowDpi(owner)); }

long AccessibleState(HWND, long standard) { return standard | STATE_SYSTEM_LINKED; }

void FollowForAccessibility(HWND bar) { ::PostMessageW(bar, WM_LBUTTONUP, 0, 0); }

}  // namespace

NoticeBar::~NoticeBar() {
  // The owner normally takes the bar and its tooltip with it first.
  if (tip_ && ::IsWindow(tip_)) ::DestroyWindow(tip_);
  if (bar_ && ::IsWindow(bar_)) ::DestroyWindow(bar_);
}

void NoticeBar::UpdateFont(UINT dpi) {
  if (font_ && fontDpi_ == dpi) return;
  LOGFONTW bold = NonClientMetrics(dpi).lfStatusFont;
  bold.lfWeight = FW_BOLD;
  font_.reset(::CreateFontIndirectW(&bold));
  fontDpi_ = dpi;
  ::SendMessageW(bar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

void NoticeBar::Layout() noexcept {
  if (!bar_) return;
  const HWND owner = ::GetParent(bar_);
  RECT client{};
  ::GetClientRect(owner, &client);
  const int height = BarHeight(owner);
  UpdateFont(WindowDpi(owner));
  ::SetWindowPos(bar_, nullptr, 0, client.bottom - height, client.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
  const int edge = -1;  // one part, as wide as the bar
  ::SendMessageW(bar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&edge));
}

bool NoticeBar::Draw(const DRAWITEMSTRUCT& item) const noexcept {
  if (!bar_ || item.hwndItem != bar_) return false;
  const RECT& r = item.rcItem;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return true;
  // Drawn off-screen first so the bar does not flicker.
  UniqueAny<HDC, ::DeleteDC> memory(::CreateCompatibleDC(item.hDC));
  UniqueBitmap bitmap(::CreateCompatibleBitmap(item.hDC, width, height));
  if (!memory || !bitmap) return true;
  HGDIOBJ oldBitmap = ::SelectObject(memory.get(), bitmap.get());
  RECT local{0, 0, width, height};
  ::FillRect(memory.get(), &local, ::GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = ::SelectObject(memory.get(), font_.get());
  ::SetBkMode(memory.get(), TRANSPARENT);
  // Under high contrast the scheme's text colour on its button face.
  ::SetTextColor(memory.get(), HighContrastOn() ? ::GetSysColor(COLOR_BTNTEXT) : kTextColor);
  ::DrawTextW(memory.get(), text_.c_str(), -1, &local, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  // Reached with Tab, it shows the focus while the keyboard cues are on.
  if (::GetFocus() == bar_ && (::SendMessageW(bar_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0) {
    RECT mark = local;
    ::InflateRect(&mark, -2, -2);
    ::SetTextColor(memory.get(), HighContrastOn() ? ::GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 0));
    ::DrawFocusRect(memory.get(), &mark);
  }
  ::BitBlt(item.hDC, r.left, r.top, width, height, memory.get(), 0, 0, SRCCOPY);
  ::SelectObject(memory.get(), oldFont);
  ::SelectObject(memory.get(), oldBitmap);
  return true;
}

void NoticeBar::OpenLink() const {
  if (links_) OpenServiceLink(link_, *links_);
}

LRESULT CALLBACK NoticeBar::BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
  auto* self = reinterpret_cast<NoticeBar*>(ref);
  switch (msg) {
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    case WM_LBUTTONUP:
      // A click anywhere on the bar opens the notice.
      self->OpenLink();
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
      if ((wParam == VK_RETURN || wParam == VK_SPACE) && (lParam & (1 << 30)) == 0) self->OpenLink();
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
      self->bar_ = nullptr;
      self->tip_ = nullptr;  // owned by the same window, and going with it
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// Screen readers see a link with the notice's text; the bar's own part text is only a pointer
// for the owner-drawn part.
std::wstring NoticeBar::AccessibleName(HWND bar) {
  const auto* self = static_cast<const NoticeBar*>(::GetPropW(bar, kStateProperty));
  return self ? self->text_ : std::wstring();
}

bool NoticeBar::Create(HWND owner) {
  INITCOMMONCONTROLSEX init{sizeof(init), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&init);
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  // Sized and placed by us, not by the control: its height is fixed.
  // A tab stop: the keyboard reaches it after the window's other controls.
  HWND bar = ::CreateWindowExW(0, STATUSCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, 0, 0, 0, owner, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNoticeBarId)),
                               instance, nullptr);
  if (!bar) return false;
  if (!::SetWindowSubclass(bar, &BarProc, kBarSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    ::DestroyWindow(bar);
    return false;
  }
  bar_ = bar;
  ::SetPropW(bar, kStateProperty, this);
  SetAccessibleTraits(bar, {.role = ROLE_SYSTEM_LINK,
                            .name = AccessibleName,
                            .state = AccessibleState,
                            .defaultAction = L"Jump",
                            .doDefaultAction = FollowForAccessibility});

  // The tooltip shows the link whenever the pointer rests on the bar, active window or not.
  tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance,
                           nullptr);
  if (tip_) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(bar);
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }

  // The window grows by the bar, so the content above keeps its room. Its WM_SIZE docks the bar.
  const int height = BarHeight(owner);
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (::IsIconic(owner) && ::GetWindowPlacement(owner, &placement)) {
    placement.rcNormalPosition.bottom += height;
    ::SetWindowPlacement(owner, &placement);
  } else {
    RECT window{};
    ::GetWindowRect(owner, &window);
    ::SetWindowPos(owner, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Layout();
  return true;
}

void NoticeBar::Show(HWND owner, std::wstring_view link, std::string_view language, ILinkOpener* links) noexcept {
  try {
    if (!bar_) {
      if (!owner || !::IsWindow(owner) || !Create(owner)) return;
    }
    text_ = Widen(UpdateText(kUpdateNoticeBar, language));
    link_ = std::wstring(link);
    links_ = links;
    ::SendMessageW(bar_, SB_SETTEXTW, 0 | SBT_OWNERDRAW | SBT_NOBORDERS, reinterpret_cast<LPARAM>(this));
    if (tip_) {
      TOOLINFOW tool{};
      tool.cbSize = sizeof(tool);
      tool.hwnd = ::GetParent(bar_);
      tool.uId = reinterpret_cast<UINT_PTR>(bar_);
      tool.lpszText = link_.data();
      ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::InvalidateRect(bar_, nullptr, TRUE);
  } catch (...) {
  }
}

}  // namespace sweeplet
