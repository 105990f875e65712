#pragma once
// The main window, a shell around its parts: the header with the page buttons and the logo, the
// Home and Config pages, the status timer with the automatic rule, the notification area (a part
// of its own), the cleaning job's busy state and the quit question. The settings live in a model of their own,
// the logon task in RunAtLogon, and keyboard focus in KeyboardFocus.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CleaningPage.h"
#include "app/ConfigPage.h"
#include "app/HomePage.h"
#include "app/KeyboardFocus.h"
#include "app/PageHost.h"
#include "app/RunAtLogon.h"
#include "app/Services.h"
#include "app/SettingsModel.h"
#include "app/TrayArea.h"
#include "app/logic/AutoClean.h"
#include "app/logic/NumberFormat.h"
#include "app/logic/StatusLines.h"
#include "common/UniqueHandle.h"
#include "common/WorkerThread.h"
#include "memory/MemoryPurge.h"
#include "update/UpdateStatus.h"

namespace sweeplet {

class TThemeHelper;

struct StartOptions {
  std::wstring firstArgument;  // the first command-line argument, "" for none
};

class TFrmSweeplet : private PageHost, private TrayHost, private RunAtLogon::Host, private CleaningPage::Host {
 public:
  TFrmSweeplet(const StartOptions& options, const Services& services);
  ~TFrmSweeplet() override;
  TFrmSweeplet(const TFrmSweeplet&) = delete;
  TFrmSweeplet& operator=(const TFrmSweeplet&) = delete;

  // The status timer's id: the tick handler arms it again at the end of every tick.
  static constexpr UINT kStatusTimerId = 1;

  static void RegisterWindowClass(HINSTANCE instance) noexcept;
  // Creates the window; the start-up sequence runs inside. Returns false when creation failed.
  bool Create() noexcept;
  HWND Handle() const noexcept { return hwnd_; }

  // What the entry point, the update check and the tests that drive the window in-process use:
  // the clicks a user makes, the tick, the job, and what the window shows.
  void BtnHomeClick(HWND sender);
  void BtnCleanClick(bool fromTrayIcon);
  // `areas`: 0 for the settings' choice; `ticket`: the hand-off's, 0 for none.
  void Clean(bool alarm, uint32_t areas = 0, intptr_t ticket = 0);
  bool IsRunning() const noexcept { return FIsRunning; }
  void TmrStatusTimer();
  void TrayIconClick();
  void AProc(bool opened);
  // The update service's notice: the bar along the bottom, pointing at `link`.
  void ShowUpdateNotice(const std::wstring& link);
  double GetNextTime() const noexcept { return NextTime; }
  int ShownPage() const noexcept { return shownPage_; }
  bool ConfigPageMade() const noexcept { return config_.Made(); }
  // The hotkey the window holds registered now; 0 for none.
  uint16_t RegisteredHotkey() const noexcept { return registeredHotkey_; }
  // The notification area's part: its icon, menu and what the icon shows.
  const TrayArea& TrayPart() const noexcept { return tray_; }

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The window's own handlers, reached through its messages.
  void SVGIconImage1Click();
  void SetIsRunning(bool value);
  void LoadConfig();
  void BtnOpenClick();
  void BtnCopyrightClick();
  void BtnCloseClick();
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

  // PageHost and TrayHost
  HWND Window() const noexcept override { return hwnd_; }
  UINT Dpi() const noexcept override { return dpi_; }
  HFONT Font() const noexcept override { return font_.get(); }
  int AccentLine() const noexcept override { return accentLine_; }
  void AutoSettingChanged() override { NextTime = Now(); }
  bool LogonTaskChecked() const noexcept override { return runAtLogon_.Checked(); }
  bool LogonTaskClicked(bool wanted) override { return runAtLogon_.Click(wanted); }
  void TraySettingChanged() override;
  // TrayHost
  void TrayClicked() override { TrayIconClick(); }
  // RunAtLogon::Host
  void ShowLogonTaskAnswer(bool checked) override { config_.ShowLogonTask(checked); }
  void TellUser(const std::wstring& text, bool answersClick) override;
  bool Ending() const override { return destroying_; }
  // CleaningPage::Host
  bool ChangeHotkey(uint16_t hotkey) override;
  bool HotkeyRegistered() const noexcept override { return registeredHotkey_ != 0; }

