#pragma once
// Functions looked up at run time: calls that older Windows lacks (so that the program still
// starts there) and ntdll's calls that the import libraries do not declare. Every lookup goes
// through SystemProc; a DLL that is not loaded already comes from SystemModule, which loads
// from the system folder only, never from beside the executable.
#include <windows.h>

#include <type_traits>

#include "common/UniqueHandle.h"

namespace sweeplet {

// The export `name` of `module` as a function pointer of type Fn; null when the module is null
// or does not export it.
template <typename Fn>
Fn SystemProc(HMODULE module, const char* name) noexcept {
  static_assert(std::is_pointer_v<Fn> && std::is_function_v<std::remove_pointer_t<Fn>>,
                "SystemProc gives a function pointer");
  if (!module || !name) return nullptr;
  // Through a plain function pointer: a FARPROC does not convert to a typed one directly.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// The same from a module that every process of ours has mapped already (kernel32.dll,
// user32.dll, ntdll.dll), found by name; no reference is taken.
template <typename Fn>
Fn SystemProc(const wchar_t* loadedModule, const char* name) noexcept {
  return SystemProc<Fn>(::GetModuleHandleW(loadedModule), name);
}

// Loads `fileName` (a bare name such as L"dwmapi.dll") from the system folder, looking there
// first for its dependencies too. Null when the name carries a path or the DLL is not there.
UniqueModule SystemModule(const wchar_t* fileName) noexcept;

// For the rest of the process, DLLs that are loaded by name (by us or by system code on our
// behalf) come from the system folder: SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
// where the system has it, and the current directory is taken out of the search in any case.
// Called first thing at start, before anything can load a DLL.
void RestrictDllSearch() noexcept;

}  // namespace sweeplet
