#include "theme/DrawSupport.h"

#include <vector>

namespace sweeplet::theme_detail {

PaintBuffer::PaintBuffer(HDC reference, int width, int height) noexcept : width_(width), height_(height) {
  if (width <= 0 || height <= 0) return;
  dc_.reset(::CreateCompatibleDC(reference));
  if (!dc_) return;
  // Same layout as the target: a copy from a left-to-right buffer into a mirrored window's DC
  // would flip the picture, text included.
  if (reference != nullptr) ::SetLayout(dc_.get(), ::GetLayout(reference));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_ || bits == nullptr) return;
  oldBitmap_ = ::SelectObject(dc_.get(), bitmap_.get());
  bits_ = static_cast<std::uint32_t*>(bits);
}

PaintBuffer::~PaintBuffer() {
  if (oldBitmap_ != nullptr) ::SelectObject(dc_.get(), oldBitmap_);
}

Pixmap PaintBuffer::Pixels() noexcept {
  ::GdiFlush();
  return {bits_, width_, height_, width_};
}

void PaintBuffer::CopyTo(HDC target, int x, int y) const noexcept {
  if (Ok()) ::BitBlt(target, x, y, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

void PaintParentBackground(HWND control, HDC dc, int width, int height, UINT ctlColorMessage) noexcept {
  HWND parent = ::GetParent(control);
  RECT all{0, 0, width, height};
  HBRUSH brush = nullptr;
  if (parent != nullptr) {
    brush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(parent, ctlColorMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  }
  ::FillRect(dc, &all, brush != nullptr ? brush : ::GetSysColorBrush(COLOR_WINDOW));
  if (parent == nullptr) return;
  POINT origin{0, 0};
  ::MapWindowPoints(control, parent, &origin, 1);
  POINT old{};
  ::SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
  ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void PaintSiblingsBelow(HWND control, HDC dc) noexcept {
  RECT mine{};
  ::GetWindowRect(control, &mine);
  std::vector<HWND> below;
  for (HWND s = ::GetWindow(control, GW_HWNDNEXT); s != nullptr; s = ::GetWindow(s, GW_HWNDNEXT)) {
    RECT theirs{}, overlap{};
    ::GetWindowRect(s, &theirs);
    if (::IsWindowVisible(s) && ::IntersectRect(&overlap, &mine, &theirs)) below.push_back(s);
  }
  for (auto it = below.rbegin(); it != below.rend(); ++it) {
    POINT origin{0, 0};
    ::MapWindowPoints(*it, control, &origin, 1);
    POINT old{};
    ::SetViewportOrgEx(dc, origin.x, origin.y, &old);
    ::SendMessageW(*it, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
  }
}

void ExcludeSiblingsAbove(HWND control, HDC dc) noexcept {
  for (HWND s = ::GetWindow(control, GW_HWNDPREV); s != nullptr; s = ::GetWindow(s, GW_HWNDPREV)) {
    if (!::IsWindowVisible(s)) continue;
    RECT r{};
    ::GetWindowRect(s, &r);
    ::MapWindowPoints(nullptr, control, reinterpret_cast<POINT*>(&r), 2);
    ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
}

}  // namespace sweeplet::theme_detail
