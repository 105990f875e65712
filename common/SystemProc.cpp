#include "common/SystemProc.h"

#include <cwchar>
#include <string>

namespace sweeplet {

UniqueModule SystemModule(const wchar_t* fileName) noexcept {
  // A name with a folder in it would take the DLL from wherever that points.
  if (!fileName || !*fileName || std::wcspbrk(fileName, L"\\/:")) return {};
  if (HMODULE module = ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return UniqueModule(module);
  // Windows 7 without its loader update refuses the flag. The full path is as safe, and the
  // altered search takes the DLL's own dependencies from the system folder as well.
  try {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    path += fileName;
    return UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  } catch (...) {
    return {};
  }
}

void RestrictDllSearch() noexcept {
  // Windows 8 on, and Windows 7 with its loader update.
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  if (const auto setDefault = SystemProc<SetDirectories>(L"kernel32.dll", "SetDefaultDllDirectories")) {
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  ::SetDllDirectoryW(L"");
}

}  // namespace sweeplet
