// A copy of Sweeplet.exe in a folder where every DLL name the process loads has been planted
// (the stand-in leaves a marker file when its DllMain runs). Taken through start-up, the update
// check, the tray icon and a cleaning job, and closed: no stand-in may have been loaded.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "tests/e2e/Driver.h"

namespace sweeplet {
namespace {

using namespace drive;

// What the program imports or loads at run time that Windows does not always take from the
// system folder, and what system code loads for it (the window frame, themes, the accessibility
// and crypto helpers behind the HTTP stack, the shell's helpers).
constexpr const wchar_t* kPlanted[] = {
    L"dwmapi.dll",   L"uxtheme.dll",  L"version.dll",  L"winhttp.dll",   L"comctl32.dll", L"oleacc.dll",
    L"cryptbase.dll", L"winmm.dll",   L"wininet.dll",  L"iphlpapi.dll",  L"dnsapi.dll",   L"secur32.dll",
    L"sspicli.dll",  L"mswsock.dll",  L"propsys.dll",  L"profapi.dll",   L"userenv.dll",  L"wtsapi32.dll",
    L"netapi32.dll", L"taskschd.dll", L"xmllite.dll",  L"bcrypt.dll",    L"ncrypt.dll",   L"crypt32.dll",
    L"msasn1.dll",   L"schannel.dll", L"rsaenh.dll",   L"dbghelp.dll",   L"winsta.dll",   L"samcli.dll",
    L"dhcpcsvc.dll", L"winnsi.dll",   L"edputil.dll",  L"windows.storage.dll", L"wldp.dll", L"textshaping.dll",
    L"msimg32.dll",  L"gdiplus.dll",  L"riched20.dll", L"mpr.dll",       L"apphelp.dll",  L"ntmarta.dll",
};

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/") + 1); }

bool Copy(const std::wstring& from, const std::wstring& to) { return ::CopyFileW(from.c_str(), to.c_str(), FALSE); }

std::vector<std::wstring> Markers(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  return names;
}

std::string Joined(const std::vector<std::wstring>& names) {
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : " ") + std::string(n.begin(), n.end());
  return out;
}

TEST(Planting, NoDllBesideTheExecutableIsLoaded) {
  KillAll();
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"sweeplet-planting-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
  const std::wstring markers = folder + L"markers\\";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(markers.c_str(), nullptr));

  // The program under test: the one built beside this test, unless another is named (to show
  // what an older build does).
  wchar_t other[MAX_PATH] = {};
  const std::wstring source =
      ::GetEnvironmentVariableW(L"SWEEPLET_PLANTING_EXE", other, MAX_PATH) ? other : SweepletPath();
  const std::wstring exe = folder + L"Sweeplet.exe";
  ASSERT_TRUE(Copy(source, exe));
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring marker = Folder(self) + L"planted_marker.dll";
  for (const wchar_t* name : kPlanted) ASSERT_TRUE(Copy(marker, folder + name)) << "planting";

  {
    // Started from the planted folder as its current directory as well.
    ::SetCurrentDirectoryW(folder.c_str());
    Process program(L"", exe);
    ASSERT_TRUE(program.Started());
    HWND w = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (w = MainWindow()) != nullptr && ::IsWindowVisible(w); }, 20000));

    // A cleaning job from the clean button.
    HWND button = Control(w, IdBtnClean);
    ::PostMessageW(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowEnabled(button); }, 3000) || ::IsWindowEnabled(button));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(button) != FALSE; }, 10000));
    // The tray icon: its click shows the window (the callback goes through the icon's code).
    ::SendMessageW(w, WM_APP + 10, 1, WM_LBUTTONDOWN);
    ::SendMessageW(w, WM_APP + 10, 1, WM_LBUTTONUP);
    // The update check (no update service answers here) has had its first attempt by now.
    ::Sleep(3000);

    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    ::SendMessageTimeoutW(w, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    EXPECT_TRUE(program.WaitExit(15000));
    wchar_t back[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, back);
    ::SetCurrentDirectoryW(back);
  }

  const std::vector<std::wstring> loaded = Markers(markers);
  EXPECT_TRUE(loaded.empty()) << "loaded from beside the executable: " << Joined(loaded);

  for (const auto& name : Markers(markers)) ::DeleteFileW((markers + name).c_str());
  ::RemoveDirectoryW(markers.c_str());
  for (const wchar_t* name : kPlanted) ::DeleteFileW((folder + name).c_str());
  ::DeleteFileW(exe.c_str());
  ::RemoveDirectoryW(folder.c_str());
  KillAll();
}

}  // namespace
}  // namespace sweeplet