  void FormCreate();
  void AfterFirstPaint();
  void AddTrayIcon();
  bool FormCloseQuery();
  void CloseForGood();
  HWND OpenQuestion() const;
  void CreateControls();
  void ApplyFonts();
  std::vector<Placement> Placements();
  void Layout();
  void PlaceWindow();
  void ShowPage(int index);
  HWND ShownCard() const noexcept;
  void OnCommand(int id, int code, HWND control);
  LRESULT OnCtlColor(HDC dc, HWND control);
  LRESULT OnHandOff(WPARAM command, LPARAM argument);
  // `purged`: what the job's purge did; none when no purge ran.
  void JobEnd(bool alarm, std::optional<PurgeResult> purged, intptr_t ticket);
  // Whether a program that pauses automatic cleaning runs; while one does, looked at again only
  // after ten seconds.
  bool PausedByPrograms();
  void EndTick(ULONGLONG began) noexcept;
  void StartUpdateCheck();
  double Now() const { return services_.clock->Now(); }
  void SetUpKeyboardAndAccessibility();
  void MarkCleanAsDefault(bool windowHasFocus);
  LRESULT DefaultButton() const;
  void RepaintForColours();

  StartOptions options_;
  Services services_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  SettingsModel settings_;
  RunAtLogon runAtLogon_;
  HomePage home_;
  ConfigPage config_;
  CleaningPage cleaning_;
  KeyboardFocus focus_;

  // Members the rest of the program knows by name.
  bool FCanClose = false;
  bool FIsRunning = false;
  double NextTime = 0;
  std::wstring FmtPhysStatus;
  std::string physFormat_;  // the same, as the status formatter takes it
  StatusLines statusLines_;  // the status tick's texts, kept so that their room is reused
  AutoCleanSettings autoClean_;  // what the automatic rule reads, kept for the same reason
  TrayArea tray_;
  std::unique_ptr<TThemeHelper> themeHelper_;

  // The header and the page area.
  HWND PnlHead = nullptr, BtnHead = nullptr, PnlLogo = nullptr, SVGIconImage1 = nullptr;
  HWND BtnHome = nullptr, BtnConfig = nullptr, BtnCleaning = nullptr, BtnDonate = nullptr;
  HWND PnlMain = nullptr;

  UniqueFont font_, titleFont_;
  int shownPage_ = 0;
  bool activeAtJobStart_ = false;
  bool created_ = false;       // the creation's start-up steps have run
  bool destroying_ = false;    // WM_DESTROY has begun: nested hand-offs do nothing
  bool ticking_ = false;       // a status tick runs: the timer counts as off
  bool timerSet_ = false;      // the status timer runs
  int accentLine_ = 2;         // the theme's accent line above the header; 0 without the theme
  bool questionOpen_ = false;  // the quit question is showing
  NumberSeparators separators_;
  WorkerThread job_;  // the cleaning job's worker, at most one at a time

  // Cleanings handed over by "/clean": the job's ticket while it runs, and the last few results,
  // which the waiting starts ask for.
  struct HandedResult {
    intptr_t ticket = 0;
    intptr_t result = 0;
  };
  intptr_t lastTicket_ = 0;
  intptr_t runningTicket_ = 0;
  std::array<HandedResult, 4> handedResults_{};
  uint16_t registeredHotkey_ = 0;
  double pauseLookedAt_ = 0;  // when the process list was last looked at (the clock's time)
  bool pausedWhenLooked_ = false;
  NoticeBar noticeBar_;  // the update service's notice, made when the first one comes
};

}  // namespace sweeplet
