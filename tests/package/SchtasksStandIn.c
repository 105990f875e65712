/* Stands in for the system's schtasks.exe in the installer tests (Wine's runs no task on demand).
   Appends its arguments, one call a line, to C:\schtasks-calls.txt and succeeds; does nothing else. */
#include <windows.h>

int wmain(void) {
  const wchar_t* args = GetCommandLineW();
  /* Past the program's own name, quoted or not. */
  if (*args == L'"') {
    ++args;
    while (*args && *args != L'"') ++args;
    if (*args) ++args;
  } else {
    while (*args && *args != L' ' && *args != L'\t') ++args;
  }
  while (*args == L' ' || *args == L'\t') ++args;
  char line[1024];
  int n = WideCharToMultiByte(CP_UTF8, 0, args, -1, line, (int)sizeof line - 2, NULL, NULL);
  if (n <= 0) return 0;
  line[n - 1] = '\n';
  HANDLE h = CreateFileW(L"C:\\schtasks-calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, NULL);
  if (h == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  WriteFile(h, line, (DWORD)n, &written, NULL);
  CloseHandle(h);
  return 0;
}
