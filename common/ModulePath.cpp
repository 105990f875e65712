#include "common/ModulePath.h"

#include <algorithm>

namespace sweeplet {

std::wstring ModulePath(HMODULE module) noexcept {
  try {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
      if (length == 0) return {};
      if (length < path.size()) {
        path.resize(length);
        return path;
      }
      // Truncated: a long path exceeds MAX_PATH. Beyond the longest one, the answer is wrong.
      if (path.size() >= kLongestPath) return {};
      path.resize(std::min(path.size() * 2, kLongestPath));
    }
  } catch (...) {
    return {};
  }
}

}  // namespace sweeplet
