#pragma once
// CoInitialize for the lifetime of a scope; CoUninitialize only when it succeeded.
#include <objbase.h>

namespace sweeplet {

class ComInit {
 public:
  ComInit() noexcept : hr_(::CoInitialize(nullptr)) {}
  ~ComInit() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  bool Succeeded() const noexcept { return SUCCEEDED(hr_); }

 private:
  HRESULT hr_;
};

}  // namespace sweeplet
