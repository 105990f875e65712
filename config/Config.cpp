#include "config/Config.h"

#include <limits>

#include "common/Registry.h"

namespace sweeplet {

namespace {

// A failed open is not an error for the caller: it yields an empty key, which every read and
// write treats as "nothing stored". The handle is taken only on success, never a leftover value.
UniqueKey OpenOrCreate(HKEY root, const std::wstring& subKey) noexcept {
  HKEY h = nullptr;
  if (::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &h,
                        nullptr) != ERROR_SUCCESS) {
    return UniqueKey();
  }
  return UniqueKey(h);
}

}  // namespace

TConfig::TConfig(std::wstring_view path, HKEY root) noexcept {
  try {
    if (root) FReg = OpenOrCreate(root, L"Software\\" + std::wstring(path));
  } catch (...) {
  }
}

bool TConfig::ReadDword(std::wstring_view name, DWORD& out) const noexcept {
  if (!FReg) return false;
  try {
    const std::wstring n(name);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    // A DWORD of another width, a QWORD or a string all fail the type or size test (or overflow the
    // buffer with ERROR_MORE_DATA) and read as missing.
    if (::RegQueryValueExW(FReg.get(), n.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value)) {
      return false;
    }
    out = value;
    return true;
  } catch (...) {
    return false;
  }
}

bool TConfig::ReadBoolean(std::wstring_view name, bool def) const noexcept {
  DWORD v = 0;
  return ReadDword(name, v) ? v != 0 : def;
}

std::int32_t TConfig::ReadInteger(std::wstring_view name, std::int32_t def) const noexcept {
  DWORD v = 0;
  return ReadDword(name, v) ? static_cast<std::int32_t>(v) : def;
}

std::wstring TConfig::ReadString(std::wstring_view name, std::wstring def) const noexcept {
  if (!FReg) return def;
  try {
    std::wstring text;
    if (ReadRegistryString(FReg.get(), std::wstring(name).c_str(), text) != RegistryRead::kFound) return def;
    return text;
  } catch (...) {
    return def;
  }
}

void TConfig::Write(std::wstring_view name, DWORD type, const void* data, size_t bytes) noexcept {
  if (!FReg || bytes > std::numeric_limits<DWORD>::max()) return;
  try {
    const std::wstring n(name);
    // Failure is dropped on purpose: the screen keeps the user's choice, the next run shows the registry's.
    ::RegSetValueExW(FReg.get(), n.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(bytes));
  } catch (...) {
  }
}

bool TConfig::WriteBoolean(std::wstring_view name, bool value) noexcept {
  const DWORD v = value ? 1 : 0;
  Write(name, REG_DWORD, &v, sizeof(v));
  return value;
}

std::int32_t TConfig::WriteInteger(std::wstring_view name, std::int32_t value) noexcept {
  const DWORD v = static_cast<DWORD>(value);
  Write(name, REG_DWORD, &v, sizeof(v));
  return value;
}

std::wstring TConfig::WriteString(std::wstring_view name, std::wstring value) noexcept {
  Write(name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
  return value;
}

}  // namespace sweeplet
