#include "autostart/ProtectedCopy.h"

#include <aclapi.h>

#include <cstddef>
#include <initializer_list>
#include <utility>

#include "common/UniqueHandle.h"

namespace sweeplet {
namespace {

constexpr ACCESS_MASK kExecutableRights = FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr ACCESS_MASK kFolderRights = FILE_ADD_FILE | DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER;
constexpr ACCESS_MASK kParentRights = DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER;
constexpr ACCESS_MASK kRootRights = FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER;

// What an owner may always do, whatever the DACL says.
constexpr ACCESS_MASK kOwnerRights = WRITE_DAC | READ_CONTROL;

bool HasSubAuthorities(PSID sid, std::initializer_list<DWORD> expected) {
  static constexpr SID_IDENTIFIER_AUTHORITY kNtAuthority = SECURITY_NT_AUTHORITY;
  const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(sid);
  for (size_t i = 0; i < sizeof kNtAuthority.Value; ++i) {
    if (authority->Value[i] != kNtAuthority.Value[i]) return false;
  }
  if (*::GetSidSubAuthorityCount(sid) != expected.size()) return false;
  DWORD index = 0;
  for (const DWORD rid : expected) {
    if (*::GetSidSubAuthority(sid, index++) != rid) return false;
  }
  return true;
}

// Administrators, SYSTEM and TrustedInstaller. Every other SID is treated as one a user may hold,
// including placeholders such as CREATOR OWNER that are odd outside inherit-only entries.
bool IsTrusted(PSID sid) {
  if (!sid || !::IsValidSid(sid)) return false;
  return HasSubAuthorities(sid, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}) ||
         HasSubAuthorities(sid, {SECURITY_LOCAL_SYSTEM_RID}) ||
         HasSubAuthorities(sid, {SECURITY_SERVICE_ID_BASE_RID, 956008885, 3418522649, 1831038044, 1853292631,
                                 2271478464});
}

// The SID of an allow entry, or null when the entry is too short to hold one.
PSID AllowedSid(ACCESS_ALLOWED_ACE* ace) {
  constexpr size_t kSidOffset = offsetof(ACCESS_ALLOWED_ACE, SidStart);
  if (ace->Header.AceSize < kSidOffset + sizeof(SID)) return nullptr;
  PSID sid = &ace->SidStart;
  if (!::IsValidSid(sid) || kSidOffset + ::GetLengthSid(sid) > ace->Header.AceSize) return nullptr;
  return sid;
}

// Whether a principal other than the trusted ones may use any of `rights` on the object.
bool UntrustedMayUse(PSECURITY_DESCRIPTOR sd, ACCESS_MASK rights) {
  if (!sd || !::IsValidSecurityDescriptor(sd)) return true;

  PSID owner = nullptr;
  BOOL ownerDefaulted = FALSE;
  if (!::GetSecurityDescriptorOwner(sd, &owner, &ownerDefaulted) || !owner) return true;
  if ((rights & kOwnerRights) && !IsTrusted(owner)) return true;

  BOOL present = FALSE;
  BOOL daclDefaulted = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(sd, &present, &dacl, &daclDefaulted)) return true;
  if (!present || !dacl) return true;  // no DACL: everyone may do everything
  if (!::IsValidAcl(dacl)) return true;

  ACL_SIZE_INFORMATION size{};
  if (!::GetAclInformation(dacl, &size, sizeof size, AclSizeInformation)) return true;
  GENERIC_MAPPING fileMapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  for (DWORD i = 0; i < size.AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(dacl, i, &entry)) return true;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceFlags & INHERIT_ONLY_ACE) continue;  // only passed on to objects created inside
    switch (header->AceType) {
      case ACCESS_ALLOWED_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {  // same layout; its condition may hold, so it counts
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        const PSID sid = AllowedSid(ace);
        if (!sid) return true;
        ACCESS_MASK mask = ace->Mask;
        ::MapGenericMask(&mask, &fileMapping);
        if ((mask & rights) && !IsTrusted(sid)) return true;
        break;
      }
      // Deny entries are left out. Whether one matches the user, and whether it comes before the
      // grant it would cancel, depends on the user's groups; leaving them out can only make a
      // protected copy look unprotected, never the other way round.
      case ACCESS_DENIED_ACE_TYPE:
      case ACCESS_DENIED_CALLBACK_ACE_TYPE:
      case ACCESS_DENIED_OBJECT_ACE_TYPE:
      case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
        break;
      // Audit, alarm and label entries grant nothing.
      case SYSTEM_AUDIT_ACE_TYPE:
      case SYSTEM_ALARM_ACE_TYPE:
      case SYSTEM_AUDIT_OBJECT_ACE_TYPE:
      case SYSTEM_ALARM_OBJECT_ACE_TYPE:
      case SYSTEM_AUDIT_CALLBACK_ACE_TYPE:
      case SYSTEM_ALARM_CALLBACK_ACE_TYPE:
      case SYSTEM_AUDIT_CALLBACK_OBJECT_ACE_TYPE:
      case SYSTEM_ALARM_CALLBACK_OBJECT_ACE_TYPE:
      case SYSTEM_MANDATORY_LABEL_ACE_TYPE:
        break;
      default:
        return true;  // an allow entry of a kind not read here: assume the worst
    }
  }
  return false;
}

