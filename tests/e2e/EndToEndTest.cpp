// The real Sweeplet.exe, started and driven from this process.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/ControlIds.h"
#include "common/UniqueHandle.h"
#include "common/tests/win/TestMachine.h"
#include "tests/e2e/Driver.h"

namespace sweeplet::drive {
namespace {

// Says whether a started process ended in time, and why not when it did not.
::testing::AssertionResult Ends(Process& process, DWORD timeoutMs) {
  if (!process.Started()) return ::testing::AssertionFailure() << "did not start, error " << process.StartError();
  if (!process.WaitExit(timeoutMs)) return ::testing::AssertionFailure() << "still running after " << timeoutMs << " ms";
  return ::testing::AssertionSuccess();
}

class EndToEnd : public ::testing::Test {
 protected:
  // Every test here removes the program's settings and starts the real program, which points the
  // logon task at this build: never on a developer's own account unless asked for.
  void SetUp() override {
    if (const std::string why = testing::WhyNotOnThisMachine(); !why.empty()) GTEST_SKIP() << why;
    KillAll();
  }
  void TearDown() override {
    if (testing::WhyNotOnThisMachine().empty()) KillAll();
  }

  // Starts the first instance and waits until its window exists (and is shown, unless hidden).
  HWND StartInstance(const std::wstring& args = L"", bool expectVisible = true) {
    first_ = Process(args);
    EXPECT_TRUE(first_.Started()) << "error " << first_.StartError();
    const bool up = WaitFor([&] {
      HWND w = MainWindow();
      return w && (!expectVisible || ::IsWindowVisible(w));
    }, 60000);
    EXPECT_TRUE(up);
    return MainWindow();
  }

  bool WaitHidden(HWND w) {
    return WaitFor([&] { return !::IsWindowVisible(w); }, 10000);
  }

