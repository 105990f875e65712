#include "theme/StyledButton.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "common/Dpi.h"
#include "common/Accessible.h"
#include "theme/ButtonStyles.h"
#include "theme/DrawSupport.h"
#include "theme/HighContrast.h"

namespace sweeplet {
namespace {

using namespace theme_detail;

constexpr UINT_PTR kSubclassId = 0x53424E;  // "SBN"
// The button's data, found again by the functions that take only its handle.
constexpr wchar_t kDataProp[] = L"Sweeplet.StyledButton";

struct ButtonData {
  ButtonStateSet states;
  int cornerRadius96 = 0;
  bool takesFocus = true;
  bool down = false;        // latched: the Selected state
  bool hot = false;         // the pointer is over the button
  bool trackingLeave = false;
  bool mouseHeld = false;   // a button without focus tracks its own press
  bool isDefault = false;   // Enter presses it though it has no focus: it shows the focus mark
  bool keyboardClick = false;  // while the click that Space or Enter made is being reported
  bool focusCueHidden = false;  // UISF_HIDEFOCUS, as the window's WM_UPDATEUISTATE last set it
  UniqueFont fallbackFont;  // the desktop font, until the button or its parent has one
  UINT fallbackDpi = 0;
};

ButtonData* DataOf(HWND button) {
  return button != nullptr ? static_cast<ButtonData*>(::GetPropW(button, kDataProp)) : nullptr;
}

HFONT FontFor(HWND button, ButtonData& data, UINT dpi) {
  if (auto own = reinterpret_cast<HFONT>(::SendMessageW(button, WM_GETFONT, 0, 0))) return own;
  if (auto inherited = reinterpret_cast<HFONT>(::SendMessageW(::GetParent(button), WM_GETFONT, 0, 0))) return inherited;
  if (!data.fallbackFont || data.fallbackDpi != dpi) {
    const LOGFONTW lf = DesktopFont(dpi);
    data.fallbackFont.reset(::CreateFontIndirectW(&lf));
    data.fallbackDpi = dpi;
  }
  return data.fallbackFont.get();
}

bool KeyboardCuesHidden(HWND button, UINT flag) {
  return (::SendMessageW(button, WM_QUERYUISTATE, 0, 0) & flag) != 0;
}

// Kept by the button itself as well: Wine keeps no UI state for a window and answers
// WM_QUERYUISTATE with 0 whatever it was told.
void FollowUiState(HWND button, ButtonData& data, WPARAM wParam) {
  if ((HIWORD(wParam) & UISF_HIDEFOCUS) == 0) return;
  switch (LOWORD(wParam)) {
    case UIS_SET: data.focusCueHidden = true; break;
    case UIS_CLEAR: data.focusCueHidden = false; break;
    default: data.focusCueHidden = KeyboardCuesHidden(button, UISF_HIDEFOCUS); break;
  }
}

void Render(HWND button, ButtonData& data, HDC target) {
  RECT client{};
  ::GetClientRect(button, &client);
  PaintBuffer buffer(target, client.right, client.bottom);
  if (!buffer.Ok()) return;
  HDC dc = buffer.Dc();
  PaintParentBackground(button, dc, client.right, client.bottom, WM_CTLCOLORBTN);

  const LRESULT buttonState = ::SendMessageW(button, BM_GETSTATE, 0, 0);
  const bool enabled = ::IsWindowEnabled(button) != FALSE;
  const ButtonState state = PickButtonState(enabled, (buttonState & BST_PUSHED) != 0, data.down, data.hot);
  // Under high contrast the system's colours, so that nothing vanishes against the scheme.
  const bool highContrast = HighContrastOn();
  const ButtonStateSet systemStates = highContrast ? HighContrastButtonStates(ReadSystemColors()) : ButtonStateSet{};
  const TStyledButtonAttributes& look = (highContrast ? systemStates : data.states).For(state);

  const UINT dpi = WindowDpi(button);
  const float scale = static_cast<float>(dpi) / 96.0f;
  const float w = static_cast<float>(client.right), h = static_cast<float>(client.bottom);
  float radius = 0;
  switch (look.DrawType) {
    case TStyledButtonDrawType::btRoundRect: radius = static_cast<float>(data.cornerRadius96) * scale; break;
    case TStyledButtonDrawType::btRounded:
    case TStyledButtonDrawType::btEllipse: radius = std::min(w, h) / 2; break;
    case TStyledButtonDrawType::btRect: radius = 0; break;
  }
  // Width 0 is a hairline: one pixel at 96 DPI, kept whole at higher DPI so it stays crisp.
  const float border = look.BorderWidth > 0 ? static_cast<float>(look.BorderWidth) * scale
                                            : std::max(1.0f, std::round(scale));
  Pixmap pixels = buffer.Pixels();
  if (look.ButtonDrawStyle == TButtonDrawStyle::btnSolid) {
    Path body;
    body.AddRoundRect(0, 0, w, h, radius);
    FillPath(pixels, body, look.ButtonColor);
  }
  if (look.BorderDrawStyle == TBorderDrawStyle::brdSolid) {
    FillPath(pixels, RoundRectOutline(0, 0, w, h, radius, border), look.BorderColor);
  }
  // The focus mark shows only while the keyboard cues are on: after the keyboard moved the focus,
  // or always when the user asked for them.
  const bool marked = (::GetFocus() == button || (data.isDefault && enabled)) && !data.focusCueHidden;
  if (marked) {
    // A thin ring inside the edge in the text colour, where Windows draws its focus rectangle.
    const float inset = std::round(3 * scale);
    FillPath(pixels,
             RoundRectOutline(inset, inset, w - 2 * inset, h - 2 * inset, std::max(0.0f, radius - inset),
                              std::max(1.0f, std::round(scale))),
             look.FontColor, 0.8f);
  }

  const int length = ::GetWindowTextLengthW(button);
  if (length > 0) {
    std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
    caption.resize(static_cast<size_t>(::GetWindowTextW(button, caption.data(), length + 1)));
    HFONT font = FontFor(button, data, dpi);
    UniqueFont styled;
    if (look.FontStyle != 0 && font != nullptr) {
      LOGFONTW lf{};
      ::GetObjectW(font, sizeof(lf), &lf);
      if (look.FontStyle & fsBold) lf.lfWeight = FW_BOLD;
      lf.lfItalic = (look.FontStyle & fsItalic) ? TRUE : FALSE;
      lf.lfUnderline = (look.FontStyle & fsUnderline) ? TRUE : FALSE;
      lf.lfStrikeOut = (look.FontStyle & fsStrikeOut) ? TRUE : FALSE;
      styled.reset(::CreateFontIndirectW(&lf));
      if (styled) font = styled.get();
    }
    const HGDIOBJ oldFont = font != nullptr ? ::SelectObject(dc, font) : nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ToColorRef(look.FontColor));
    RECT text = client;
    const int pad = static_cast<int>(std::lround(4 * scale));
    ::InflateRect(&text, -pad, 0);
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
    if (KeyboardCuesHidden(button, UISF_HIDEACCEL)) format |= DT_HIDEPREFIX;
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, format);
    if (oldFont != nullptr) ::SelectObject(dc, oldFont);
  }
  buffer.CopyTo(target);
}

