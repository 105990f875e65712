#include "app/logic/UserLocale.h"

#include <windows.h>

#include "app/logic/DateTime.h"
#include "common/Utf.h"

namespace sweeplet {

namespace {

bool ReadLocaleText(LCTYPE type, std::string& out) {
  wchar_t buffer[16] = {};  // separators are at most a few characters
  const int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, static_cast<int>(std::size(buffer)));
  if (length <= 0) return false;
  out = Narrow(std::wstring_view(buffer, static_cast<size_t>(length - 1)));
  return true;
}

}  // namespace

NumberSeparators ReadUserNumberSeparators() {
  NumberSeparators separators;
  std::string text;
  if (ReadLocaleText(LOCALE_STHOUSAND, text)) separators.thousands = text;
  if (ReadLocaleText(LOCALE_SDECIMAL, text)) separators.decimal = text;
  return separators;
}

double NowAsDateTime() noexcept {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return ToDateTime({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds});
}

}  // namespace sweeplet
