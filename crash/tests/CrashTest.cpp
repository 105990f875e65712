// Under Wine: the test-only CrashProbe fails in each way the reporter must catch; the reporter
// (the probe started again with the switch) writes the dump and the report, shows its window and
// sends. The reports are copied to crash-reports\<row>\ beside the exe for check_reports.sh,
// which symbolizes them and reads the dumps with an independent reader.
#include <windows.h>
#include <winsock2.h>

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/ModulePath.h"
#include "common/SystemProc.h"
#include "common/tests/AccessibleProbe.h"
#include "common/tests/win/TestMachine.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"
#include "crash/CrashHandler.h"
#include "crash/CrashReport.h"
#include "crash/CrashWindow.h"
#include "crash/Reporter.h"
#include "i18n/TranslateWin.h"
#include "update/tests/win/TestServer.h"

namespace sweeplet {
namespace {

using namespace std::chrono_literals;

bool UnderWine() {
  using WineVersion = const char*(__cdecl*)();
  return SystemProc<WineVersion>(L"ntdll.dll", "wine_get_version") != nullptr;
}

// These tests crash programs of the account they run on and rewrite its crash folders.
#define SKIP_UNLESS_THROWAWAY_ACCOUNT()                                          \
  if (const std::string why = testing::WhyNotOnThisMachine(); !why.empty()) { \
    GTEST_SKIP() << why;                                                         \
  }

std::wstring ExeDir() {
  const std::wstring path = ModulePath();
  return path.substr(0, path.find_last_of(L'\\'));
}

std::set<std::wstring> CrashFolders() {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((CrashFolderRoot() + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (IsCrashFolderName(Narrow(found.cFileName))) names.insert(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

std::string ReadAll(const std::wstring& path) {
  const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return {};
  std::string data;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read) data.append(buffer, read);
  return data;
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    ::Sleep(20);
  }
  return true;
}

UniqueHandle Start(const std::wstring& program, const std::wstring& arguments) {
  std::wstring line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return {};
  }
  ::CloseHandle(info.hThread);
  return UniqueHandle(info.hProcess);
}

DWORD ExitCode(HANDLE process) {
  DWORD code = 0;
  ::GetExitCodeProcess(process, &code);
  return code;
}

// The reporter's windows: dialogs titled "Sweeplet" with the crash text.
std::vector<HWND> ReporterWindows() {
  std::vector<HWND> found;
  for (HWND w = ::FindWindowExW(nullptr, nullptr, L"#32770", L"Sweeplet"); w;
       w = ::FindWindowExW(nullptr, w, L"#32770", L"Sweeplet")) {
    if (::GetDlgItem(w, kCrashTextId)) found.push_back(w);
  }
  return found;
}

std::wstring WindowText(HWND w) {
  wchar_t text[512] = {};
  ::GetWindowTextW(w, text, 512);
  return text;
}

// The dump's exception stream names a thread that its thread list holds.
bool DumpHoldsFailingThread(const std::string& dump, uint32_t& threadId, uint32_t& code) {
  if (dump.size() < 32 || dump.compare(0, 4, "MDMP") != 0) return false;
  const auto u32 = [&](size_t at) -> uint32_t {
    uint32_t v = 0;
    if (at + 4 <= dump.size()) memcpy(&v, dump.data() + at, 4);
    return v;
  };
  const uint32_t streams = u32(8), directory = u32(12);
  uint32_t threadList = 0, exception = 0;
  for (uint32_t i = 0; i < streams; ++i) {
    const size_t entry = directory + i * 12u;
    if (u32(entry) == 3) threadList = u32(entry + 8);
    if (u32(entry) == 6) exception = u32(entry + 8);
  }
  if (!threadList || !exception) return false;
  threadId = u32(exception);
  code = u32(exception + 8);
  const uint32_t count = u32(threadList);
  for (uint32_t i = 0; i < count; ++i) {
    if (u32(threadList + 4 + i * 48u) == threadId) return true;
  }
  return false;
}

// Runs a probe row up to the reporter's window; the caller closes it.
struct Crash {
  UniqueHandle probe;
  HWND window = nullptr;
  UniqueHandle reporter;
  std::wstring folder;
};

Crash RunRow(const std::wstring& row) {
  Crash crash;
  const std::set<std::wstring> before = CrashFolders();
  crash.probe = Start(ExeDir() + L"\\CrashProbe.exe", row);
  EXPECT_TRUE(crash.probe);
  if (!crash.probe) return crash;
  EXPECT_TRUE(WaitFor([] { return !ReporterWindows().empty(); }, 60s)) << "no reporter window";
  const auto windows = ReporterWindows();
  EXPECT_EQ(windows.size(), 1u) << "one reporter for one crash";
  if (windows.empty()) return crash;
  crash.window = windows[0];
  DWORD pid = 0;
  ::GetWindowThreadProcessId(crash.window, &pid);
  crash.reporter.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  EXPECT_EQ(::WaitForSingleObject(crash.probe.get(), 30000), WAIT_OBJECT_0) << "the failed probe did not end";
  std::vector<std::wstring> added;
  for (const auto& name : CrashFolders()) {
    if (!before.count(name)) added.push_back(name);
  }
  EXPECT_EQ(added.size(), 1u);
  if (added.size() == 1) crash.folder = CrashFolderRoot() + L"\\" + added[0];
  return crash;
}

void Close(Crash& crash) {
  ::PostMessageW(crash.window, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(crash.reporter);
  EXPECT_EQ(::WaitForSingleObject(crash.reporter.get(), 10000), WAIT_OBJECT_0) << "the reporter did not end";
}

struct Row {
  const wchar_t* name;
  DWORD code;      // in the report and the dump
  DWORD exitCode;  // of the failed process
};

class CrashRows : public ::testing::TestWithParam<Row> {};

TEST_P(CrashRows, ReportedOnceAndTheProcessEndsWithItsCode) {
  SKIP_UNLESS_THROWAWAY_ACCOUNT();
  const Row row = GetParam();
  ::SetEnvironmentVariableW(L"SWEEPLET_TEST_CRASH_ENDPOINT", nullptr);
  Crash crash = RunRow(row.name);
  ASSERT_TRUE(crash.window);
  EXPECT_EQ(ExitCode(crash.probe.get()), row.exitCode);
  EXPECT_EQ(WindowText(::GetDlgItem(crash.window, kCrashTextId)),
            L"Sweeplet stopped because of an error.\r\n\r\nA report was saved.");
  EXPECT_EQ(WindowText(::GetDlgItem(crash.window, IDCANCEL)), L"Close");

  const std::string dump = ReadAll(crash.folder + L"\\crash.dmp");
  const std::string report = ReadAll(crash.folder + L"\\report.txt");
  uint32_t threadId = 0, code = 0;
  EXPECT_TRUE(DumpHoldsFailingThread(dump, threadId, code)) << "dump of " << dump.size() << " bytes";
  EXPECT_EQ(code, row.code);
  EXPECT_NE(report.find("Exception: code " + Hex(row.code, 8)), std::string::npos) << report;
  EXPECT_NE(report.find("Failing thread " + std::to_string(threadId) + ":\r\n  #0 "), std::string::npos) << report;
  EXPECT_NE(report.find("CrashProbe.exe"), std::string::npos);
  EXPECT_NE(report.find("Processes:\r\n"), std::string::npos);

  // For check_reports.sh.
  const std::wstring out = ExeDir() + L"\\crash-reports";
  ::CreateDirectoryW(out.c_str(), nullptr);
  ::CreateDirectoryW((out + L"\\" + row.name).c_str(), nullptr);
  ::CopyFileW((crash.folder + L"\\crash.dmp").c_str(), (out + L"\\" + row.name + L"\\crash.dmp").c_str(), FALSE);
  ::CopyFileW((crash.folder + L"\\report.txt").c_str(), (out + L"\\" + row.name + L"\\report.txt").c_str(), FALSE);
  Close(crash);
}

INSTANTIATE_TEST_SUITE_P(EachWayToFail, CrashRows,
                         ::testing::Values(Row{L"access-violation", EXCEPTION_ACCESS_VIOLATION, EXCEPTION_ACCESS_VIOLATION},
                                           Row{L"stack-overflow", EXCEPTION_STACK_OVERFLOW, EXCEPTION_STACK_OVERFLOW},
                                           Row{L"thread-exception", kFailureTerminate, kAbortExitCode},
                                           Row{L"terminate", kFailureTerminate, kAbortExitCode},
                                           Row{L"pure-virtual", kFailurePureVirtual, kAbortExitCode},
                                           Row{L"abort", kFailureAbort, kAbortExitCode}),
                         [](const auto& info) {
                           std::string name = Narrow(info.param.name);
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

// The window itself, in this process: as a screen reader and the keyboard meet it.
TEST(CrashWindow, KeyboardAndScreenReaders) {
  test::ComApartment com;
  InitTranslation();
  DWORD threadId = 0;
  std::thread shown([&threadId] {
    threadId = ::GetCurrentThreadId();
    ShowCrashWindow(true, nullptr, nullptr);
  });
  HWND window = nullptr;
  EXPECT_TRUE(WaitFor([&] {
    const auto windows = ReporterWindows();
    for (HWND w : windows) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(w, &pid);
      if (pid == ::GetCurrentProcessId()) window = w;
    }
    return window != nullptr;
  }, 10s));
  if (!window) {
    shown.detach();
    FAIL() << "no window";
  }
  const HWND close = ::GetDlgItem(window, IDCANCEL);
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  EXPECT_TRUE(WaitFor([&] { return ::GetGUIThreadInfo(threadId, &info) && info.hwndFocus == close; }, 5s))
      << "Close has the focus";

  const test::AccessibleInfo text = test::ReadAccessible(::GetDlgItem(window, kCrashTextId));
  EXPECT_EQ(text.name, L"Sweeplet stopped because of an error.\r\n\r\nA report was saved.");
  const test::AccessibleInfo button = test::ReadAccessible(close);
  EXPECT_EQ(button.name, L"Close");
  // Wine's accessibility layer gives standard controls the plain client role; Windows gives these.
  if (!UnderWine()) {
    EXPECT_EQ(text.role, ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(button.role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_TRUE(button.state & STATE_SYSTEM_DEFAULT);
  }

  // The sender's word changes the text.
  ::SendMessageW(window, kCrashSentMessage, 1, 0);
  EXPECT_EQ(WindowText(::GetDlgItem(window, kCrashTextId)),
            L"Sweeplet stopped because of an error.\r\n\r\nA report was saved and sent.");

  // Enter, typed into the focused button as the system posts it, closes the window.
  ::PostMessageW(close, WM_KEYDOWN, VK_RETURN, 1);
  ::PostMessageW(close, WM_KEYUP, VK_RETURN, 0xC0000001);
  EXPECT_TRUE(WaitFor([&] { return !::IsWindow(window); }, 10s)) << "Enter did not close the window";
  if (::IsWindow(window)) ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  shown.join();
}

TEST(CrashSending, TheUploadArrivesWithItsFields) {
  SKIP_UNLESS_THROWAWAY_ACCOUNT();
  testing::TestServer server("CrashID=bp-1");
  ::SetEnvironmentVariableW(L"SWEEPLET_TEST_CRASH_ENDPOINT", server.Url(L"/submit").c_str());
  Crash crash = RunRow(L"access-violation");
  ASSERT_TRUE(crash.window);
  EXPECT_TRUE(WaitFor([&] { return WindowText(::GetDlgItem(crash.window, kCrashTextId)).find(L"sent") != std::wstring::npos; }, 30s));
  const auto requests = server.Requests();
  const auto bodies = server.Bodies();
  ASSERT_EQ(requests.size(), 1u);
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(requests[0].rfind("POST /submit HTTP/1.1\r\n", 0), 0u) << requests[0];
  EXPECT_NE(requests[0].find("Content-Type: multipart/form-data; boundary="), std::string::npos);
  const std::string& request = bodies[0];
  for (const char* field : {"name=\"prod\"\r\n\r\nSweeplet\r\n", "name=\"ver\"\r\n\r\n1.9.0.0\r\n", "name=\"guid\"\r\n\r\n",
                            "name=\"upload_file_minidump\"; filename=\"crash.dmp\"\r\nContent-Type: application/octet-stream\r\n\r\nMDMP"}) {
    EXPECT_NE(request.find(field), std::string::npos) << field;
  }
  Close(crash);
  ::SetEnvironmentVariableW(L"SWEEPLET_TEST_CRASH_ENDPOINT", nullptr);
}

TEST(CrashSending, NoEndpointSendsNothing) {
  SKIP_UNLESS_THROWAWAY_ACCOUNT();
  testing::TestServer server;
  ::SetEnvironmentVariableW(L"SWEEPLET_TEST_CRASH_ENDPOINT", nullptr);
  Crash crash = RunRow(L"abort");
  ASSERT_TRUE(crash.window);
  Close(crash);
  EXPECT_EQ(server.Connections(), 0u);
}

TEST(CrashSending, AServerThatNeverAnswersDoesNotHoldTheWindow) {
  SKIP_UNLESS_THROWAWAY_ACCOUNT();
  // Listening, never accepting: the request waits for a reply that never comes.
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ASSERT_EQ(::listen(s, 8), 0);
  const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(ntohs(address.sin_port)) + L"/submit";
  ::SetEnvironmentVariableW(L"SWEEPLET_TEST_CRASH_ENDPOINT", url.c_str());
  Crash crash = RunRow(L"access-violation");
  ASSERT_TRUE(crash.window);
  const auto closing = std::chrono::steady_clock::now();
  Close(crash);
  EXPECT_LT(std::chrono::steady_clock::now() - closing, 5s);
  ::SetEnvironmentVariableW(L"SWEEPLET_TEST_CRASH_ENDPOINT", nullptr);
  ::closesocket(s);
}

TEST(CrashReporterSwitch, MadeUpValuesReadNothingAndFail) {
  SKIP_UNLESS_THROWAWAY_ACCOUNT();
  const std::set<std::wstring> before = CrashFolders();
  for (const wchar_t* arguments :
       {L"/crashreport 0000000000000004 0000000000000008 000000000000000c 0000000000010000",
        L"/crashreport ffffffffffffffff ffffffffffffffff 0000000000000000 0000000000010000",
        L"/crashreport 4 8 c 10000", L"/crashreport"}) {
    for (const wchar_t* program : {L"\\Sweeplet.exe", L"\\CrashProbe.exe"}) {
      UniqueHandle process = Start(ExeDir() + program, arguments);
      ASSERT_TRUE(process);
      ASSERT_EQ(::WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
      EXPECT_EQ(ExitCode(process.get()), static_cast<DWORD>(kReporterBadArguments)) << Narrow(arguments);
    }
  }
  EXPECT_EQ(CrashFolders(), before);
  EXPECT_TRUE(ReporterWindows().empty());
}

TEST(KeepNewestCrashes, TwelveOldFoldersLeaveTheNewestTen) {
  SKIP_UNLESS_THROWAWAY_ACCOUNT();
  const std::wstring root = CrashFolderRoot();
  ASSERT_FALSE(root.empty());
  // Start from an empty root: earlier tests' folders go first.
  KeepNewestCrashes(root, 0);
  ASSERT_TRUE(CrashFolders().empty());
  std::vector<std::wstring> made;
  for (int i = 0; i < 12; ++i) {
    const std::wstring folder = root + L"\\" + Widen(CrashFolderName({2025, 3, 1 + i, 12, 0, 0}, 500 + i));
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    for (const wchar_t* file : {L"\\crash.dmp", L"\\report.txt"}) {
      UniqueHandle h(::CreateFileW((folder + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
    made.push_back(folder);
  }
  // Not a crash folder, and a crash folder holding a file of someone else's: both stay.
  const std::wstring other = root + L"\\keep me";
  ::CreateDirectoryW(other.c_str(), nullptr);
  UniqueHandle(::CreateFileW((made[0] + L"\\notes.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));

  KeepNewestCrashes(root, kCrashFoldersKept);
  const std::set<std::wstring> left = CrashFolders();
  EXPECT_EQ(left.size(), 11u);
  for (int i = 2; i < 12; ++i) EXPECT_TRUE(left.count(made[i].substr(root.size() + 1))) << i;
  EXPECT_TRUE(left.count(made[0].substr(root.size() + 1)));  // kept for the file we did not write
  EXPECT_EQ(::GetFileAttributesW((made[0] + L"\\crash.dmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(::GetFileAttributesW((made[0] + L"\\notes.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesW(made[1].c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(::GetFileAttributesW(other.c_str()), INVALID_FILE_ATTRIBUTES);
  ::DeleteFileW((made[0] + L"\\notes.txt").c_str());
  ::RemoveDirectoryW(other.c_str());
  KeepNewestCrashes(root, 0);
}

}  // namespace
}  // namespace sweeplet
