#pragma once
// Owners for the two OLE Automation value types that COM interfaces pass around: BSTR and VARIANT.
// Link oleaut32.
#include <windows.h>
#include <oleauto.h>

#include <string_view>

#include "common/UniqueHandle.h"

namespace sweeplet {

namespace detail {
inline void FreeBstr(BSTR b) noexcept { ::SysFreeString(b); }
}  // namespace detail

// A BSTR freed with SysFreeString. A null BSTR is the empty string, as in COM itself.
using Bstr = UniqueAny<BSTR, detail::FreeBstr>;

// A copy of `text`, embedded NULs included. Null when the copy cannot be made; check where it matters.
inline Bstr MakeBstr(std::wstring_view text) noexcept {
  return Bstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// The whole text, embedded NULs included.
inline std::wstring_view BstrView(const Bstr& b) noexcept {
  return b ? std::wstring_view(b.get(), ::SysStringLen(b.get())) : std::wstring_view();
}

// A VARIANT cleared with VariantClear. Starts as VT_EMPTY (the "no value" argument).
class Variant {
 public:
  Variant() noexcept { ::VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&v_); }

  // A VT_I4 holding value.
  static Variant Int32(LONG value) noexcept {
    Variant v;
    v.v_.vt = VT_I4;
    v.v_.lVal = value;
    return v;
  }
  // A VT_BSTR holding a copy of text; VT_EMPTY when the copy cannot be made.
  static Variant String(std::wstring_view text) noexcept {
    Variant v;
    if (Bstr b = MakeBstr(text); b) {
      v.v_.vt = VT_BSTR;
      v.v_.bstrVal = b.release();
    }
    return v;
  }

  Variant(Variant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }

  // COM takes VARIANT arguments by value as a shallow copy: the callee does not own it.
  const VARIANT& get() const noexcept { return v_; }
  VARIANT* put() noexcept {
    ::VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

}  // namespace sweeplet
