#include "app/CleaningPage.h"

#include <commctrl.h>
#include <oleacc.h>

#include <string>

#include "app/ControlIds.h"
#include "app/PageHost.h"
#include "app/Panel.h"
#include "app/SettingsModel.h"
#include "app/logic/ProgramList.h"
#include "common/Accessible.h"
#include "common/SystemProc.h"
#include "common/UniqueHandle.h"
#include "i18n/TranslateWin.h"
#include "theme/HighContrast.h"

namespace sweeplet {
namespace {

// The check boxes in request order, with their settings' areas and their (Korean) captions.
struct AreaBox {
  int id;
  PurgeArea area;
  const wchar_t* caption;
};
constexpr AreaBox kAreaBoxes[kPurgeAreaCount] = {
    {IdChkAreaFileCache, kAreaFileCache, L"시스템 파일 캐시"},
    {IdChkAreaWorkingSets, kAreaWorkingSets, L"모든 프로세스의 워킹셋"},
    {IdChkAreaStandbyLow, kAreaStandbyLowPriority, L"대기 목록 (우선순위 낮은 페이지만)"},
    {IdChkAreaStandby, kAreaStandby, L"대기 목록 전체"},
    {IdChkAreaModified, kAreaModified, L"수정된 페이지 목록 (디스크에 기록)"},
    {IdChkAreaCombine, kAreaCombine, L"동일한 페이지 합치기"},
};

bool IsChecked(HWND box) noexcept { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

long CheckBoxState(HWND box, long standard) {
  return IsChecked(box) ? standard | STATE_SYSTEM_CHECKED : standard & ~STATE_SYSTEM_CHECKED;
}

std::wstring WindowText(HWND control) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A translated text with "%s" replaced by `value`.
std::wstring WithValue(const wchar_t* key, const std::wstring& value) {
  std::wstring text = TranslateW(key);
  if (const size_t at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, value);
  return text;
}

std::wstring ProgramListMessage(const ProgramList& list) {
  switch (list.error) {
    case ProgramListError::None: return TranslateW(L"저장했습니다.");
    case ProgramListError::PathSeparator: return WithValue(L"폴더 없이 프로그램 이름만 입력하세요: %s", list.offending);
    case ProgramListError::Wildcard: return WithValue(L"와일드카드(* ?)는 사용할 수 없습니다: %s", list.offending);
    case ProgramListError::BadCharacter: return WithValue(L"프로그램 파일 이름이 아닙니다: %s", list.offending);
    case ProgramListError::TooMany: return TranslateW(L"프로그램은 32개까지 입력할 수 있습니다.");
    case ProgramListError::TooLong: return WithValue(L"이름은 260자까지 입력할 수 있습니다: %s", list.offending + L"...");
  }
  return {};
}

}  // namespace

std::vector<Placement> CleaningPage::Placements() {
  const int line = page_.AccentLine();
  std::vector<Placement> places = {
      {&card_, 0, 0, 500, 400 - line},
      {&groupAreas_, 15, 10, 474, 184},
      {&lblAreaCost_, 32, 156, 446, 30},
      {&groupHotkey_, 15, 202, 474, 168},
      {&lblHotkey_, 32, 229, 150, 17},
      {&hotkey_, 190, 226, 160, 21},
      {&lblHotkeyMessage_, 32, 251, 446, 17},
      {&lblPause_, 32, 273, 446, 30},
      {&editPause_, 32, 305, 360, 21},
      {&btnPauseApply_, 400, 304, 78, 23},
      {&lblPauseMessage_, 32, 332, 446, 30},
  };
  for (size_t i = 0; i < kPurgeAreaCount; ++i) places.push_back({&areaBoxes_[i], 32, 34 + 20 * static_cast<int>(i), 446, 17});
  return places;
}

void CleaningPage::Make(HWND pageArea) {
  if (card_ != nullptr) return;
  // The hotkey control's class, registered only when the page is first wanted.
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_HOTKEY_CLASS};
  ::InitCommonControlsEx(&icc);
  const std::vector<Placement> places = Placements();
  const UINT dpi = page_.Dpi();
  auto at = [&](HWND& control) { return PlacedRect(places, control, dpi); };
  card_ = CreatePanel(pageArea, at(card_));
  ::ShowWindow(card_, SW_HIDE);

