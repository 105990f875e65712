#include "crash/CrashReport.h"

#include <algorithm>

namespace sweeplet {
namespace {

void AppendNumber(std::string& out, int value, int digits) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < digits) out.append(static_cast<size_t>(digits) - text.size(), '0');
  out += text;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Field names and file names go into a quoted header parameter: quotes and line breaks would end it.
std::string Quoted(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '"' && c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

}  // namespace

std::string CrashFolderName(const UtcTime& time, uint32_t processId) {
  std::string name;
  AppendNumber(name, time.year, 4);
  AppendNumber(name, time.month, 2);
  AppendNumber(name, time.day, 2);
  name += 'T';
  AppendNumber(name, time.hour, 2);
  AppendNumber(name, time.minute, 2);
  AppendNumber(name, time.second, 2);
  name += "Z-";
  name += std::to_string(processId);
  return name;
}

bool IsCrashFolderName(std::string_view name) {
  // 8 digits, T, 6 digits, Z, -, 1 to 10 digits
  if (name.size() < 18 || name.size() > 27) return false;
  return AllDigits(name.substr(0, 8)) && name[8] == 'T' && AllDigits(name.substr(9, 6)) && name[15] == 'Z' &&
         name[16] == '-' && AllDigits(name.substr(17));
}

std::vector<std::string> CrashFoldersToDelete(std::vector<std::string> names, size_t keep) {
  names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& n) { return !IsCrashFolderName(n); }),
              names.end());
  // Newest first: by time, then by process id as a number.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    if (a.compare(0, 16, b, 0, 16) != 0) return a.compare(0, 16, b, 0, 16) > 0;
    if (a.size() != b.size()) return a.size() > b.size();
    return a > b;
  });
  if (names.size() <= keep) return {};
  return {names.begin() + static_cast<std::ptrdiff_t>(keep), names.end()};
}

std::string Hex(uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value);
  if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<size_t>(digits) - out.size(), '0');
  return "0x" + out;
}

std::string ModuleOffset(std::string_view module, uint64_t offset) {
  if (module.empty()) return Hex(offset);
  return std::string(module) + "+" + Hex(offset);
}

std::string MultipartBody(const std::vector<FormPart>& parts, std::string_view boundary) {
  std::string body;
  for (const FormPart& part : parts) {
    body += "--";
    body += boundary;
    body += "\r\nContent-Disposition: form-data; name=\"" + Quoted(part.name) + "\"";
    if (!part.fileName.empty()) {
      body += "; filename=\"" + Quoted(part.fileName) + "\"\r\nContent-Type: application/octet-stream";
    }
    body += "\r\n\r\n";
    body += part.value;
    body += "\r\n";
  }
  body += "--";
  body += boundary;
  body += "--\r\n";
  return body;
}

}  // namespace sweeplet
