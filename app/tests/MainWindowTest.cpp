// The main window in-process, with a fake clock, fake memory and token calls, a fake notification,
// a link recorder, a fake Task Scheduler and a settings key of its own: the cleaning job, the
// automatic rule and the settings page as wired together.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/ControlIds.h"
#include "app/Entry.h"
#include "app/MainWindow.h"
#include "app/TrayArea.h"
#include "app/TrayIcon.h"
#include "app/tests/ScratchSettings.h"

#include <winhttp.h>  // after <windows.h>, which the window's header brings

#include "autostart/tests/FakeTaskScheduler.h"
#include "common/tests/AccessibleProbe.h"
#include "common/Utf.h"
#include "theme/ActivityIndicator.h"
#include "theme/StyledButton.h"
#include "common/AppGlobals.h"
#include "common/UiDispatcher.h"
#include "common/Utf.h"
#include "i18n/TranslateWin.h"
#include "i18n/TranslationTable.h"
#include "common/ModulePath.h"
#include "common/ShellOpen.h"
#include "common/Utf.h"
#include "memory/MemoryApi.h"
#include "memory/Privilege.h"
#include "tests/e2e/Driver.h"
#include "update/UpdateStatus.h"
#include "update/UpdateText.h"

namespace sweeplet {
namespace {

using drive::Control;

constexpr double kSecond = 1.0 / 86400.0;

class FakeClock : public IClock {
 public:
  double now = 46000.5;  // a day in 2025, noon
  double Now() override { return now; }
  void Advance(double seconds) { now += seconds * kSecond; }
};

// Read by the tick on the user-interface thread and by the job on its own: the amounts are atomic,
// and every reading notes its thread.
class FakeMemory : public IMemoryApi {
 public:
  uint64_t totalPhys = 16ull << 30;
  std::atomic<uint64_t> availPhys{4ull << 30};  // 75 % in use
  std::atomic<uint64_t> availAfterPurge{0};     // non-zero: what a purge leaves available
  std::atomic<int> purges{0};
  std::atomic<int> requests{0};  // every request of every purge
  HANDLE release = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);  // signalled: purges do not wait
  ~FakeMemory() override { ::CloseHandle(release); }

  void ReadGlobalCounters(GlobalMemoryCounters& c) noexcept override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      readers_.push_back(::GetCurrentThreadId());
    }
    c.TotalPhys = totalPhys;
    c.AvailPhys = availPhys;
    c.TotalPageFile = 32ull << 30;
    c.AvailPageFile = 30ull << 30;
  }
  int32_t QuerySystemInformation(uint32_t, void*, uint32_t) noexcept override { return -1; }
  int32_t SetSystemInformation(uint32_t infoClass, void*, uint32_t) noexcept override {
    ++requests;
    if (infoClass == kSystemFileCacheInformation) {
      ::WaitForSingleObject(release, 10000);
      if (const uint64_t after = availAfterPurge) availPhys = after;
      ++purges;
    }
    return 0;
  }
  // The threads that read the counters since the last call.
  std::vector<DWORD> TakeReaders() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(readers_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<DWORD> readers_;
};

// The process list: which names run, and how often it was looked at.
class FakePrograms : public IRunningPrograms {
 public:
  std::vector<std::wstring> running;
  int looks = 0;
  bool AnyRunning(const std::vector<std::wstring>& names) override {
    ++looks;
    for (const std::wstring& name : names) {
      for (const std::wstring& r : running) {
        if (::CompareStringOrdinal(name.c_str(), -1, r.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
      }
    }
    return false;
  }
};

class FakeNotifier : public INotifier {
 public:
  std::vector<std::wstring> bodies;
  void Show(const std::wstring&, const std::wstring& body) override { bodies.push_back(body); }
};

class FakeLinks : public ILinkOpener {
 public:
  std::vector<std::wstring> opened;
  void Open(std::wstring_view target) noexcept override { opened.emplace_back(target); }
};

// A token that holds every privilege; tells `log` which ones are enabled, so their place among
// the start-up steps shows.
class FakeToken : public ITokenApi {
 public:
  explicit FakeToken(std::vector<std::string>& log) : log_(log) {}
  BOOL OpenProcessToken(DWORD, HANDLE* token) override {
    *token = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x4242));
    return TRUE;
  }
  BOOL LookupPrivilege(const wchar_t* name, LUID*) override {
    name_ = name;
    return TRUE;
  }
  BOOL AdjustPrivileges(HANDLE, TOKEN_PRIVILEGES* request, DWORD, TOKEN_PRIVILEGES*, DWORD*) override {
    log_.push_back((request->Privileges[0].Attributes == SE_PRIVILEGE_ENABLED ? "enable " : "disable ") +
                   std::string(name_.begin(), name_.end()));
    return TRUE;
  }
  void CloseToken(HANDLE) override {}
  DWORD LastError() override { return ERROR_SUCCESS; }

 private:
  std::vector<std::string>& log_;
  std::wstring name_;
};

void Pump(DWORD ms = 50) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  MSG msg;
  do {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  } while (::GetTickCount64() < end);
}

template <typename F>
bool PumpUntil(F done, DWORD timeoutMs = 10000) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  while (!done()) {
    if (::GetTickCount64() > end) return false;
    Pump(10);
  }
  return true;
}

std::wstring Text(HWND h) {
  wchar_t buffer[256] = {};
  ::GetWindowTextW(h, buffer, 256);
  return buffer;
}

bool Checked(HWND h) { return ::SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void UserClick(HWND box) { ::SendMessageW(box, BM_CLICK, 0, 0); }

// A user selection in a drop-down list: the list tells its parent, as it does for a real pick.
void UserSelect(HWND list, int position) {
  ::SendMessageW(list, CB_SETCURSEL, position, 0);
  ::SendMessageW(::GetParent(list), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

// The window's settings live in a key of this run's own, never in the program's real one.
const test::ScratchSettings kScratch(L"MainWindow");

DWORD ReadDword(const wchar_t* name, DWORD missing = 0xDEADBEEF) { return kScratch.Read(name, missing); }
void WriteDword(const wchar_t* name, DWORD value) { kScratch.Write(name, value); }
DWORD StoredValueCount() { return kScratch.ValueCount(); }

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitTranslation();
    SetCurrentLanguage("en");
    TFrmSweeplet::RegisterWindowClass(::GetModuleHandleW(nullptr));
  }

  void SetUp() override {
    kScratch.Clear();
    UiDispatcher::SetMain(&dispatcher_);
  }

  void TearDown() override {
    window_.reset();
    UiDispatcher::SetMain(nullptr);
    kScratch.Remove();
  }

  TFrmSweeplet& Open(const std::wstring& firstArgument = L"") {
    Services services;
    services.clock = &clock_;
    services.memory = &memory_;
    services.token = &token_;
    services.taskScheduler = schedulerInUse_;
    services.copyProtected = [this] { return copyProtected_.load(); };
    services.messageBox = [this](HWND, const std::wstring& text) { messages_.push_back(text); };
    services.allowMessage = [this](HWND window, UINT message) { allowed_.emplace_back(window, message); };
    services.links = &links_;
    services.notifier = &notifier_;
    services.programs = &programs_;
    services.settings = {HKEY_CURRENT_USER, kScratch.Path()};
    services.startupStep = [this](const char* step) { steps_.push_back(step); };
    // The real notification area, with every tooltip the window hands it noted on the way.
    services.notifyIcon = [this](DWORD message, NOTIFYICONDATAW* data) {
      if (message == NIM_MODIFY && (data->uFlags & NIF_TIP)) tipsSent_.emplace_back(data->szTip);
      if (message == NIM_MODIFY && (data->uFlags & NIF_ICON)) iconsSent_.push_back(data->hIcon);
      if (message == NIM_MODIFY) ++modifies_;
      shellCalls_.push_back(message);
      if (whileShellAnswers_) whileShellAnswers_(message, data->hWnd);
      return ::Shell_NotifyIconW(message, data);
    };
    window_ = std::make_unique<TFrmSweeplet>(StartOptions{firstArgument}, services);
    EXPECT_TRUE(window_->Create());
    Pump();
    return *window_;
  }

  HWND C(int id) { return Control(window_->Handle(), id); }

  // The Config page's controls are made when it first shows: a click on its page button, as a
  // user's, makes them.
  void OpenConfigPage() {
    HWND button = C(IdBtnConfig);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(window_->ShownPage(), 1);
    ASSERT_NE(C(IdChkUsagePhys), nullptr);
  }

  // The Cleaning page, made by a click on its button as the Config page is.
  void OpenCleaningPage() {
    HWND button = C(IdBtnCleaning);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(window_->ShownPage(), 2);
    ASSERT_NE(C(IdChkAreaStandby), nullptr);
  }

  // Back to the Home page by its button.
  void OpenHomePage() {
    HWND button = C(IdBtnHome);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(window_->ShownPage(), 0);
  }

  FakeClock clock_;
  FakeMemory memory_;
  FakeNotifier notifier_;
  FakePrograms programs_;
  FakeLinks links_;
  std::vector<std::string> steps_;
  FakeToken token_{steps_};
  testing::FakeScheduler scheduler_;
  ITaskSchedulerApi* schedulerInUse_ = &scheduler_;
  std::atomic<bool> copyProtected_{true};
  std::vector<std::wstring> messages_;  // message boxes shown
  std::vector<std::pair<HWND, UINT>> allowed_;  // messages let through from the unelevated shell
  std::vector<std::wstring> tipsSent_;  // tooltips changed in the notification area
  std::vector<HICON> iconsSent_;        // icons changed in the notification area
  int modifies_ = 0;                    // trips to the notification area with a change
  std::vector<DWORD> shellCalls_;       // every request to the notification area, in order
  // Runs inside each request, as a message sent to the window while it waits for the shell would.
  std::function<void(DWORD message, HWND window)> whileShellAnswers_;
  UiDispatcher dispatcher_;
  std::unique_ptr<TFrmSweeplet> window_;
};

TEST_F(MainWindowTest, CleanButtonShowsTheBusyStateUntilTheJobEnds) {
  TFrmSweeplet& w = Open();
  HWND button = C(IdBtnClean);
  ::ResetEvent(memory_.release);
  UserClick(button);
  EXPECT_TRUE(w.IsRunning());
  EXPECT_EQ(Text(button), L"");
  EXPECT_FALSE(::IsWindowEnabled(button));
  EXPECT_EQ(w.TrayPart().Icon()->ImageIndex(), 1);

  w.Clean(true);  // a request while busy is dropped, not queued
  clock_.Advance(42);
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  Pump(100);
  EXPECT_EQ(memory_.purges.load(), 1);
  EXPECT_EQ(Text(button), L"Clean memory");
  EXPECT_TRUE(::IsWindowEnabled(button));
  EXPECT_EQ(w.TrayPart().Icon()->ImageIndex(), 0);
  EXPECT_DOUBLE_EQ(w.GetNextTime(), clock_.now);  // measured from the job's end
  EXPECT_TRUE(notifier_.bodies.empty());          // a button job shows no notification
}

TEST_F(MainWindowTest, TrayClickCleansWithANotificationWhenSwitchedOn) {
  TFrmSweeplet& w = Open();
  OpenConfigPage();
  w.TrayIconClick();  // switched off: shows the window, cleans nothing
  Pump();
  EXPECT_EQ(memory_.purges.load(), 0);

  UserClick(C(IdChkCleanOnTray));
  EXPECT_EQ(ReadDword(L"cleanontray"), 1u);
  w.TrayIconClick();
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning() && memory_.purges.load() == 1; }));
  ASSERT_EQ(notifier_.bodies.size(), 1u);
  EXPECT_EQ(notifier_.bodies[0], L"Optimized memory.\nNothing more to free.");  // the fake frees nothing
}

TEST_F(MainWindowTest, IndicatorShowsOnlyWhenTheWindowWasActiveAtTheStart) {
  TFrmSweeplet& w = Open();
  ::ResetEvent(memory_.release);
  w.Clean(false);  // the window was never shown, so it is not the active window
  EXPECT_FALSE(::IsWindowVisible(C(IdIndicator)));
  EXPECT_FALSE(IsIndicatorAnimating(C(IdIndicator)));
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));

  ::ShowWindow(w.Handle(), SW_SHOW);
  ::SetForegroundWindow(w.Handle());
  ASSERT_TRUE(PumpUntil([&] { return ::GetActiveWindow() == w.Handle(); }));
  ::ResetEvent(memory_.release);
  w.Clean(false);
  EXPECT_TRUE(::IsWindowVisible(C(IdIndicator)));
  EXPECT_TRUE(IsIndicatorAnimating(C(IdIndicator)));
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  EXPECT_FALSE(::IsWindowVisible(C(IdIndicator)));
  EXPECT_FALSE(IsIndicatorAnimating(C(IdIndicator)));
}

