#include "app/TrayArea.h"

#include <cstring>

#include "app/ControlIds.h"
#include "common/Dpi.h"
#include "common/Utf.h"
#include "i18n/TranslateWin.h"
#include "i18n/TranslationTable.h"
#include "resources/resource.h"
#include "theme/HighContrast.h"

namespace sweeplet {
namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// The taskbar's own mode, apart from the apps' mode. Only a DWORD of exactly 1 means light:
// anything else the user's hive holds reads as the dark default.
bool TaskbarIsLight() noexcept {
  DWORD value = 0, size = sizeof(value), type = REG_NONE;
  if (::RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"SystemUsesLightTheme", RRF_RT_REG_DWORD, &type, &value,
                     &size) != ERROR_SUCCESS) {
    return false;
  }
  return value == 1;
}

DWORD Pixel(Color c) noexcept {
  // A 32-bit DIB's pixels are blue, green, red, alpha; opaque, so premultiplying changes nothing.
  return 0xFF000000u | (DWORD{c.r} << 16) | (DWORD{c.g} << 8) | DWORD{c.b};
}

}  // namespace

TrayLook ReadTrayLook() noexcept {
  TrayLook look;
  look.mode = HighContrastOn() ? TaskbarMode::HighContrast : TaskbarIsLight() ? TaskbarMode::Light : TaskbarMode::Dark;
  look.system = ReadSystemColors();
  // The taskbar sits on the primary monitor, whose DPI is the system's.
  look.iconSize = SystemMetricForDpi(SM_CXSMICON, WindowDpi(nullptr));
  return look;
}

bool UseIconCanvas::Prepare(int size) noexcept {
  if (size == size_ && color_ && mask_) return true;
  color_.reset();
  mask_.reset();
  size_ = 0;
  try {
    face_.resize(static_cast<size_t>(size) * static_cast<size_t>(size));
  } catch (...) {
    return false;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;  // top-down, as the face is laid out
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  color_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  colorBits_ = static_cast<DWORD*>(bits);
  // The mask: one bit a pixel, black (0) and white (1).
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } maskInfo{info.bmiHeader, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  maskInfo.header.biBitCount = 1;
  bits = nullptr;
  mask_.reset(::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&maskInfo), DIB_RGB_COLORS, &bits, nullptr, 0));
  maskBits_ = static_cast<std::uint8_t*>(bits);
  if (!color_ || !colorBits_ || !mask_ || !maskBits_) {
    color_.reset();
    mask_.reset();
    return false;
  }
  size_ = size;
  return true;
}

UniqueIcon UseIconCanvas::Make(UseFace face, int size, Color ink) noexcept {
  if (size < kMinUseIconSize || size > kMaxUseIconSize || !Prepare(size)) return {};
  if (!DrawUseFace(face_, size, face)) return {};
  const DWORD inkPixel = Pixel(ink);
  const auto maskStride = static_cast<size_t>((size + 31) / 32 * 4);  // DIB rows are DWORD-aligned
  std::memset(maskBits_, 0, maskStride * static_cast<size_t>(size));
  for (size_t y = 0, i = 0; y < static_cast<size_t>(size); ++y) {
    for (size_t x = 0; x < static_cast<size_t>(size); ++x, ++i) {
      const std::uint8_t p = face_[i];
      colorBits_[i] = p == kUseInk ? inkPixel : 0;
      // For shells that draw with the mask rather than the alpha channel.
      if (p == kUseClear) maskBits_[y * maskStride + x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    }
  }
  ::GdiFlush();  // the system may still be writing to the sections otherwise
  ICONINFO iconInfo{TRUE, 0, 0, mask_.get(), color_.get()};
  return UniqueIcon(::CreateIconIndirect(&iconInfo));  // the icon holds copies of both bitmaps
}

TrayArea::TrayArea(TrayHost& host, INotifier* notifier, ShellNotifyIcon notifyIcon) noexcept
    : host_(host), notifier_(notifier), notifyIcon_(std::move(notifyIcon)) {}

TrayArea::~TrayArea() { Remove(); }

void TrayArea::Add(const std::wstring& title, const NumberSeparators& separators, bool startedAtLogon) {
  separators_ = separators;
  auto icon = std::make_unique<TTrayIcon>(
      host_.Window(), [this] { return Images(); },
      ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP)), notifyIcon_);
  // The tooltip's first line, and below it the use that the start's status refresh read.
  tipTexts_.title = Narrow(title);
  tipTexts_.physical = Translate("실제 메모리");
  tipTexts_.virtualMemory = Translate("가상 메모리");
  if (haveReading_) {
    ComposeTrayTip(shownTip_, tipTexts_, usagePhys_, usagePage_, freedLine_);
  } else {
    shownTip_ = tipTexts_.title;
  }
  // The hint goes with the icon when it is added: one trip to the shell fewer.
  icon->SetHint(Widen(shownTip_));
  // The shell's answers are waited for serving the messages sent meanwhile, one of which may
  // remove the icon (the window ends): it becomes this part's only after them.
  icon->SetVisible(true);
  icon->Repaint(startedAtLogon);
  icon_ = std::move(icon);
  // A hand-off may have started a job already, and the use may be switched on.
  if (busy_ || useOnIcon_) UpdateIcon();
}

void TrayArea::Remove() noexcept {
  icon_.reset();  // removes the icon from the notification area
  drawn_.reset();
}

