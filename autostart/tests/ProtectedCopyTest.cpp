#include "autostart/ProtectedCopy.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/ModulePath.h"
#include "common/Utf.h"

namespace sweeplet {
namespace {

static_assert(noexcept(IsProtectedCopy(L"")) && noexcept(IsProtectedChain({})), "the check never throws");

// Wine does not enforce file permissions, so the decision is shown on descriptors built in memory.
UniqueSecurityDescriptor FromSddl(const std::wstring& sddl) {
  UniqueSecurityDescriptor sd;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, sd.put(), nullptr)) {
    ADD_FAILURE() << "not parsed: " << Narrow(sddl);
  }
  return sd;
}

// Descriptors of a path, nearest first, and their owners.
struct Chain {
  explicit Chain(const std::vector<std::wstring>& sddls) {
    for (const std::wstring& sddl : sddls) {
      owned.push_back(FromSddl(sddl));
      descriptors.push_back(owned.back().get());
    }
  }
  std::vector<UniqueSecurityDescriptor> owned;
  std::vector<PSECURITY_DESCRIPTOR> descriptors;
};

bool JudgeChain(const std::vector<std::wstring>& sddls) { return IsProtectedChain(Chain(sddls).descriptors); }

const std::wstring TI = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
const std::wstring Bob = L"S-1-5-21-1004336348-1177238915-682003330-1001";  // a plain user

// C:\Program Files\Sweeplet\Sweeplet.exe as an installer leaves it: administrators, SYSTEM and
// TrustedInstaller may change things, users read and run, CREATOR OWNER only passed on.
const std::wstring kExe = L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)";
const std::wstring kFolder = L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)"
                             L"(A;OICIIOID;GA;;;CO)";
const std::wstring kProgramFiles = L"O:" + TI + L"D:P(A;;FA;;;" + TI + L")(A;CIIO;GA;;;" + TI +
                                   L")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
                                   L"(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)";
// A system volume root: authenticated users may create folders in it (0x4), and get modify
// rights on what they create there (inherit-only).
const std::wstring kRoot = L"O:" + TI + L"D:PAI(A;OICIIO;SDGXGWGR;;;AU)(A;;0x4;;;AU)(A;OICIIO;GA;;;SY)(A;;FA;;;SY)"
                           L"(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

std::vector<std::wstring> ProgramFilesChain() { return {kExe, kFolder, kProgramFiles, kRoot}; }
std::vector<std::wstring> With(std::vector<std::wstring> chain, size_t level, std::wstring sddl) {
  chain.at(level) = std::move(sddl);
  return chain;
}

// A user's own folder: C:\Users\bob\Downloads\Sweeplet.exe.
std::vector<std::wstring> ProfileChain() {
  return {
      L"O:" + Bob + L"D:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;FA;;;" + Bob + L")",
      L"O:" + Bob + L"D:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" + Bob + L")",
      L"O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + Bob + L")",
      L"O:SYD:P(A;;0x1200a9;;;WD)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)",
      kRoot,
  };
}

struct ChainCase {
  const char* what;
  std::vector<std::wstring> chain;
  bool isProtected;
};

class ProtectedChainTest : public ::testing::TestWithParam<ChainCase> {};

TEST_P(ProtectedChainTest, Judges) {
  EXPECT_EQ(JudgeChain(GetParam().chain), GetParam().isProtected) << GetParam().what;
}

const std::wstring kAdminsOnly = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
std::wstring RootWith(const std::wstring& ace) { return kRoot + ace; }

