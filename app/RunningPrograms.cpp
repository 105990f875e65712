// The process list, for the programs that pause automatic cleaning.
#include <windows.h>
#include <tlhelp32.h>

#include "app/Services.h"
#include "common/UniqueHandle.h"

namespace sweeplet {
namespace {

class SystemPrograms final : public IRunningPrograms {
 public:
  bool AnyRunning(const std::vector<std::wstring>& names) override {
    if (names.empty()) return false;
    // A snapshot of names and ids only: no process is opened, whatever its owner.
    const HANDLE taken = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (taken == INVALID_HANDLE_VALUE) return false;
    const UniqueHandle snapshot(taken);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
      for (const std::wstring& name : names) {
        // File names compare without regard to case, as the file system does.
        if (::CompareStringOrdinal(entry.szExeFile, -1, name.c_str(), static_cast<int>(name.size()), TRUE) ==
            CSTR_EQUAL) {
          return true;
        }
      }
    }
    return false;
  }
};

}  // namespace

IRunningPrograms& SystemRunningPrograms() {
  static SystemPrograms programs;
  return programs;
}

}  // namespace sweeplet
