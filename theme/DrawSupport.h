#pragma once
// What the drawn controls share: an off-screen 32-bit buffer that both GDI and the vector
// filler draw into, and the parent's background painted under a control.
#include <windows.h>

#include <cstdint>

#include "common/UniqueHandle.h"
#include "theme/ButtonStyles.h"
#include "theme/VectorCanvas.h"

namespace sweeplet::theme_detail {

inline COLORREF ToColorRef(Color c) { return RGB(c.r, c.g, c.b); }
inline Color FromColorRef(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

inline void DeleteMemoryDc(HDC dc) noexcept { ::DeleteDC(dc); }
using UniqueMemoryDc = UniqueAny<HDC, DeleteMemoryDc>;

// A top-down 32-bit DIB selected into a memory DC, so that the control's whole picture is
// composed off screen and reaches the screen in one copy: no flicker.
class PaintBuffer {
 public:
  PaintBuffer(HDC reference, int width, int height) noexcept;
  ~PaintBuffer();
  PaintBuffer(const PaintBuffer&) = delete;
  PaintBuffer& operator=(const PaintBuffer&) = delete;

  bool Ok() const noexcept { return bits_ != nullptr; }
  HDC Dc() const noexcept { return dc_.get(); }
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  // The pixels, after GDI has finished what it was asked to draw.
  Pixmap Pixels() noexcept;
  void CopyTo(HDC target, int x = 0, int y = 0) const noexcept;

 private:
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ oldBitmap_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0, height_ = 0;
};

// Paints into `dc` (whose origin is the control's client origin) what the parent shows behind
// `control`: first the brush the parent returns for `ctlColorMessage` (WM_CTLCOLORBTN or
// WM_CTLCOLORSTATIC), then whatever the parent paints for WM_ERASEBKGND and WM_PRINTCLIENT.
void PaintParentBackground(HWND control, HDC dc, int width, int height, UINT ctlColorMessage) noexcept;

// Paints, into `dc`, the visible siblings that lie under `control` (lower in the z-order) and
// answer WM_PRINTCLIENT, bottom first: what a transparent control lets show through.
void PaintSiblingsBelow(HWND control, HDC dc) noexcept;

// Keeps the visible siblings above `control` out of `dc`'s clipping region; a control drawing
// with its parent's DC (CS_PARENTDC, as buttons do) would otherwise paint over them.
void ExcludeSiblingsAbove(HWND control, HDC dc) noexcept;

}  // namespace sweeplet::theme_detail