TEST_F(MainWindowTest, AutomaticCleaningWaitsForTheGapAndNeverNotifies) {
  TFrmSweeplet& w = Open();
  OpenConfigPage();
  UserClick(C(IdChkUsagePhys));
  UserSelect(C(IdEditUsagePhys), 4);  // "70": usage 75 % is above it
  const double changed = clock_.now;
  EXPECT_DOUBLE_EQ(w.GetNextTime(), changed);

  clock_.Advance(299);
  w.TmrStatusTimer();
  Pump();
  EXPECT_EQ(memory_.purges.load(), 0);

  clock_.Advance(1);
  w.TmrStatusTimer();
  ASSERT_TRUE(PumpUntil([&] { return memory_.purges.load() == 1 && !w.IsRunning(); }));
  EXPECT_TRUE(notifier_.bodies.empty());

  clock_.Advance(299);  // 299 s after the job ended: too soon
  w.TmrStatusTimer();
  Pump();
  EXPECT_EQ(memory_.purges.load(), 1);
  clock_.Advance(1);
  w.TmrStatusTimer();
  ASSERT_TRUE(PumpUntil([&] { return memory_.purges.load() == 2 && !w.IsRunning(); }));
}

TEST_F(MainWindowTest, UsageBelowTheThresholdDoesNotClean) {
  memory_.availPhys = 8ull << 30;  // 50 %
  TFrmSweeplet& w = Open();
  OpenConfigPage();
  UserClick(C(IdChkUsagePhys));
  UserSelect(C(IdEditUsagePhys), 3);  // "60"
  clock_.Advance(3600);
  w.TmrStatusTimer();
  Pump();
  EXPECT_EQ(memory_.purges.load(), 0);
}

TEST_F(MainWindowTest, FirstRunShowsTheDefaults) {
  Open();
  OpenConfigPage();
  for (int box : std::initializer_list<int>{IdChkUsagePhys, IdChkUsagePage, IdChkUsageWork, IdChkMinute,
                                           IdChkCleanOnTray, IdChkAutoStart, IdChkTrayUse}) {
    EXPECT_FALSE(Checked(C(box))) << box;
  }
  EXPECT_TRUE(Checked(C(IdChkNotifications)));
  for (int list : {IdEditUsagePhys, IdEditUsagePage, IdEditUsageWork}) {
    EXPECT_EQ(Text(C(list)), L"90");
    EXPECT_FALSE(::IsWindowEnabled(C(list)));
  }
  EXPECT_EQ(Text(C(IdEditMinute)), L"30");
  EXPECT_EQ(ReadDword(L"limit_usage_phys"), 0xDEADBEEFu);  // nothing written for missing values
}

struct StoredPosition {
  const wchar_t* value;
  DWORD stored;
  int list;
  const wchar_t* shown;
};

class StoredPositions : public MainWindowTest, public ::testing::WithParamInterface<StoredPosition> {};

TEST_P(StoredPositions, SelectTheItemOrLeaveTheListEmpty) {
  WriteDword(GetParam().value, GetParam().stored);
  Open();
  OpenConfigPage();
  EXPECT_EQ(Text(C(GetParam().list)), GetParam().shown);
  EXPECT_EQ(ReadDword(GetParam().value), GetParam().stored);  // not corrected at load
}

INSTANTIATE_TEST_SUITE_P(Positions, StoredPositions,
                         ::testing::Values(StoredPosition{L"limit_usage_phys", 0, IdEditUsagePhys, L"30"},
                                           StoredPosition{L"limit_usage_page", 6, IdEditUsagePage, L"90"},
                                           StoredPosition{L"limit_minute", 6, IdEditMinute, L"60"},
                                           StoredPosition{L"limit_minute", 7, IdEditMinute, L""},
                                           StoredPosition{L"limit_usage_work", 7, IdEditUsageWork, L""},
                                           StoredPosition{L"limit_usage_work", 0xFFFFFFFF, IdEditUsageWork, L""}));

// Each box and list is stored under its own pair of names, and the next start reads them back.
TEST_F(MainWindowTest, EachPairIsStoredUnderItsOwnNamesAndLoadedBack) {
  const struct {
    int box, list;
    const wchar_t* enabledName;
    const wchar_t* limitName;
    int position;
    const wchar_t* shown;
  } pairs[] = {
      {IdChkUsagePhys, IdEditUsagePhys, L"enabled_usage_phys", L"limit_usage_phys", 1, L"40"},
      {IdChkUsagePage, IdEditUsagePage, L"enabled_usage_page", L"limit_usage_page", 2, L"50"},
      {IdChkUsageWork, IdEditUsageWork, L"enabled_usage_work", L"limit_usage_work", 3, L"60"},
      {IdChkMinute, IdEditMinute, L"enabled_minute", L"limit_minute", 4, L"40"},
  };
  Open();
  OpenConfigPage();
  DWORD stored = 0;
  for (const auto& p : pairs) {
    SCOPED_TRACE(p.box);
    UserClick(C(p.box));
    EXPECT_TRUE(::IsWindowEnabled(C(p.list)));
    EXPECT_EQ(ReadDword(p.enabledName), 1u);
    UserSelect(C(p.list), p.position);
    EXPECT_EQ(ReadDword(p.limitName), static_cast<DWORD>(p.position));
    stored += 2;
    EXPECT_EQ(StoredValueCount(), stored) << "no other value is written";
  }
  window_.reset();
  Open();
  OpenConfigPage();
  for (const auto& p : pairs) {
    SCOPED_TRACE(p.box);
    EXPECT_TRUE(Checked(C(p.box)));
    EXPECT_TRUE(::IsWindowEnabled(C(p.list)));
    EXPECT_EQ(Text(C(p.list)), p.shown);
  }
}

TEST_F(MainWindowTest, SwitchesThatAreOnAreWrittenBackAtLoad) {
  // Any non-zero reads as true; the write-back stores the switch as 1.
  WriteDword(L"enabled_usage_page", 2);
  WriteDword(L"cleanontray", 5);
  Open();
  OpenConfigPage();
  EXPECT_TRUE(Checked(C(IdChkUsagePage)));
  EXPECT_TRUE(::IsWindowEnabled(C(IdEditUsagePage)));
  EXPECT_TRUE(Checked(C(IdChkCleanOnTray)));
  EXPECT_EQ(ReadDword(L"cleanontray"), 1u);
  EXPECT_EQ(ReadDword(L"enabled_usage_page"), 1u);
}

TEST_F(MainWindowTest, EachAutomaticSettingMovesTheReferenceTimeTheOthersDoNot) {
  TFrmSweeplet& w = Open();
  OpenConfigPage();
  struct Change {
    int control;
    bool isList;
    bool moves;
  };
  const Change changes[] = {{IdChkUsagePhys, false, true}, {IdChkUsagePage, false, true}, {IdChkUsageWork, false, true},
                            {IdChkMinute, false, true},    {IdEditUsagePhys, true, true}, {IdEditUsagePage, true, true},
                            {IdEditUsageWork, true, true}, {IdEditMinute, true, true},    {IdChkCleanOnTray, false, false},
                            {IdChkAutoStart, false, false}};
  for (const Change& c : changes) {
    SCOPED_TRACE(c.control);
    const double before = w.GetNextTime();
    clock_.Advance(10);
    if (c.isList) {
      UserSelect(C(c.control), 2);
    } else {
      UserClick(C(c.control));
    }
    if (c.moves) {
      EXPECT_DOUBLE_EQ(w.GetNextTime(), clock_.now);
    } else {
      EXPECT_DOUBLE_EQ(w.GetNextTime(), before);
    }
  }
  EXPECT_EQ(ReadDword(L"limit_usage_phys"), 2u);  // "50" is stored as its position
}

TEST_F(MainWindowTest, UncheckingTheIntervalOnlyStoresTheSwitch) {
  WriteDword(L"enabled_minute", 1);
  WriteDword(L"limit_minute", 4);
  Open();
  OpenConfigPage();
  UserClick(C(IdChkMinute));
  EXPECT_FALSE(::IsWindowEnabled(C(IdEditMinute)));
  EXPECT_EQ(Text(C(IdEditMinute)), L"40");
  EXPECT_EQ(ReadDword(L"enabled_minute"), 0u);
  EXPECT_EQ(ReadDword(L"limit_minute"), 4u);
}

TEST_F(MainWindowTest, AnExistingLogonTaskIsRegisteredAgainWithoutDelay) {
  scheduler_.Root()[L"SweepletTaskMachine"] = {};
  Open();
  OpenConfigPage();
  EXPECT_TRUE(PumpUntil([&] { return Checked(C(IdChkAutoStart)); }));
  ASSERT_TRUE(scheduler_.Root().count(L"SweepletTaskMachine"));
  const auto& task = scheduler_.Root().at(L"SweepletTaskMachine");
  ASSERT_EQ(task.triggers.size(), 1u);
  EXPECT_FALSE(task.triggers[0].delay.has_value());
}

TEST_F(MainWindowTest, InstallSwitchRegistersWithADelayThenLoadReplacesIt) {
  Open(L"/inst");
  OpenConfigPage();
  EXPECT_TRUE(PumpUntil([&] { return Checked(C(IdChkAutoStart)); }));
  ASSERT_TRUE(PumpUntil([&] { return !scheduler_.Root().at(L"SweepletTaskMachine").triggers.at(0).delay; }));
  const auto& task = scheduler_.Root().at(L"SweepletTaskMachine");
  ASSERT_EQ(task.triggers.size(), 1u);
  EXPECT_FALSE(task.triggers[0].delay.has_value());
  bool sawDelay = false;
  for (const auto& call : scheduler_.calls) sawDelay |= call.find("PT1M") != std::string::npos;
  EXPECT_TRUE(sawDelay);
}

TEST_F(MainWindowTest, UncheckingAutoStartRemovesTheTaskAndTouchesNoSetting) {
  scheduler_.Root()[L"SweepletTaskMachine"] = {};
  WriteDword(L"cleanontray", 1);
  Open();
  OpenConfigPage();
  ASSERT_TRUE(PumpUntil([&] { return Checked(C(IdChkAutoStart)); }));
  const DWORD valuesBefore = StoredValueCount();
  ASSERT_EQ(valuesBefore, 1u);
  UserClick(C(IdChkAutoStart));
  EXPECT_EQ(scheduler_.Root().count(L"SweepletTaskMachine"), 0u);
  EXPECT_EQ(StoredValueCount(), valuesBefore);
  EXPECT_EQ(ReadDword(L"cleanontray"), 1u);
}

TEST_F(MainWindowTest, HandOffTwoRemovesTheTaskAndEndsTheWindow) {
  scheduler_.Root()[L"SweepletTaskMachine"] = {};
  TFrmSweeplet& w = Open();
  // Only the whole value counts: one whose low half reads 2 is no command.
  ::SendMessageW(w.Handle(), WM_USER, (WPARAM{1} << 32) | static_cast<WPARAM>(HandOff::UninstallAndQuit), 0);
  ASSERT_NE(w.Handle(), nullptr);
  EXPECT_EQ(scheduler_.Root().count(L"SweepletTaskMachine"), 1u);

  ::SendMessageW(w.Handle(), WM_USER, static_cast<WPARAM>(HandOff::UninstallAndQuit), 0);
  EXPECT_EQ(scheduler_.Root().count(L"SweepletTaskMachine"), 0u);
  EXPECT_EQ(w.Handle(), nullptr);
}

// Holds every Task Scheduler operation until released, as a scheduler that is slow to start does.
struct SlowScheduler {
  explicit SlowScheduler(ITaskSchedulerApi& inner)
      : api(inner, [this] {
          callingThread = ::GetCurrentThreadId();
          ::WaitForSingleObject(release, 20000);
        }) {}
  ~SlowScheduler() { ::CloseHandle(release); }
  HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> callingThread{0};
  testing::WatchedScheduler api;
};

