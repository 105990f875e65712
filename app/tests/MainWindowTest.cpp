// The main window in-process, with a fake clock, fake memory and token calls, a fake notification,
// a link recorder, a fake Task Scheduler and a settings key of its own: the cleaning job, the
// automatic rule and the settings page as wired together.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/ControlIds.h"
#include "app/Entry.h"
#include "app/MainWindow.h"
#include "app/TrayIcon.h"
#include "autostart/tests/FakeTaskScheduler.h"
#include "theme/ActivityIndicator.h"
#include "common/UiDispatcher.h"
#include "i18n/TranslateWin.h"
#include "i18n/TranslationTable.h"
#include "common/ShellOpen.h"
#include "memory/MemoryApi.h"
#include "memory/Privilege.h"
#include "tests/e2e/Driver.h"

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

class FakeMemory : public IMemoryApi {
 public:
  uint64_t totalPhys = 16ull << 30, availPhys = 4ull << 30;  // 75 % in use
  std::atomic<int> purges{0};
  HANDLE release = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);  // signalled: purges do not wait
  ~FakeMemory() override { ::CloseHandle(release); }

  void ReadGlobalCounters(GlobalMemoryCounters& c) noexcept override {
    c.TotalPhys = totalPhys;
    c.AvailPhys = availPhys;
    c.TotalPageFile = 32ull << 30;
    c.AvailPageFile = 30ull << 30;
  }
  int32_t QuerySystemInformation(uint32_t, void*, uint32_t) noexcept override { return -1; }
  int32_t SetSystemInformation(uint32_t infoClass, void*, uint32_t) noexcept override {
    if (infoClass == kSystemFileCacheInformation) {
      ::WaitForSingleObject(release, 10000);
      ++purges;
    }
    return 0;
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
const std::wstring kScratchPath = L"SweepletTest\\MainWindow-" + std::to_wstring(::GetCurrentProcessId());
const std::wstring kScratchKey = L"Software\\" + kScratchPath;

DWORD ReadDword(const wchar_t* name, DWORD missing = 0xDEADBEEF) {
  DWORD value = 0, size = sizeof(value);
  if (::RegGetValueW(HKEY_CURRENT_USER, kScratchKey.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return missing;
  }
  return value;
}

void WriteDword(const wchar_t* name, DWORD value) {
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kScratchKey.c_str(), name, REG_DWORD, &value, sizeof(value));
}

DWORD StoredValueCount() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kScratchKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD values = 0;
  ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
  ::RegCloseKey(key);
  return values;
}

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitTranslation();
    SetCurrentLanguage("en");
    TFrmSweeplet::RegisterWindowClass(::GetModuleHandleW(nullptr));
  }

  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey.c_str());
    UiDispatcher::SetMain(&dispatcher_);
  }

  void TearDown() override {
    window_.reset();
    UiDispatcher::SetMain(nullptr);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\SweepletTest");  // only if no other run still uses it
  }

  TFrmSweeplet& Open(const std::wstring& firstArgument = L"") {
    Services services;
    services.clock = &clock_;
    services.memory = &memory_;
    services.token = &token_;
    services.taskScheduler = &scheduler_;
    services.links = &links_;
    services.notifier = &notifier_;
    services.settings = {HKEY_CURRENT_USER, kScratchPath};
    services.startupStep = [this](const char* step) { steps_.push_back(step); };
    window_ = std::make_unique<TFrmSweeplet>(StartOptions{firstArgument}, services);
    EXPECT_TRUE(window_->Create());
    Pump();
    return *window_;
  }

  HWND C(int id) { return Control(window_->Handle(), id); }

  FakeClock clock_;
  FakeMemory memory_;
  FakeNotifier notifier_;
  FakeLinks links_;
  std::vector<std::string> steps_;
  FakeToken token_{steps_};
  testing::FakeScheduler scheduler_;
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
  EXPECT_EQ(w.Tray()->ImageIndex(), 1);

  w.Clean(true);  // a request while busy is dropped, not queued
  clock_.Advance(42);
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  Pump(100);
  EXPECT_EQ(memory_.purges.load(), 1);
  EXPECT_EQ(Text(button), L"Clean memory");
  EXPECT_TRUE(::IsWindowEnabled(button));
  EXPECT_EQ(w.Tray()->ImageIndex(), 0);
  EXPECT_DOUBLE_EQ(w.GetNextTime(), clock_.now);  // measured from the job's end
  EXPECT_TRUE(notifier_.bodies.empty());          // a button job shows no notification
}

