#include "app/ConfigPage.h"

#include <commctrl.h>
#include <oleacc.h>

#include <array>
#include <string>

#include "app/ControlIds.h"
#include "app/PageHost.h"
#include "app/Panel.h"
#include "app/SettingsModel.h"
#include "common/Accessible.h"
#include "common/SystemProc.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"
#include "i18n/TranslateWin.h"
#include "theme/HighContrast.h"
#include "update/Identity.h"

namespace sweeplet {
namespace {

bool IsChecked(HWND box) noexcept { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND box, bool checked) noexcept {
  ::SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

long CheckBoxState(HWND box, long standard) {
  return IsChecked(box) ? standard | STATE_SYSTEM_CHECKED : standard & ~STATE_SYSTEM_CHECKED;
}

// The version line: a click takes the focus away, so no caret or selection stays in it.
LRESULT CALLBACK VersionLineProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR owner) {
  if (msg == WM_GETDLGCODE) return ::DefSubclassProc(hwnd, msg, wParam, lParam) & ~DLGC_HASSETSEL;
  if (msg == WM_LBUTTONUP) {
    const LRESULT r = ::DefSubclassProc(hwnd, msg, wParam, lParam);
    ::SetFocus(reinterpret_cast<PageHost*>(owner)->Window());
    return r;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

std::vector<Placement> ConfigPage::Placements() {
  const int line = host_.AccentLine();
  return {
      {&card_, 0, 0, 500, 400 - line},
      {&groupBox1_, 15, 14, 474, 155},
      // Inside the first group box (at 15, 14).
      {&chkUsagePhys_, 15 + 17, 14 + 32, 328, 17},
      {&chkMinute_, 15 + 17, 14 + 122, 328, 17},
      {&editUsagePhys_, 15 + 372, 14 + 31, 81, 21, true},
      {&editMinute_, 15 + 372, 14 + 116, 81, 21, true},
      {&chkUsagePage_, 15 + 17, 14 + 62, 328, 17},
      {&editUsagePage_, 15 + 372, 14 + 62, 81, 21, true},
      {&chkUsageWork_, 15 + 17, 14 + 92, 328, 17},
      {&editUsageWork_, 15 + 372, 14 + 89, 81, 21, true},
      {&groupBox3_, 15, 192, 474, 115},
      // Inside the second group box (at 15, 192); the notification area's switches on rows of
      // their own, long enough for every language.
      {&chkAutoStart_, 15 + 17, 192 + 32, 208, 17},
      {&chkCleanOnTray_, 15 + 245, 192 + 32, 208, 17},
      {&chkTrayUse_, 15 + 17, 192 + 57, 436, 17},
      {&chkNotifications_, 15 + 17, 192 + 82, 436, 17},
      {&editInfo_, 15, 368, 170, 21},
  };
}

void ConfigPage::Make(HWND pageArea) {
  if (card_ != nullptr) return;
  const std::vector<Placement> places = Placements();
  const UINT dpi = host_.Dpi();
  auto at = [&](HWND& control) { return PlacedRect(places, control, dpi); };
  // Made hidden: its controls appear together when the page shows.
  card_ = CreatePanel(pageArea, at(card_));
  ::ShowWindow(card_, SW_HIDE);

  // In keyboard tab order.
  constexpr DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;
  constexpr DWORD list = CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
  groupBox1_ = MakeChild(card_, L"BUTTON", L"메모리 관리", BS_GROUPBOX, IdGroupBox1, at(groupBox1_));
  chkUsagePhys_ = MakeChild(card_, L"BUTTON", L"실제 메모리 사용률(%) 이상일 때 정리하기", box, IdChkUsagePhys, at(chkUsagePhys_));
  chkMinute_ = MakeChild(card_, L"BUTTON", L"다음 시간(분) 마다 정리하기", box, IdChkMinute, at(chkMinute_));
  editUsagePhys_ = MakeChild(card_, WC_COMBOBOXW, L"", list, IdEditUsagePhys, at(editUsagePhys_));
  editMinute_ = MakeChild(card_, WC_COMBOBOXW, L"", list, IdEditMinute, at(editMinute_));
  chkUsagePage_ = MakeChild(card_, L"BUTTON", L"가상 메모리 사용률(%) 이상일 때 정리하기", box, IdChkUsagePage, at(chkUsagePage_));
  editUsagePage_ = MakeChild(card_, WC_COMBOBOXW, L"", list, IdEditUsagePage, at(editUsagePage_));
  chkUsageWork_ = MakeChild(card_, L"BUTTON", L"워킹셋 사용률(%) 이상일 때 정리하기", box, IdChkUsageWork, at(chkUsageWork_));
  editUsageWork_ = MakeChild(card_, WC_COMBOBOXW, L"", list, IdEditUsageWork, at(editUsageWork_));
  groupBox3_ = MakeChild(card_, L"BUTTON", L"기본 설정", BS_GROUPBOX, IdGroupBox3, at(groupBox3_));
  chkAutoStart_ = MakeChild(card_, L"BUTTON", L"부팅시 실행하기", box, IdChkAutoStart, at(chkAutoStart_));
  chkCleanOnTray_ = MakeChild(card_, L"BUTTON", L"트레이 아이콘 클릭시 정리하기", box, IdChkCleanOnTray, at(chkCleanOnTray_));
  chkTrayUse_ = MakeChild(card_, L"BUTTON", L"트레이 아이콘에 메모리 사용률 표시하기", box, IdChkTrayUse, at(chkTrayUse_));
  chkNotifications_ = MakeChild(card_, L"BUTTON", L"알림 표시하기", box, IdChkNotifications, at(chkNotifications_));
  editInfo_ = MakeChild(card_, L"EDIT", L"", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, IdEditInfo, at(editInfo_));
  for (const AutoSetting& setting : AutoSettings()) {
    HWND items = Control(setting.list);
    for (const int item : setting.items) {
      ::SendMessageW(items, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(std::to_string(item)).c_str()));
    }
  }
  ::SetWindowSubclass(editInfo_, VersionLineProc, 1, reinterpret_cast<DWORD_PTR>(&host_));

  TranslateComponent(card_, nullptr);
  ::SetWindowTextW(editInfo_, (TranslateW(L"버전") + L": " + GetAppVersion(L"%d.%d.%d")).c_str());
  AdoptWindowLook(card_, host_.Window(), host_.Font());
  ShowSettings();
  SetUpAccessibility();
  FollowHighContrast();
}

void ConfigPage::Layout() noexcept {
  if (card_ != nullptr) PlaceAll(Placements(), host_.Dpi());
}

// The model's values, set quietly: a list selected by the program sends no change, and a box set
// by message runs no click handler.
void ConfigPage::ShowSettings() noexcept {
  for (size_t i = 0; i < kAutoSettingCount; ++i) {
    const AutoSetting& setting = AutoSettings()[i];
    const SettingsModel::AutoValue& value = settings_.Auto(i);
    HWND items = Control(setting.list);
    // A position outside the list selects nothing (CB_SETCURSEL with -1 clears it).
    ::SendMessageW(items, CB_SETCURSEL, settings_.AutoItem(i) ? value.position : -1, 0);
    ::EnableWindow(items, value.enabled);
    SetChecked(Control(setting.box), value.enabled);
  }
  SetChecked(chkCleanOnTray_, settings_.CleanOnTray());
  SetChecked(chkTrayUse_, settings_.UseOnIcon());
  SetChecked(chkNotifications_, settings_.Notifications());
  SetChecked(chkAutoStart_, host_.LogonTaskChecked());
}

// Roles the standard objects do not give everywhere: the boxes are check boxes, and each list is
// named after the box that switches it.
void ConfigPage::SetUpAccessibility() noexcept {
  for (HWND box : {chkUsagePhys_, chkMinute_, chkUsagePage_, chkUsageWork_, chkAutoStart_, chkCleanOnTray_, chkTrayUse_,
                   chkNotifications_}) {
    SetAccessibleTraits(box, {.role = ROLE_SYSTEM_CHECKBUTTON, .state = CheckBoxState});
  }
  for (const AutoSetting& setting : AutoSettings()) {
    SetAccessibleTraits(Control(setting.list), {.role = ROLE_SYSTEM_COMBOBOX, .labelledBy = Control(setting.box)});
  }
}

// A themed group box draws its caption in the theme's colour, not in the one the window gives:
// under high contrast that can be the background's. Drawn plainly, it takes the page's colours.
void ConfigPage::FollowHighContrast() noexcept {
  if (card_ == nullptr) return;
  const bool plain = HighContrastOn();
  // uxtheme is not a known DLL: it is taken from the system folder only, and kept for the process.
  using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  static const UniqueModule uxtheme = SystemModule(L"uxtheme.dll");
  const auto setWindowTheme = SystemProc<SetWindowThemeFn>(uxtheme.get(), "SetWindowTheme");
  if (!setWindowTheme) return;
  // A blank name (not an empty one, which Wine takes as the default) turns the visual style off.
  for (HWND group : {groupBox1_, groupBox3_}) setWindowTheme(group, plain ? L" " : nullptr, plain ? L" " : nullptr);
}

bool ConfigPage::OnCommand(int id, int code) {
  if (card_ == nullptr) return false;
  switch (id) {
    case IdChkUsagePhys:
    case IdChkUsagePage:
    case IdChkUsageWork:
    case IdChkMinute:
    case IdChkCleanOnTray:
    case IdChkAutoStart:
    case IdChkTrayUse:
    case IdChkNotifications:
      if (code == BN_CLICKED) OnBoxClick(id);
      return true;
    case IdEditUsagePhys:
    case IdEditUsagePage:
    case IdEditUsageWork:
    case IdEditMinute:
      if (code == CBN_SELCHANGE) OnListChange(id);  // sent for user selections only
      return true;
    default:
      return false;
  }
}

void ConfigPage::OnBoxClick(int id) {
  if (const int index = FindAutoSetting(id); index >= 0) {
    const AutoSetting& setting = AutoSettings()[static_cast<size_t>(index)];
    const bool on = IsChecked(Control(id));
    ::EnableWindow(Control(setting.list), on);
    host_.AutoSettingChanged();
    settings_.SetAutoEnabled(static_cast<size_t>(index), on);
  } else if (id == IdChkCleanOnTray) {
    settings_.SetCleanOnTray(IsChecked(chkCleanOnTray_));
  } else if (id == IdChkTrayUse) {
    settings_.SetUseOnIcon(IsChecked(chkTrayUse_));
    host_.TraySettingChanged();
  } else if (id == IdChkNotifications) {
    settings_.SetNotifications(IsChecked(chkNotifications_));
  } else if (id == IdChkAutoStart) {
    SetChecked(chkAutoStart_, host_.LogonTaskClicked(IsChecked(chkAutoStart_)));
  }
}

void ConfigPage::OnListChange(int id) {
  const int index = FindAutoSetting(id);
  if (index < 0) return;
  host_.AutoSettingChanged();
  settings_.SetAutoPosition(static_cast<size_t>(index),
                            static_cast<int>(::SendMessageW(Control(id), CB_GETCURSEL, 0, 0)));
}

void ConfigPage::ShowLogonTask(bool checked) noexcept {
  if (chkAutoStart_ != nullptr) SetChecked(chkAutoStart_, checked);
}

bool ConfigPage::PressFocusedCheckBox() noexcept {
  if (card_ == nullptr) return false;
  const HWND focus = ::GetFocus();
  for (HWND box : {chkUsagePhys_, chkMinute_, chkUsagePage_, chkUsageWork_, chkAutoStart_, chkCleanOnTray_, chkTrayUse_,
                   chkNotifications_}) {
    if (focus == box && ::IsWindowEnabled(box)) {
      ::SendMessageW(box, BM_CLICK, 0, 0);
      return true;
    }
  }
  return false;
}

HWND ConfigPage::Control(int id) const noexcept {
  switch (id) {
    case IdChkUsagePhys: return chkUsagePhys_;
    case IdEditUsagePhys: return editUsagePhys_;
    case IdChkUsagePage: return chkUsagePage_;
    case IdEditUsagePage: return editUsagePage_;
    case IdChkUsageWork: return chkUsageWork_;
    case IdEditUsageWork: return editUsageWork_;
    case IdChkMinute: return chkMinute_;
    case IdEditMinute: return editMinute_;
    case IdChkCleanOnTray: return chkCleanOnTray_;
    case IdChkAutoStart: return chkAutoStart_;
    case IdChkTrayUse: return chkTrayUse_;
    case IdChkNotifications: return chkNotifications_;
    default: return nullptr;
  }
}

}  // namespace sweeplet
