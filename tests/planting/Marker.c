/* A stand-in for a DLL that someone planted beside the executable. Loaded into a process, it
   leaves a file named after itself in the "markers" folder next to it, and does nothing else. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 32];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return TRUE;
    wchar_t* name = path + n;
    while (name > path && name[-1] != L'\\' && name[-1] != L'/') --name;
    wchar_t file[MAX_PATH + 64];
    const size_t folder = (size_t)(name - path);
    memcpy(file, path, folder * sizeof(wchar_t));
    lstrcpyW(file + folder, L"markers\\");
    lstrcatW(file, name);
    HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  return TRUE;
}