  Process first_;
};

struct ControlRow {
  int id;
  const wchar_t* cls;
  int x, y, w, h;  // in the client area of the main window, 96 DPI
  const wchar_t* text;
};

bool PageShown(HWND w, int controlOnPage) { return ::IsWindowVisible(Control(w, controlOnPage)) != FALSE; }

TEST_F(EndToEnd, TheWindowShowsEveryControlWhereItBelongs) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  RECT client{};
  ::GetClientRect(w, &client);
  EXPECT_EQ(client.right, 500);
  EXPECT_EQ(client.bottom, 450);
  const LONG style = ::GetWindowLongW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  const int top = RectIn(w, Control(w, IdBtnHome)).top - 10;  // the header starts below the accent line
  EXPECT_GE(top, 0);
  EXPECT_LE(top, 2);
  const int page = 50 + top;
  // The Config page's controls come into being when it first shows.
  EXPECT_EQ(Control(w, IdChkUsagePhys), nullptr);
  Click(Control(w, IdBtnConfig));
  ASSERT_TRUE(WaitFor([&] { return PageShown(w, IdChkAutoStart); }));
  const std::vector<ControlRow> home = {
      {IdBtnHome, L"Button", 10, 10 + top, 70, 30, nullptr},
      {IdBtnConfig, L"Button", 80, 10 + top, 70, 30, nullptr},
      {IdBtnCleaning, L"Button", 150, 10 + top, 70, 30, nullptr},
      {IdBtnDonate, L"Button", 220, 10 + top, 70, 30, nullptr},
      {IdLogo, nullptr, 380, 0 + top, 112, 50, nullptr},
      {IdLblTitle, L"Static", 8, page + 40, 484, 81, L"Sweeplet"},
      {IdProgressBar, L"msctls_progress32", 56, page + 192, 393, 25, L""},
      {IdLblPhys, L"Static", 56, page + 223, 70, 13, nullptr},
      {IdLblPhysStatus, L"Static", 132, page + 223, 317, 13, nullptr},
      {IdLblVirtual, L"Static", 56, page + 242, 70, 13, nullptr},
      {IdLblVirtualStatus, L"Static", 134, page + 242, 120, 13, nullptr},
      {IdLblWorking, L"Static", 263, page + 242, 70, 13, nullptr},
      {IdLblWorkingStatus, L"Static", 341, page + 242, 108, 13, nullptr},
      {IdBtnClean, L"Button", 168, page + 298, 164, 68, nullptr},
      {IdIndicator, nullptr, 233, page + 316, 32, 32, nullptr},
      {IdGroupBox1, L"Button", 15, page + 14, 474, 155, nullptr},
      {IdChkUsagePhys, L"Button", 32, page + 46, 328, 17, nullptr},
      {IdChkUsagePage, L"Button", 32, page + 76, 328, 17, nullptr},
      {IdChkUsageWork, L"Button", 32, page + 106, 328, 17, nullptr},
      {IdChkMinute, L"Button", 32, page + 136, 328, 17, nullptr},
      {IdEditUsagePhys, L"ComboBox", 387, page + 45, 81, -1, nullptr},
      {IdEditUsagePage, L"ComboBox", 387, page + 76, 81, -1, nullptr},
      {IdEditUsageWork, L"ComboBox", 387, page + 103, 81, -1, nullptr},
      {IdEditMinute, L"ComboBox", 387, page + 130, 81, -1, nullptr},
      {IdGroupBox3, L"Button", 15, page + 192, 474, 115, nullptr},
      {IdChkAutoStart, L"Button", 32, page + 224, 208, 17, nullptr},
      {IdChkCleanOnTray, L"Button", 260, page + 224, 208, 17, nullptr},
      {IdChkTrayUse, L"Button", 32, page + 249, 436, 17, nullptr},
      {IdChkNotifications, L"Button", 32, page + 274, 436, 17, nullptr},
      {IdEditInfo, L"Edit", 15, page + 368, 170, 21, nullptr},
  };
  for (const ControlRow& row : home) {
    SCOPED_TRACE(row.id);
    HWND c = Control(w, row.id);
    ASSERT_TRUE(c);
    if (row.cls) {
      EXPECT_STREQ(ClassOf(c).c_str(), row.cls);
    }
    const RECT r = RectIn(w, c);
    EXPECT_EQ(r.left, row.x);
    EXPECT_EQ(r.top, row.y);
    EXPECT_EQ(r.right - r.left, row.w);
    if (row.h >= 0) {
      EXPECT_EQ(r.bottom - r.top, row.h);
    }
    if (row.text) {
      EXPECT_EQ(Text(c), row.text);
    }
  }
  // The drop-down lists carry their items; the version line is read-only.
  HWND minutes = Control(w, IdEditMinute);
  EXPECT_EQ(::SendMessageW(minutes, CB_GETCOUNT, 0, 0), 7);
  EXPECT_TRUE(::GetWindowLongW(Control(w, IdEditInfo), GWL_STYLE) & ES_READONLY);
  EXPECT_FALSE(::IsWindowVisible(Control(w, IdIndicator)));
}

TEST_F(EndToEnd, PageButtonsSwitchPagesAndDonateLeavesThePageAlone) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  EXPECT_TRUE(PageShown(w, IdBtnClean));
  EXPECT_FALSE(PageShown(w, IdChkAutoStart));
  Click(Control(w, IdBtnConfig));
  EXPECT_TRUE(WaitFor([&] { return PageShown(w, IdChkAutoStart); }));
  EXPECT_FALSE(PageShown(w, IdBtnClean));
  Click(Control(w, IdBtnDonate));
  ::Sleep(300);
  EXPECT_TRUE(PageShown(w, IdChkAutoStart));
  Click(Control(w, IdBtnHome));
  EXPECT_TRUE(WaitFor([&] { return PageShown(w, IdBtnClean); }));
  EXPECT_FALSE(PageShown(w, IdChkAutoStart));
}

TEST_F(EndToEnd, ClickingTheVersionLineLeavesNoCaret) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  Click(Control(w, IdBtnConfig));
  HWND info = Control(w, IdEditInfo);
  ::SetForegroundWindow(w);
  Click(info);
  ::Sleep(200);
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(w, nullptr), &gui));
  EXPECT_NE(gui.hwndFocus, info);
  EXPECT_NE(gui.hwndCaret, info);
}

TEST_F(EndToEnd, PlainSecondStartBringsTheHiddenWindowUpAndEnds) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  ::PostMessageW(w, WM_CLOSE, 0, 0);  // closing hides
  ASSERT_TRUE(WaitHidden(w));
  EXPECT_TRUE(first_.Running());
  Process second(L"");
  EXPECT_TRUE(Ends(second, 20000));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(w) != FALSE; }));
  EXPECT_EQ(CountMainWindows(), 1);
}

TEST_F(EndToEnd, PlainSecondStartRestoresAMinimisedWindow) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  ::ShowWindowAsync(w, SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return ::IsIconic(w) != FALSE; }));
  Process second(L"");
  EXPECT_TRUE(Ends(second, 20000));
  EXPECT_TRUE(WaitFor([&] { return !::IsIconic(w); }));
}

