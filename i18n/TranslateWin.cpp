#include "i18n/TranslateWin.h"

#include <cwchar>
#include <iterator>

#include "common/Utf.h"

namespace sweeplet {
namespace {

// Menus cannot nest this deep in practice; the bound only keeps a malformed tree from recursing forever.
constexpr int kMaxMenuDepth = 32;

TranslationTable LoadEmbeddedTable() {
  // Resources of the running executable stay mapped for the life of the process: nothing to free.
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC info = ::FindResourceW(module, L"translate", RT_RCDATA);
  if (!info) return {};
  const DWORD size = ::SizeofResource(module, info);
  const HGLOBAL loaded = ::LoadResource(module, info);
  if (!loaded || size == 0) return {};
  const void* bytes = ::LockResource(loaded);
  if (!bytes) return {};
  return TranslationTable::Parse(std::string_view(static_cast<const char*>(bytes), size));
}

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

enum class ControlKind { ComboBox, Edit, Other };

bool SameClassName(std::wstring_view a, std::wstring_view b) noexcept {
  return a.size() == b.size() &&
         ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
             CSTR_EQUAL;
}

// The real class sees through superclasses, so a control derived from a combo box or an edit
// field is treated as one.
ControlKind KindOf(HWND window) noexcept {
  wchar_t buffer[64] = {};
  const UINT length = ::RealGetWindowClassW(window, buffer, static_cast<UINT>(std::size(buffer)));
  const std::wstring_view name(buffer, length < std::size(buffer) ? length : 0);
  if (SameClassName(name, L"ComboBox")) return ControlKind::ComboBox;
  if (SameClassName(name, L"Edit") || SameClassName(name.substr(0, 8), L"RichEdit")) return ControlKind::Edit;
  return ControlKind::Other;
}

void TranslateWindow(HWND window, bool isRoot) noexcept {
  try {
    switch (KindOf(window)) {
      case ControlKind::ComboBox:
        TranslateStrings(window);
        return;
      case ControlKind::Edit:
        return;  // an edit field's text is data, not a caption
      case ControlKind::Other:
        break;
    }
    const std::wstring text = WindowText(window);
    if (text.empty()) return;
    // The title bar shows the English text of its block in every language but Korean.
    const bool isForm = isRoot && (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) == 0;
    const bool titleInEnglish = isForm && CurrentLanguage() != "ko";
    const std::wstring translated = TranslateW(text, titleInEnglish ? L"en" : L"");
    if (translated != text) ::SetWindowTextW(window, translated.c_str());
  } catch (...) {
    // Out of memory: this caption stays as it was.
  }
}

BOOL CALLBACK TranslateChild(HWND child, LPARAM) noexcept {
  TranslateWindow(child, false);
  return TRUE;
}

void TranslateMenuLevel(HMENU menu, int depth) noexcept {
  if (!menu || depth > kMaxMenuDepth) return;
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    const HMENU submenu = info.hSubMenu;
    if ((info.fType & (MFT_SEPARATOR | MFT_BITMAP)) == 0 && info.cch > 0) {
      try {
        std::wstring text(info.cch + 1, L'\0');
        MENUITEMINFOW get{};
        get.cbSize = sizeof get;
        get.fMask = MIIM_STRING;
        get.dwTypeData = text.data();
        get.cch = static_cast<UINT>(text.size());
        if (::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &get)) {
          text.resize(get.cch);
          std::wstring translated = TranslateW(text);
          if (translated != text) {
            MENUITEMINFOW set{};
            set.cbSize = sizeof set;
            set.fMask = MIIM_STRING;
            set.dwTypeData = translated.data();
            ::SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &set);
          }
        }
      } catch (...) {
        // Out of memory: this item keeps its text.
      }
    }
    TranslateMenuLevel(submenu, depth + 1);
  }
}

