#pragma once
// Reads a control as a screen reader does: its client object through AccessibleObjectFromWindow,
// then its name, role, state and default action. Tests that include this link oleacc.
#include <oleacc.h>
#include <windows.h>

#include <string>

#include "common/ComPtr.h"

namespace sweeplet::test {

struct AccessibleInfo {
  bool found = false;
  std::wstring name;
  long role = 0;
  long state = 0;
  std::wstring defaultAction;
};

inline VARIANT Self() {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

inline std::wstring TakeString(BSTR text) {
  std::wstring out = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
  ::SysFreeString(text);
  return out;
}

inline ComPtr<IAccessible> ClientObject(HWND hwnd) {
  ComPtr<IAccessible> object;
  // Not IID_IAccessible: mingw-w64's import library resolves that data export to the wrong bytes.
  ::AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), object.put_void());
  return object;
}

inline AccessibleInfo ReadAccessible(HWND hwnd) {
  AccessibleInfo info;
  const ComPtr<IAccessible> object = ClientObject(hwnd);
  if (!object) return info;
  info.found = true;
  BSTR text = nullptr;
  if (SUCCEEDED(object->get_accName(Self(), &text))) info.name = TakeString(text);
  VARIANT value;
  ::VariantInit(&value);
  if (SUCCEEDED(object->get_accRole(Self(), &value)) && value.vt == VT_I4) info.role = value.lVal;
  ::VariantClear(&value);
  if (SUCCEEDED(object->get_accState(Self(), &value)) && value.vt == VT_I4) info.state = value.lVal;
  ::VariantClear(&value);
  text = nullptr;
  if (SUCCEEDED(object->get_accDefaultAction(Self(), &text))) info.defaultAction = TakeString(text);
  return info;
}

inline bool DoDefaultAction(HWND hwnd) {
  const ComPtr<IAccessible> object = ClientObject(hwnd);
  return object && SUCCEEDED(object->accDoDefaultAction(Self()));
}

// COM for the test's thread, as a screen reader's thread would have it.
class ComApartment {
 public:
  ComApartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT hr_;
};

}  // namespace sweeplet::test
