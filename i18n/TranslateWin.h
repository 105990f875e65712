#pragma once
// The Win32 side of the translation: the embedded table, the user's language and the walk that
// turns a window's Korean captions into the current language. User-interface thread only.
#include <windows.h>

#include <string>
#include <string_view>

#include "i18n/TranslationTable.h"

namespace sweeplet {

// ISO 639 name of the user's default locale ("ko", "en", "zh", ...), or "en" when unavailable.
std::string DetectLanguage() noexcept;

// True on a system with right-to-left language support, or when the user's locale reads right
// to left (Arabic, Hebrew, ...).
bool ReadsRightToLeft() noexcept;

// Loads the RT_RCDATA resource "translate" of the running executable (any failure leaves the
// table empty and the program in Korean) and sets CurrentLanguage() to the first two
// characters of DetectLanguage(). Call once, before the first window is created.
void InitTranslation() noexcept;

// Translate() for UTF-16 text.
std::wstring TranslateW(std::wstring_view key, std::wstring_view lang = {});

// Translates a window in place: its own caption (a top-level window gets the English text of
// its block unless the language is Korean), the items of `popupMenu`, and every descendant
// window in creation order: combo boxes item by item, edit controls left alone, every other
// window's non-empty text as a caption. A non-empty `lang` first becomes CurrentLanguage().
// Either handle may be null; that part is skipped. Walking twice changes nothing the second time.
void TranslateComponent(HWND window, HMENU popupMenu, std::wstring_view lang = {}) noexcept;

// Translates each item's text and each submenu; separators and bitmap items keep what they are.
void TranslateMenuItem(HMENU menu) noexcept;

// Translates each item of a combo box, keeping its selected position (and, for an editable
// combo with nothing selected, the typed text). Redrawing is paused meanwhile.
void TranslateStrings(HWND comboBox) noexcept;

}  // namespace sweeplet