  // In keyboard tab order.
  constexpr DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;
  constexpr DWORD label = SS_LEFT | SS_NOPREFIX;
  groupAreas_ = MakeChild(card_, L"BUTTON", L"정리할 영역", BS_GROUPBOX, IdGroupAreas, at(groupAreas_));
  for (size_t i = 0; i < kPurgeAreaCount; ++i) {
    areaBoxes_[i] = MakeChild(card_, L"BUTTON", kAreaBoxes[i].caption, box, kAreaBoxes[i].id, at(areaBoxes_[i]));
  }
  lblAreaCost_ = MakeChild(card_, L"STATIC",
                           L"대기 목록은 Windows가 디스크에서 다시 읽는 캐시이고, 수정된 페이지를 비우면 디스크에 기록합니다.",
                           label, IdLblAreaCost, at(lblAreaCost_));
  groupHotkey_ = MakeChild(card_, L"BUTTON", L"단축키와 일시 중지", BS_GROUPBOX, IdGroupHotkey, at(groupHotkey_));
  lblHotkey_ = MakeChild(card_, L"STATIC", L"정리 단축키:", label, IdLblHotkey, at(lblHotkey_));
  hotkey_ = MakeChild(card_, HOTKEY_CLASSW, L"", WS_TABSTOP | WS_BORDER, IdHotkey, at(hotkey_));
  lblHotkeyMessage_ = MakeChild(card_, L"STATIC", L"", label, IdLblHotkeyMessage, at(lblHotkeyMessage_));
  lblPause_ = MakeChild(card_, L"STATIC",
                        L"다음 프로그램이 실행 중이면 자동 정리하지 않기 (예: game.exe; vmware-vmx.exe):", label,
                        IdLblPause, at(lblPause_));
  editPause_ = MakeChild(card_, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER, IdEditPause, at(editPause_));
  btnPauseApply_ = MakeChild(card_, L"BUTTON", L"적용", BS_PUSHBUTTON | WS_TABSTOP, IdBtnPauseApply, at(btnPauseApply_));
  lblPauseMessage_ = MakeChild(card_, L"STATIC", L"", label, IdLblPauseMessage, at(lblPauseMessage_));
  // 32 names of 260 characters with their separators: the field holds no more than a valid list.
  ::SendMessageW(editPause_, EM_SETLIMITTEXT, kMaxPausePrograms * (kMaxProgramNameLength + 2), 0);
  // A bare key would be taken from every program the user types in: Ctrl+Alt is added to one
  // chosen without a modifier, or with Shift alone.
  ::SendMessageW(hotkey_, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));

  TranslateComponent(card_, nullptr);
  AdoptWindowLook(card_, page_.Window(), page_.Font());
  ShowSettings();
  for (HWND areaBox : areaBoxes_) SetAccessibleTraits(areaBox, {.role = ROLE_SYSTEM_CHECKBUTTON, .state = CheckBoxState});
  SetAccessibleTraits(hotkey_, {.role = ROLE_SYSTEM_HOTKEYFIELD, .labelledBy = lblHotkey_});
  SetAccessibleTraits(editPause_, {.role = ROLE_SYSTEM_TEXT, .labelledBy = lblPause_});
  FollowHighContrast();
}

void CleaningPage::Layout() noexcept {
  if (card_ != nullptr) PlaceAll(Placements(), page_.Dpi());
}