TEST_F(EndToEnd, SecondStartWithStartSwitchChangesNothing) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  ::PostMessageW(w, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitHidden(w));
  Process second(L"/start");
  EXPECT_TRUE(Ends(second, 20000));
  EXPECT_EQ(second.ExitCode(), 0u);
  ::Sleep(300);
  EXPECT_FALSE(::IsWindowVisible(w));
  EXPECT_EQ(CountMainWindows(), 1);
}

// "/inst" in second place, a switch in other letter case, or with extra characters: all plain starts.
TEST_F(EndToEnd, OtherArgumentsAsSecondStartOnlyBringTheWindowUp) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  for (const wchar_t* args : {L"/inst", L"/START", L"x /start", L"/startx"}) {
    SCOPED_TRACE(args);
    ::PostMessageW(w, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitHidden(w));
    Process second(args);
    EXPECT_TRUE(Ends(second, 20000));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(w) != FALSE; }));
    EXPECT_EQ(CountMainWindows(), 1);
  }
}

TEST_F(EndToEnd, UninstallEndsTheRunningInstanceWithinAboutOneSecond) {
  ASSERT_TRUE(StartInstance());
  Process uninst(L"/uninst");
  EXPECT_TRUE(Ends(uninst, 20000));
  EXPECT_EQ(uninst.ExitCode(), 0u);
  EXPECT_TRUE(Ends(first_, 3000));
  EXPECT_EQ(MainWindow(), nullptr);
}

// That no 100 ms wait is made with nothing running is shown with a fake in entry_test;
// a wall-clock bound here would only measure how busy the machine is.
TEST_F(EndToEnd, UninstallWithNothingRunningEndsAndStartsNothing) {
  Process uninst(L"/uninst");
  EXPECT_TRUE(Ends(uninst, 20000));
  EXPECT_EQ(uninst.ExitCode(), 0u);
  EXPECT_EQ(MainWindow(), nullptr);
}

// Another program holds the instance name with a window that never answers (as a hung copy
// would): no start waits on it beyond the hand-off's time-out, and none starts a second instance.
TEST_F(EndToEnd, AWindowThatNeverAnswersHoldsUpNoStart) {
  Process squatter(L"", BesideSweeplet(L"SweepletSquatter.exe"));
  ASSERT_TRUE(WaitFor([&] {
    DWORD pid = 0;
    HWND w = MainWindow();
    return w && ::GetWindowThreadProcessId(w, &pid) && pid == squatter.Id();
  }, 20000));
  struct Row {
    const wchar_t* args;
    DWORD exitCode;  // non-zero: the running copy could not be reached
  };
  for (const Row& row : {Row{L"", 1}, Row{L"/uninst", 1}, Row{L"/start", 0}, Row{L"/clean", 1}}) {
    SCOPED_TRACE(row.args);
    Process second(row.args);
    EXPECT_TRUE(Ends(second, 30000));  // a hang never ends: before the time-out it lasted as long as the window
    EXPECT_EQ(second.ExitCode(), row.exitCode);
    EXPECT_EQ(CountMainWindows(), 1);
    EXPECT_TRUE(squatter.Running());
  }
}

TEST_F(EndToEnd, FirstStartWithStartSwitchShowsNoWindow) {
  StartInstance(L"/start", false);
  HWND w = MainWindow();
  ASSERT_TRUE(w);
  ::Sleep(500);
  EXPECT_FALSE(::IsWindowVisible(w));
}

TEST_F(EndToEnd, ThreeStartsAtTheSameMomentLeaveOneInstance) {
  std::vector<Process> starts;
  for (int i = 0; i < 3; ++i) starts.emplace_back(L"");
  ASSERT_TRUE(WaitFor([] { return MainWindow() != nullptr; }, 20000));
  ::Sleep(2000);
  int running = 0;
  for (auto& p : starts) running += p.Running();
  EXPECT_EQ(running, 1);
  EXPECT_EQ(CountMainWindows(), 1);
}

// A dialog box (the quit question) shown by the process that owns `w`.
HWND FindQuestion(HWND w) {
  const DWORD pid = [&] {
    DWORD p = 0;
    ::GetWindowThreadProcessId(w, &p);
    return p;
  }();
  HWND found = nullptr;
  WaitFor([&] {
    HWND d = nullptr;
    while ((d = ::FindWindowExW(nullptr, d, L"#32770", nullptr)) != nullptr) {
      DWORD p = 0;
      ::GetWindowThreadProcessId(d, &p);
      if (p == pid && ::IsWindowVisible(d)) {
        found = d;
        return true;
      }
    }
    return false;
  });
  return found;
}