// The window is created and its start-up sequence ends while the Task Scheduler has not answered;
// the box shows the task once the answer arrives, and the task is registered again as at every start.
TEST_F(MainWindowTest, TheLogonTaskIsLookedUpAwayFromTheWindowAndTheBoxShowsItWhenItArrives) {
  scheduler_.Root()[L"SweepletTaskMachine"] = {};
  SlowScheduler slow(scheduler_);
  schedulerInUse_ = &slow.api;
  TFrmSweeplet& w = Open();
  OpenConfigPage();
  ASSERT_NE(w.Handle(), nullptr);
  EXPECT_EQ(steps_.back(), "update") << "the whole start-up ran while the scheduler was held";
  EXPECT_FALSE(Checked(C(IdChkAutoStart)));
  ASSERT_TRUE(PumpUntil([&] { return slow.callingThread.load() != 0; }));
  EXPECT_NE(slow.callingThread.load(), ::GetCurrentThreadId()) << "asked from a worker";
  ::SetEvent(slow.release);
  EXPECT_TRUE(PumpUntil([&] { return Checked(C(IdChkAutoStart)); }));
  EXPECT_FALSE(scheduler_.Root().at(L"SweepletTaskMachine").actions.empty()) << "registered again";
  window_.reset();  // before the scheduler it holds
}

TEST_F(MainWindowTest, ClosingWhileTheLogonTaskIsLookedUpNeitherHangsNorCrashes) {
  scheduler_.Root()[L"SweepletTaskMachine"] = {};
  SlowScheduler slow(scheduler_);
  schedulerInUse_ = &slow.api;
  Open();
  ASSERT_TRUE(PumpUntil([&] { return slow.callingThread.load() != 0; }));
  std::thread releaser([&] {
    ::Sleep(300);
    ::SetEvent(slow.release);
  });
  window_.reset();
  releaser.join();
  Pump(100);
  EXPECT_EQ(testing::FakeScheduler::LiveObjects(), 0);
}

// The uninstaller's hand-off can arrive while a click on the box waits for the start's lookup: the
// removal it makes must be the last word, not undone by the click once the wait ends.
TEST_F(MainWindowTest, AnUninstallServedWhileTheBoxWaitsLeavesNoTaskBehind) {
  scheduler_.Root()[L"SweepletTaskMachine"] = {};
  SlowScheduler slow(scheduler_);
  schedulerInUse_ = &slow.api;
  TFrmSweeplet& w = Open();
  OpenConfigPage();
  ASSERT_TRUE(PumpUntil([&] { return slow.callingThread.load() != 0; }));
  HWND window = w.Handle();
  std::thread uninstaller([&] {
    ::Sleep(200);
    ::SendMessageW(window, WM_USER, static_cast<WPARAM>(HandOff::UninstallAndQuit), 0);
  });
  std::thread releaser([&] {
    ::Sleep(500);
    ::SetEvent(slow.release);
  });
  UserClick(C(IdChkAutoStart));  // waits for the lookup, serving the uninstaller meanwhile
  uninstaller.join();
  releaser.join();
  EXPECT_EQ(w.Handle(), nullptr);
  EXPECT_EQ(scheduler_.Root().count(L"SweepletTaskMachine"), 0u);
  window_.reset();  // before the scheduler it holds
}

// A copy that users could replace gets no logon task: the box stays unchecked, a task that starts
// this copy goes, and the user is told once, in a message box after a click, in a notification at start.
TEST_F(MainWindowTest, AnUnprotectedCopyGetsNoLogonTaskAndIsToldOnce) {
  copyProtected_ = false;
  testing::FakeDefinition ours;
  ours.actions.push_back({TASK_ACTION_EXEC, ModulePath(), std::nullopt, std::nullopt});
  scheduler_.Root()[L"SweepletTaskMachine"] = ours;
  Open();
  OpenConfigPage();
  ASSERT_TRUE(PumpUntil([&] { return scheduler_.Root().count(L"SweepletTaskMachine") == 0; }));
  EXPECT_TRUE(PumpUntil([&] { return notifier_.bodies.size() == 1; }));
  EXPECT_FALSE(Checked(C(IdChkAutoStart)));

  UserClick(C(IdChkAutoStart));
  EXPECT_FALSE(Checked(C(IdChkAutoStart)));
  EXPECT_EQ(scheduler_.Root().count(L"SweepletTaskMachine"), 0u);
  EXPECT_TRUE(messages_.empty()) << "told already";
  EXPECT_EQ(notifier_.bodies.size(), 1u);
}

TEST_F(MainWindowTest, AnUnprotectedCopyRefusesTheClickWithAMessageAndInstallWithANotification) {
  copyProtected_ = false;
  Open();
  OpenConfigPage();
  UserClick(C(IdChkAutoStart));
  EXPECT_FALSE(Checked(C(IdChkAutoStart)));
  EXPECT_TRUE(scheduler_.Root().empty());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], TranslateW(Widen(kProtectedFolderNotice)));
  EXPECT_NE(messages_[0], Widen(kProtectedFolderNotice)) << "in the user's language";

  window_.reset();
  messages_.clear();
  Open(L"/inst");
  Pump(200);
  OpenConfigPage();
  EXPECT_TRUE(scheduler_.Root().empty());
  EXPECT_FALSE(Checked(C(IdChkAutoStart)));
  EXPECT_EQ(notifier_.bodies, std::vector<std::wstring>{TranslateW(Widen(kProtectedFolderNotice))});
  EXPECT_TRUE(messages_.empty());
}

// The shell is unelevated: its taskbar re-creation and the icon's events are let through to the
// main window, before the icon exists; a re-created taskbar gets the icon back.
TEST_F(MainWindowTest, TheShellsMessagesAreAllowedAndATaskbarRestartAddsTheIconAgain) {
  TFrmSweeplet& w = Open();
  const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
  EXPECT_EQ(allowed_, (std::vector<std::pair<HWND, UINT>>{{w.Handle(), taskbarCreated},
                                                           {w.Handle(), kTrayCallbackMessage}}));

  // The shell forgets the icon (its process ended): a removal now fails...
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = w.Handle();
  nid.uID = 1;
  ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &nid));
  ASSERT_FALSE(::Shell_NotifyIconW(NIM_DELETE, &nid));
  // ...until the new taskbar announces itself and the window adds the icon again.
  ::SendMessageW(w.Handle(), taskbarCreated, 0, 0);
  EXPECT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &nid));
}

TEST_F(MainWindowTest, HandOffOneShowsTheHiddenWindow) {
  TFrmSweeplet& w = Open(L"/start");
  ASSERT_FALSE(::IsWindowVisible(w.Handle()));
  ::SendMessageW(w.Handle(), WM_USER, static_cast<WPARAM>(HandOff::ShowWindow), 0);
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(w.Handle()) != FALSE; }));
}

TEST_F(MainWindowTest, TheMakersPagesOpenThroughTheLinkOpener) {
  TFrmSweeplet& w = Open();
  const auto command = [&](int id, int code) {
    ::SendMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(C(id)));
  };
  command(IdBtnDonate, BN_CLICKED);
  command(IdLogo, STN_CLICKED);
  ::SendMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(IdBtnCopyright, 0), 0);  // from the tray menu
  EXPECT_EQ(links_.opened, (std::vector<std::wstring>{L"https://www.orvane.net/donate?sweeplet",
                                                      L"http://www.orvane.net/sweeplet",
                                                      L"https://www.orvane.net/sweeplet?v=1.9.0"}));
}

TEST_F(MainWindowTest, ClosingWhileAJobRunsNeitherHangsNorCrashes) {
  TFrmSweeplet& w = Open();
  ::ResetEvent(memory_.release);
  w.Clean(true);
  ASSERT_TRUE(w.IsRunning());
  // The purge finishes a moment after the window has started to go.
  std::thread finisher([this] {
    ::Sleep(300);
    ::SetEvent(memory_.release);
  });
  window_.reset();
  finisher.join();
  Pump(100);
  EXPECT_EQ(memory_.purges.load(), 1);
  EXPECT_TRUE(notifier_.bodies.empty());  // the job's end never ran on a window that is gone
}

TEST_F(MainWindowTest, StartUpRunsItsStepsInOrder) {
  Open();
  const std::string quota = "enable SeIncreaseQuotaPrivilege";
  const std::string profile = "enable SeProfileSingleProcessPrivilege";
  EXPECT_EQ(steps_, (std::vector<std::string>{"window", "controls", "menu", "theme", "translate", "format", "appearance", "config",
                                              "nexttime", quota, profile, "privileges", "status", "posted", "tray",
                                              "lookup", "update"}));
  steps_.clear();
  window_.reset();
  Open(L"/inst");
  EXPECT_EQ(steps_, (std::vector<std::string>{"window", "controls", "menu", "theme", "translate", "format", "appearance",
                                              "install", "config", "nexttime", quota, profile, "privileges", "status",
                                              "posted", "tray", "lookup", "update"}));
}

// The window shows as the entry point shows it, and only then come the tray icon, the logon task's
// lookup and the update check: the status figures are in the first paint, the icon follows at once.
TEST_F(MainWindowTest, WhatTheWindowDoesNotShowWaitsForItsFirstPaint) {
  scheduler_.Root()[L"SweepletTaskMachine"] = {};
  std::atomic<int> lookups{0};
  testing::WatchedScheduler watched(scheduler_, [&lookups] { ++lookups; });
  schedulerInUse_ = &watched;
  Services services;
  services.clock = &clock_;
  services.memory = &memory_;
  services.token = &token_;
  services.taskScheduler = schedulerInUse_;
  services.copyProtected = [] { return true; };
  services.allowMessage = [](HWND, UINT) {};
  services.links = &links_;
  services.notifier = &notifier_;
  services.settings = {HKEY_CURRENT_USER, kScratch.Path()};
  services.startupStep = [this](const char* step) { steps_.push_back(step); };
  window_ = std::make_unique<TFrmSweeplet>(StartOptions{}, services);
  ASSERT_TRUE(window_->Create());
  TFrmSweeplet& w = *window_;
  EXPECT_EQ(steps_.back(), "status");
  EXPECT_EQ(w.TrayPart().Icon(), nullptr);
  EXPECT_EQ(Text(C(IdLblPhysStatus)), L"12,288 MB / 16,384 MB (Usage: 75.00%)");
  struct Painted {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
      if (msg == WM_PAINT) reinterpret_cast<std::vector<std::string>*>(ref)->push_back("paint");
      return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
  };
  ASSERT_TRUE(::SetWindowSubclass(w.Handle(), &Painted::Proc, 1, reinterpret_cast<DWORD_PTR>(&steps_)));
  ::ShowWindow(w.Handle(), SW_SHOWNORMAL);
  ::UpdateWindow(w.Handle());
  ASSERT_TRUE(PumpUntil([&] { return !steps_.empty() && steps_.back() == "update"; }));
  ::RemoveWindowSubclass(w.Handle(), &Painted::Proc, 1);
  const auto paint = std::find(steps_.begin(), steps_.end(), "paint");
  const auto posted = std::find(steps_.begin(), steps_.end(), "posted");
  ASSERT_NE(paint, steps_.end());
  EXPECT_LT(paint, posted) << "the first paint comes before the posted steps";
  ASSERT_NE(w.TrayPart().Icon(), nullptr);
  EXPECT_TRUE(w.TrayPart().Icon()->Visible());
  EXPECT_NE(w.TrayPart().Icon()->Hint().find(L"Physical 75 %"), std::wstring::npos) << "the icon comes with the start's figures";
  EXPECT_TRUE(PumpUntil([&] { return lookups.load() > 0; })) << "the lookup ran once the window had painted";
  window_.reset();
}

// The session ends while the shell is still adding the icon: the window goes, and so does the icon.
TEST_F(MainWindowTest, AWindowThatEndsWhileItsIconIsAddedLeavesNoIcon) {
  whileShellAnswers_ = [this](DWORD message, HWND window) {
    if (message != NIM_ADD) return;
    whileShellAnswers_ = nullptr;
    ::SendMessageW(window, WM_ENDSESSION, TRUE, 0);
  };
  TFrmSweeplet& w = Open();
  EXPECT_EQ(w.Handle(), nullptr);
  EXPECT_EQ(w.TrayPart().Icon(), nullptr);
  ASSERT_FALSE(shellCalls_.empty());
  EXPECT_EQ(shellCalls_.back(), static_cast<DWORD>(NIM_DELETE)) << "the icon went again";
  EXPECT_EQ(std::find(steps_.begin(), steps_.end(), "lookup"), steps_.end()) << "nothing more started";
}

