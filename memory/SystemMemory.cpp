#include "memory/SystemMemory.h"

#include <windows.h>

#include "common/SystemProc.h"

namespace sweeplet {

namespace {

using QuerySystemInformationFn = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using SetSystemInformationFn = LONG(NTAPI*)(ULONG, PVOID, ULONG);

// What the import library does not declare: the two calls are looked up in ntdll once.
struct NtEntryPoints {
  QuerySystemInformationFn query = nullptr;
  SetSystemInformationFn set = nullptr;
};

const NtEntryPoints& Nt() noexcept {
  // ntdll is mapped into every process, so no reference is taken. Initialised once, thread-safely.
  static const NtEntryPoints entries = [] {
    return NtEntryPoints{SystemProc<QuerySystemInformationFn>(L"ntdll.dll", "NtQuerySystemInformation"),
                         SystemProc<SetSystemInformationFn>(L"ntdll.dll", "NtSetSystemInformation")};
  }();
  return entries;
}

constexpr int32_t kStatusProcedureNotFound = static_cast<int32_t>(0xC000007A);

// The file-cache block the engine hands over is laid out for a 64-bit process; in a 32-bit one
// every query and purge of it would fail with a length mismatch.
static_assert(sizeof(SIZE_T) == 8 && kFileCacheInfoSize == 64, "the file-cache layout is a 64-bit process's");

}  // namespace

void SystemMemoryApi::ReadGlobalCounters(GlobalMemoryCounters& counters) noexcept {
  MEMORYSTATUSEX ex{};
  ex.dwLength = sizeof ex;
  static_assert(sizeof(MEMORYSTATUSEX) == 64);
  // A failure leaves the zeroed structure, so everything reads 0.
  ::GlobalMemoryStatusEx(&ex);
  counters.TotalPhys = ex.ullTotalPhys;
  counters.AvailPhys = ex.ullAvailPhys;
  counters.TotalPageFile = ex.ullTotalPageFile;
  counters.AvailPageFile = ex.ullAvailPageFile;
  counters.TotalVirtual = ex.ullTotalVirtual;
  counters.AvailVirtual = ex.ullAvailVirtual;
}

int32_t SystemMemoryApi::QuerySystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept {
  const auto query = Nt().query;
  return query ? query(infoClass, buffer, length, nullptr) : kStatusProcedureNotFound;
}

int32_t SystemMemoryApi::SetSystemInformation(uint32_t infoClass, void* buffer, uint32_t length) noexcept {
  const auto set = Nt().set;
  return set ? set(infoClass, buffer, length) : kStatusProcedureNotFound;
}

IMemoryApi& SystemMemory() noexcept {
  static SystemMemoryApi api;
  return api;
}

}  // namespace sweeplet