TEST_F(EndToEnd, QuitAsksFirstNoKeepsRunningYesEnds) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  ::PostMessageW(w, WM_COMMAND, IdBtnClose, 0);
  HWND question = FindQuestion(w);
  ASSERT_TRUE(question);
  // No is preselected: it holds the keyboard focus.
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  EXPECT_TRUE(WaitFor([&] {
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(question, nullptr), &gui) &&
           gui.hwndFocus == ::GetDlgItem(question, IDNO);
  }, 3000));
  ::PostMessageW(question, WM_COMMAND, IDNO, 0);
  EXPECT_TRUE(WaitFor([&] { return !::IsWindow(question); }));
  ::Sleep(300);
  EXPECT_TRUE(first_.Running());
  EXPECT_TRUE(::IsWindowVisible(w));

  ::PostMessageW(w, WM_COMMAND, IdBtnClose, 0);
  question = FindQuestion(w);
  ASSERT_TRUE(question);
  ::PostMessageW(question, WM_COMMAND, IDYES, 0);
  EXPECT_TRUE(Ends(first_, 10000));
  EXPECT_EQ(first_.ExitCode(), 0u);
}

TEST_F(EndToEnd, SessionEndEndsWithoutAQuestion) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
  EXPECT_EQ(answer, 1u);
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(w, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  EXPECT_TRUE(Ends(first_, 10000));
  EXPECT_EQ(first_.ExitCode(), 0u);
}

// A log-off, a shutdown or a Restart Manager close that another program refused or the user
// cancelled: the query is answered, then WM_ENDSESSION says FALSE. The program stays, shown or in
// the tray, and still answers a hand-off.
TEST_F(EndToEnd, ACancelledSessionEndLeavesItRunningShownOrInTheTray) {
  struct Row {
    const wchar_t* args;
    bool visible;
  };
  for (const Row& row : {Row{L"", true}, Row{L"/start", false}}) {
    SCOPED_TRACE(::testing::Message() << "started with \"" << row.args << "\"");
    HWND w = StartInstance(row.args, row.visible);
    ASSERT_TRUE(w);
    for (const LPARAM why : {LPARAM{0}, LPARAM{ENDSESSION_CLOSEAPP}, LPARAM{LPARAM(ENDSESSION_LOGOFF)}}) {
      SCOPED_TRACE(::testing::Message() << "lParam " << std::hex << why);
      DWORD_PTR answer = 0;
      ASSERT_TRUE(::SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, why, SMTO_ABORTIFHUNG, 5000, &answer));
      EXPECT_EQ(answer, 1u);
      DWORD_PTR ignored = 0;
      ASSERT_TRUE(::SendMessageTimeoutW(w, WM_ENDSESSION, FALSE, why, SMTO_ABORTIFHUNG, 5000, &ignored));
      EXPECT_EQ(::IsWindowVisible(w) != FALSE, row.visible);
    }
    // Posted messages run in order: once a click posted now has made the Config page, anything
    // that the session's messages posted (a close) has run before it.
    ASSERT_EQ(Control(w, IdChkAutoStart), nullptr);
    ::PostMessageW(w, WM_COMMAND, MAKEWPARAM(IdBtnConfig, BN_CLICKED), reinterpret_cast<LPARAM>(Control(w, IdBtnConfig)));
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(w) || Control(w, IdChkAutoStart) != nullptr; }));
    EXPECT_TRUE(::IsWindow(w));
    EXPECT_TRUE(first_.Running());
    EXPECT_EQ(MainWindow(), w);
    EXPECT_EQ(::IsWindowVisible(w) != FALSE, row.visible) << "shown stays shown, the tray stays the tray";
    KillAll();
  }
}

// What Windows Installer's Restart Manager sends to a copy that holds a file the install replaces or
// removes: the installer does not close the program itself. Shown or hidden in the tray, it ends.
TEST_F(EndToEnd, RestartManagersCloseEndsItShownOrInTheTray) {
  struct Row {
    const wchar_t* args;
    bool visible;
  };
  for (const Row& row : {Row{L"", true}, Row{L"/start", false}}) {
    SCOPED_TRACE(::testing::Message() << "started with \"" << row.args << "\"");
    HWND w = StartInstance(row.args, row.visible);
    ASSERT_TRUE(w);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(
        ::SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, 1u);
    // The window may already be going; the answer does not matter.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(w, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &ignored);
    EXPECT_TRUE(Ends(first_, 10000));
    EXPECT_EQ(first_.ExitCode(), 0u);
    EXPECT_TRUE(WaitFor([] { return MainWindow() == nullptr; }));
  }
}