TEST_F(MainWindowTest, LogonStartStaysHiddenWithFiguresAlreadyFilled) {
  TFrmSweeplet& w = Open(L"/start");
  const auto hidden = std::find(steps_.begin(), steps_.end(), "hidden");
  ASSERT_NE(hidden, steps_.end());
  EXPECT_EQ(*(hidden - 1), "status");
  EXPECT_EQ(*(hidden + 1), "posted");
  EXPECT_FALSE(::IsWindowVisible(w.Handle()));
  EXPECT_TRUE(w.TrayPart().Icon()->Visible());
  EXPECT_EQ(Text(C(IdLblPhysStatus)), L"12,288 MB / 16,384 MB (Usage: 75.00%)");
  EXPECT_EQ(::SendMessageW(C(IdProgressBar), PBM_GETPOS, 0, 0), 75);
}

TEST_F(MainWindowTest, VersionLineAndTrayHintShowTheSameVersion) {
  TFrmSweeplet& w = Open();
  OpenConfigPage();
  EXPECT_EQ(Text(C(IdEditInfo)), L"ver: 1.9.0");
  const std::wstring hint = w.TrayPart().Icon()->Hint();
  EXPECT_EQ(hint.substr(0, hint.find(L'\n')), L"Sweeplet 1.9.0");
  EXPECT_EQ(Text(w.Handle()), L"Sweeplet");
}

TEST_F(MainWindowTest, TrayLeftClickShowsTheHiddenWindow) {
  TFrmSweeplet& w = Open(L"/start");
  ASSERT_FALSE(::IsWindowVisible(w.Handle()));
  // Press and release on the icon make one click; a release alone is none.
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONUP);
  Pump();
  EXPECT_FALSE(::IsWindowVisible(w.Handle()));
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONUP);
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(w.Handle()) != FALSE; }));
  EXPECT_TRUE(ShowMainFormFlag());
}

TEST_F(MainWindowTest, TrayIconTurnsGreyDuringAJobAndGreenAfter) {
  TFrmSweeplet& w = Open();
  OpenConfigPage();
  UserClick(C(IdChkCleanOnTray));
  ::ResetEvent(memory_.release);
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONUP);
  EXPECT_EQ(w.TrayPart().Icon()->ImageIndex(), 1);
  EXPECT_FALSE(::IsWindowVisible(w.Handle()));  // cleaning leaves the window as it was
  // A second click during the job does nothing at all.
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONUP);
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  Pump(100);
  EXPECT_EQ(w.TrayPart().Icon()->ImageIndex(), 0);
  EXPECT_EQ(memory_.purges.load(), 1);
  EXPECT_EQ(notifier_.bodies.size(), 1u);
}

TEST_F(MainWindowTest, ClosingHidesUntilQuitIsConfirmed) {
  TFrmSweeplet& w = Open();
  ::ShowWindow(w.Handle(), SW_SHOW);
  ::SendMessageW(w.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(w.Handle()));
  EXPECT_FALSE(::IsWindowVisible(w.Handle()));
  EXPECT_EQ(::SendMessageW(w.Handle(), WM_HELP, 0, 0), 0);
  w.AProc(false);  // an update that was not taken changes nothing
  EXPECT_TRUE(::IsWindow(w.Handle()));
  w.AProc(true);  // an accepted update ends the program
  EXPECT_EQ(w.Handle(), nullptr);
}

// Keyboard use. Keys go through IsDialogMessage first, as in the program's message loop.

