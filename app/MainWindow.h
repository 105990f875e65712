#pragma once
// The main window, a shell around its parts: the header with the page buttons and the logo, the
// Home and Config pages, the status timer with the automatic rule, the tray icon with its menu,
// the cleaning job's busy state and the quit question. The settings live in a model of their own,
// the logon task in RunAtLogon, and keyboard focus in KeyboardFocus.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ConfigPage.h"
#include "app/HomePage.h"
#include "app/KeyboardFocus.h"
#include "app/PageHost.h"
#include "app/RunAtLogon.h"
#include "app/Services.h"
#include "app/SettingsModel.h"
#include "app/logic/AutoClean.h"
#include "app/logic/NumberFormat.h"
#include "app/logic/StatusLines.h"
#include "app/logic/TrayTexts.h"
#include "common/UniqueHandle.h"
#include "common/WorkerThread.h"
#include "update/UpdateStatus.h"

namespace sweeplet {

class TTrayIcon;
class TThemeHelper;

struct StartOptions {
  std::wstring firstArgument;  // the first command-line argument, "" for none
};

class TFrmSweeplet : private PageHost, private RunAtLogon::Host {
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

  // Public for the entry point and for tests that drive the window in-process.
  void BtnHomeClick(HWND sender);
  void SVGIconImage1Click();
  void BtnCleanClick(bool fromTrayIcon);
  void Clean(bool alarm);
  bool IsRunning() const noexcept { return FIsRunning; }
  void SetIsRunning(bool value);
  void TmrStatusTimer();
  void LoadConfig();
  void TrayIconClick();
  void BtnOpenClick();
  void BtnCopyrightClick();
  void BtnCloseClick();
  void AProc(bool opened);
  // The update service's notice: the bar along the bottom, pointing at `link`.
  void ShowUpdateNotice(const std::wstring& link);
  double GetNextTime() const noexcept { return NextTime; }
  void SetNextTime(double value) noexcept { NextTime = value; }
  HMENU PopupMenu() const noexcept { return popup_.get(); }
  int ShownPage() const noexcept { return shownPage_; }
  bool ConfigPageMade() const noexcept { return config_.Made(); }
  const TTrayIcon* Tray() const noexcept { return TrayIcon.get(); }

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

  // PageHost
  HWND Window() const noexcept override { return hwnd_; }
  UINT Dpi() const noexcept override { return dpi_; }
  HFONT Font() const noexcept override { return font_.get(); }
  int AccentLine() const noexcept override { return accentLine_; }
  void AutoSettingChanged() override { NextTime = Now(); }
  bool LogonTaskChecked() const noexcept override { return runAtLogon_.Checked(); }
  bool LogonTaskClicked(bool wanted) override { return runAtLogon_.Click(wanted); }
  // RunAtLogon::Host
  void ShowLogonTaskAnswer(bool checked) override { config_.ShowLogonTask(checked); }
  void TellUser(const std::wstring& text, bool answersClick) override;
  bool Ending() const override { return destroying_; }

  void FormCreate();
  void AfterFirstPaint();
  void AddTrayIcon();
  bool FormCloseQuery();
  void CloseForGood();
  HWND OpenQuestion() const;
  void CreateControls();
  void CreatePopupMenuAndImages();
  void ApplyFonts();
  std::vector<Placement> Placements();
  void Layout();
  void PlaceWindow();
  void ShowPage(int index);
  HWND ShownCard() const noexcept;
  void OnCommand(int id, int code, HWND control);
  LRESULT OnCtlColor(HDC dc, HWND control);
  void OnHandOff(WPARAM command);
  void OnTrayEvent(LPARAM event);
  // `freed`: what the job's purge freed; none when no purge ran.
  void JobEnd(bool alarm, std::optional<uint64_t> freed);
  void UpdateTrayTip();
  void ShowTrayTip(TTrayIcon& icon);
  void EndTick(ULONGLONG began) noexcept;
  void StartUpdateCheck();
  void ShowNotification(const std::wstring& text);
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
  KeyboardFocus focus_;

  // Members the rest of the program knows by name.
  bool FCanClose = false;
  bool FIsRunning = false;
  double NextTime = 0;
  std::unique_ptr<TTrayIcon> TrayIcon;
  std::wstring FmtPhysStatus;
  std::string physFormat_;  // the same, as the status formatter takes it
  StatusLines statusLines_;  // the status tick's texts, kept so that their room is reused
  AutoCleanSettings autoClean_;  // what the automatic rule reads, kept for the same reason
  // The tray tooltip: its fixed texts, the last tick's use, the last job's freed line (empty
  // during a job and before the first), the text being composed and the one the icon shows.
  TrayTipTexts tipTexts_;
  float tipUsagePhys_ = 0, tipUsagePage_ = 0;
  std::string freedLine_;
  std::string tip_, shownTip_;
  std::wstring shownTipWide_;
  std::unique_ptr<TThemeHelper> themeHelper_;

  // The header and the page area.
  HWND PnlHead = nullptr, BtnHead = nullptr, PnlLogo = nullptr, SVGIconImage1 = nullptr;
  HWND BtnHome = nullptr, BtnConfig = nullptr, BtnDonate = nullptr;
  HWND PnlMain = nullptr;

  UniqueMenu popup_;          // the tray icon's menu (Open, separator, Credits, Quit)
  UniqueAny<HIMAGELIST, ImageList_Destroy> ListIcon;
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
  NoticeBar noticeBar_;  // the update service's notice, made when the first one comes
};

}  // namespace sweeplet