// The tests' build of the program with a cleaning job held open by the gate event; the test
// lets the job end when it has set up what should arrive during it.
class DuringAJob : public EndToEnd {
 protected:
  HWND StartWithAJobRunning() {
    gate_.reset(::CreateEventW(nullptr, TRUE, FALSE, kPurgeGateName));
    EXPECT_TRUE(gate_);
    HWND w = StartInstanceOf(kSlowPurgeExe);
    if (!w) return nullptr;
    HWND button = Control(w, IdBtnClean);
    ::PostMessageW(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowEnabled(button); }));
    return w;
  }
  void EndTheJob() { ::SetEvent(gate_.get()); }
  // Starts the tests' build as the first instance, shown, with no job.
  HWND StartInstanceOf(const wchar_t* exe) {
    first_ = Process(L"", BesideSweeplet(exe));
    EXPECT_TRUE(first_.Started()) << "error " << first_.StartError();
    EXPECT_TRUE(WaitFor([] { return MainWindow() && ::IsWindowVisible(MainWindow()); }, 60000));
    return MainWindow();
  }

  // What is tested is that the end comes once the job is over, not how fast: a hang never ends.
  // Closing alone, with no job, takes about four seconds under Wine here (the Task Scheduler's
  // first connection, the icon's removal without a notification area, and destroying a captioned
  // window without a window manager), so the bound leaves room for that.
  static constexpr DWORD kAfterTheJobMs = 10000;

  UniqueHandle gate_;
};

// Visible top-level windows of the process `pid`.
int VisibleWindowsOf(DWORD pid) {
  struct Count {
    DWORD pid;
    int n;
  } count{pid, 0};
  ::EnumWindows(
      [](HWND w, LPARAM param) -> BOOL {
        auto* c = reinterpret_cast<Count*>(param);
        DWORD p = 0;
        ::GetWindowThreadProcessId(w, &p);
        if (p == c->pid && ::IsWindowVisible(w)) ++c->n;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.n;
}

// "/clean" with no copy running purges in its own process, with no window and no tray icon, and
// ends with 0. The tests' build holds its purge at the gate: until the gate opens the start is
// still there, windowless.
TEST_F(DuringAJob, CleanAloneShowsNothingPurgesAndEndsWithZero) {
  Process plain(L"/clean");
  EXPECT_TRUE(Ends(plain, 20000));
  EXPECT_EQ(plain.ExitCode(), 0u);
  EXPECT_EQ(CountMainWindows(), 0);

  gate_.reset(::CreateEventW(nullptr, TRUE, FALSE, kPurgeGateName));
  ASSERT_TRUE(gate_);
  Process held(L"/clean", BesideSweeplet(kSlowPurgeExe));
  ASSERT_TRUE(held.Started());
  const bool endedOrShowed = WaitFor([&] { return !held.Running() || VisibleWindowsOf(held.Id()) > 0; }, 1500);
  EXPECT_FALSE(endedOrShowed) << "it should be in its purge, showing nothing";
  EXPECT_EQ(CountMainWindows(), 0);
  EndTheJob();
  EXPECT_TRUE(Ends(held, 20000));
  EXPECT_EQ(held.ExitCode(), 0u);
  EXPECT_EQ(CountMainWindows(), 0);
}

// Beside a running copy "/clean" hands the cleaning over: the copy runs the job (its button goes
// busy until the purge ends), no second window appears, and "/clean" ends with 0 only once the
// copy's cleaning has ended.
TEST_F(DuringAJob, CleanBesideARunningCopyHandsTheJobOverAndWaitsForIt) {
  gate_.reset(::CreateEventW(nullptr, TRUE, FALSE, kPurgeGateName));
  ASSERT_TRUE(gate_);
  HWND w = StartInstanceOf(kSlowPurgeExe);
  ASSERT_TRUE(w);
  HWND button = Control(w, IdBtnClean);
  ASSERT_TRUE(::IsWindowEnabled(button));
  Process clean(L"/clean");
  EXPECT_TRUE(WaitFor([&] { return !::IsWindowEnabled(button); })) << "the copy's job runs";
  EXPECT_FALSE(WaitFor([&] { return !clean.Running(); }, 1500)) << "it waits for the cleaning to end";
  EXPECT_EQ(CountMainWindows(), 1);
  EndTheJob();
  EXPECT_TRUE(Ends(clean, 20000));
  EXPECT_EQ(clean.ExitCode(), 0u);
  EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(button) != FALSE; }));
  EXPECT_TRUE(first_.Running());
  EXPECT_EQ(CountMainWindows(), 1);
}