INSTANTIATE_TEST_SUITE_P(
    Chains, ProtectedChainTest,
    ::testing::Values(
        ChainCase{"Program Files", ProgramFilesChain(), true},
        ChainCase{"owned by TrustedInstaller throughout",
                  {L"O:" + TI + L"D:(A;;FA;;;" + TI + L")(A;;0x1200a9;;;BU)", L"O:" + TI + L"D:(A;;FA;;;" + TI + L")",
                   kRoot},
                  true},
        ChainCase{"user profile folder", ProfileChain(), false},
        ChainCase{"a folder on a root where users may create folders", {kExe, kAdminsOnly, kRoot}, true},
        ChainCase{"directly in the root", {kExe, kRoot}, true},

        // The executable itself.
        ChainCase{"Everyone may write the executable", With(ProgramFilesChain(), 0, kExe + L"(A;;FW;;;WD)"), false},
        ChainCase{"generic write for users", With(ProgramFilesChain(), 0, kExe + L"(A;;GW;;;BU)"), false},
        ChainCase{"generic all for users", With(ProgramFilesChain(), 0, kExe + L"(A;;GA;;;BU)"), false},
        ChainCase{"append data only", With(ProgramFilesChain(), 0, kExe + L"(A;;0x4;;;BU)"), false},
        ChainCase{"delete the executable", With(ProgramFilesChain(), 0, kExe + L"(A;;SD;;;AU)"), false},
        ChainCase{"write-owner on the executable", With(ProgramFilesChain(), 0, kExe + L"(A;;0x80000;;;BU)"), false},
        ChainCase{"a user owns the executable",
                  With(ProgramFilesChain(), 0, L"O:" + Bob + L"D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)"), false},
        ChainCase{"generic read and execute for users", With(ProgramFilesChain(), 0, kExe + L"(A;;GRGX;;;BU)"), true},
        ChainCase{"write attributes and extended attributes only",
                  With(ProgramFilesChain(), 0, kExe + L"(A;;0x110;;;BU)"), true},
        ChainCase{"CREATOR OWNER on the object itself", With(ProgramFilesChain(), 0, kExe + L"(A;;FA;;;CO)"), false},
        ChainCase{"a grant that a deny entry may or may not cancel",
                  With(ProgramFilesChain(), 0, L"O:BAD:(D;;FA;;;BU)(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;BU)"), false},
        ChainCase{"a deny entry alone", With(ProgramFilesChain(), 0, kExe + L"(D;;FA;;;WD)"), true},
        // A null DACL is built by hand below: Wine reads "D:NO_ACCESS_CONTROL" as an empty one.
        ChainCase{"an empty DACL grants nobody anything", With(ProgramFilesChain(), 0, L"O:BAD:"), true},
        ChainCase{"no DACL at all", With(ProgramFilesChain(), 0, L"O:BA"), false},
        ChainCase{"no owner", With(ProgramFilesChain(), 0, L"D:(A;;FA;;;SY)(A;;FA;;;BA)"), false},

        // The executable's folder.
        ChainCase{"a plain user owns the folder",
                  With(ProgramFilesChain(), 1, L"O:" + Bob + L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"),
                  false},
        ChainCase{"users may add files beside the executable", With(ProgramFilesChain(), 1, kFolder + L"(A;;0x2;;;BU)"),
                  false},
        ChainCase{"users may delete children of the folder", With(ProgramFilesChain(), 1, kFolder + L"(A;;0x40;;;BU)"),
                  false},
        ChainCase{"users may delete the folder", With(ProgramFilesChain(), 1, kFolder + L"(A;;SD;;;BU)"), false},
        ChainCase{"an inherit-only grant that does not apply to the folder",
                  With(ProgramFilesChain(), 1, kFolder + L"(A;OICIIO;FA;;;BU)"), true},
        ChainCase{"users may create subfolders beside the executable",
                  With(ProgramFilesChain(), 1, kFolder + L"(A;;0x4;;;BU)"), true},

        // Folders above.
        ChainCase{"write-DAC for users on a parent", With(ProgramFilesChain(), 2, kProgramFiles + L"(A;;0x40000;;;BU)"),
                  false},
        ChainCase{"users may delete a parent", With(ProgramFilesChain(), 2, kProgramFiles + L"(A;;SD;;;BU)"), false},
        ChainCase{"users may add files to a parent", With(ProgramFilesChain(), 2, kProgramFiles + L"(A;;0x2;;;BU)"),
                  true},
        ChainCase{"a plain user owns a parent",
                  With(ProgramFilesChain(), 2, L"O:" + Bob + L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"), false},

        // The volume root.
        ChainCase{"users may delete the root (it cannot be)", With(ProgramFilesChain(), 3, RootWith(L"(A;;SD;;;BU)")),
                  true},
        ChainCase{"users may delete children of the root", With(ProgramFilesChain(), 3, RootWith(L"(A;;0x40;;;BU)")),
                  false},
        ChainCase{"write-owner on the root", With(ProgramFilesChain(), 3, RootWith(L"(A;;0x80000;;;AU)")), false},
        ChainCase{"delete on the root, when the root is the executable's folder", {kExe, RootWith(L"(A;;SD;;;BU)")},
                  false},
        ChainCase{"add file on the root, when the root is the executable's folder", {kExe, RootWith(L"(A;;0x2;;;AU)")},
                  false}));

TEST(ProtectedChain, IncompleteChainsAreNotProtected) {
  const UniqueSecurityDescriptor exe = FromSddl(kExe);
  const UniqueSecurityDescriptor root = FromSddl(kRoot);
  const PSECURITY_DESCRIPTOR unreadable[] = {exe.get(), nullptr, root.get()};
  const PSECURITY_DESCRIPTOR alone[] = {exe.get()};
  EXPECT_FALSE(IsProtectedChain(unreadable));
  EXPECT_FALSE(IsProtectedChain(alone));
  EXPECT_FALSE(IsProtectedChain({}));
}

// A null DACL lets everyone do everything, at any level.
TEST(ProtectedChain, NullDaclIsNotProtected) {
  SECURITY_DESCRIPTOR nullDacl{};
  ASSERT_TRUE(::InitializeSecurityDescriptor(&nullDacl, SECURITY_DESCRIPTOR_REVISION));
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                         0, &admins));
  ASSERT_TRUE(::SetSecurityDescriptorOwner(&nullDacl, admins, FALSE));
  ASSERT_TRUE(::SetSecurityDescriptorDacl(&nullDacl, TRUE, nullptr, FALSE));

  const Chain programFiles(ProgramFilesChain());
  ASSERT_TRUE(IsProtectedChain(programFiles.descriptors));
  for (size_t level = 0; level < programFiles.descriptors.size(); ++level) {
    std::vector<PSECURITY_DESCRIPTOR> changed = programFiles.descriptors;
    changed[level] = &nullDacl;
    EXPECT_FALSE(IsProtectedChain(changed)) << "level " << level;
  }
  ::FreeSid(admins);
}

struct PathCase {
  const wchar_t* path;
  std::vector<std::wstring> chain;
};

class SecurityPathChainTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(SecurityPathChainTest, Splits) {
  EXPECT_EQ(SecurityPathChain(GetParam().path), GetParam().chain) << Narrow(GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SecurityPathChainTest,
    ::testing::Values(
        PathCase{L"C:\\Program Files\\Sweeplet\\Sweeplet.exe",
                 {L"C:\\Program Files\\Sweeplet\\Sweeplet.exe", L"C:\\Program Files\\Sweeplet", L"C:\\Program Files",
                  L"C:\\"}},
        PathCase{L"\\\\?\\D:\\Tools\\Sweeplet.exe", {L"D:\\Tools\\Sweeplet.exe", L"D:\\Tools", L"D:\\"}},
        PathCase{L"c:\\Sweeplet.exe", {L"c:\\Sweeplet.exe", L"c:\\"}},
        // Network, device and relative paths, and names the system would rewrite or read otherwise.
        PathCase{L"\\\\server\\share\\Sweeplet.exe", {}}, PathCase{L"\\\\?\\UNC\\server\\share\\Sweeplet.exe", {}},
        PathCase{L"\\\\.\\C:\\Sweeplet.exe", {}}, PathCase{L"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\x.exe", {}},
        PathCase{L"Sweeplet.exe", {}}, PathCase{L"C:Sweeplet.exe", {}}, PathCase{L"C:\\", {}}, PathCase{L"", {}},
        PathCase{L"1:\\Sweeplet.exe", {}}, PathCase{L"C:/Tools/Sweeplet.exe", {}},
        PathCase{L"C:\\Tools\\..\\Sweeplet.exe", {}}, PathCase{L"C:\\Tools\\.\\Sweeplet.exe", {}},
        PathCase{L"C:\\Tools\\\\Sweeplet.exe", {}}, PathCase{L"C:\\Tools\\", {}},
        PathCase{L"C:\\Tools\\Sweeplet.exe:hidden", {}}, PathCase{L"C:\\Tools.\\Sweeplet.exe", {}},
        PathCase{L"C:\\Tools \\Sweeplet.exe", {}}, PathCase{L"C:\\Tools\\Sweep*.exe", {}},
        PathCase{L"C:\\Tools\\Sweeplet\x01.exe", {}},
        // The Task Scheduler would expand this from the user's environment when it starts the task.
        PathCase{L"C:\\Program Files\\%SWEEPLET%\\Sweeplet.exe", {}}));

TEST(ProtectedCopy, PathsThatCannotBeJudgedAreNotProtected) {
  EXPECT_FALSE(IsProtectedCopy(L""));
  EXPECT_FALSE(IsProtectedCopy(L"\\\\server\\share\\Sweeplet.exe"));
  EXPECT_FALSE(IsProtectedCopy(L"C:\\no such folder\\Sweeplet.exe"));
  EXPECT_FALSE(IsProtectedCopy(std::wstring(40000, L'a')));
}

// What Wine reports for its own files says nothing about Windows; the adapter must get through
// the real calls on a real path and answer.
TEST(ProtectedCopy, RunsOnThisExecutable) {
  const std::wstring self = ModulePath();
  ASSERT_FALSE(self.empty());
  const bool answer = IsProtectedCopy(self);
  if (!self.starts_with(L"\\\\?\\")) {
    EXPECT_EQ(IsProtectedCopy(L"\\\\?\\" + self), answer) << "the long-path form is the same file";
  }
  std::printf("%s: %s\n", Narrow(self).c_str(), answer ? "protected" : "not protected");
}

}  // namespace
}  // namespace sweeplet
