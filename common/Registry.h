#pragma once
// Reading string values from the registry. The data is untrusted: anything running as the user
// can write it, with any type, any length and no terminating NUL.
#include <windows.h>

#include <string>

namespace sweeplet {

enum class RegistryRead {
  kFound,
  kMissing,    // no value of that name
  kWrongType,  // a value, but not a string
  kFailed,     // anything else: access refused, key deleted, data beyond the limit, no memory
};

// The most a string value may hold, in bytes: far beyond any value of ours, and a bound on what
// a planted value can make us allocate.
inline constexpr DWORD kMaxRegistryStringBytes = 64 * 1024;

// Reads the REG_SZ or REG_EXPAND_SZ (left unexpanded) value `name` of `key`. The text ends at
// the first NUL or at the end of the data, whichever comes first. `text` is set only on kFound.
RegistryRead ReadRegistryString(HKEY key, const wchar_t* name, std::wstring& text) noexcept;

}  // namespace sweeplet