// Presses and releases `vk` on whatever has the focus (the window itself when nothing does).
void Press(HWND main, UINT vk, bool shift = false) {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  ::SetKeyboardState(keys);
  for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
    HWND focus = ::GetFocus();
    MSG msg{focus ? focus : main, message, vk, message == WM_KEYDOWN ? 1 : static_cast<LPARAM>(0xC0000001), 0, {}};
    if (!::IsDialogMessageW(main, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  Pump(10);
}

// The control id of the focus; 0 for the main window itself, -1 for anything else.
int FocusId(HWND main) {
  HWND focus = ::GetFocus();
  if (focus == main) return 0;
  return focus && ::IsChild(main, focus) ? ::GetDlgCtrlID(focus) : -1;
}

bool Activate(HWND hwnd) {
  ::ShowWindow(hwnd, SW_SHOW);
  ::SetForegroundWindow(hwnd);
  return PumpUntil([&] { return ::GetActiveWindow() == hwnd; });
}

struct TabWalk {
  const char* name;
  std::vector<const wchar_t*> switchedOn;  // settings stored as 1 before the start
  int page;
  bool notice;
  bool backwards;
  std::vector<int> expected;  // the focus after each key, starting from the window itself
};

void PrintTo(const TabWalk& walk, std::ostream* os) { *os << walk.name; }

constexpr int kNoticeBar = kNoticeBarId;

class TabOrder : public MainWindowTest, public ::testing::WithParamInterface<TabWalk> {};

TEST_P(TabOrder, WalksTheHeaderThenTheShownPageAndNothingHidden) {
  const TabWalk& walk = GetParam();
  for (const wchar_t* name : walk.switchedOn) WriteDword(name, 1);
  TFrmSweeplet& w = Open();
  ASSERT_TRUE(Activate(w.Handle()));
  if (walk.page == 1) w.BtnHomeClick(C(IdBtnConfig));
  if (walk.page == 2) w.BtnHomeClick(C(IdBtnCleaning));
  if (walk.notice) w.ShowUpdateNotice(L"https://n.example/");
  ::SetFocus(w.Handle());
  std::vector<int> walked;
  for (size_t i = 0; i < walk.expected.size(); ++i) {
    Press(w.Handle(), VK_TAB, walk.backwards);
    walked.push_back(FocusId(w.Handle()));
  }
  EXPECT_EQ(walked, walk.expected);
}

std::vector<int> Reversed(std::vector<int> ids) {
  // The same stops the other way round, wrapping to the last one again.
  std::vector<int> cycle(ids.begin(), ids.end() - 1);
  std::vector<int> out(cycle.rbegin(), cycle.rend());
  out.push_back(out.front());
  return out;
}

const std::vector<int> kHomeWalk = {IdBtnHome, IdBtnConfig, IdBtnCleaning, IdBtnDonate, IdBtnHome};
const std::vector<int> kConfigWalk = {IdBtnHome,     IdBtnConfig,  IdBtnCleaning, IdBtnDonate,      IdChkUsagePhys,
                                      IdChkMinute,   IdChkUsagePage, IdChkUsageWork, IdChkAutoStart,
                                      IdChkCleanOnTray, IdChkTrayUse, IdChkNotifications, IdEditInfo, IdBtnHome};
const std::vector<int> kConfigListsWalk = {
    IdBtnHome,      IdBtnConfig,     IdBtnCleaning,  IdBtnDonate,    IdChkUsagePhys, IdChkMinute,    IdEditUsagePhys,
    IdEditMinute,   IdChkUsagePage,  IdEditUsagePage, IdChkUsageWork, IdEditUsageWork, IdChkAutoStart,
    IdChkCleanOnTray, IdChkTrayUse, IdChkNotifications, IdEditInfo, IdBtnHome};
const std::vector<int> kCleaningWalk = {
    IdBtnHome,        IdBtnConfig,        IdBtnCleaning, IdBtnDonate, IdChkAreaFileCache, IdChkAreaWorkingSets,
    IdChkAreaStandbyLow, IdChkAreaStandby, IdChkAreaModified, IdChkAreaCombine, IdHotkey, IdEditPause,
    IdBtnPauseApply,  IdBtnHome};
const std::vector<const wchar_t*> kAllLists = {L"enabled_usage_phys", L"enabled_usage_page", L"enabled_usage_work",
                                               L"enabled_minute"};

INSTANTIATE_TEST_SUITE_P(
    Pages, TabOrder,
    ::testing::Values(TabWalk{"home", {}, 0, false, false, kHomeWalk},
                      TabWalk{"home_back", {}, 0, false, true, Reversed(kHomeWalk)},
                      TabWalk{"config", {}, 1, false, false, kConfigWalk},
                      TabWalk{"config_back", {}, 1, false, true, Reversed(kConfigWalk)},
                      TabWalk{"config_lists", kAllLists, 1, false, false, kConfigListsWalk},
                      TabWalk{"config_lists_back", kAllLists, 1, false, true, Reversed(kConfigListsWalk)},
                      TabWalk{"home_notice", {}, 0, true, false,
                              {IdBtnHome, IdBtnConfig, IdBtnCleaning, IdBtnDonate, kNoticeBar, IdBtnHome}},
                      TabWalk{"cleaning", {}, 2, false, false, kCleaningWalk},
                      TabWalk{"cleaning_back", {}, 2, false, true, Reversed(kCleaningWalk)}),
    [](const ::testing::TestParamInfo<TabWalk>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, TheNextControlMessageMovesLikeTabAndOnlyToAShownTabStop) {
  TFrmSweeplet& w = Open();
  OpenConfigPage();  // its controls exist, hidden once the Home page is back
  OpenHomePage();
  ASSERT_TRUE(Activate(w.Handle()));
  // As a dialog's procedure does: next, previous, or the control given.
  ::SendMessageW(w.Handle(), WM_NEXTDLGCTL, 0, 0);
  EXPECT_EQ(FocusId(w.Handle()), IdBtnHome);
  ::SendMessageW(w.Handle(), WM_NEXTDLGCTL, 1, 0);
  EXPECT_EQ(FocusId(w.Handle()), IdBtnDonate);
  ::SendMessageW(w.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(C(IdBtnConfig)), TRUE);
  EXPECT_EQ(FocusId(w.Handle()), IdBtnConfig);
  // Never a control of the hidden page, one that takes no focus, or another window.
  const HWND refusedOnes[] = {C(IdChkUsagePhys), C(IdBtnClean), C(IdLblPhys), nullptr, ::GetDesktopWindow()};
  for (HWND refused : refusedOnes) {
    ::SendMessageW(w.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(refused), TRUE);
    EXPECT_EQ(FocusId(w.Handle()), IdBtnConfig);
  }
  // The arrow keys walk the page buttons.
  Press(w.Handle(), VK_RIGHT);
  EXPECT_EQ(FocusId(w.Handle()), IdBtnCleaning);
  Press(w.Handle(), VK_LEFT);
  EXPECT_EQ(FocusId(w.Handle()), IdBtnConfig);
}

TEST_F(MainWindowTest, ActivationGivesTheFocusBackOrToTheShownPagesFirstStop) {
  TFrmSweeplet& w = Open();
  ASSERT_TRUE(Activate(w.Handle()));
  EXPECT_EQ(FocusId(w.Handle()), 0);  // the Home page has no tab stop: the window, where Enter cleans
  EXPECT_TRUE(::IsWindowVisible(C(IdBtnClean)));

  // Another program comes to the front, then this window again: the focus comes back.
  Press(w.Handle(), VK_TAB);
  Press(w.Handle(), VK_TAB);
  ASSERT_EQ(FocusId(w.Handle()), IdBtnConfig);
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 600, 0, 40, 40, nullptr, nullptr,
                                 nullptr, nullptr);
  ASSERT_TRUE(Activate(other));
  ASSERT_TRUE(Activate(w.Handle()));
  EXPECT_EQ(FocusId(w.Handle()), IdBtnConfig);

  // Without a control to return to, the Config page's first tab stop.
  w.BtnHomeClick(C(IdBtnConfig));
  ::SetFocus(w.Handle());
  ASSERT_TRUE(Activate(other));
  ASSERT_TRUE(Activate(w.Handle()));
  EXPECT_EQ(FocusId(w.Handle()), IdChkUsagePhys);
  ::DestroyWindow(other);
}

TEST_F(MainWindowTest, AKeyboardPageSwitchTakesTheFocusAlongAMouseOneDoesNot) {
  TFrmSweeplet& w = Open();
  ASSERT_TRUE(Activate(w.Handle()));
  Press(w.Handle(), VK_TAB);
  Press(w.Handle(), VK_TAB);
  Press(w.Handle(), VK_SPACE);  // Config
  EXPECT_EQ(w.ShownPage(), 1);
  EXPECT_TRUE(IsStyledButtonDown(C(IdBtnConfig)));
  EXPECT_EQ(FocusId(w.Handle()), IdChkUsagePhys);
  // The keyboard showed itself: the focus mark is on.
  EXPECT_EQ(::SendMessageW(C(IdChkUsagePhys), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);

  for (int i = 0; i < 4; ++i) Press(w.Handle(), VK_TAB, true);
  ASSERT_EQ(FocusId(w.Handle()), IdBtnHome);
  Press(w.Handle(), VK_RETURN);  // Home
  EXPECT_EQ(w.ShownPage(), 0);
  EXPECT_TRUE(IsStyledButtonDown(C(IdBtnHome)));
  EXPECT_FALSE(IsStyledButtonDown(C(IdBtnConfig)));
  EXPECT_EQ(FocusId(w.Handle()), 0);

  // A click leaves the focus on the page button it pressed.
  ::SendMessageW(C(IdBtnConfig), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(C(IdBtnConfig), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(w.ShownPage(), 1);
  EXPECT_EQ(FocusId(w.Handle()), IdBtnConfig);
}

TEST_F(MainWindowTest, EnterOnTheHomePageWithNoButtonFocusedCleans) {
  TFrmSweeplet& w = Open();
  ASSERT_TRUE(Activate(w.Handle()));
  ASSERT_EQ(FocusId(w.Handle()), 0);
  EXPECT_NE(test::ReadAccessible(C(IdBtnClean)).state & STATE_SYSTEM_DEFAULT, 0);
  ::ResetEvent(memory_.release);
  Press(w.Handle(), VK_RETURN);
  EXPECT_TRUE(w.IsRunning());
  Press(w.Handle(), VK_RETURN);  // busy: the button is disabled, nothing more starts
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  EXPECT_EQ(memory_.purges.load(), 1);

  // With a page button focused, Enter presses that button instead.
  Press(w.Handle(), VK_TAB);
  ASSERT_EQ(FocusId(w.Handle()), IdBtnHome);
  EXPECT_EQ(test::ReadAccessible(C(IdBtnClean)).state & STATE_SYSTEM_DEFAULT, 0);
  Press(w.Handle(), VK_RETURN);
  Pump(100);
  EXPECT_EQ(memory_.purges.load(), 1);
  EXPECT_EQ(FocusId(w.Handle()), 0);  // Home again by keyboard: the focus goes into the page
  // On the Config page Enter has no clean button to press.
  w.BtnHomeClick(C(IdBtnConfig));
  ::SetFocus(w.Handle());
  Press(w.Handle(), VK_RETURN);
  Pump(100);
  EXPECT_FALSE(w.IsRunning());
  EXPECT_EQ(memory_.purges.load(), 1);
}

TEST_F(MainWindowTest, SpaceAndEnterToggleTheFocusedCheckBoxAndStoreIt) {
  TFrmSweeplet& w = Open();
  ASSERT_TRUE(Activate(w.Handle()));
  w.BtnHomeClick(C(IdBtnConfig));
  struct Box {
    int id;
    const wchar_t* value;
    int list;  // 0: no list
  };
  for (const Box& box : {Box{IdChkUsagePhys, L"enabled_usage_phys", IdEditUsagePhys},
                         Box{IdChkCleanOnTray, L"cleanontray", 0}, Box{IdChkTrayUse, L"trayuse", 0},
                         Box{IdChkNotifications, L"notifications", 0}}) {
    SCOPED_TRACE(box.id);
    ::SetFocus(C(box.id));
    for (UINT key : {VK_SPACE, VK_RETURN}) {
      SCOPED_TRACE(key);
      const bool was = Checked(C(box.id));
      Press(w.Handle(), key);
      EXPECT_EQ(Checked(C(box.id)), !was);
      EXPECT_EQ(ReadDword(box.value), was ? 0u : 1u);
      if (box.list) {
        EXPECT_EQ(::IsWindowEnabled(C(box.list)) != FALSE, !was);
      }
      EXPECT_EQ(FocusId(w.Handle()), box.id);
    }
  }
}

struct AccessibleRow {
  int id;
  const wchar_t* name;  // null: the control's own text
  long role;
  long mustHave;
  long mustNotHave;
};

TEST_F(MainWindowTest, ScreenReadersGetANameAndARoleForEveryControl) {
  test::ComApartment com;
  TFrmSweeplet& w = Open();
  OpenConfigPage();
  OpenHomePage();
  const std::vector<AccessibleRow> rows = {
      {IdBtnHome, L"Home", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_PRESSED | STATE_SYSTEM_FOCUSABLE, 0},
      {IdBtnConfig, L"Config", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, STATE_SYSTEM_PRESSED},
      {IdBtnDonate, L"Donate", ROLE_SYSTEM_PUSHBUTTON, 0, STATE_SYSTEM_PRESSED},
      {IdBtnClean, L"Clean memory", ROLE_SYSTEM_PUSHBUTTON, 0, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_PRESSED},
      {IdLogo, L"Orvane", ROLE_SYSTEM_LINK, STATE_SYSTEM_LINKED, 0},
      {IdLblTitle, L"Sweeplet", ROLE_SYSTEM_STATICTEXT, 0, 0},
      {IdLblPhys, nullptr, ROLE_SYSTEM_STATICTEXT, 0, 0},
      {IdLblPhysStatus, L"12,288 MB / 16,384 MB (Usage: 75.00%)", ROLE_SYSTEM_STATICTEXT, 0, 0},
      {IdLblVirtual, nullptr, ROLE_SYSTEM_STATICTEXT, 0, 0},
      {IdLblVirtualStatus, nullptr, ROLE_SYSTEM_STATICTEXT, 0, 0},
      {IdLblWorking, nullptr, ROLE_SYSTEM_STATICTEXT, 0, 0},
      {IdLblWorkingStatus, nullptr, ROLE_SYSTEM_STATICTEXT, 0, 0},
      {IdChkUsagePhys, nullptr, ROLE_SYSTEM_CHECKBUTTON, 0, STATE_SYSTEM_CHECKED},
      {IdChkCleanOnTray, nullptr, ROLE_SYSTEM_CHECKBUTTON, 0, STATE_SYSTEM_CHECKED},
      {IdChkTrayUse, L"Show memory use on the tray icon", ROLE_SYSTEM_CHECKBUTTON, 0, STATE_SYSTEM_CHECKED},
      {IdChkNotifications, L"Show notifications", ROLE_SYSTEM_CHECKBUTTON, STATE_SYSTEM_CHECKED, 0},
  };
  for (const AccessibleRow& row : rows) {
    SCOPED_TRACE(row.id);
    const test::AccessibleInfo info = test::ReadAccessible(C(row.id));
    ASSERT_TRUE(info.found);
    EXPECT_EQ(info.name, row.name ? std::wstring(row.name) : Text(C(row.id)));
    EXPECT_FALSE(info.name.empty());
    EXPECT_EQ(info.role, row.role);
    EXPECT_EQ(info.state & row.mustHave, row.mustHave);
    EXPECT_EQ(info.state & row.mustNotHave, 0);
  }
  // Each list is named after the box that switches it.
  const test::AccessibleInfo list = test::ReadAccessible(C(IdEditMinute));
  EXPECT_EQ(list.role, ROLE_SYSTEM_COMBOBOX);
  EXPECT_EQ(list.name, Text(C(IdChkMinute)));

  // The pressed page button follows the page; a box reports its tick.
  w.BtnHomeClick(C(IdBtnConfig));
  EXPECT_EQ(test::ReadAccessible(C(IdBtnHome)).state & STATE_SYSTEM_PRESSED, 0);
  EXPECT_NE(test::ReadAccessible(C(IdBtnConfig)).state & STATE_SYSTEM_PRESSED, 0);
  UserClick(C(IdChkUsagePhys));
  EXPECT_NE(test::ReadAccessible(C(IdChkUsagePhys)).state & STATE_SYSTEM_CHECKED, 0);

  // The notice bar, once shown, is a link with its text.
  w.ShowUpdateNotice(L"https://n.example/");
  const test::AccessibleInfo notice = test::ReadAccessible(C(kNoticeBar));
  EXPECT_EQ(notice.role, ROLE_SYSTEM_LINK);
  EXPECT_EQ(notice.name, Widen(UpdateText(kUpdateNoticeBar, "en")));
}

// A DPI change with the notice bar showing: the pages keep their scaled height and the bar stays
// below them, in room grown with the DPI. The frame stays as it was (as under plain
// per-monitor awareness) and the suggestion keeps the old size.
TEST_F(MainWindowTest, ADpiChangeKeepsTheNoticeBarBelowThePages) {
  TFrmSweeplet& w = Open();
  w.ShowUpdateNotice(L"https://n.example/");
  RECT client{}, bar{};
  ::GetClientRect(w.Handle(), &client);
  ASSERT_GT(client.bottom, 450) << "the window grew by the bar";
  const int barAt96 = client.bottom - 450;
  RECT outer{};
  ::GetWindowRect(w.Handle(), &outer);
  ::SendMessageW(w.Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&outer));
  ::GetClientRect(w.Handle(), &client);
  EXPECT_EQ(client.right, 1000);
  EXPECT_EQ(client.bottom, 900 + 2 * barAt96);
  ::GetWindowRect(C(kNoticeBar), &bar);
  ::MapWindowPoints(HWND_DESKTOP, w.Handle(), reinterpret_cast<POINT*>(&bar), 2);
  EXPECT_EQ(bar.bottom, client.bottom);
  // The bar takes its height from the window's DPI, which a message sent by hand does not change:
  // here it is its 96-DPI height. It covers nothing of the pages either way.
  EXPECT_GE(bar.top, 900);
}

// Every tick leaves the timer running for the next one; a tick that left it off would freeze the
// figures and the automatic cleaning for good.
TEST_F(MainWindowTest, EveryStatusTickLeavesTheTimerRunning) {
  TFrmSweeplet& w = Open();
  for (const uint64_t availGiB : {4u, 8u, 12u}) {
    SCOPED_TRACE(availGiB);
    memory_.availPhys = availGiB << 30;
    ::SendMessageW(w.Handle(), WM_TIMER, TFrmSweeplet::kStatusTimerId, 0);
    EXPECT_EQ(::SendMessageW(C(IdProgressBar), PBM_GETPOS, 0, 0), static_cast<LRESULT>(100 - availGiB * 100 / 16));
    // Stopping it is the only way to see that it runs; it is set again for the next round.
    EXPECT_TRUE(::KillTimer(w.Handle(), TFrmSweeplet::kStatusTimerId)) << "the tick left the timer off";
    ::SetTimer(w.Handle(), TFrmSweeplet::kStatusTimerId, 1000, nullptr);
  }
}

// A window procedure of the test in front of the main window's: it notes which menu the window
// opens and closes it again at once, as a user pressing Escape would.
LRESULT CALLBACK NoteMenu(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_INITMENUPOPUP) {
    *reinterpret_cast<HMENU*>(data) = reinterpret_cast<HMENU>(wParam);
    // The menu's loop dispatches timer messages: the menu ends as soon as it runs.
    ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
      ::KillTimer(nullptr, id);
      ::EndMenu();
    });
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST_F(MainWindowTest, TheTrayMenuOpensOnARightClickAndItsOpenAndCreditsItemsWork) {
  TFrmSweeplet& w = Open(L"/start");
  ASSERT_FALSE(::IsWindowVisible(w.Handle()));
  HMENU opened = nullptr;
  ASSERT_TRUE(::SetWindowSubclass(w.Handle(), NoteMenu, 1, reinterpret_cast<DWORD_PTR>(&opened)));
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_RBUTTONUP);
  ::RemoveWindowSubclass(w.Handle(), NoteMenu, 1);
  ASSERT_EQ(opened, w.TrayPart().Menu());

  // Open, a separator, Credits, Quit; each item does what it says through its own command.
  HMENU menu = w.TrayPart().Menu();
  ASSERT_EQ(::GetMenuItemCount(menu), 4);
  EXPECT_EQ(::GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  const auto choose = [&](int position) {
    ::SendMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(::GetMenuItemID(menu, position), 0), 0);
  };
  choose(2);
  EXPECT_EQ(links_.opened, (std::vector<std::wstring>{L"https://www.orvane.net/sweeplet?v=1.9.0"}));
  EXPECT_FALSE(::IsWindowVisible(w.Handle())) << "Credits leaves the window as it was";
  choose(0);
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(w.Handle()) != FALSE; }));
  EXPECT_EQ(links_.opened.size(), 1u);
}