// A copy already cleaning: "/clean" ends at once with 3 (busy), and the copy's job goes on.
TEST_F(DuringAJob, CleanWhileTheCopyCleansEndsWithBusy) {
  HWND w = StartWithAJobRunning();
  ASSERT_TRUE(w);
  Process clean(L"/clean");
  EXPECT_TRUE(Ends(clean, 20000));
  EXPECT_EQ(clean.ExitCode(), 3u);
  EXPECT_FALSE(::IsWindowEnabled(Control(w, IdBtnClean))) << "the job it found still runs";
  EndTheJob();
  EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(Control(w, IdBtnClean)) != FALSE; }));
}

// The line "/clean" prints, read from the output its starter gave it.
std::string CleanOutput(const std::wstring& arguments, DWORD& exitCode) {
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring file = std::wstring(folder) + L"sweeplet-clean-line.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  std::string text;
  {
    UniqueHandle out(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    if (!out || out.get() == INVALID_HANDLE_VALUE) return "<no file>";
    Process clean(arguments, SweepletPath(), out.get());
    if (!Ends(clean, 30000)) return "<no end>";
    exitCode = clean.ExitCode();
  }
  UniqueHandle in(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  char buffer[1024] = {};
  DWORD read = 0;
  ::ReadFile(in.get(), buffer, sizeof buffer - 1, &read, nullptr);
  in.reset();
  ::DeleteFileW(file.c_str());
  return std::string(buffer, read);
}

// Under Wine every request is accepted: "/clean" with no copy running cleans (0); with every area
// switched off in the settings nothing can be cleaned (2), unless the command line names areas;
// an unknown area is refused (4) before anything starts. Each prints its one line.
TEST_F(EndToEnd, CleanAloneSaysHowItWentInItsExitCodeAndItsLine) {
  DWORD code = 99;
  const std::string cleaned = CleanOutput(L"/clean", code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(cleaned.starts_with("Freed: ") || cleaned == "Nothing more to free.\r\n") << cleaned;
  EXPECT_TRUE(cleaned.ends_with("\r\n")) << cleaned;

  EXPECT_EQ(CleanOutput(L"/clean /areas:workingsets,everything", code),
            "Unknown option or area: everything (areas: filecache, workingsets, standby-low, standby, modified, "
            "combine)\r\n");
  EXPECT_EQ(code, 4u);
  EXPECT_EQ(CountMainWindows(), 0);

  for (const wchar_t* area : {L"purge_filecache", L"purge_workingsets", L"purge_standby_low", L"purge_standby",
                              L"purge_modified", L"purge_combine"}) {
    const DWORD off = 0;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Orvane\\Sweeplet", area, REG_DWORD, &off, sizeof off),
              ERROR_SUCCESS);
  }
  EXPECT_EQ(CleanOutput(L"/clean", code),
            "Nothing could be cleaned: no area is chosen, or the system refused every request (administrator rights "
            "are needed).\r\n");
  EXPECT_EQ(code, 2u);
  CleanOutput(L"/clean /areas:standby-low", code);
  EXPECT_EQ(code, 0u) << "areas named on the command line";
}

// Beside a running copy whose settings switch every area off, the copy's answer comes back: 2.
TEST_F(EndToEnd, CleanThroughTheCopyBringsBackItsResult) {
  for (const wchar_t* area : {L"purge_filecache", L"purge_workingsets", L"purge_standby_low", L"purge_standby",
                              L"purge_modified", L"purge_combine"}) {
    const DWORD off = 0;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Orvane\\Sweeplet", area, REG_DWORD, &off, sizeof off),
              ERROR_SUCCESS);
  }
  StartInstance(L"", true);
  DWORD code = 99;
  EXPECT_EQ(CleanOutput(L"/clean", code).substr(0, 25), "Nothing could be cleaned:");
  EXPECT_EQ(code, 2u);
  CleanOutput(L"/clean /areas:combine", code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(CountMainWindows(), 1);
}

TEST_F(DuringAJob, UninstallWaitsForTheJobThenEnds) {
  ASSERT_TRUE(StartWithAJobRunning());
  Process uninst(L"/uninst");
  ::Sleep(500);
  EXPECT_TRUE(first_.Running()) << "the job's purge is not cut off";
  EndTheJob();
  EXPECT_TRUE(Ends(first_, kAfterTheJobMs));
  EXPECT_TRUE(Ends(uninst, kAfterTheJobMs));
  EXPECT_EQ(MainWindow(), nullptr);
}

TEST_F(DuringAJob, SessionEndWaitsForTheJobThenEnds) {
  HWND w = StartWithAJobRunning();
  ASSERT_TRUE(w);
  DWORD_PTR answer = 0;
  ASSERT_TRUE(::SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer));
  EXPECT_EQ(answer, 1u);
  // The session really ends: the window waits for the job before it goes.
  std::thread ending([w] {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(w, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 20000, &ignored);
  });
  ::Sleep(500);
  EXPECT_TRUE(first_.Running());
  EndTheJob();
  EXPECT_TRUE(Ends(first_, kAfterTheJobMs));
  ending.join();
  EXPECT_EQ(MainWindow(), nullptr);
}

// A second Quit while the question is open brings that question forward, also from behind the
// program's own window (the tray menu puts that in front); it does not ask again.
TEST_F(EndToEnd, QuitWhileTheQuestionIsOpenAsksOnlyOnce) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  ::PostMessageW(w, WM_COMMAND, IdBtnClose, 0);
  HWND question = FindQuestion(w);
  ASSERT_TRUE(question);
  ::SetForegroundWindow(w);
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == w; }));
  ::PostMessageW(w, WM_COMMAND, IdBtnClose, 0);
  EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == question; }));
  ::Sleep(500);
  int questions = 0;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(w, &pid);
  HWND d = nullptr;
  while ((d = ::FindWindowExW(nullptr, d, L"#32770", nullptr)) != nullptr) {
    DWORD p = 0;
    ::GetWindowThreadProcessId(d, &p);
    if (p == pid && ::IsWindowVisible(d)) ++questions;
  }
  EXPECT_EQ(questions, 1);
  ::PostMessageW(question, WM_COMMAND, IDYES, 0);
  EXPECT_TRUE(Ends(first_, 10000));
}