// The idle and busy images at the shell's small-icon size; many runs never show either.
HIMAGELIST TrayArea::Images() {
  if (images_) return images_.get();
  const int size = ::GetSystemMetrics(SM_CXSMICON);
  images_.reset(ImageList_Create(size, size, ILC_COLOR32, 2, 0));
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (int id : {IDI_TRAY_IDLE, IDI_TRAY_BUSY}) {
    UniqueIcon icon(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
    ImageList_AddIcon(images_.get(), icon.get());
  }
  return images_.get();
}

void TrayArea::ShowUse(float usagePhys, float usagePage) {
  usagePhys_ = usagePhys;
  usagePage_ = usagePage;
  haveReading_ = true;
  if (!icon_) return;
  // A new number changes the tooltip and the icon: one trip to the shell for both.
  icon_->Hold();
  UpdateTip();
  if (useOnIcon_) UpdateIcon();
  icon_->Release();
}

void TrayArea::SetBusy(bool busy) {
  busy_ = busy;
  if (busy) freedLine_.clear();  // the last job's amount stays on the tooltip until the next one
  if (!icon_) return;
  icon_->Hold();
  UpdateTip();
  UpdateIcon();
  icon_->Release();
}

void TrayArea::ShowFreed(std::optional<uint64_t> freedBytes) {
  if (!freedBytes) return;
  freedLine_.clear();
  AppendFreedLine(freedLine_, *freedBytes, Translate("확보한 메모리: %s"), Translate("더 정리할 메모리가 없습니다."),
                  separators_);
  UpdateTip();
}

void TrayArea::NotifyCleaned() { Notify(Widen(CompletionNotice(Translate("메모리를 정리하였습니다."), freedLine_))); }

void TrayArea::Notify(const std::wstring& text) {
  try {
    wchar_t caption[256] = {};
    ::GetWindowTextW(host_.Window(), caption, 256);
    if (notifier_) {
      notifier_->Show(caption, text);
    } else if (icon_) {
      icon_->ShowNotification(caption, text);
    }
  } catch (...) {
    // A notification that cannot be shown is dropped.
  }
}

// Composed into kept buffers and handed to the shell only when the text changed: once a second
// at most, and the tick allocates nothing.
void TrayArea::UpdateTip() {
  if (!icon_) return;
  ComposeTrayTip(tip_, tipTexts_, usagePhys_, usagePage_, freedLine_);
  if (tip_ == shownTip_) return;
  tip_.swap(shownTip_);
  WidenInto(shownTip_, shownTipWide_);
  icon_->SetHint(shownTipWide_);
}

void TrayArea::SetUseOnIcon(bool on) {
  if (on == useOnIcon_) return;
  useOnIcon_ = on;
  if (on) look_ = ReadTrayLook();
  UpdateIcon();
}

void TrayArea::FollowLook() {
  if (useOnIcon_) FollowLook(ReadTrayLook());
}

void TrayArea::FollowLook(const TrayLook& look) {
  const auto same = [](const TrayLook& a, const TrayLook& b) {
    if (a.mode != b.mode || a.iconSize != b.iconSize) return false;
    for (UseLevel level : {UseLevel::Normal, UseLevel::High, UseLevel::Critical}) {
      if (UseInkFor(level, a.mode, a.system) != UseInkFor(level, b.mode, b.system)) return false;
    }
    return true;
  };
  if (same(look, look_)) return;
  look_ = look;
  shownFace_ = UseFace{-1, UseLevel::Normal};  // drawn again at the next update
  UpdateIcon();
}

// The busy image during a job; otherwise the drawn use when it is on and a reading came, else
// the idle image (the main icon until the first job, as before the use could be shown).
void TrayArea::UpdateIcon() {
  if (!icon_) return;
  if (busy_ || !useOnIcon_ || !haveReading_) {
    icon_->SetIcon(busy_ ? 1 : 0, nullptr);
    drawn_.reset();
    shownFace_ = UseFace{-1, UseLevel::Normal};
    return;
  }
  const UseFace face = UseFaceFor(usagePhys_);
  if (face == shownFace_ && drawn_) return;  // nothing to draw, nothing to tell the shell
  UniqueIcon icon = canvas_.Make(face, look_.iconSize, UseInkFor(face.level, look_.mode, look_.system));
  if (!icon) return;  // the last one stays
  icon_->SetIcon(0, icon.get());
  drawn_ = std::move(icon);  // the old icon goes once the shell has the new one
  shownFace_ = face;
}

void TrayArea::OnCallback(LPARAM lParam) {
  if (!icon_) return;
  switch (icon_->OnCallback(lParam)) {
    case TTrayIcon::Event::Click:
      host_.TrayClicked();
      break;
    case TTrayIcon::Event::Menu:
      ShowMenu();
      break;
    case TTrayIcon::Event::None:
      break;
  }
}

void TrayArea::ShowMenu() {
  if (!menu_) {
    menu_.reset(::CreatePopupMenu());
    if (!menu_) return;
    ::AppendMenuW(menu_.get(), MF_STRING, IdBtnOpen, L"Sweeplet");
    ::AppendMenuW(menu_.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu_.get(), MF_STRING, IdBtnCopyright, L"만든이 Dovrin");
    ::AppendMenuW(menu_.get(), MF_STRING, IdBtnClose, L"종료");
    TranslateMenuItem(menu_.get());
  }
  const HWND window = host_.Window();
  // The menu closes properly only when its owner is the foreground window.
  ::SetForegroundWindow(window);
  POINT pt;
  ::GetCursorPos(&pt);
  ::TrackPopupMenuEx(menu_.get(), TPM_RIGHTBUTTON, pt.x, pt.y, window, nullptr);
  ::PostMessageW(window, WM_NULL, 0, 0);
}

void TrayArea::OnTaskbarCreated() {
  if (!icon_) return;
  icon_->OnTaskbarCreated();
  FollowLook();  // a new taskbar may come with another mode
}

}  // namespace sweeplet