// The Config page is made at its first showing, as a start made it before: at the window's DPI
// and font, translated, filled from the settings quietly (nothing stored, no reference time
// moved), and with the logon task's answer whenever it came.
struct FirstShow {
  const char* name;
  UINT dpi;               // the window's DPI when the page first shows
  bool answerBeforeShow;  // the logon task's answer arrives before the first showing
  bool task;              // the logon task exists
};

void PrintTo(const FirstShow& row, std::ostream* os) { *os << row.name; }

class FirstShowing : public MainWindowTest, public ::testing::WithParamInterface<FirstShow> {};

// Where a control sits in its page, in pixels.
RECT RectInParent(HWND control) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_P(FirstShowing, BuildsThePageAsAStartDidWithoutStoringAnything) {
  const FirstShow& row = GetParam();
  WriteDword(L"enabled_usage_page", 1);
  WriteDword(L"limit_usage_page", 2);
  WriteDword(L"limit_usage_work", 7);
  WriteDword(L"cleanontray", 1);
  if (row.task) scheduler_.Root()[L"SweepletTaskMachine"] = {};
  SlowScheduler slow(scheduler_);
  schedulerInUse_ = &slow.api;
  TFrmSweeplet& w = Open();
  EXPECT_FALSE(w.ConfigPageMade());
  EXPECT_EQ(C(IdChkUsagePhys), nullptr) << "nothing of the page before it shows";
  if (row.answerBeforeShow) {
    ::SetEvent(slow.release);
    ASSERT_TRUE(PumpUntil([&] { return scheduler_.Root().empty() || !scheduler_.Root().begin()->second.actions.empty(); }));
    Pump(200);  // the answer reaches the window
  }
  if (row.dpi != 96) {
    RECT outer{};
    ::GetWindowRect(w.Handle(), &outer);
    ::SendMessageW(w.Handle(), WM_DPICHANGED, MAKEWPARAM(row.dpi, row.dpi), reinterpret_cast<LPARAM>(&outer));
    // The suggestion kept the old size and the frame stayed as it was, as under plain per-monitor
    // awareness: the client area is still the one the new DPI asks for.
    RECT client{};
    ::GetClientRect(w.Handle(), &client);
    EXPECT_EQ(client.right, ::MulDiv(500, row.dpi, 96));
    EXPECT_EQ(client.bottom, ::MulDiv(450, row.dpi, 96));
  }
  // Whatever was stored at start is gone: the showing must store nothing of its own.
  kScratch.Clear();
  const double nextTime = w.GetNextTime();
  clock_.Advance(60);

  OpenConfigPage();
  EXPECT_TRUE(w.ConfigPageMade());
  EXPECT_EQ(StoredValueCount(), 0u);
  EXPECT_DOUBLE_EQ(w.GetNextTime(), nextTime);

  // Geometry at the DPI of the moment, and the window's font.
  const RECT box = RectInParent(C(IdChkUsagePhys));
  EXPECT_EQ(box.left, ::MulDiv(32, row.dpi, 96));
  EXPECT_EQ(box.top, ::MulDiv(46, row.dpi, 96));
  EXPECT_EQ(box.right - box.left, ::MulDiv(328, row.dpi, 96));
  const RECT info = RectInParent(C(IdEditInfo));
  EXPECT_EQ(info.top, ::MulDiv(368, row.dpi, 96));
  EXPECT_EQ(::SendMessageW(C(IdChkMinute), WM_GETFONT, 0, 0), ::SendMessageW(C(IdLblPhys), WM_GETFONT, 0, 0));
  EXPECT_NE(::SendMessageW(C(IdChkMinute), WM_GETFONT, 0, 0), 0);

  // Translated, with its items, and the settings as stored at start.
  EXPECT_EQ(Text(C(IdChkUsagePhys)), TranslateW(L"실제 메모리 사용률(%) 이상일 때 정리하기"));
  EXPECT_EQ(Text(C(IdGroupBox3)), TranslateW(L"기본 설정"));
  EXPECT_EQ(Text(C(IdEditInfo)), L"ver: 1.9.0");
  EXPECT_EQ(::SendMessageW(C(IdEditMinute), CB_GETCOUNT, 0, 0), 7);
  EXPECT_TRUE(Checked(C(IdChkUsagePage)));
  EXPECT_TRUE(::IsWindowEnabled(C(IdEditUsagePage)));
  EXPECT_EQ(Text(C(IdEditUsagePage)), L"50");
  EXPECT_FALSE(Checked(C(IdChkUsagePhys)));
  EXPECT_FALSE(::IsWindowEnabled(C(IdEditUsagePhys)));
  EXPECT_EQ(Text(C(IdEditUsagePhys)), L"90");
  EXPECT_EQ(::SendMessageW(C(IdEditUsageWork), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_TRUE(Checked(C(IdChkCleanOnTray)));
  // The focus-cue state of the window, and what screen readers are told.
  EXPECT_EQ(::SendMessageW(C(IdChkUsagePhys), WM_QUERYUISTATE, 0, 0),
            ::SendMessageW(w.Handle(), WM_QUERYUISTATE, 0, 0));
  {
    test::ComApartment com;
    EXPECT_EQ(test::ReadAccessible(C(IdChkUsagePhys)).role, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_EQ(test::ReadAccessible(C(IdEditUsagePage)).name, Text(C(IdChkUsagePage)));
  }

  // The logon task's answer, whether it came before the page or comes after it.
  if (row.answerBeforeShow) {
    EXPECT_EQ(Checked(C(IdChkAutoStart)), row.task);
  } else {
    EXPECT_FALSE(Checked(C(IdChkAutoStart)));
    ::SetEvent(slow.release);
    if (row.task) {
      EXPECT_TRUE(PumpUntil([&] { return Checked(C(IdChkAutoStart)); }));
    } else {
      Pump(300);
      EXPECT_FALSE(Checked(C(IdChkAutoStart)));
    }
  }
  EXPECT_EQ(StoredValueCount(), 0u);
  EXPECT_DOUBLE_EQ(w.GetNextTime(), nextTime);
  window_.reset();  // before the scheduler it holds
}

INSTANTIATE_TEST_SUITE_P(Rows, FirstShowing,
                         ::testing::Values(FirstShow{"plain", 96, false, false}, FirstShow{"dpi_144", 144, false, true},
                                           FirstShow{"answer_before", 96, true, true},
                                           FirstShow{"answer_after", 96, false, true}),
                         [](const ::testing::TestParamInfo<FirstShow>& info) { return std::string(info.param.name); });

// The automatic rule and the tray act on what is stored, though the Config page never showed.
TEST_F(MainWindowTest, TheTickAndTheTrayActOnStoredSettingsWithoutThePage) {
  WriteDword(L"enabled_usage_phys", 1);
  WriteDword(L"limit_usage_phys", 4);  // "70": usage 75 % is above it
  WriteDword(L"cleanontray", 1);
  TFrmSweeplet& w = Open(L"/start");
  clock_.Advance(300);
  w.TmrStatusTimer();
  ASSERT_TRUE(PumpUntil([&] { return memory_.purges.load() == 1 && !w.IsRunning(); }));
  EXPECT_TRUE(notifier_.bodies.empty());

  w.TrayIconClick();  // cleans, with a notification, and leaves the window hidden
  ASSERT_TRUE(PumpUntil([&] { return memory_.purges.load() == 2 && !w.IsRunning(); }));
  EXPECT_EQ(notifier_.bodies, std::vector<std::wstring>{L"Optimized memory.\nNothing more to free."});
  EXPECT_FALSE(::IsWindowVisible(w.Handle()));
  EXPECT_FALSE(w.ConfigPageMade());
}

// Lines of a tooltip or a notification.
std::vector<std::wstring> LinesOf(const std::wstring& text) {
  std::vector<std::wstring> lines(1);
  for (const wchar_t c : text) {
    if (c == L'\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  return lines;
}

// A tray cleaning says what it freed in its notification's second line, and the tooltip keeps
// that line until the next job, which first takes it away and then shows its own.
TEST_F(MainWindowTest, ATrayCleaningTellsWhatItFreedAndTheTooltipKeepsItUntilTheNextJob) {
  WriteDword(L"cleanontray", 1);
  TFrmSweeplet& w = Open(L"/start");
  memory_.availAfterPurge = 8ull << 30;  // 4 GiB more available after the purge
  w.TrayIconClick();
  ASSERT_TRUE(PumpUntil([&] { return memory_.purges.load() == 1 && !w.IsRunning(); }));
  EXPECT_EQ(notifier_.bodies, std::vector<std::wstring>{L"Optimized memory.\nFreed: 4,096 MB"});
  EXPECT_EQ(LinesOf(w.TrayPart().Icon()->Hint()),
            (std::vector<std::wstring>{L"Sweeplet 1.9.0", L"Physical 75 % \u00B7 Virtual 6 %", L"Freed: 4,096 MB"}));

  w.TmrStatusTimer();  // the use moves on, the amount stays
  EXPECT_EQ(LinesOf(w.TrayPart().Icon()->Hint()),
            (std::vector<std::wstring>{L"Sweeplet 1.9.0", L"Physical 50 % \u00B7 Virtual 6 %", L"Freed: 4,096 MB"}));

  ::ResetEvent(memory_.release);
  memory_.availAfterPurge = 5ull << 30;  // less available than before this job: nothing freed
  w.Clean(false);
  EXPECT_EQ(LinesOf(w.TrayPart().Icon()->Hint()).size(), 2u) << "the last job's amount goes when the next one starts";
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return memory_.purges.load() == 2 && !w.IsRunning(); }));
  EXPECT_EQ(LinesOf(w.TrayPart().Icon()->Hint()).back(), L"Nothing more to free.");
  EXPECT_EQ(notifier_.bodies.size(), 1u) << "a button or automatic job shows no notification";
}

// The job takes both its snapshots on its own thread; the user-interface thread only runs the
// job's end, which reads nothing.
TEST_F(MainWindowTest, AJobMeasuresOnItsOwnThreadAndAddsNoReadingToTheUserInterfaceThread) {
  TFrmSweeplet& w = Open();
  ::KillTimer(w.Handle(), TFrmSweeplet::kStatusTimerId);  // no tick reads meanwhile
  memory_.availAfterPurge = 5ull << 30;
  memory_.TakeReaders();
  w.Clean(false);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  const std::vector<DWORD> readers = memory_.TakeReaders();
  ASSERT_EQ(readers.size(), 2u);  // before and after the purge
  EXPECT_NE(readers[0], ::GetCurrentThreadId());
  EXPECT_EQ(readers[1], readers[0]);
  EXPECT_EQ(LinesOf(w.TrayPart().Icon()->Hint()).back(), L"Freed: 1,024 MB");
}

// The tooltip shows the tick's snapshot; the shell hears of it only when its text changed.
TEST_F(MainWindowTest, TheTooltipFollowsTheTickAndTheShellHearsOnlyOfChanges) {
  TFrmSweeplet& w = Open();
  EXPECT_EQ(w.TrayPart().Icon()->Hint(), L"Sweeplet 1.9.0\nPhysical 75 % \u00B7 Virtual 6 %");  // the start's own refresh
  tipsSent_.clear();
  w.TmrStatusTimer();
  w.TmrStatusTimer();
  EXPECT_TRUE(tipsSent_.empty()) << "same snapshot, same text: no NIM_MODIFY";

  memory_.availPhys = 9ull << 30;  // 43.75 % in use
  w.TmrStatusTimer();
  w.TmrStatusTimer();
  EXPECT_EQ(tipsSent_, std::vector<std::wstring>{L"Sweeplet 1.9.0\nPhysical 44 % \u00B7 Virtual 6 %"});

  memory_.availPhys = (9ull << 30) - (1ull << 20);  // a megabyte more in use: still 44 %
  w.TmrStatusTimer();
  EXPECT_EQ(tipsSent_.size(), 1u);
  EXPECT_EQ(w.TrayPart().Icon()->Hint(), tipsSent_.back());
}

// The use on the icon: drawn from the tick's reading and sent to the shell only when the number
// or the level changed, never on a tick that changed nothing. The tooltip keeps the numbers.
TEST_F(MainWindowTest, TheUseOnTheIconIsSentOnlyWhenItChanges) {
  WriteDword(L"trayuse", 1);
  TFrmSweeplet& w = Open();
  EXPECT_EQ(w.TrayPart().ShownFace(), (UseFace{75, UseLevel::Normal}));
  ASSERT_EQ(iconsSent_.size(), 1u) << "the start's first reading";
  EXPECT_EQ(w.TrayPart().Icon()->ShownIcon(), iconsSent_.back());
  iconsSent_.clear();
  for (int i = 0; i < 20; ++i) w.TmrStatusTimer();
  memory_.availPhys = (4ull << 30) - (1ull << 20);  // a megabyte more in use: still 75 %
  w.TmrStatusTimer();
  EXPECT_TRUE(iconsSent_.empty()) << "equal readings: no NIM_MODIFY with an icon";

  struct Step {
    uint64_t availPhys;
    UseFace face;
  };
  for (const Step& step : {Step{3ull << 30, {81, UseLevel::High}}, Step{1ull << 30, {94, UseLevel::Critical}},
                           Step{0, {100, UseLevel::Critical}}, Step{12ull << 30, {25, UseLevel::Normal}}}) {
    iconsSent_.clear();
    tipsSent_.clear();
    modifies_ = 0;
    memory_.availPhys = step.availPhys;
    for (int i = 0; i < 3; ++i) w.TmrStatusTimer();
    EXPECT_EQ(w.TrayPart().ShownFace(), step.face);
    ASSERT_EQ(iconsSent_.size(), 1u) << step.face.percent;
    EXPECT_EQ(tipsSent_.size(), 1u);
    EXPECT_EQ(modifies_, 1) << "the new tooltip and icon in one trip";
    EXPECT_EQ(w.TrayPart().Icon()->ShownIcon(), iconsSent_.back());
  }
  EXPECT_EQ(LinesOf(w.TrayPart().Icon()->Hint()).back(), L"Physical 25 % \u00B7 Virtual 6 %");
}

// During a job the busy image shows, as without the use; the use comes back when it ends, and
// the ticks meanwhile send no icon.
TEST_F(MainWindowTest, TheBusyIconShowsDuringAJobAndTheUseComesBackAfter) {
  WriteDword(L"trayuse", 1);
  TFrmSweeplet& w = Open();
  const HICON drawn = w.TrayPart().Icon()->ShownIcon();
  ::ResetEvent(memory_.release);
  w.Clean(false);
  ASSERT_TRUE(w.IsRunning());
  EXPECT_EQ(w.TrayPart().Icon()->ImageIndex(), 1);
  const HICON busy = w.TrayPart().Icon()->ShownIcon();
  EXPECT_NE(busy, drawn);
  iconsSent_.clear();
  w.TmrStatusTimer();
  EXPECT_TRUE(iconsSent_.empty());
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  EXPECT_EQ(w.TrayPart().ShownFace(), (UseFace{75, UseLevel::Normal}));
  ASSERT_EQ(iconsSent_.size(), 1u);
  EXPECT_NE(iconsSent_.back(), busy);
}

// The switch on the Config page acts at once; off, the icon is the program's own again.
TEST_F(MainWindowTest, SwitchingTheUseOnTheIconShowsItAtOnce) {
  TFrmSweeplet& w = Open();
  const HICON own = w.TrayPart().Icon()->ShownIcon();
  EXPECT_EQ(w.TrayPart().ShownFace().percent, -1) << "off by default";
  EXPECT_TRUE(iconsSent_.empty());
  OpenConfigPage();
  UserClick(C(IdChkTrayUse));
  EXPECT_EQ(ReadDword(L"trayuse"), 1u);
  EXPECT_EQ(w.TrayPart().ShownFace(), (UseFace{75, UseLevel::Normal}));
  ASSERT_EQ(iconsSent_.size(), 1u);
  UserClick(C(IdChkTrayUse));
  EXPECT_EQ(ReadDword(L"trayuse"), 0u);
  ASSERT_EQ(iconsSent_.size(), 2u);
  EXPECT_EQ(iconsSent_.back(), own);
}

// The taskbar going light or dark ("ImmersiveColorSet") draws the icon again, once.
TEST_F(MainWindowTest, TheIconFollowsTheTaskbarsMode) {
  static constexpr wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  struct Restore {
    ~Restore() { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme"); }
  } restore;
  WriteDword(L"trayuse", 1);
  TFrmSweeplet& w = Open();
  const auto settingChange = [&] {
    ::SendMessageW(w.Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  };
  iconsSent_.clear();
  settingChange();
  EXPECT_TRUE(iconsSent_.empty()) << "nothing changed";
  const DWORD light = 1;
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme", REG_DWORD, &light,
                              sizeof(light)),
            ERROR_SUCCESS);
  settingChange();
  settingChange();
  EXPECT_EQ(iconsSent_.size(), 1u);
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme");
  settingChange();
  EXPECT_EQ(iconsSent_.size(), 2u);
}

// "Show notifications" off: a cleaning from the icon shows none, and the tooltip still tells the
// amount.
TEST_F(MainWindowTest, NotificationsSwitchedOffLeaveTheTooltipsLine) {
  WriteDword(L"cleanontray", 1);
  WriteDword(L"notifications", 0);
  TFrmSweeplet& w = Open();
  w.TrayIconClick();
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  Pump(100);
  EXPECT_EQ(memory_.purges.load(), 1);
  EXPECT_TRUE(notifier_.bodies.empty());
  EXPECT_EQ(LinesOf(w.TrayPart().Icon()->Hint()).back(), L"Nothing more to free.");
  OpenConfigPage();
  EXPECT_FALSE(Checked(C(IdChkNotifications)));
  UserClick(C(IdChkNotifications));  // on again: the next cleaning tells
  EXPECT_EQ(ReadDword(L"notifications"), 1u);
  w.TrayIconClick();
  ASSERT_TRUE(PumpUntil([&] { return notifier_.bodies.size() == 1; }));
}

// Nothing of the tray is made before it is needed: the menu at the first right click, the idle
// and busy images at the first job.
TEST_F(MainWindowTest, TheTrayMenuAndImagesAreMadeWhenFirstNeeded) {
  TFrmSweeplet& w = Open();
  EXPECT_EQ(w.TrayPart().Menu(), nullptr);
  EXPECT_FALSE(w.TrayPart().ImagesMade());
  w.Clean(false);
  EXPECT_TRUE(w.TrayPart().ImagesMade());
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
}

// The drawn icon at 16 and 32 pixels (100 % and 200 %): exactly the size asked for, and each pixel
// exactly the ink or clear where the face says so. A scaled or smoothed picture has
// pixels between two colours or half-transparent ones; a clipped one loses ink.
TEST(UseIconPicture, EachPixelIsExactlyInkOrClear) {
  const SystemColors scheme{{0, 0, 0}, {255, 255, 255}, {0, 255, 0}, {0, 0, 0}, {255, 255, 255}, {26, 235, 255}, {0, 0, 0}};
  UseIconCanvas canvas;
  for (int size : {16, 32}) {
    for (UseFace face : {UseFace{42, UseLevel::Normal}, UseFace{88, UseLevel::High}, UseFace{7, UseLevel::Critical},
                         UseFace{100, UseLevel::Critical}}) {
      for (TaskbarMode mode : {TaskbarMode::Dark, TaskbarMode::Light, TaskbarMode::HighContrast}) {
        SCOPED_TRACE(::testing::Message() << size << " px, " << face.percent << " %, mode " << static_cast<int>(mode));
        const Color ink = UseInkFor(face.level, mode, scheme);
        const UniqueIcon icon = canvas.Make(face, size, ink);
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
        const UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
        BITMAP bm{};
        ASSERT_TRUE(::GetObjectW(color.get(), sizeof(bm), &bm));
        ASSERT_EQ(bm.bmWidth, size);
        ASSERT_EQ(bm.bmHeight, size);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB};
        std::vector<DWORD> pixels(static_cast<size_t>(size * size));
        const HDC screen = ::GetDC(nullptr);
        const int rows = ::GetDIBits(screen, color.get(), 0, static_cast<UINT>(size), pixels.data(), &bi, DIB_RGB_COLORS);
        ::ReleaseDC(nullptr, screen);
        ASSERT_EQ(rows, size);
        std::vector<std::uint8_t> expected(static_cast<size_t>(size * size));
        ASSERT_TRUE(DrawUseFace(expected, size, face));
        const auto rgb = [](Color c) { return (DWORD{c.r} << 16) | (DWORD{c.g} << 8) | DWORD{c.b}; };
        int wrong = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
          const DWORD alpha = pixels[i] >> 24, value = pixels[i] & 0xFFFFFF;
          switch (expected[i]) {
            case kUseInk: wrong += alpha != 255 || value != rgb(ink); break;
            default: wrong += alpha != 0; break;
          }
        }
        EXPECT_EQ(wrong, 0);
      }
    }
  }
}