TEST_F(EndToEnd, CloseHidesAndTheProgramLivesOn) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitHidden(w));
  ::Sleep(300);
  EXPECT_TRUE(first_.Running());
  EXPECT_TRUE(::IsWindow(w));
}

TEST_F(EndToEnd, HomeShowsThePhysicalFiguresOfTheMachine) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  MEMORYSTATUSEX m{};
  m.dwLength = sizeof(m);
  ::GlobalMemoryStatusEx(&m);
  const unsigned long long totalMb = (m.ullTotalPhys + (1 << 19)) >> 20;
  std::wstring grouped = std::to_wstring(totalMb);
  for (int i = static_cast<int>(grouped.size()) - 3; i > 0; i -= 3) grouped.insert(static_cast<size_t>(i), L",");
  const std::wstring line = Text(Control(w, IdLblPhysStatus));
  EXPECT_NE(line.find(L" MB / " + grouped + L" MB (Usage: "), std::wstring::npos) << std::string(line.begin(), line.end());
  EXPECT_NE(Text(Control(w, IdLblVirtualStatus)).find(L" MB ("), std::wstring::npos);
}

TEST_F(EndToEnd, CleanButtonGoesBlankAndDisabledThenBack) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  HWND button = Control(w, IdBtnClean);
  const std::wstring caption = Text(button);
  EXPECT_EQ(caption, L"Clean memory");
  bool sawBusy = false;
  ::PostMessageW(button, BM_CLICK, 0, 0);
  WaitFor([&] {
    if (!::IsWindowEnabled(button) && Text(button).empty()) sawBusy = true;
    return sawBusy;
  }, 3000);
  // The purge is quick under Wine; the busy state may already be over, but it must end idle.
  EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(button) && Text(button) == caption; }));
}