bool IsDriveStart(std::wstring_view path) {
  return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':' && path[2] == L'\\';
}

std::wstring_view DropLongPrefix(std::wstring_view path) {
  constexpr std::wstring_view kPrefix = L"\\\\?\\";
  if (path.starts_with(kPrefix) && IsDriveStart(path.substr(kPrefix.size()))) return path.substr(kPrefix.size());
  return path;
}

// Paths of MAX_PATH and more reach the file system only with the prefix that turns off parsing.
std::wstring Win32Path(std::wstring_view path) {
  return path.size() >= MAX_PATH ? L"\\\\?\\" + std::wstring(path) : std::wstring(path);
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// Fills a path from a call that answers with the length written, or with the size it needs when
// the buffer is too small. Empty on failure.
template <typename Call>
std::wstring GrowingPath(Call call) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = call(path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(n);
  }
  return {};
}

// The path the system reaches when it opens `path`: links, junctions, mount points and
// substituted drives resolved, long names throughout.
std::wstring FinalPath(std::wstring_view path) {
  const HANDLE opened = ::CreateFileW(Win32Path(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      0, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return {};
  const UniqueHandle file(opened);
  return std::wstring(DropLongPrefix(GrowingPath([&](wchar_t* buffer, DWORD size) {
    return ::GetFinalPathNameByHandleW(file.get(), buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  })));
}

// The same path with short (8.3) names spelled out, and nothing resolved.
std::wstring LongPath(std::wstring_view path) {
  const std::wstring win32 = Win32Path(path);
  return std::wstring(DropLongPrefix(
      GrowingPath([&](wchar_t* buffer, DWORD size) { return ::GetLongPathNameW(win32.c_str(), buffer, size); })));
}

}  // namespace

bool IsProtectedChain(std::span<const PSECURITY_DESCRIPTOR> chain) noexcept {
  if (chain.size() < 2) return false;  // an executable always lies in a folder
  for (size_t i = 0; i < chain.size(); ++i) {
    const ACCESS_MASK rights = i == 0                    ? kExecutableRights
                               : i == 1                  ? kFolderRights
                               : i + 1 == chain.size()   ? kRootRights
                                                         : kParentRights;
    if (UntrustedMayUse(chain[i], rights)) return false;
  }
  return true;
}

std::vector<std::wstring> SecurityPathChain(std::wstring_view exePath) {
  const std::wstring_view path = DropLongPrefix(exePath);
  if (!IsDriveStart(path) || path.size() == 3) return {};
  const std::wstring_view names = path.substr(3);
  for (size_t start = 0;;) {
    const size_t end = names.find(L'\\', start);
    const std::wstring_view name = names.substr(start, end == std::wstring_view::npos ? end : end - start);
    // The system would quietly rewrite such names (trailing dots and spaces) or read them as
    // something else (streams, wildcards, relative parts); none belongs in a path we judge. The
    // Task Scheduler expands %variables% in the path it starts, from the user's own environment:
    // the file it would run is then not the one judged here.
    if (name.empty() || name == L"." || name == L".." || name.back() == L'.' || name.back() == L' ' ||
        name.find_first_of(L"/:*?\"<>|%") != std::wstring_view::npos) {
      return {};
    }
    for (const wchar_t c : name) {
      if (c < 0x20) return {};
    }
    if (end == std::wstring_view::npos) break;
    start = end + 1;
  }
  std::vector<std::wstring> chain;
  for (size_t end = path.size(); end > 3; end = path.rfind(L'\\', end - 1)) chain.emplace_back(path.substr(0, end));
  chain.emplace_back(path.substr(0, 3));
  return chain;
}

bool IsProtectedCopy(std::wstring_view exePath) noexcept {
  try {
    if (SecurityPathChain(exePath).empty()) return false;
    const std::wstring_view given = DropLongPrefix(exePath);
    // Judge the objects that are really reached; a link anywhere on the way could be redirected
    // by whoever controls the link's own folder, which this check does not look at.
    const std::wstring final = FinalPath(given);
    if (final.empty() || !SamePath(final, LongPath(given))) return false;

    const std::vector<std::wstring> paths = SecurityPathChain(final);
    if (paths.empty() || ::GetDriveTypeW(paths.back().c_str()) != DRIVE_FIXED) return false;
    std::vector<UniqueSecurityDescriptor> owned;
    std::vector<PSECURITY_DESCRIPTOR> chain;
    for (const std::wstring& path : paths) {
      UniqueSecurityDescriptor sd;
      if (::GetNamedSecurityInfoW(Win32Path(path).c_str(), SE_FILE_OBJECT,
                                  OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                  nullptr, sd.put()) != ERROR_SUCCESS) {
        return false;
      }
      chain.push_back(sd.get());
      owned.push_back(std::move(sd));
    }
    return IsProtectedChain(chain);
  } catch (...) {
    return false;  // out of memory: not known to be protected
  }
}

}  // namespace sweeplet