// Hand-off command 3 ("/clean" from another start) runs one job as the clean button does: busy
// state, no notification, the rule counting from its end. Beyond the six area bits nothing the
// message carries is looked at.
TEST_F(MainWindowTest, HandOffThreeCleansOnceLikeTheButton) {
  TFrmSweeplet& w = Open(L"/start");
  ::ResetEvent(memory_.release);
  ::SendMessageW(w.Handle(), WM_USER, static_cast<WPARAM>(HandOff::Clean), static_cast<LPARAM>(0xFFFFFFC0u));
  EXPECT_TRUE(w.IsRunning());
  EXPECT_EQ(w.TrayPart().Icon()->ImageIndex(), 1);
  const LRESULT busy = ::SendMessageW(w.Handle(), WM_USER, static_cast<WPARAM>(HandOff::Clean), 0);
  EXPECT_EQ(busy, kCleanBusy) << "during the job: dropped, and said so";
  clock_.Advance(7);
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  Pump(100);
  EXPECT_EQ(memory_.purges.load(), 1);
  EXPECT_DOUBLE_EQ(w.GetNextTime(), clock_.now);
  EXPECT_TRUE(notifier_.bodies.empty());
  EXPECT_FALSE(::IsWindowVisible(w.Handle()));
}

// A handed-over cleaning is answered with a ticket; the start that handed it over asks with it
// until the result is there. The cleaning counts for the automatic rule and the tooltip as a
// click does, and cleans only the areas it names.
TEST_F(MainWindowTest, AHandedOverCleaningReportsItsResultAndCountsLikeAClick) {
  TFrmSweeplet& w = Open(L"/start");
  auto send = [&](HandOff command, LPARAM argument) {
    return static_cast<intptr_t>(::SendMessageW(w.Handle(), WM_USER, static_cast<WPARAM>(command), argument));
  };
  memory_.availAfterPurge = 6ull << 30;
  ::ResetEvent(memory_.release);
  const intptr_t ticket = send(HandOff::Clean, kAreaFileCache | kAreaCombine);
  ASSERT_GT(ticket, 0);
  EXPECT_EQ(send(HandOff::CleanResult, ticket), kCleanPending);
  EXPECT_EQ(send(HandOff::CleanResult, ticket + 1), kCleanUnknownTicket);
  EXPECT_EQ(send(HandOff::CleanResult, 0), kCleanUnknownTicket);
  clock_.Advance(42);
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  EXPECT_EQ(memory_.requests.load(), 2) << "the file cache and the combining, nothing else";
  EXPECT_EQ(send(HandOff::CleanResult, ticket), EncodeCleanResult(true, 2ull << 30));
  EXPECT_DOUBLE_EQ(w.GetNextTime(), clock_.now) << "the 300-second rule counts from its end";
  EXPECT_EQ(LinesOf(w.TrayPart().Icon()->Hint()).back(), L"Freed: 2,048 MB");

  // A second one gets a ticket of its own; the first one's result is still there.
  const intptr_t second = send(HandOff::Clean, 0);
  EXPECT_GT(second, ticket);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  EXPECT_EQ(memory_.requests.load(), 8) << "no areas named: the settings' six";
  EXPECT_EQ(send(HandOff::CleanResult, ticket), EncodeCleanResult(true, 2ull << 30));
  EXPECT_EQ(send(HandOff::CleanResult, second) & 3, 1);
}

