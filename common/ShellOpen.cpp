#include "common/ShellOpen.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace sweeplet {

void ShellOpen(std::wstring_view target) noexcept {
  try {
    const std::wstring text(target);
    ::ShellExecuteW(nullptr, L"open", text.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } catch (...) {
  }
}

namespace {

class ShellLinks final : public ILinkOpener {
 public:
  void Open(std::wstring_view target) noexcept override { ShellOpen(target); }
};

}  // namespace

ILinkOpener& ShellLinkOpener() noexcept {
  static ShellLinks opener;
  return opener;
}

}  // namespace sweeplet
