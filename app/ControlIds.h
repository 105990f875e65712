#pragma once
// Control identifiers of the main window, and the menu command identifiers of the tray menu.

namespace sweeplet {

enum ControlId : int {
  IdBtnHome = 1001,
  IdBtnConfig,
  IdBtnDonate,
  IdLogo,
  IdLblTitle,
  IdProgressBar,
  IdLblPhys,
  IdLblPhysStatus,
  IdLblVirtual,
  IdLblVirtualStatus,
  IdLblWorking,
  IdLblWorkingStatus,
  IdBtnClean,
  IdIndicator,
  IdGroupBox1,
  IdChkUsagePhys,
  IdChkMinute,
  IdEditUsagePhys,
  IdEditMinute,
  IdChkUsagePage,
  IdEditUsagePage,
  IdChkUsageWork,
  IdEditUsageWork,
  IdGroupBox3,
  IdChkAutoStart,
  IdChkCleanOnTray,
  IdEditInfo,
  // The Cleaning page and its header button.
  IdBtnCleaning = 1400,
  IdGroupAreas,
  IdChkAreaFileCache,
  IdChkAreaWorkingSets,
  IdChkAreaStandbyLow,
  IdChkAreaStandby,
  IdChkAreaModified,
  IdChkAreaCombine,
  IdLblAreaCost,
  IdGroupHotkey,
  IdLblHotkey,
  IdHotkey,
  IdLblHotkeyMessage,
  IdLblPause,
  IdEditPause,
  IdBtnPauseApply,
  IdLblPauseMessage,
  // Tray menu commands.
  IdBtnOpen = 2001,
  IdBtnCopyright,
  IdBtnClose,
};

// The notification area's switches on the Config page.
enum TrayControlId : int {
  IdChkTrayUse = 1300,
  IdChkNotifications,
};

}  // namespace sweeplet
