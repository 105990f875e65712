#pragma once
// Owners for the two OLE Automation value types that COM interfaces pass around: BSTR and VARIANT.
// Link oleaut32.
#include <oleauto.h>

#include <string_view>
#include <utility>

namespace sweeplet {

// A BSTR freed with SysFreeString. A null BSTR is the empty string, as in COM itself.
class Bstr {
 public:
  Bstr() noexcept = default;
  // On allocation failure the result is null; check with operator bool where it matters.
  explicit Bstr(std::wstring_view text) noexcept
      : b_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.b_, nullptr));
    return *this;
  }
  ~Bstr() { reset(); }

  BSTR get() const noexcept { return b_; }
  explicit operator bool() const noexcept { return b_ != nullptr; }
  BSTR release() noexcept { return std::exchange(b_, nullptr); }
  // The whole text, embedded NULs included.
  std::wstring_view view() const noexcept { return b_ ? std::wstring_view(b_, ::SysStringLen(b_)) : std::wstring_view(); }
  void reset(BSTR b = nullptr) noexcept {
    if (b_) ::SysFreeString(b_);
    b_ = b;
  }
  // For out-parameters: frees what was held first.
  BSTR* put() noexcept {
    reset();
    return &b_;
  }

 private:
  BSTR b_ = nullptr;
};

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
    if (Bstr b(text); b) {
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
