#pragma once
// The main window: header with the page buttons and the logo, the Home and Config pages,
// the status timer, the tray icon with its menu, and the cleaning job's busy state.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "app/Services.h"
#include "app/logic/NumberFormat.h"
#include "app/logic/StatusLines.h"
#include "autostart/LogonTask.h"
#include "common/WorkerThread.h"
#include "common/UniqueHandle.h"

namespace sweeplet {

class TConfig;
class TTrayIcon;
class TThemeHelper;

struct StartOptions {
  std::wstring firstArgument;  // the first command-line argument, "" for none
};

class TFrmSweeplet {
 public:
  TFrmSweeplet(const StartOptions& options, const Services& services);
  ~TFrmSweeplet();
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
  void EditInfoClick();
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
  double GetNextTime() const noexcept { return NextTime; }
  void SetNextTime(double value) noexcept { NextTime = value; }
  HMENU PopupMenu() const noexcept { return popup_.get(); }
  int ShownPage() const noexcept { return shownPage_; }
  const TTrayIcon* Tray() const noexcept { return TrayIcon.get(); }

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

  void FormCreate();
  bool FormCloseQuery();
  void CloseForGood();
  HWND OpenQuestion() const;
  void CreateControls();
  void CreatePopupMenuAndImages();
  void ApplyFonts();
  // Where a control sits in its container, in pixels at 96 DPI.
  struct Placement {
    HWND* control;
    int x, y, w, h;
    bool dropDown = false;  // a drop-down list, whose window height includes its list
  };
  std::vector<Placement> Placements();
  RECT PlacedRect(const Placement& placement) const;  // at the window's DPI
  RECT PlacedRect(HWND& control);
  void Layout();
  void PlaceWindow();
  void ShowPage(int index);
  void OnCommand(int id, int code, HWND control);
  LRESULT OnCtlColor(HDC dc, HWND control);
  void OnHandOff(WPARAM command);
  void JobEnd(bool alarm);
  void SetCheckedByLoad(HWND box, bool checked);
  TConfig OpenSettings() const;
  void SaveConfig(const wchar_t* name, std::variant<bool, int> value);
  void ChkAutoStartClick();
  bool CopyProtected() const;
  void StartLogonTaskLookup();
  void OnLogonTaskLoaded(const LogonTaskPlan& plan);
  void TellProtectedFolder(bool answersClick);
  void EndTick(ULONGLONG began) noexcept;
  void StartUpdateCheck();
  void ShowNotification(const std::wstring& text);
  void OnCheckBoxClick(int id);
  void OnListChange(int id);
  int ReadListPosition(HWND list) const;
  std::wstring ListText(HWND list) const;
  HWND ConfigControl(int id) const;
  double Now() const { return services_.clock->Now(); }
  // Keyboard use and what screen readers are told.
  void SetUpKeyboardAndAccessibility();
  void RememberFocus();
  void RestoreFocus();
  void OnNextDlgCtl(WPARAM wParam, bool isHandle);
  void FollowPageWithFocus(HWND focusBefore);
  HWND FirstTabStopOfPage() const;
  bool CanTakeFocus(HWND control) const;
  void ShowKeyboardCues();
  void MarkCleanAsDefault(bool windowHasFocus);
  LRESULT DefaultButton() const;
  void PressFocusedCheckBox();
  void RepaintForColours();
  void FollowHighContrast();

  StartOptions options_;
  Services services_;
  LogonTaskSwitch logonTask_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;

  // Members the rest of the program knows by name.
  bool FCanClose = false;
  bool FIsRunning = false;
  double NextTime = 0;
  std::unique_ptr<TTrayIcon> TrayIcon;
  std::wstring FmtPhysStatus;
  std::string physFormat_;  // the same, as the status formatter takes it
  StatusLines statusLines_;  // the status tick's texts, kept so that their room is reused
  StatusLines shownLines_;   // what the labels were last given
  std::wstring statusText_;
  std::unique_ptr<TThemeHelper> themeHelper_;

  // Controls.
  HWND PnlHead = nullptr, BtnHead = nullptr, PnlLogo = nullptr, SVGIconImage1 = nullptr;
  HWND BtnHome = nullptr, BtnConfig = nullptr, BtnDonate = nullptr;
  HWND PnlMain = nullptr, Card1 = nullptr, Card2 = nullptr;
  HWND LblTitle = nullptr, ProgressBar = nullptr, LblPhys = nullptr, LblPhysStatus = nullptr;
  HWND LblVirtual = nullptr, LblVirtualStatus = nullptr, LblWorking = nullptr, LblWorkingStatus = nullptr;
  HWND BtnClean = nullptr, Indicator = nullptr;
  HWND GroupBox1 = nullptr, ChkUsagePhys = nullptr, ChkMinute = nullptr, EditUsagePhys = nullptr,
       EditMinute = nullptr, ChkUsagePage = nullptr, EditUsagePage = nullptr, ChkUsageWork = nullptr,
       EditUsageWork = nullptr;
  HWND GroupBox3 = nullptr, ChkAutoStart = nullptr, ChkCleanOnTray = nullptr, EditInfo = nullptr;

  UniqueMenu popup_;          // the tray icon's menu (Open, separator, Credits, Quit)
  UniqueAny<HIMAGELIST, ImageList_Destroy> ListIcon;
  UniqueFont font_, titleFont_;
  int shownPage_ = 0;
  bool activeAtJobStart_ = false;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window was last deactivated
  bool destroying_ = false;    // WM_DESTROY has begun: nested hand-offs do nothing
  bool ticking_ = false;       // a status tick runs: the timer counts as off
  bool timerSet_ = false;      // the status timer runs
  int accentLine_ = 2;         // the theme's accent line above the header; 0 without the theme
  bool questionOpen_ = false;  // the quit question is showing
  NumberSeparators separators_;
  WorkerThread job_;  // the cleaning job's worker, at most one at a time
  // Looks up (and registers again) the logon task at start, away from the user-interface thread.
  WorkerThread taskLookup_;
  bool taskLookupPending_ = false;
  bool toldProtectedFolder_ = false;  // the protected-folder notice shows once per run
};

}  // namespace sweeplet