// Every request refused (a token without the privileges): the result says nothing was cleaned.
TEST_F(MainWindowTest, AHandedOverCleaningThatTheSystemRefusedSaysSo) {
  class RefusingMemory : public FakeMemory {
   public:
    int32_t SetSystemInformation(uint32_t infoClass, void* b, uint32_t n) noexcept override {
      FakeMemory::SetSystemInformation(infoClass, b, n);
      return static_cast<int32_t>(0xC0000061);  // privilege not held
    }
  };
  RefusingMemory refusing;
  Services services;
  services.clock = &clock_;
  services.memory = &refusing;
  services.token = &token_;
  services.taskScheduler = &scheduler_;
  services.links = &links_;
  services.notifier = &notifier_;
  services.programs = &programs_;
  services.settings = {HKEY_CURRENT_USER, kScratch.Path()};
  services.allowMessage = [](HWND, UINT) {};
  window_ = std::make_unique<TFrmSweeplet>(StartOptions{L"/start"}, services);
  ASSERT_TRUE(window_->Create());
  const intptr_t ticket = static_cast<intptr_t>(
      ::SendMessageW(window_->Handle(), WM_USER, static_cast<WPARAM>(HandOff::Clean), 0));
  ASSERT_GT(ticket, 0);
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsRunning(); }));
  EXPECT_EQ(::SendMessageW(window_->Handle(), WM_USER, static_cast<WPARAM>(HandOff::CleanResult), ticket),
            EncodeCleanResult(false, 0));
  window_.reset();
}

// The areas' boxes show the settings (all on at first) and store each change as its own value;
// the purge then sends only what is on.
TEST_F(MainWindowTest, TheAreaBoxesChooseWhatThePurgeCleans) {
  WriteDword(L"purge_modified", 0);
  TFrmSweeplet& w = Open();
  OpenCleaningPage();
  for (const int id : {IdChkAreaFileCache, IdChkAreaWorkingSets, IdChkAreaStandbyLow, IdChkAreaStandby, IdChkAreaCombine}) {
    EXPECT_TRUE(Checked(C(id))) << id;
  }
  EXPECT_FALSE(Checked(C(IdChkAreaModified)));
  EXPECT_EQ(StoredValueCount(), 1u) << "showing the page stores nothing";
  UserClick(C(IdChkAreaStandby));
  EXPECT_EQ(ReadDword(L"purge_standby"), 0u);
  UserClick(C(IdChkAreaModified));
  EXPECT_EQ(ReadDword(L"purge_modified"), 1u);
  w.Clean(false);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  EXPECT_EQ(memory_.requests.load(), 5);
  EXPECT_EQ(memory_.purges.load(), 1);
  UserClick(C(IdChkAreaFileCache));
  w.Clean(false);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  EXPECT_EQ(memory_.requests.load(), 9);
  EXPECT_EQ(memory_.purges.load(), 1) << "the file cache is off now";
}

// A window of another thread that holds a hotkey, as another program would.
class HotkeyHolder {
 public:
  explicit HotkeyHolder(UINT modifiers, UINT vk) {
    thread_ = std::thread([this, modifiers, vk] {
      HWND w = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
      held_ = ::RegisterHotKey(w, 7, modifiers, vk) != FALSE;
      ready_ = true;
      while (!stop_) ::Sleep(10);
      ::UnregisterHotKey(w, 7);
      ::DestroyWindow(w);
    });
    while (!ready_) ::Sleep(5);
  }
  ~HotkeyHolder() {
    stop_ = true;
    thread_.join();
  }
  bool Held() const { return held_; }

 private:
  std::thread thread_;
  std::atomic<bool> ready_{false}, stop_{false}, held_{false};
};

void ChooseHotkey(HWND control, WORD hotkey) {
  ::SendMessageW(control, HKM_SETHOTKEY, hotkey, 0);
  ::SendMessageW(::GetParent(control), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(control), EN_CHANGE),
                 reinterpret_cast<LPARAM>(control));
}

constexpr WORD kCtrlAltK = MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT);
constexpr WORD kCtrlAltJ = MAKEWORD('J', HOTKEYF_CONTROL | HOTKEYF_ALT);

TEST_F(MainWindowTest, AChosenHotkeyIsRegisteredStoredAndCleansLikeTheButton) {
  TFrmSweeplet& w = Open();
  EXPECT_EQ(w.RegisteredHotkey(), 0) << "none by default";
  OpenCleaningPage();
  ChooseHotkey(C(IdHotkey), kCtrlAltK);
  EXPECT_EQ(w.RegisteredHotkey(), kCtrlAltK);
  EXPECT_EQ(ReadDword(L"hotkey"), kCtrlAltK);
  EXPECT_EQ(Text(C(IdLblHotkeyMessage)), L"");
  {
    HotkeyHolder other(MOD_CONTROL | MOD_ALT, 'K');
    EXPECT_FALSE(other.Held()) << "ours, registered on the window's thread";
  }
  ::SendMessageW(w.Handle(), WM_HOTKEY, 1, 0);
  EXPECT_TRUE(w.IsRunning());
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  EXPECT_TRUE(notifier_.bodies.empty());

  ChooseHotkey(C(IdHotkey), 0);  // cleared
  EXPECT_EQ(w.RegisteredHotkey(), 0);
  EXPECT_EQ(ReadDword(L"hotkey"), 0u);
  HotkeyHolder free(MOD_CONTROL | MOD_ALT, 'K');
  EXPECT_TRUE(free.Held()) << "given back when cleared";
}

TEST_F(MainWindowTest, AHotkeyTakenByAnotherProgramIsReportedAndNotStored) {
  HotkeyHolder other(MOD_CONTROL | MOD_ALT, 'J');
  ASSERT_TRUE(other.Held());
  WriteDword(L"hotkey", kCtrlAltK);
  TFrmSweeplet& w = Open();
  EXPECT_EQ(w.RegisteredHotkey(), kCtrlAltK);
  OpenCleaningPage();
  ChooseHotkey(C(IdHotkey), kCtrlAltJ);
  EXPECT_EQ(Text(C(IdLblHotkeyMessage)), L"Another program already uses this combination.");
  EXPECT_EQ(ReadDword(L"hotkey"), kCtrlAltK) << "nothing stored";
  EXPECT_EQ(w.RegisteredHotkey(), kCtrlAltK) << "the one before still works";
}

TEST_F(MainWindowTest, AStoredHotkeyTakenAtStartIsReportedOnThePage) {
  HotkeyHolder other(MOD_CONTROL | MOD_ALT, 'J');
  ASSERT_TRUE(other.Held());
  WriteDword(L"hotkey", kCtrlAltJ);
  TFrmSweeplet& w = Open();
  EXPECT_EQ(w.RegisteredHotkey(), 0);
  OpenCleaningPage();
  EXPECT_EQ(Text(C(IdLblHotkeyMessage)), L"Another program already uses this combination.");
  EXPECT_EQ(ReadDword(L"hotkey"), kCtrlAltJ) << "kept for the next start";
}

TEST_F(MainWindowTest, TheHotkeyGoesWithTheWindow) {
  WriteDword(L"hotkey", kCtrlAltK);
  TFrmSweeplet& w = Open();
  ASSERT_EQ(w.RegisteredHotkey(), kCtrlAltK);
  window_.reset();
  HotkeyHolder after(MOD_CONTROL | MOD_ALT, 'K');
  EXPECT_TRUE(after.Held());
}

// The program list is checked whole on Apply: a bad list gets a message and nothing of it is
// stored; a good one is stored and shown as kept.
TEST_F(MainWindowTest, ThePauseListIsCheckedWholeBeforeItIsStored) {
  TFrmSweeplet& w = Open();
  OpenCleaningPage();
  struct Row {
    const wchar_t* typed;
    const wchar_t* message;
  };
  const Row bad[] = {
      {L"game.exe; C:\\Games\\x.exe", L"Give program names without a folder: C:\\Games\\x.exe"},
      {L"game*.exe", L"Wildcards (* ?) are not allowed: game*.exe"},
      {L"a|b", L"Not a program's file name: a|b"},
  };
  for (const Row& row : bad) {
    ::SetWindowTextW(C(IdEditPause), row.typed);
    UserClick(C(IdBtnPauseApply));
    EXPECT_EQ(Text(C(IdLblPauseMessage)), row.message);
    EXPECT_EQ(StoredValueCount(), 0u) << "nothing half-stored";
  }
  std::wstring many;
  for (int i = 0; i < 33; ++i) many += L"p" + std::to_wstring(i) + L".exe;";
  ::SetWindowTextW(C(IdEditPause), many.c_str());
  UserClick(C(IdBtnPauseApply));
  EXPECT_EQ(Text(C(IdLblPauseMessage)), L"At most 32 programs.");
  EXPECT_EQ(StoredValueCount(), 0u);

  ::SetWindowTextW(C(IdEditPause), L" game.exe ;vmware-vmx.exe; ");
  EXPECT_EQ(Text(C(IdLblPauseMessage)), L"") << "an edit clears the last message";
  UserClick(C(IdBtnPauseApply));
  EXPECT_EQ(Text(C(IdLblPauseMessage)), L"Saved.");
  EXPECT_EQ(Text(C(IdEditPause)), L"game.exe; vmware-vmx.exe");
  EXPECT_EQ(StoredValueCount(), 1u);

  // Enter in the field applies it, as the button does.
  ASSERT_TRUE(Activate(w.Handle()));
  ::SetFocus(C(IdEditPause));
  ::SetWindowTextW(C(IdEditPause), L"vm.exe");
  Press(w.Handle(), VK_RETURN);
  EXPECT_EQ(Text(C(IdLblPauseMessage)), L"Saved.");
  EXPECT_EQ(w.ShownPage(), 2);
}

// The process list is looked at only when the automatic rule has decided to clean: never on a
// quiet tick, and not again for a while once a listed program was found running. A click still
// cleans while it runs.
TEST_F(MainWindowTest, AListedProgramPausesOnlyTheAutomaticCleaning) {
  WriteDword(L"enabled_usage_phys", 1);
  WriteDword(L"limit_usage_phys", 4);  // 70 %: usage 75 % is above it
  kScratch.WriteText(L"pause_programs", L"game.exe; vm.exe");
  programs_.running = {L"explorer.exe", L"GAME.EXE"};
  TFrmSweeplet& w = Open();
  EXPECT_EQ(programs_.looks, 0) << "the start's tick is within the 300 seconds";
  for (int i = 0; i < 5; ++i) {
    clock_.Advance(30);
    w.TmrStatusTimer();
  }
  EXPECT_EQ(programs_.looks, 0) << "quiet ticks never look";
  clock_.Advance(150);
  w.TmrStatusTimer();
  EXPECT_EQ(programs_.looks, 1);
  clock_.Advance(1);
  w.TmrStatusTimer();
  clock_.Advance(8);
  w.TmrStatusTimer();
  EXPECT_EQ(programs_.looks, 1) << "a program found running is not looked for every second";
  clock_.Advance(1);
  w.TmrStatusTimer();
  EXPECT_EQ(programs_.looks, 2) << "ten seconds on, it is";
  Pump();
  EXPECT_EQ(memory_.purges.load(), 0);

  w.BtnCleanClick(false);
  ASSERT_TRUE(PumpUntil([&] { return memory_.purges.load() == 1 && !w.IsRunning(); }));

  // The program has ended: the next time the rule decides, it cleans.
  programs_.running = {L"explorer.exe"};
  clock_.Advance(301);
  w.TmrStatusTimer();
  EXPECT_EQ(programs_.looks, 3);
  ASSERT_TRUE(PumpUntil([&] { return memory_.purges.load() == 2 && !w.IsRunning(); }));
}

// What the program itself is given: the update service over https, on the update host, at the
// service's path and with no query.
TEST(ShippedServicesTest, TheUpdateCheckGoesToTheServiceOverHttps) {
  const std::wstring url = DefaultServices().updateServiceUrl;
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  parts.dwUserNameLength = parts.dwPasswordLength = static_cast<DWORD>(-1);
  ASSERT_TRUE(::WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) << Narrow(url);
  EXPECT_EQ(parts.nScheme, INTERNET_SCHEME_HTTPS);
  EXPECT_EQ(parts.nPort, INTERNET_DEFAULT_HTTPS_PORT);
  EXPECT_EQ(std::wstring(parts.lpszHostName, parts.dwHostNameLength), Widen(kUpdateHost));
  EXPECT_EQ(std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength), L"/api.init.php");
  EXPECT_EQ(parts.dwExtraInfoLength, 0u);
  EXPECT_EQ(parts.dwUserNameLength, 0u);
  EXPECT_EQ(parts.dwPasswordLength, 0u);
}

}  // namespace
}  // namespace sweeplet
