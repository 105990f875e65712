#pragma once
// A settings key of one test run's own, under HKCU\Software\SweepletTest, never the program's
// real one; the run's process id keeps parallel runs apart.
#include <windows.h>

#include <string>

namespace sweeplet::test {

class ScratchSettings {
 public:
  explicit ScratchSettings(const std::wstring& name)
      : path_(L"SweepletTest\\" + name + L"-" + std::to_wstring(::GetCurrentProcessId())), key_(L"Software\\" + path_) {}

  // As the program's settings take it: below HKCU\Software.
  const std::wstring& Path() const { return path_; }

  DWORD Read(const wchar_t* name, DWORD missing = 0xDEADBEEF) const {
    DWORD value = 0, size = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
      return missing;
    }
    return value;
  }

  void Write(const wchar_t* name, DWORD value) const {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name, REG_DWORD, &value, sizeof(value));
  }

  void WriteText(const wchar_t* name, const wchar_t* text) const {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name, REG_SZ, text,
                      static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  }

  DWORD ValueCount() const {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD values = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr);
    ::RegCloseKey(key);
    return values;
  }

  void Clear() const { ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

  // Clears the key, and the common parent when no other run still uses it.
  void Remove() const {
    Clear();
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\SweepletTest");
  }

 private:
  std::wstring path_;
  std::wstring key_;
};

}  // namespace sweeplet::test
