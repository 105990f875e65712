#pragma once
// The program's settings store: typed values in one registry key under the current user's hive.
// Reads fall back to the caller's default; writes never report failure. The key is held only
// for the object's life, so the window creates one store per batch of work and drops it at once.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "common/UniqueHandle.h"

namespace sweeplet {

class TConfig {
 public:
  // Opens <root>\Software\<path> for full access, creating it and any missing parent. The program's
  // root is always HKEY_CURRENT_USER; tests may keep their values elsewhere. Construction always
  // succeeds: if the key cannot be opened (a null root too), reads yield defaults and writes store nothing.
  explicit TConfig(std::wstring_view path, HKEY root = HKEY_CURRENT_USER) noexcept;

  TConfig(const TConfig&) = delete;
  TConfig& operator=(const TConfig&) = delete;

  // A value that exists but is not of the kind asked for (a string where a number is expected,
  // a number that is not exactly 32 bits wide, binary data) reads as the default, like a missing one.
  bool ReadBoolean(std::wstring_view name, bool def) const noexcept;             // REG_DWORD, non-zero is true
  std::int32_t ReadInteger(std::wstring_view name, std::int32_t def) const noexcept;  // REG_DWORD
  std::wstring ReadString(std::wstring_view name, std::wstring def) const noexcept;   // REG_SZ or REG_EXPAND_SZ, unexpanded

  // Each returns its argument whether or not it was stored.
  bool WriteBoolean(std::wstring_view name, bool value) noexcept;                  // REG_DWORD 1 or 0
  std::int32_t WriteInteger(std::wstring_view name, std::int32_t value) noexcept;  // REG_DWORD
  std::wstring WriteString(std::wstring_view name, std::wstring value) noexcept;   // REG_SZ, NUL counted

 private:
  bool ReadDword(std::wstring_view name, DWORD& out) const noexcept;
  void Write(std::wstring_view name, DWORD type, const void* data, size_t bytes) noexcept;

  UniqueKey FReg;  // the open key; empty when the open failed
};

}  // namespace sweeplet
