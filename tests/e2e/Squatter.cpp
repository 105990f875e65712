// Another program on the instance name: holds the mutex and a window of the main window's class,
// and never answers a message. Ended by the test that started it.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const wchar_t kName[] = L"TFrmSweeplet";
  ::CreateMutexW(nullptr, TRUE, kName);
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = kName;
  if (!::RegisterClassW(&wc)) return 1;
  if (!::CreateWindowExW(0, kName, L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, instance, nullptr)) return 1;
  // No message loop: whoever sends to the window waits on a thread that never retrieves it.
  ::Sleep(INFINITE);
  return 0;
}
