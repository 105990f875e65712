#include "common/UiDispatcher.h"

#include "common/WindowClass.h"

namespace sweeplet {
namespace {

constexpr UINT kRunMessage = WM_APP + 1;
constexpr wchar_t kClassName[] = L"SweepletDispatcher";
std::atomic<UiDispatcher*> g_main{nullptr};

}  // namespace

UiDispatcher::UiDispatcher() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  RegisterWindowClassOnce({.name = kClassName, .proc = &UiDispatcher::WndProc, .instance = instance});
  // A message-only window: never visible, not enumerated as a top-level window.
  hwnd_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (hwnd_) ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

UiDispatcher::~UiDispatcher() {
  Close();
  if (g_main.load() == this) g_main.store(nullptr);
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool UiDispatcher::Run(const std::function<void()>& work) noexcept {
  if (closed_.load() || !hwnd_) return false;
  // SendMessage blocks until the owning thread has handled the message; it is served
  // while that thread pumps messages or waits in another SendMessage.
  return ::SendMessageW(hwnd_, kRunMessage, 0, reinterpret_cast<LPARAM>(&work)) != 0;
}

void UiDispatcher::Close() noexcept { closed_.store(true); }

UiDispatcher* UiDispatcher::Main() noexcept { return g_main.load(); }
void UiDispatcher::SetMain(UiDispatcher* dispatcher) noexcept { g_main.store(dispatcher); }

LRESULT CALLBACK UiDispatcher::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kRunMessage) {
    auto* self = reinterpret_cast<UiDispatcher*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->IsClosed()) return 0;
    const auto* work = reinterpret_cast<const std::function<void()>*>(lParam);
    try {
      (*work)();
    } catch (...) {
      // Nothing may cross back into the window system.
    }
    return 1;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace sweeplet
