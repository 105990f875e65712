#pragma once
// The platform-neutral parts of a crash report: the per-crash folder names and which of them to
// keep, addresses as module + offset, and the upload's multipart form.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sweeplet {

// How many crash folders are kept, newest first.
inline constexpr size_t kCrashFoldersKept = 10;

// The files of a crash folder: nothing else in one is ever touched.
inline constexpr std::string_view kDumpFileName = "crash.dmp";
inline constexpr std::string_view kReportFileName = "report.txt";

struct UtcTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "20261211T103707Z-4242": UTC time first, so that names sort by time.
std::string CrashFolderName(const UtcTime& time, uint32_t processId);

// True for a name CrashFolderName can give.
bool IsCrashFolderName(std::string_view name);

// Of `names` (a folder's entries), the crash folders to delete so that the newest `keep` remain.
// Other names are never in the result.
std::vector<std::string> CrashFoldersToDelete(std::vector<std::string> names, size_t keep = kCrashFoldersKept);

// "Sweeplet.exe+0x1a2b" ("0x7ff61234" alone when no module holds the address).
std::string ModuleOffset(std::string_view module, uint64_t offset);
std::string Hex(uint64_t value, int digits = 0);

// One part of a multipart/form-data body: a plain field, or a file when fileName is set.
struct FormPart {
  std::string name;
  std::string value;
  std::string fileName;
};

// The body of a multipart/form-data POST with `boundary` (which must not occur in any value).
std::string MultipartBody(const std::vector<FormPart>& parts, std::string_view boundary);

// The fields minidump crash servers read: product, version, client identifier, the dump.
inline constexpr std::string_view kFieldProduct = "prod";
inline constexpr std::string_view kFieldVersion = "ver";
inline constexpr std::string_view kFieldClientId = "guid";
inline constexpr std::string_view kFieldDump = "upload_file_minidump";

}  // namespace sweeplet