void Redraw(HWND button) { ::InvalidateRect(button, nullptr, FALSE); }

void SetHot(HWND button, ButtonData& data, bool hot) {
  if (hot && !data.trackingLeave) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, button, 0};
    data.trackingLeave = ::TrackMouseEvent(&track) != FALSE;
  }
  if (data.hot != hot) {
    data.hot = hot;
    Redraw(button);
  }
}

bool PointerInside(HWND button, LPARAM lParam) {
  RECT client{};
  ::GetClientRect(button, &client);
  const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  return ::PtInRect(&client, pt) != FALSE;
}

void NotifyClicked(HWND button) {
  ::SendMessageW(::GetParent(button), WM_COMMAND,
                 MAKEWPARAM(static_cast<UINT>(::GetDlgCtrlID(button)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// What screen readers are told: a push button named by its caption, pressed while held or while
// latched down (the page shown), the default button while Enter presses it.
long AccessibleState(HWND button, long standard) {
  const ButtonData* data = DataOf(button);
  long state = standard;
  if ((::SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0 || (data && data->down)) {
    state |= STATE_SYSTEM_PRESSED;
  }
  if (data && data->isDefault) state |= STATE_SYSTEM_DEFAULT;
  if (data && !data->takesFocus) state &= ~(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
  return state;
}

void PressForAccessibility(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
  auto& data = *reinterpret_cast<ButtonData*>(ref);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // everything is painted in one piece in WM_PAINT
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = ::BeginPaint(hwnd, &ps);
      ExcludeSiblingsAbove(hwnd, dc);
      Render(hwnd, data, dc);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Render(hwnd, data, reinterpret_cast<HDC>(wParam));
      return 0;

    case WM_MOUSEMOVE: {
      const bool inside = PointerInside(hwnd, lParam);
      SetHot(hwnd, data, inside);
      if (data.mouseHeld) {
        const bool pushed = (::SendMessageW(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
        if (pushed != inside) ::SendMessageW(hwnd, BM_SETSTATE, inside, 0);
        Redraw(hwnd);
        return 0;
      }
      const LRESULT before = ::SendMessageW(hwnd, BM_GETSTATE, 0, 0);
      const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
      if (::SendMessageW(hwnd, BM_GETSTATE, 0, 0) != before) Redraw(hwnd);
      return result;
    }
    case WM_MOUSELEAVE:
      data.trackingLeave = false;
      SetHot(hwnd, data, false);
      return ::DefSubclassProc(hwnd, msg, wParam, lParam);

    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!data.takesFocus) {
        // The system button would take the focus on a press; this one presses without it.
        data.mouseHeld = true;
        ::SetCapture(hwnd);
        ::SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
        Redraw(hwnd);
        return 0;
      }
      if (msg == WM_LBUTTONDBLCLK) {
        // An owner-drawn button turns a quick second click into BN_DOUBLECLICKED; a push button
        // must see two clicks.
        msg = WM_LBUTTONDOWN;
      }
      break;
    case WM_LBUTTONUP:
      if (data.mouseHeld) {
        data.mouseHeld = false;
        const bool pushed = (::SendMessageW(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
        ::ReleaseCapture();
        ::SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
        Redraw(hwnd);
        if (pushed && PointerInside(hwnd, lParam)) NotifyClicked(hwnd);
        return 0;
      }
      break;
    case WM_GETDLGCODE: {
      // Enter presses the focused button, as Space does: the dialog manager hands it over instead
      // of looking for a default button.
      LRESULT code = ::DefSubclassProc(hwnd, msg, wParam, lParam);
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      if (data.takesFocus && key != nullptr && (key->message == WM_KEYDOWN || key->message == WM_CHAR) &&
          key->wParam == VK_RETURN) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN && data.takesFocus) {
        const bool repeat = (lParam & (1 << 30)) != 0;  // a held key clicks once
        if (!repeat && ::IsWindowEnabled(hwnd)) {
          data.keyboardClick = true;
          NotifyClicked(hwnd);
          data.keyboardClick = false;
        }
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == VK_RETURN && data.takesFocus) return 0;
      break;
    case WM_UPDATEUISTATE: {
      const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
      FollowUiState(hwnd, data, wParam);
      Redraw(hwnd);
      return result;
    }
    case WM_KEYUP:
      if (wParam == VK_SPACE) {
        // The system button reports the click from inside its handling of the key.
        data.keyboardClick = true;
        const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        data.keyboardClick = false;
        Redraw(hwnd);
        return result;
      }
      break;
    case WM_CAPTURECHANGED:
      if (data.mouseHeld) {
        data.mouseHeld = false;
        ::SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
        Redraw(hwnd);
      }
      break;
    case WM_ENABLE: {
      // The pointer may have come or gone while the button ignored it.
      POINT cursor{};
      ::GetCursorPos(&cursor);
      data.hot = wParam != 0 && ::WindowFromPoint(cursor) == hwnd;
      if (data.hot) SetHot(hwnd, data, true);
      break;
    }
    case WM_NCDESTROY: {
      ::RemoveWindowSubclass(hwnd, ButtonProc, kSubclassId);
      ::RemovePropW(hwnd, kDataProp);
      delete &data;
      return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    default:
      break;
  }

  const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    // Whatever may have changed the look: the system button's own drawing went to the parent
    // as WM_DRAWITEM, which nobody answers, so the button repaints itself.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_SETFONT:
    case BM_SETSTATE:
    case WM_DPICHANGED_AFTERPARENT:
    case WM_SIZE:
      Redraw(hwnd);
      break;
    default:
      break;
  }
  return result;
}

}  // namespace

HWND CreateStyledButton(HWND parent, int id, const wchar_t* caption, std::string_view appearance, int cornerRadius96,
                        const RECT& rect, bool takesFocus) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_OWNERDRAW;
  if (takesFocus) style |= WS_TABSTOP;
  HWND button = ::CreateWindowExW(0, WC_BUTTONW, caption != nullptr ? caption : L"", style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (button == nullptr) return nullptr;
  auto* data = new ButtonData;
  data->states = ResolveButtonStates(kOrvaneFamily, "Primary", appearance);
  data->cornerRadius96 = std::max(0, cornerRadius96);
  data->takesFocus = takesFocus;
  data->focusCueHidden = KeyboardCuesHidden(button, UISF_HIDEFOCUS);  // a new child starts as its parent is
  ::SetPropW(button, kDataProp, data);
  if (!::SetWindowSubclass(button, ButtonProc, kSubclassId, reinterpret_cast<DWORD_PTR>(data))) {
    ::RemovePropW(button, kDataProp);
    delete data;
    ::DestroyWindow(button);
    return nullptr;
  }
  SetAccessibleTraits(button, {.role = ROLE_SYSTEM_PUSHBUTTON,
                               .state = AccessibleState,
                               .defaultAction = L"Press",
                               .doDefaultAction = PressForAccessibility});
  return button;
}

void SetStyledButtonDown(HWND button, bool down) {
  ButtonData* data = DataOf(button);
  if (data == nullptr || data->down == down) return;
  data->down = down;
  Redraw(button);
}

bool IsStyledButtonDown(HWND button) {
  const ButtonData* data = DataOf(button);
  return data != nullptr && data->down;
}

void SetStyledButtonDefault(HWND button, bool isDefault) {
  ButtonData* data = DataOf(button);
  if (data == nullptr || data->isDefault == isDefault) return;
  data->isDefault = isDefault;
  Redraw(button);
}

bool StyledButtonClickFromKeyboard(HWND button) {
  const ButtonData* data = DataOf(button);
  return data != nullptr && data->keyboardClick;
}

}  // namespace sweeplet