// Pauses a combo box's painting while its items are replaced. WM_SETREDRAW also sets the
// WS_VISIBLE bit when painting resumes, so a hidden combo box is left alone.
class RedrawPause {
 public:
  explicit RedrawPause(HWND window) noexcept
      : window_((::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0 ? window : nullptr) {
    if (window_) ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
  }
  ~RedrawPause() {
    if (!window_) return;
    ::SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(window_, nullptr, TRUE);
  }
  RedrawPause(const RedrawPause&) = delete;
  RedrawPause& operator=(const RedrawPause&) = delete;

 private:
  HWND window_;
};

void ReplaceItems(HWND comboBox) {
  const LRESULT count = ::SendMessageW(comboBox, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = ::SendMessageW(comboBox, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) continue;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        ::SendMessageW(comboBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    if (copied < 0) continue;
    text.resize(static_cast<size_t>(copied));
    const std::wstring translated = TranslateW(text);
    if (translated == text) continue;
    // A list item cannot be renamed: replace it in place and carry its data over.
    const LRESULT data = ::SendMessageW(comboBox, CB_GETITEMDATA, static_cast<WPARAM>(i), 0);
    ::SendMessageW(comboBox, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
    LRESULT at = ::SendMessageW(comboBox, CB_INSERTSTRING, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(translated.c_str()));
    if (at < 0) {
      at = ::SendMessageW(comboBox, CB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.c_str()));
      if (at < 0) return;  // the list is out of space; stop rather than shift later items
    }
    ::SendMessageW(comboBox, CB_SETITEMDATA, static_cast<WPARAM>(at), data);
  }
}

}  // namespace

std::string DetectLanguage() noexcept {
  try {
    const LCID locale = ::GetUserDefaultLCID();
    const int needed = ::GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, nullptr, 0);
    if (needed <= 0) return "en";
    std::wstring name(static_cast<size_t>(needed), L'\0');
    if (::GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, name.data(), needed) <= 0) return "en";
    name.resize(std::wcslen(name.c_str()));
    // An empty name would select no language at all; English is the table's own fallback.
    return name.empty() ? "en" : Narrow(name);
  } catch (...) {
    return "en";
  }
}

bool ReadsRightToLeft() noexcept {
  if (::GetSystemMetrics(SM_MIDEASTENABLED)) return true;
  wchar_t layout[4] = {};  // "0" left to right, "1" right to left, "2" and "3" vertical
  return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IREADINGLAYOUT, layout, 4) > 0 && layout[0] == L'1';
}

void InitTranslation() noexcept {
  try {
    SetTranslationTable(LoadEmbeddedTable());
  } catch (...) {
    SetTranslationTable(TranslationTable());
  }
  try {
    const std::wstring language = Widen(DetectLanguage());
    SetCurrentLanguage(Narrow(std::wstring_view(language).substr(0, 2)));
  } catch (...) {
    // Out of memory at start-up: the language stays as it was.
  }
}

std::wstring TranslateW(std::wstring_view key, std::wstring_view lang) {
  return Widen(Translate(Narrow(key), Narrow(lang)));
}

void TranslateComponent(HWND window, HMENU popupMenu, std::wstring_view lang) noexcept {
  if (!lang.empty()) {
    try {
      SetCurrentLanguage(Narrow(lang));
    } catch (...) {
    }
  }
  if (window) TranslateWindow(window, true);
  TranslateMenuItem(popupMenu);
  // Every descendant, nested ones included, parents before their children.
  if (window) ::EnumChildWindows(window, TranslateChild, 0);
}

void TranslateMenuItem(HMENU menu) noexcept { TranslateMenuLevel(menu, 0); }

void TranslateStrings(HWND comboBox) noexcept {
  if (!comboBox) return;
  const LONG_PTR style = ::GetWindowLongPtrW(comboBox, GWL_STYLE);
  // An owner-drawn list without strings holds item data, not texts.
  if ((style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0 && (style & CBS_HASSTRINGS) == 0) return;
  const LRESULT selected = ::SendMessageW(comboBox, CB_GETCURSEL, 0, 0);
  try {
    RedrawPause pause(comboBox);
    ReplaceItems(comboBox);
  } catch (...) {
    // Out of memory: the remaining items keep their texts.
  }
  if (selected >= 0) ::SendMessageW(comboBox, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

}  // namespace sweeplet