TEST_F(MainWindowTest, TrayClickCleansWithANotificationWhenSwitchedOn) {
  TFrmSweeplet& w = Open();
  w.TrayIconClick();  // switched off: shows the window, cleans nothing
  Pump();
  EXPECT_EQ(memory_.purges.load(), 0);

  UserClick(C(IdChkCleanOnTray));
  EXPECT_EQ(ReadDword(L"cleanontray"), 1u);
  w.TrayIconClick();
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning() && memory_.purges.load() == 1; }));
  ASSERT_EQ(notifier_.bodies.size(), 1u);
  EXPECT_EQ(notifier_.bodies[0], L"Optimized memory.");
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
  UserClick(C(IdChkUsagePhys));
  UserSelect(C(IdEditUsagePhys), 3);  // "60"
  clock_.Advance(3600);
  w.TmrStatusTimer();
  Pump();
  EXPECT_EQ(memory_.purges.load(), 0);
}

TEST_F(MainWindowTest, FirstRunShowsTheDefaults) {
  Open();
  for (int box : {IdChkUsagePhys, IdChkUsagePage, IdChkUsageWork, IdChkMinute, IdChkCleanOnTray, IdChkAutoStart}) {
    EXPECT_FALSE(Checked(C(box))) << box;
  }
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
  EXPECT_TRUE(Checked(C(IdChkUsagePage)));
  EXPECT_TRUE(::IsWindowEnabled(C(IdEditUsagePage)));
  EXPECT_TRUE(Checked(C(IdChkCleanOnTray)));
  EXPECT_EQ(ReadDword(L"cleanontray"), 1u);
  EXPECT_EQ(ReadDword(L"enabled_usage_page"), 1u);
}

TEST_F(MainWindowTest, EachAutomaticSettingMovesTheReferenceTimeTheOthersDoNot) {
  TFrmSweeplet& w = Open();
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
  UserClick(C(IdChkMinute));
  EXPECT_FALSE(::IsWindowEnabled(C(IdEditMinute)));
  EXPECT_EQ(Text(C(IdEditMinute)), L"40");
  EXPECT_EQ(ReadDword(L"enabled_minute"), 0u);
  EXPECT_EQ(ReadDword(L"limit_minute"), 4u);
}

TEST_F(MainWindowTest, AnExistingLogonTaskIsRegisteredAgainWithoutDelay) {
  scheduler_.Root()[L"SweepletTaskMachine"] = {};
  Open();
  EXPECT_TRUE(Checked(C(IdChkAutoStart)));
  ASSERT_TRUE(scheduler_.Root().count(L"SweepletTaskMachine"));
  const auto& task = scheduler_.Root().at(L"SweepletTaskMachine");
  ASSERT_EQ(task.triggers.size(), 1u);
  EXPECT_FALSE(task.triggers[0].delay.has_value());
}

TEST_F(MainWindowTest, InstallSwitchRegistersWithADelayThenLoadReplacesIt) {
  Open(L"/inst");
  EXPECT_TRUE(Checked(C(IdChkAutoStart)));
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
  EXPECT_EQ(steps_, (std::vector<std::string>{"window", "controls", "menu", "theme", "translate", "version", "format", "appearance", "tray", "config",
                                              "nexttime", quota, profile, "privileges", "status", "update"}));
  steps_.clear();
  window_.reset();
  Open(L"/inst");
  EXPECT_EQ(steps_, (std::vector<std::string>{"window", "controls", "menu", "theme", "translate", "version", "format", "appearance", "tray",
                                              "install", "config", "nexttime", quota, profile, "privileges", "status",
                                              "update"}));
}

TEST_F(MainWindowTest, LogonStartStaysHiddenWithFiguresAlreadyFilled) {
  TFrmSweeplet& w = Open(L"/start");
  EXPECT_EQ(steps_.at(steps_.size() - 2), "hidden");
  EXPECT_FALSE(::IsWindowVisible(w.Handle()));
  EXPECT_TRUE(w.Tray()->Visible());
  EXPECT_EQ(Text(C(IdLblPhysStatus)), L"12,288 MB / 16,384 MB (Usage: 75.00%)");
  EXPECT_EQ(::SendMessageW(C(IdProgressBar), PBM_GETPOS, 0, 0), 75);
}

TEST_F(MainWindowTest, VersionLineAndTrayHintShowTheSameVersion) {
  TFrmSweeplet& w = Open();
  EXPECT_EQ(Text(C(IdEditInfo)), L"ver: 1.9.0");
  EXPECT_EQ(w.Tray()->Hint(), L"Sweeplet 1.9.0");
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
  UserClick(C(IdChkCleanOnTray));
  ::ResetEvent(memory_.release);
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONUP);
  EXPECT_EQ(w.Tray()->ImageIndex(), 1);
  EXPECT_FALSE(::IsWindowVisible(w.Handle()));  // cleaning leaves the window as it was
  // A second click during the job does nothing at all.
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
  ::SendMessageW(w.Handle(), kTrayCallbackMessage, 1, WM_LBUTTONUP);
  ::SetEvent(memory_.release);
  ASSERT_TRUE(PumpUntil([&] { return !w.IsRunning(); }));
  Pump(100);
  EXPECT_EQ(w.Tray()->ImageIndex(), 0);
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

}  // namespace
}  // namespace sweeplet
