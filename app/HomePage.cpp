#include "app/HomePage.h"

#include <commctrl.h>
#include <oleacc.h>

#include "app/ControlIds.h"
#include "app/PageHost.h"
#include "app/Panel.h"
#include "common/Accessible.h"
#include "common/Utf.h"
#include "i18n/TranslateWin.h"
#include "theme/ActivityIndicator.h"
#include "theme/StyledButton.h"

namespace sweeplet {
namespace {

// The control's own visibility, whatever its page or the window shows.
bool HasVisibleStyle(HWND control) { return (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

}  // namespace

std::vector<Placement> HomePage::Placements() {
  const int line = host_.AccentLine();
  return {
      {&card_, 0, 0, 500, 400 - line},
      {&lblTitle_, 8, 40, 484, 81},
      {&progressBar_, 56, 192, 393, 25},
      {&lblPhys_, 56, 223, 70, 13},
      {&lblPhysStatus_, 132, 223, 317, 13},
      {&lblVirtual_, 56, 242, 70, 13},
      {&lblVirtualStatus_, 134, 242, 120, 13},
      {&lblWorking_, 263, 242, 70, 13},
      {&lblWorkingStatus_, 341, 242, 108, 13},
      {&btnClean_, 168, 298, 164, 68},
      {&indicator_, 233, 316, 32, 32},
  };
}

void HomePage::Create(HWND pageArea) {
  const std::vector<Placement> places = Placements();
  const UINT dpi = host_.Dpi();
  auto at = [&](HWND& control) { return PlacedRect(places, control, dpi); };
  card_ = CreatePanel(pageArea, at(card_));
  lblTitle_ = MakeChild(card_, L"STATIC", L"Sweeplet", SS_CENTER | SS_NOPREFIX, IdLblTitle, at(lblTitle_));
  progressBar_ = MakeChild(card_, PROGRESS_CLASSW, L"", PBS_SMOOTH | PBS_SMOOTHREVERSE, IdProgressBar, at(progressBar_));
  ::SendMessageW(progressBar_, PBM_SETRANGE32, 0, 100);
  lblPhys_ = MakeChild(card_, L"STATIC", L"실제 메모리", SS_NOPREFIX, IdLblPhys, at(lblPhys_));
  lblPhysStatus_ = MakeChild(card_, L"STATIC", L"", SS_NOPREFIX, IdLblPhysStatus, at(lblPhysStatus_));
  lblVirtual_ = MakeChild(card_, L"STATIC", L"가상 메모리", SS_NOPREFIX, IdLblVirtual, at(lblVirtual_));
  lblVirtualStatus_ = MakeChild(card_, L"STATIC", L"", SS_NOPREFIX, IdLblVirtualStatus, at(lblVirtualStatus_));
  lblWorking_ = MakeChild(card_, L"STATIC", L"워킹 셋", SS_NOPREFIX, IdLblWorking, at(lblWorking_));
  lblWorkingStatus_ = MakeChild(card_, L"STATIC", L"", SS_NOPREFIX, IdLblWorkingStatus, at(lblWorkingStatus_));
  // The indicator is created before the button so that it lies above it.
  indicator_ = CreateActivityIndicator(card_, at(indicator_));
  ::SetWindowLongPtrW(indicator_, GWLP_ID, IdIndicator);
  ::ShowWindow(indicator_, SW_HIDE);  // shown only while a job runs
  btnClean_ = CreateStyledButton(card_, IdBtnClean, L"정리하기", "Outline", 6, at(btnClean_), false);
  // Where the language reads right to left, so does the caption of the physical line.
  if (ReadsRightToLeft()) {
    ::SetWindowLongPtrW(lblPhys_, GWL_EXSTYLE, ::GetWindowLongPtrW(lblPhys_, GWL_EXSTYLE) | WS_EX_RTLREADING);
  }
}

void HomePage::Layout() noexcept { PlaceAll(Placements(), host_.Dpi()); }

void HomePage::ShowStatus(const StatusLines& lines) {
  auto show = [this](HWND label, const std::string& line, std::string& shown) {
    if (line == shown && ::GetWindowTextLengthW(label) > 0) return;
    WidenInto(line, wideText_);
    ::SetWindowTextW(label, wideText_.c_str());
    shown = line;
  };
  show(lblPhysStatus_, lines.phys, shown_.phys);
  if (HasVisibleStyle(lblVirtual_)) show(lblVirtualStatus_, lines.page, shown_.page);
  if (HasVisibleStyle(lblWorking_)) show(lblWorkingStatus_, lines.work, shown_.work);
  ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(lines.progress), 0);
}

void HomePage::ShowBusy(bool busy, bool withIndicator) {
  ::SetWindowTextW(btnClean_, busy ? L"" : TranslateW(L"정리하기").c_str());
  ::EnableWindow(btnClean_, !busy);
  if (busy && withIndicator) {
    ::ShowWindow(indicator_, SW_SHOW);
    StartIndicator(indicator_);
  } else {
    StopIndicator(indicator_);
    ::ShowWindow(indicator_, SW_HIDE);
  }
}

bool HomePage::IsSecondaryText(HWND control) const noexcept {
  return control == lblVirtual_ || control == lblVirtualStatus_ || control == lblWorking_ ||
         control == lblWorkingStatus_;
}

// The status lines are text wherever the standard objects say otherwise.
void HomePage::SetUpAccessibility() noexcept {
  for (HWND label :
       {lblTitle_, lblPhys_, lblPhysStatus_, lblVirtual_, lblVirtualStatus_, lblWorking_, lblWorkingStatus_}) {
    SetAccessibleTraits(label, {.role = ROLE_SYSTEM_STATICTEXT});
  }
}

}  // namespace sweeplet