TEST_F(EndToEnd, SettingsFromTheRegistryShowOnTheConfigPageAndClicksAreStored) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Orvane\\Sweeplet", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr), ERROR_SUCCESS);
  const DWORD one = 1, zero = 0, seven = 7;
  ::RegSetValueExW(key, L"enabled_usage_page", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
  ::RegSetValueExW(key, L"limit_usage_phys", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), 4);
  ::RegSetValueExW(key, L"limit_usage_work", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), 4);
  ::RegCloseKey(key);

  HWND w = StartInstance();
  ASSERT_TRUE(w);
  Click(Control(w, IdBtnConfig));
  ASSERT_TRUE(WaitFor([&] { return Control(w, IdChkUsagePage) != nullptr; }));
  EXPECT_EQ(::SendMessageW(Control(w, IdChkUsagePage), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(::IsWindowEnabled(Control(w, IdEditUsagePage)));
  EXPECT_FALSE(::IsWindowEnabled(Control(w, IdEditUsagePhys)));
  EXPECT_EQ(Text(Control(w, IdEditUsagePhys)), L"30");
  EXPECT_EQ(::SendMessageW(Control(w, IdEditUsageWork), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(Text(Control(w, IdEditMinute)), L"30");

  Click(Control(w, IdChkCleanOnTray));
  DWORD value = 0, size = sizeof(value), type = 0;
  EXPECT_TRUE(WaitFor([&] {
    size = sizeof(value);
    return ::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Orvane\\Sweeplet", L"cleanontray", RRF_RT_ANY, &type, &value,
                          &size) == ERROR_SUCCESS;
  }));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 1u);
  size = sizeof(value);
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Orvane\\Sweeplet", L"limit_usage_work", RRF_RT_ANY, &type,
                           &value, &size), ERROR_SUCCESS);
  EXPECT_EQ(value, 7u);  // kept until the user picks an item
}

// The window's keyboard focus, read from outside as any other program would.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// A key pressed and released on whatever has the focus, posted like the system posts typed keys.
void PostKey(HWND window, UINT vk) {
  HWND focus = FocusOf(window);
  HWND target = focus ? focus : window;
  ::PostMessageW(target, WM_KEYDOWN, vk, 1);
  ::PostMessageW(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001));
}

DWORD StoredSwitch(const wchar_t* name) {
  DWORD value = 0xDEADBEEF, size = sizeof(value);
  ::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Orvane\\Sweeplet", name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

TEST_F(EndToEnd, KeysAloneReachTheConfigPageAndTickABoxThatIsStoredAtOnce) {
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  ::SetForegroundWindow(w);
  HWND config = Control(w, IdBtnConfig), box = nullptr;
  // Tab, Tab: the Config page button; Space shows its page and takes the focus to the first box.
  PostKey(w, VK_TAB);
  ASSERT_TRUE(WaitFor([&] { return FocusOf(w) == Control(w, IdBtnHome); }));
  PostKey(w, VK_TAB);
  ASSERT_TRUE(WaitFor([&] { return FocusOf(w) == config; }));
  PostKey(w, VK_SPACE);
  ASSERT_TRUE(WaitFor([&] {
    box = Control(w, IdChkUsagePhys);  // made by this first showing of its page
    return box != nullptr && FocusOf(w) == box;
  }));
  EXPECT_TRUE(::IsWindowVisible(box));
  EXPECT_FALSE(::IsWindowVisible(Control(w, IdBtnClean)));

  PostKey(w, VK_SPACE);
  EXPECT_TRUE(WaitFor([&] { return StoredSwitch(L"enabled_usage_phys") == 1; }, 3000));
  EXPECT_EQ(::SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(::IsWindowEnabled(Control(w, IdEditUsagePhys)));
  PostKey(w, VK_RETURN);
  EXPECT_TRUE(WaitFor([&] { return StoredSwitch(L"enabled_usage_phys") == 0; }, 3000));
  EXPECT_EQ(::SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

// Run by CTest a second time with the user locale set to French (see CMakeLists.txt).
TEST_F(EndToEnd, FrenchUserSeesTheFrenchWindow) {
  wchar_t language[16] = {};
  ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, 16);
  if (std::wstring(language) != L"fr") GTEST_SKIP() << "runs under a French user locale only";
  HWND w = StartInstance();
  ASSERT_TRUE(w);
  EXPECT_EQ(Text(Control(w, IdBtnClean)), L"Nettoyer la m\u00e9moire");
  EXPECT_EQ(Text(w), L"Sweeplet");
  EXPECT_EQ(Text(Control(w, IdBtnHome)), L"Accueil");
  // French groups thousands with a no-break space and writes a decimal comma.
  EXPECT_NE(Text(Control(w, IdLblVirtualStatus)).find(L","), std::wstring::npos);
}

}  // namespace
}  // namespace sweeplet::drive