// The model's values, set quietly: setting a box or the hotkey by message runs no handler.
void CleaningPage::ShowSettings() noexcept {
  const uint32_t areas = settings_.PurgeAreas();
  for (size_t i = 0; i < kPurgeAreaCount; ++i) {
    ::SendMessageW(areaBoxes_[i], BM_SETCHECK, (areas & kAreaBoxes[i].area) ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  ::SendMessageW(hotkey_, HKM_SETHOTKEY, settings_.Hotkey(), 0);
  if (settings_.Hotkey() != 0 && !host_.HotkeyRegistered()) {
    ::SetWindowTextW(lblHotkeyMessage_, TranslateW(L"다른 프로그램이 이미 이 단축키를 사용하고 있습니다.").c_str());
  }
  ::SetWindowTextW(editPause_, JoinProgramList(settings_.PausePrograms()).c_str());
}

bool CleaningPage::OnCommand(int id, int code) {
  if (card_ == nullptr) return false;
  for (size_t i = 0; i < kPurgeAreaCount; ++i) {
    if (id != kAreaBoxes[i].id) continue;
    if (code == BN_CLICKED) settings_.SetPurgeArea(kAreaBoxes[i].area, IsChecked(areaBoxes_[i]));
    return true;
  }
  switch (id) {
    case IdHotkey:
      if (code == EN_CHANGE) OnHotkeyChange();
      return true;
    case IdBtnPauseApply:
      if (code == BN_CLICKED) ApplyPausePrograms();
      return true;
    case IdEditPause:
      // A message about the text before this edit no longer applies.
      if (code == EN_CHANGE) ::SetWindowTextW(lblPauseMessage_, L"");
      return true;
    default:
      return false;
  }
}

void CleaningPage::OnHotkeyChange() {
  const auto chosen = static_cast<uint16_t>(::SendMessageW(hotkey_, HKM_GETHOTKEY, 0, 0));
  if (host_.ChangeHotkey(chosen)) {
    settings_.SetHotkey(chosen);
    ::SetWindowTextW(lblHotkeyMessage_, L"");
  } else {
    // Nothing is stored: the setting keeps the hotkey that works.
    ::SetWindowTextW(lblHotkeyMessage_, TranslateW(L"다른 프로그램이 이미 이 단축키를 사용하고 있습니다.").c_str());
  }
}

// The whole list is checked before any of it is kept.
void CleaningPage::ApplyPausePrograms() {
  ProgramList list = ParseProgramList(WindowText(editPause_));
  const std::wstring message = ProgramListMessage(list);
  if (list.error == ProgramListError::None) {
    settings_.SetPausePrograms(std::move(list.names));
    ::SetWindowTextW(editPause_, JoinProgramList(settings_.PausePrograms()).c_str());
  }
  ::SetWindowTextW(lblPauseMessage_, message.c_str());
}

bool CleaningPage::PressFocused() noexcept {
  if (card_ == nullptr) return false;
  const HWND focus = ::GetFocus();
  if (focus == editPause_) {
    ApplyPausePrograms();
    return true;
  }
  for (HWND box : areaBoxes_) {
    if (focus == box) {
      ::SendMessageW(box, BM_CLICK, 0, 0);
      return true;
    }
  }
  if (focus == btnPauseApply_) {
    ::SendMessageW(btnPauseApply_, BM_CLICK, 0, 0);
    return true;
  }
  return false;
}

// As on the Config page: under high contrast the group boxes are drawn plainly, in the page's colours.
void CleaningPage::FollowHighContrast() noexcept {
  if (card_ == nullptr) return;
  const bool plain = HighContrastOn();
  using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  static const UniqueModule uxtheme = SystemModule(L"uxtheme.dll");
  const auto setWindowTheme = SystemProc<SetWindowThemeFn>(uxtheme.get(), "SetWindowTheme");
  if (!setWindowTheme) return;
  for (HWND group : {groupAreas_, groupHotkey_}) setWindowTheme(group, plain ? L" " : nullptr, plain ? L" " : nullptr);
}

}  // namespace sweeplet
