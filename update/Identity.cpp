// rand_s: the system's random source without the standard library's device machinery.
#define _CRT_RAND_S
#include "update/Identity.h"

#include <windows.h>

#include <mutex>
#include <random>
#include <stdlib.h>
#include <vector>

#include "common/ModulePath.h"
#include "common/SystemProc.h"
#include "common/Registry.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"
#include "update/ClientIdLayout.h"
#include "update/VersionFormat.h"

namespace sweeplet {
namespace {

constexpr wchar_t kVendorKey[] = L"Software\\Orvane";
constexpr wchar_t kClientIdValue[] = L"ZelUID";
constexpr wchar_t kNoVersion[] = L"0.0.0.0";

std::string NewClientId() {
  // Seeded once per run; the worker thread and any other caller share it.
  static std::mutex mutex;
  static std::mt19937 random = [] {
    unsigned device[2]{};
    for (unsigned& d : device) ::rand_s(&d);  // a failure leaves 0; the clock and process id still differ
    std::seed_seq seed{device[0], device[1], static_cast<unsigned>(::GetTickCount64()),
                       static_cast<unsigned>(::GetCurrentProcessId())};
    return std::mt19937(seed);
  }();
  std::uniform_int_distribution<uint32_t> wide(0, 0x7FFFFFFE);
  std::uniform_int_distribution<uint32_t> narrow(0, 0xFFFE);

  ClientIdParts parts;
  SYSTEMTIME date{};
  ::GetLocalTime(&date);
  SYSTEMTIME time{};
  ::GetLocalTime(&time);
  {
    std::lock_guard<std::mutex> lock(mutex);
    parts.random1 = wide(random);
    parts.random2 = narrow(random);
    parts.random3 = wide(random);
  }
  parts.year = date.wYear;
  parts.month = date.wMonth;
  parts.day = date.wDay;
  parts.hour = time.wHour;
  parts.minute = time.wMinute;
  parts.second = time.wSecond;
  return MakeClientId(parts);
}

}  // namespace

std::wstring GetClientId() noexcept {
  try {
    UniqueKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kVendorKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS) {
      return {};
    }
    std::wstring id;
    RegistryRead read = ReadRegistryString(key.get(), kClientIdValue, id);
    if (read == RegistryRead::kMissing) {
      const std::wstring made = Widen(NewClientId());
      if (::RegSetValueExW(key.get(), kClientIdValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(made.c_str()),
                           static_cast<DWORD>((made.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
        return {};
      }
      // Read back, as on every later run.
      read = ReadRegistryString(key.get(), kClientIdValue, id);
    }
    return read == RegistryRead::kFound ? id : std::wstring();
  } catch (...) {
    return {};
  }
}

std::wstring GetAppVersion(std::wstring_view pattern) noexcept {
  try {
    const std::wstring path = ModulePath();
    if (path.empty()) return kNoVersion;
    // version.dll is no known DLL: taken from the system folder, never from beside the executable.
    const UniqueModule version = SystemModule(L"version.dll");
    const auto infoSize = SystemProc<decltype(&::GetFileVersionInfoSizeW)>(version.get(), "GetFileVersionInfoSizeW");
    const auto infoBlock = SystemProc<decltype(&::GetFileVersionInfoW)>(version.get(), "GetFileVersionInfoW");
    const auto queryValue = SystemProc<decltype(&::VerQueryValueW)>(version.get(), "VerQueryValueW");
    if (!infoSize || !infoBlock || !queryValue) return kNoVersion;
    DWORD ignored = 0;
    const DWORD size = infoSize(path.c_str(), &ignored);
    if (size == 0) return kNoVersion;
    std::vector<BYTE> block(size);
    if (!infoBlock(path.c_str(), 0, size, block.data())) return kNoVersion;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!queryValue(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
      return kNoVersion;
    }
    const VersionNumbers numbers{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                                 HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
    return Widen(FormatVersion(Narrow(pattern), numbers));
  } catch (...) {
    return kNoVersion;
  }
}

}  // namespace sweeplet
