#include "tests/e2e/Driver.h"

#include <objidl.h>  // gdiplus.h needs it under WIN32_LEAN_AND_MEAN
#include <gdiplus.h>
#include <tlhelp32.h>

#include <utility>

namespace sweeplet::drive {

std::wstring SweepletPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L"\\/") + 1) + L"Sweeplet.exe";
}

std::wstring BesideSweeplet(const wchar_t* file) {
  const std::wstring exe = SweepletPath();
  return exe.substr(0, exe.find_last_of(L"\\/") + 1) + file;
}

Process::Process(const std::wstring& arguments, const std::wstring& exe) : Process(arguments, exe, nullptr) {}

Process::Process(const std::wstring& arguments, const std::wstring& exe, HANDLE output) {
  std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  if (output) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output;
  }
  // A loaded machine can refuse a start now and then; a test should not read that as the program's doing.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, output ? TRUE : FALSE, 0, nullptr, nullptr, &si, &info_)) return;
    info_ = {};
    startError_ = ::GetLastError();
    ::Sleep(250);
  }
}

Process::~Process() {
  if (info_.hProcess) {
    if (Running()) {
      ::TerminateProcess(info_.hProcess, 1);
      ::WaitForSingleObject(info_.hProcess, 5000);
    }
    ::CloseHandle(info_.hProcess);
    ::CloseHandle(info_.hThread);
  }
}

Process::Process(Process&& other) noexcept : info_(std::exchange(other.info_, {})), exitCode_(other.exitCode_), startError_(other.startError_) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    this->~Process();
    info_ = std::exchange(other.info_, {});
    exitCode_ = other.exitCode_;
    startError_ = other.startError_;
  }
  return *this;
}

bool Process::WaitExit(DWORD timeoutMs) {
  if (!info_.hProcess) return false;  // never started: nothing ended, and no exit code to read
  if (::WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  ::GetExitCodeProcess(info_.hProcess, &exitCode_);
  return true;
}

bool Process::Running() const { return info_.hProcess && ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

HWND MainWindow() { return ::FindWindowW(kMainClass, nullptr); }

int CountMainWindows() {
  int count = 0;
  HWND w = nullptr;
  while ((w = ::FindWindowExW(nullptr, w, kMainClass, nullptr)) != nullptr) ++count;
  return count;
}

HWND Control(HWND root, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  ::EnumChildWindows(
      root,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (::GetDlgCtrlID(child) == s->id) {
          s->found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring Text(HWND hwnd) {
  wchar_t buffer[1024] = {};
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, nullptr);
  return buffer;
}

RECT ClientRectOnScreen(HWND hwnd) {
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  ::MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

RECT RectIn(HWND root, HWND child) {
  RECT rc{};
  ::GetWindowRect(child, &rc);
  ::MapWindowPoints(nullptr, root, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  ::GetClassNameW(hwnd, name, 128);
  return name;
}

void Click(HWND control) {
  // BM_CLICK works across processes; other controls get the mouse messages directly.
  if (_wcsicmp(ClassOf(control).c_str(), L"Button") == 0) {
    ::SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  } else {
    ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }
}

void KillAll() {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot != INVALID_HANDLE_VALUE) {
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
      if (_wcsicmp(entry.szExeFile, L"Sweeplet.exe") == 0 || _wcsicmp(entry.szExeFile, kSlowPurgeExe) == 0) {
        if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
          ::TerminateProcess(p, 1);
          ::WaitForSingleObject(p, 5000);
          ::CloseHandle(p);
        }
      }
    }
    ::CloseHandle(snapshot);
  }
  WaitFor([] { return MainWindow() == nullptr; }, 5000);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvane");
}

COLORREF ScreenPixel(int x, int y) {
  HDC dc = ::GetDC(nullptr);
  const COLORREF c = ::GetPixel(dc, x, y);
  ::ReleaseDC(nullptr, dc);
  return c;
}

namespace {
bool PngEncoder(CLSID* clsid) {
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  if (size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}
}  // namespace

bool CapturePng(const RECT& rect, const std::wstring& file) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  bool ok = false;
  {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, old);
    CLSID png;
    if (PngEncoder(&png)) {
      Gdiplus::Bitmap image(bitmap, nullptr);
      ok = image.Save(file.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
  }
  Gdiplus::GdiplusShutdown(token);
  return ok;
}

}  // namespace sweeplet::drive
