#pragma once
// Helpers for tests that drive windows: pumping messages, finding a prompt from another
// thread, and recording the links the program would open.
#include <windows.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/ShellOpen.h"
#include "update/UpdateStatus.h"

namespace sweeplet::testing {

// Generous: only tells "finished" from "hung".
inline constexpr auto kDidNotHang = std::chrono::seconds(30);

// Pumps this thread's messages until `done` is true; false when kDidNotHang passes first.
inline bool PumpUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kDidNotHang;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return true;
}

inline std::wstring WindowText(HWND hwnd) {
  wchar_t buffer[1024] = {};
  ::GetWindowTextW(hwnd, buffer, 1024);
  return buffer;
}

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t buffer[128] = {};
  ::GetClassNameW(hwnd, buffer, 128);
  return buffer;
}

// Polls for a dialog with `title` on thread `threadId`; null when none appears in time.
inline HWND WaitForDialog(DWORD threadId, const std::wstring& title) {
  const auto deadline = std::chrono::steady_clock::now() + kDidNotHang;
  while (std::chrono::steady_clock::now() < deadline) {
    struct Search {
      const std::wstring* title;
      HWND found;
    } search{&title, nullptr};
    ::EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          if (ClassOf(hwnd) == L"#32770" && WindowText(hwnd) == *s->title && ::IsWindowVisible(hwnd)) {
            s->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

// Stands in for the browser: remembers every link the program opens through it.
class LinkRecorder : public ILinkOpener {
 public:
  void Open(std::wstring_view link) noexcept override {
    std::lock_guard<std::mutex> lock(mutex_);
    links_.emplace_back(link);
  }
  std::vector<std::wstring> Opened() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return links_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::wstring> links_;
};

// A plain top-level window to carry prompts and notice bars.
class TestWindow {
 public:
  explicit TestWindow(int clientWidth = 320, int clientHeight = 200) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"SweepletUpdateTestWindow";
    ::RegisterClassExW(&wc);
    RECT r{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&r, kStyle, FALSE, 0);
    hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"Sweeplet test", kStyle, 50, 50, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TestWindow() {
    if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND get() const { return hwnd_; }

 private:
  static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  HWND hwnd_ = nullptr;
};

// A window that carries a notice bar as the main window does: it owns the bar and hands it
// WM_DRAWITEM and WM_SIZE.
class NoticeWindow {
 public:
  NoticeWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"SweepletNoticeTestWindow";
    ::RegisterClassExW(&wc);
    RECT r{0, 0, 320, 200};
    ::AdjustWindowRectEx(&r, kStyle, FALSE, 0);
    hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"Sweeplet test", kStyle, 50, 50, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, wc.hInstance, this);
  }
  ~NoticeWindow() {
    if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  }
  NoticeWindow(const NoticeWindow&) = delete;
  NoticeWindow& operator=(const NoticeWindow&) = delete;
  HWND get() const { return hwnd_; }
  void Show(std::wstring_view link, std::string_view language, ILinkOpener* links) {
    bar_.Show(hwnd_, link, language, links);
  }

 private:
  static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<NoticeWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_DRAWITEM && self->bar_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
    if (self && msg == WM_SIZE && wParam != SIZE_MINIMIZED) self->bar_.Layout();
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  NoticeBar bar_;
  HWND hwnd_ = nullptr;
};

}  // namespace sweeplet::testing
