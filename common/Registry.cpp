#include "common/Registry.h"

#include <algorithm>
#include <string_view>

namespace sweeplet {
namespace {

bool IsString(DWORD type) noexcept { return type == REG_SZ || type == REG_EXPAND_SZ; }

// Another writer may grow the value between asking for its size and reading it (ERROR_MORE_DATA);
// a few rounds cover that without letting a busy writer keep us here.
constexpr int kReadRounds = 4;

}  // namespace

RegistryRead ReadRegistryString(HKEY key, const wchar_t* name, std::wstring& text) noexcept {
  try {
    std::wstring buffer;
    DWORD type = 0;
    DWORD size = 0;
    // The first round asks for the type and size only; the next ones read.
    LSTATUS status = ::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    for (int round = 0;; ++round) {
      if (status == ERROR_FILE_NOT_FOUND) return RegistryRead::kMissing;
      if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return RegistryRead::kFailed;
      if (!IsString(type)) return RegistryRead::kWrongType;
      if (size > kMaxRegistryStringBytes) return RegistryRead::kFailed;
      if (status == ERROR_SUCCESS && round > 0) {
        const std::wstring_view data(buffer.data(), std::min<size_t>(size / sizeof(wchar_t), buffer.size()));
        text.assign(data.substr(0, data.find(L'\0')));
        return RegistryRead::kFound;
      }
      if (round == kReadRounds) return RegistryRead::kFailed;
      // A character more than the data: an odd byte count is rounded up, and a spare NUL stays.
      buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
      size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
      status = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    }
  } catch (...) {
    return RegistryRead::kFailed;
  }
}

}  // namespace sweeplet
