#pragma once
// One move-only owner for every kind of OS handle: HANDLE, HKEY, HICON, HFONT, HINTERNET...
// Closing keeps the thread's last-error code, so a destructor never disturbs a caller
// that is about to read GetLastError.
#include <windows.h>

#include <utility>

namespace sweeplet {

template <typename T, auto Close, T Invalid = T{}>
class UniqueAny {
 public:
  UniqueAny() noexcept = default;
  explicit UniqueAny(T value) noexcept : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(std::exchange(other.value_, Invalid)) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Invalid));
    return *this;
  }
  ~UniqueAny() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Invalid; }
  T release() noexcept { return std::exchange(value_, Invalid); }
  void reset(T value = Invalid) noexcept {
    if (value_ != Invalid) {
      const DWORD lastError = ::GetLastError();
      Close(value_);
      ::SetLastError(lastError);
    }
    value_ = value;
  }
  // For out-parameters: releases what was held first.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Invalid;
};

namespace detail {
inline void CloseKernelHandle(HANDLE h) noexcept { ::CloseHandle(h); }
inline void CloseKey(HKEY h) noexcept { ::RegCloseKey(h); }
inline void DestroyIconHandle(HICON h) noexcept { ::DestroyIcon(h); }
inline void DeleteGdiObject(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void DestroyMenuHandle(HMENU h) noexcept { ::DestroyMenu(h); }
inline void ReleaseModule(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void FreeLocalMemory(HLOCAL p) noexcept { ::LocalFree(p); }
inline void DestroyWindowHandle(HWND h) noexcept { ::DestroyWindow(h); }
}  // namespace detail

using UniqueHandle = UniqueAny<HANDLE, detail::CloseKernelHandle>;
using UniqueKey = UniqueAny<HKEY, detail::CloseKey>;
using UniqueIcon = UniqueAny<HICON, detail::DestroyIconHandle>;
using UniqueFont = UniqueAny<HFONT, detail::DeleteGdiObject>;
using UniqueBrush = UniqueAny<HBRUSH, detail::DeleteGdiObject>;
using UniqueBitmap = UniqueAny<HBITMAP, detail::DeleteGdiObject>;
using UniqueMenu = UniqueAny<HMENU, detail::DestroyMenuHandle>;
using UniqueModule = UniqueAny<HMODULE, detail::ReleaseModule>;
// Memory the system allocated with LocalAlloc for us (security descriptors, CommandLineToArgvW).
using UniqueLocalMemory = UniqueAny<HLOCAL, detail::FreeLocalMemory>;
// A window of this thread; destroyed with its children.
using UniqueWindow = UniqueAny<HWND, detail::DestroyWindowHandle>;

}  // namespace sweeplet
