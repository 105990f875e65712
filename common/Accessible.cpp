#include "common/Accessible.h"

#include <oleacc.h>

#include <atomic>
#include <new>
#include <string>
#include <utility>

#include "common/ComPtr.h"
#include "common/SystemProc.h"

namespace sweeplet {
namespace {

struct Oleacc {
  decltype(&::CreateStdAccessibleObject) createStd = nullptr;
  decltype(&::LresultFromObject) lresultFromObject = nullptr;
};

// Loaded once and kept: the objects handed out run its code for as long as clients hold them.
const Oleacc& OleaccApi() noexcept {
  static const Oleacc api = []() noexcept {
    Oleacc found;
    const HMODULE module = SystemModule(L"oleacc.dll").release();
    found.createStd = SystemProc<decltype(found.createStd)>(module, "CreateStdAccessibleObject");
    found.lresultFromObject = SystemProc<decltype(found.lresultFromObject)>(module, "LresultFromObject");
    return found;
  }();
  return api;
}

// The object is handed over marshalled, which needs COM on this thread for as long as a client
// may call it: the thread joins an apartment on the first request and stays in it.
void JoinApartment() noexcept {
  thread_local const HRESULT joined = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  (void)joined;  // RPC_E_CHANGED_MODE: the thread is already in one, which serves as well
}

bool IsSelf(const VARIANT& child) noexcept { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

std::wstring TextOf(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  // A caption's "&" marks its access key; it is not read out.
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&') text.erase(i, 1);
  }
  return text;
}

HRESULT ReturnString(const std::wstring& text, BSTR* out) noexcept {
  *out = text.empty() ? nullptr : ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (text.empty()) return S_FALSE;
  return *out ? S_OK : E_OUTOFMEMORY;
}

// The standard object with the control's own answers in front of it.
class AccessibleControl final : public IAccessible, public IOleWindow {
 public:
  AccessibleControl(HWND hwnd, ComPtr<IAccessible> standard, const AccessibleTraits& traits) noexcept
      : hwnd_(hwnd), standard_(std::move(standard)), traits_(traits) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
    } else if (riid == __uuidof(IOleWindow)) {
      *out = static_cast<IOleWindow*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IOleWindow
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = hwnd_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return standard_->GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argError) override {
    return standard_->Invoke(id, riid, lcid, flags, params, result, exception, argError);
  }

  // IAccessible: what the traits give.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    if (!IsSelf(child) || (!traits_.name && !traits_.labelledBy)) return standard_->get_accName(child, name);
    try {
      return ReturnString(traits_.name ? traits_.name(hwnd_) : TextOf(traits_.labelledBy), name);
    } catch (...) {
      *name = nullptr;
      return E_OUTOFMEMORY;
    }
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    if (!IsSelf(child) || traits_.role == 0) return standard_->get_accRole(child, role);
    role->vt = VT_I4;
    role->lVal = traits_.role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    const HRESULT hr = standard_->get_accState(child, state);
    if (!IsSelf(child) || !traits_.state) return hr;
    const long standard = SUCCEEDED(hr) && state->vt == VT_I4 ? state->lVal : 0;
    if (SUCCEEDED(hr)) ::VariantClear(state);
    state->vt = VT_I4;
    state->lVal = ::IsWindow(hwnd_) ? traits_.state(hwnd_, standard) : STATE_SYSTEM_UNAVAILABLE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!action) return E_POINTER;
    if (!IsSelf(child) || !traits_.defaultAction) return standard_->get_accDefaultAction(child, action);
    *action = ::SysAllocString(traits_.defaultAction);
    return *action ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child) || !traits_.doDefaultAction) return standard_->accDoDefaultAction(child);
    if (!::IsWindow(hwnd_) || !::IsWindowEnabled(hwnd_)) return E_FAIL;
    traits_.doDefaultAction(hwnd_);
    return S_OK;
  }

  // IAccessible: the standard object's.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return standard_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return standard_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return standard_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return standard_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return standard_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

 private:
  ~AccessibleControl() = default;

  std::atomic<ULONG> refs_{1};
  HWND hwnd_;
  ComPtr<IAccessible> standard_;
  AccessibleTraits traits_;
};

// The reply to WM_GETOBJECT for the client object, or 0 to leave it to the system.
LRESULT AnswerClientObject(HWND hwnd, WPARAM wParam, const AccessibleTraits& traits) noexcept {
  const Oleacc& api = OleaccApi();
  if (!api.createStd || !api.lresultFromObject) return 0;
  JoinApartment();
  ComPtr<IAccessible> standard;
  if (FAILED(api.createStd(hwnd, OBJID_CLIENT, __uuidof(IAccessible), standard.put_void())) || !standard) return 0;
  auto* object = new (std::nothrow) AccessibleControl(hwnd, std::move(standard), traits);
  if (!object) return 0;
  const LRESULT result = api.lresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
  object->Release();  // the reply holds its own reference
  return result > 0 ? result : 0;
}

// What the subclass keeps for its control, found through GWLP_USERDATA: window properties and
// comctl32's subclass chain (which keeps itself in one) are a trip to the window server per
// message under Wine, and labels and boxes carrying these traits are read every second.
struct Subclass {
  WNDPROC previous;
  AccessibleTraits traits;
};

LRESULT CALLBACK AccessibleProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* subclass = reinterpret_cast<Subclass*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!subclass) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  const WNDPROC previous = subclass->previous;
  if (msg == WM_GETOBJECT && static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT) {
    if (const LRESULT answer = AnswerClientObject(hwnd, wParam, subclass->traits)) return answer;
  } else if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete subclass;
  }
  return ::CallWindowProcW(previous, hwnd, msg, wParam, lParam);
}

}  // namespace

bool SetAccessibleTraits(HWND control, const AccessibleTraits& traits) noexcept {
  if (!control) return false;
  const LONG_PTR stored = ::GetWindowLongPtrW(control, GWLP_USERDATA);
  if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(control, GWLP_WNDPROC)) == AccessibleProc && stored) {
    // Given again: the subclass stays and its traits are replaced.
    reinterpret_cast<Subclass*>(stored)->traits = traits;
    return true;
  }
  if (stored) return false;  // the control's user data is someone else's
  auto* subclass = new (std::nothrow) Subclass{nullptr, traits};
  if (!subclass) return false;
  ::SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(subclass));
  ::SetLastError(ERROR_SUCCESS);
  subclass->previous =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AccessibleProc)));
  if (!subclass->previous) {  // another process's window, or one already gone
    ::SetWindowLongPtrW(control, GWLP_USERDATA, 0);
    delete subclass;
    return false;
  }
  return true;
}

}  // namespace sweeplet
