#include "crash/Reporter.h"

#include <dbghelp.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <psapi.h>

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/AppGlobals.h"
#include "common/ModulePath.h"
#include "common/SystemProc.h"
#include "common/UniqueHandle.h"
#include "common/Utf.h"
#include "crash/CrashHandler.h"
#include "crash/CrashReport.h"
#include "crash/CrashWindow.h"
#include "update/HttpGet.h"
#include "update/Identity.h"

// Why the reporter can be trusted with an administrator token, and what it trusts:
// - It is this executable, started by its full path by the failed copy, and it inherits that
//   copy's token. Its command line carries handle values, not ids: a value means something only
//   when the failed copy let the reporter inherit it. Before reading anything the reporter checks
//   that the process handle is a process, that it is its own parent, and that the parent runs this
//   same executable; the thread handle must be a thread of that process. Started by hand with
//   made-up values, none of that holds and it ends with kReporterBadArguments, having read nothing.
//   It never opens a process or a thread by an id.
// - The crash folders live where the user can write without elevation. A report only ever creates
//   a new folder and new files (CREATE_NEW: an existing name or link makes it fail). Old folders are
//   deleted through handles opened without following links, and only when the file really lies
//   under the crash root.
#ifndef SYMOPT_IGNORE_NT_SYMPATH
#define SYMOPT_IGNORE_NT_SYMPATH 0x00001000  // documented; missing from some tool chains' headers
#endif

namespace sweeplet {
namespace {

// As app/TrayIcon.cpp registers the icon: the main window and this id.
constexpr UINT kTrayIconId = 1;
constexpr size_t kMaxFrames = 64;
constexpr DWORD kWaitForEndMs = 10000;
// A report larger than this is not sent (a normal minidump is a few hundred KB).
constexpr size_t kMaxUploadBytes = 16 * 1024 * 1024;

// dbghelp.dll is no known DLL: taken from the system folder, never from beside the executable.
struct DbgHelp {
  UniqueModule module = SystemModule(L"dbghelp.dll");
#define SWEEPLET_DBGHELP(name) decltype(&::name) name = SystemProc<decltype(&::name)>(module.get(), #name)
  SWEEPLET_DBGHELP(MiniDumpWriteDump);
  SWEEPLET_DBGHELP(SymSetOptions);
  SWEEPLET_DBGHELP(SymInitializeW);
  SWEEPLET_DBGHELP(SymCleanup);
  SWEEPLET_DBGHELP(StackWalk64);
  SWEEPLET_DBGHELP(SymFunctionTableAccess64);
  SWEEPLET_DBGHELP(SymGetModuleBase64);
#undef SWEEPLET_DBGHELP
};

struct Inherited {
  HANDLE process = nullptr;
  HANDLE thread = nullptr;
  HANDLE reported = nullptr;
  ULONG64 pointers = 0;
  DWORD processId = 0;
  DWORD threadId = 0;
};

struct Module {
  ULONG64 base = 0;
  ULONG64 size = 0;
  std::wstring path;
  std::string name;
};

bool ParseValue(const wchar_t* text, ULONG64& value) {
  if (!text || ::lstrlenW(text) != 16) return false;
  value = 0;
  for (int i = 0; i < 16; ++i) {
    const wchar_t c = text[i];
    const int digit = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
    if (digit < 0) return false;
    value = (value << 4) | static_cast<ULONG64>(digit);
  }
  return true;
}

DWORD ParentProcessId() {
  // ProcessBasicInformation (class 0), in the layout the system documents; the headers of the
  // tool chains name its parent-id field differently.
  struct BasicInformation {
    LONG_PTR exitStatus;
    void* peb;
    ULONG_PTR affinity;
    LONG_PTR basePriority;
    ULONG_PTR processId;
    ULONG_PTR parentProcessId;
  };
  using Query = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
  const auto query = SystemProc<Query>(L"ntdll.dll", "NtQueryInformationProcess");
  BasicInformation info{};
  if (!query || query(::GetCurrentProcess(), 0, &info, sizeof(info), nullptr) != 0) return 0;
  return static_cast<DWORD>(info.parentProcessId);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool ReadInherited(Inherited& out) {
  int argc = 0;
  const UniqueLocalMemory argvMemory(::CommandLineToArgvW(::GetCommandLineW(), &argc));
  auto** argv = static_cast<LPWSTR*>(argvMemory.get());
  if (!argv || argc != 6 || kSwitchCrashReport != argv[1]) return false;
  ULONG64 values[4] = {};
  for (int i = 0; i < 4; ++i) {
    if (!ParseValue(argv[2 + i], values[i])) return false;
  }
  out.process = reinterpret_cast<HANDLE>(values[0]);
  out.thread = reinterpret_cast<HANDLE>(values[1]);
  out.reported = reinterpret_cast<HANDLE>(values[2]);
  out.pointers = values[3];

  // The process handle must be our parent, running this same executable.
  out.processId = ::GetProcessId(out.process);
  if (out.processId == 0 || out.processId == ::GetCurrentProcessId() || out.processId != ParentProcessId()) return false;
  std::wstring image(kLongestPath, L'\0');
  DWORD length = static_cast<DWORD>(image.size());
  if (!::QueryFullProcessImageNameW(out.process, 0, image.data(), &length)) return false;
  image.resize(length);
  if (!SamePath(image, ModulePath())) return false;
  out.threadId = ::GetThreadId(out.thread);
  return out.threadId != 0 && ::GetProcessIdOfThread(out.thread) == out.processId && out.pointers != 0;
}

std::vector<Module> ModulesOf(HANDLE process) {
  std::vector<HMODULE> handles(256);
  DWORD needed = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto bytes = static_cast<DWORD>(handles.size() * sizeof(HMODULE));
    if (!::K32EnumProcessModulesEx(process, handles.data(), bytes, &needed, LIST_MODULES_ALL)) return {};
    if (needed <= bytes) break;
    handles.resize(needed / sizeof(HMODULE) + 16);
  }
  handles.resize(std::min<size_t>(handles.size(), needed / sizeof(HMODULE)));
  std::vector<Module> modules;
  std::wstring path(kLongestPath, L'\0');
  for (HMODULE handle : handles) {
    MODULEINFO info{};
    if (!::K32GetModuleInformation(process, handle, &info, sizeof(info))) continue;
    Module m;
    m.base = reinterpret_cast<ULONG64>(info.lpBaseOfDll);
    m.size = info.SizeOfImage;
    const DWORD n = ::K32GetModuleFileNameExW(process, handle, path.data(), static_cast<DWORD>(path.size()));
    m.path.assign(path.data(), n);
    const size_t slash = m.path.find_last_of(L"\\/");
    m.name = Narrow(slash == std::wstring::npos ? m.path : m.path.substr(slash + 1));
    modules.push_back(std::move(m));
  }
  return modules;
}

std::string Where(const std::vector<Module>& modules, ULONG64 address) {
  for (const Module& m : modules) {
    if (address >= m.base && address - m.base < m.size) return ModuleOffset(m.name, address - m.base);
  }
  return ModuleOffset("", address);
}

std::string FileVersion(const std::wstring& path) {
  static const UniqueModule version = SystemModule(L"version.dll");
  const auto size = SystemProc<decltype(&::GetFileVersionInfoSizeW)>(version.get(), "GetFileVersionInfoSizeW");
  const auto info = SystemProc<decltype(&::GetFileVersionInfoW)>(version.get(), "GetFileVersionInfoW");
  const auto query = SystemProc<decltype(&::VerQueryValueW)>(version.get(), "VerQueryValueW");
  if (!size || !info || !query) return "-";
  DWORD ignored = 0;
  const DWORD bytes = size(path.c_str(), &ignored);
  if (!bytes) return "-";
  std::vector<BYTE> block(bytes);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!info(path.c_str(), 0, bytes, block.data()) ||
      !query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed || fixedSize < sizeof(*fixed)) {
    return "-";
  }
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

std::string WindowsVersion() {
  using GetVersion = LONG(NTAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  const auto get = SystemProc<GetVersion>(L"ntdll.dll", "RtlGetVersion");
  if (!get || get(&info) != 0) return "-";
  return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + " build " +
         std::to_string(info.dwBuildNumber);
}

template <typename T>
bool ReadRemote(HANDLE process, ULONG64 address, T& out) {
  SIZE_T read = 0;
  return address && ::ReadProcessMemory(process, reinterpret_cast<const void*>(address), &out, sizeof(out), &read) &&
         read == sizeof(out);
}

struct Frame {
  ULONG64 address = 0;
  bool scanned = false;
};

bool InModule(const std::vector<Module>& modules, ULONG64 address) {
  return std::any_of(modules.begin(), modules.end(),
                     [&](const Module& m) { return address >= m.base && address - m.base < m.size; });
}

std::vector<Frame> FailingStack(const DbgHelp& dbg, const Inherited& in, const CONTEXT& failed,
                                const std::vector<Module>& modules) {
  std::vector<Frame> frames{{failed.Rip, false}};
  if (dbg.StackWalk64 && dbg.SymInitializeW && dbg.SymCleanup) {
    // Symbols are not wanted here, only the modules' unwind data. The search path is the system
    // folder alone: never the current folder or _NT_SYMBOL_PATH, which an unelevated process of
    // the user could point at files for this elevated one to parse.
    if (dbg.SymSetOptions) {
      dbg.SymSetOptions(SYMOPT_DEFERRED_LOADS | SYMOPT_NO_PROMPTS | SYMOPT_FAIL_CRITICAL_ERRORS | SYMOPT_IGNORE_NT_SYMPATH);
    }
    wchar_t system[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length && length < MAX_PATH && dbg.SymInitializeW(in.process, system, TRUE)) {
      CONTEXT context = failed;
      STACKFRAME64 frame{};
      frame.AddrPC.Offset = context.Rip;
      frame.AddrPC.Mode = AddrModeFlat;
      frame.AddrFrame.Offset = context.Rbp;
      frame.AddrFrame.Mode = AddrModeFlat;
      frame.AddrStack.Offset = context.Rsp;
      frame.AddrStack.Mode = AddrModeFlat;
      bool first = true;
      while (frames.size() < kMaxFrames &&
             dbg.StackWalk64(IMAGE_FILE_MACHINE_AMD64, in.process, in.thread, &frame, &context, nullptr,
                             dbg.SymFunctionTableAccess64, dbg.SymGetModuleBase64, nullptr)) {
        if (frame.AddrPC.Offset == 0) break;
        // The first step gives the context's own address again.
        if (!(first && frame.AddrPC.Offset == failed.Rip)) frames.push_back({frame.AddrPC.Offset, false});
        first = false;
      }
      dbg.SymCleanup(in.process);
    }
  }
  // The walk stops at code without unwind data (a call through a null pointer, the stack probe
  // that met an overflow). Then, as minidump readers do, the top of the stack is scanned for
  // values that point into a module: likely return addresses, marked as found by scanning.
  if (frames.size() < 2) {
    ULONG64 words[32] = {};
    SIZE_T read = 0;
    ::ReadProcessMemory(in.process, reinterpret_cast<const void*>(failed.Rsp), words, sizeof(words), &read);
    for (size_t i = 0; i < read / sizeof(ULONG64) && frames.size() < kMaxFrames; ++i) {
      if (InModule(modules, words[i])) frames.push_back({words[i], true});
    }
  }
  return frames;
}

// The other threads' current addresses, as the dump recorded them. Read by hand from the
// documented layout: the tool chains' headers do not all pack MINIDUMP_THREAD as the file does.
std::vector<std::pair<DWORD, ULONG64>> OtherThreads(const std::string& dump, DWORD failing) {
  std::vector<std::pair<DWORD, ULONG64>> threads;
  const auto u32 = [&](size_t at) -> ULONG64 {
    ULONG32 v = 0;
    if (at <= dump.size() && dump.size() - at >= sizeof(v)) std::memcpy(&v, dump.data() + at, sizeof(v));
    return v;
  };
  constexpr size_t kThreadSize = 48, kContextAt = 40, kThreadListStream = 3;
  if (dump.size() < 32 || dump.compare(0, 4, "MDMP") != 0) return threads;
  const ULONG64 streams = u32(8), directory = u32(12);
  for (ULONG64 i = 0; i < streams && i < 64; ++i) {
    if (u32(directory + i * 12) != kThreadListStream) continue;
    const ULONG64 list = u32(directory + i * 12 + 8);
    const ULONG64 count = std::min<ULONG64>(u32(list), 4096);
    for (ULONG64 t = 0; t < count; ++t) {
      const ULONG64 entry = list + 4 + t * kThreadSize;
      const auto id = static_cast<DWORD>(u32(entry));
      const ULONG64 contextSize = u32(entry + kContextAt), contextAt = u32(entry + kContextAt + 4);
      if (id == failing) continue;
      ULONG64 ip = 0;
      if (contextSize >= sizeof(CONTEXT) && contextAt + sizeof(CONTEXT) <= dump.size()) {
        std::memcpy(&ip, dump.data() + contextAt + offsetof(CONTEXT, Rip), sizeof(ip));
      }
      threads.emplace_back(id, ip);
    }
  }
  return threads;
}

std::string ProcessNames() {
  std::string out;
  const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    out += "  " + Narrow(entry.szExeFile) + "\r\n";
  }
  return out;
}

bool WriteNewFile(const std::wstring& path, std::string_view content) {
  const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
         written == content.size();
}

bool ReadWholeFile(const std::wstring& path, std::string& out) {
  const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (file.get() == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
      static_cast<ULONGLONG>(size.QuadPart) > kMaxUploadBytes) {
    return false;
  }
  out.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return ::ReadFile(file.get(), out.data(), static_cast<DWORD>(out.size()), &read, nullptr) && read == out.size();
}

struct Saved {
  bool dump = false;
  std::wstring folder;
  std::wstring dumpPath;
};

Saved SaveReport(const Inherited& in, const std::wstring& root) {
  Saved saved;
  if (root.empty()) return saved;
  SYSTEMTIME now{};
  ::GetSystemTime(&now);
  const std::string name = CrashFolderName({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond},
                                           in.processId);
  saved.folder = root + L"\\" + Widen(name);
  // A new folder, or none: a name that exists already (or a link planted there) is not used.
  if (!::CreateDirectoryW(saved.folder.c_str(), nullptr)) return saved;

  const DbgHelp dbg;
  saved.dumpPath = saved.folder + L"\\" + Widen(kDumpFileName);
  {
    const UniqueHandle file(::CreateFileW(saved.dumpPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() != INVALID_HANDLE_VALUE && dbg.MiniDumpWriteDump) {
      MINIDUMP_EXCEPTION_INFORMATION exception{};
      exception.ThreadId = in.threadId;
      exception.ExceptionPointers = reinterpret_cast<EXCEPTION_POINTERS*>(in.pointers);
      exception.ClientPointers = TRUE;
      saved.dump = dbg.MiniDumpWriteDump(in.process, in.processId, file.get(), MiniDumpNormal, &exception, nullptr, nullptr);
    }
  }

  EXCEPTION_POINTERS pointers{};
  EXCEPTION_RECORD record{};
  alignas(16) CONTEXT context{};
  const bool haveException = ReadRemote(in.process, in.pointers, pointers) &&
                             ReadRemote(in.process, reinterpret_cast<ULONG64>(pointers.ExceptionRecord), record) &&
                             ReadRemote(in.process, reinterpret_cast<ULONG64>(pointers.ContextRecord), context);
  const std::vector<Module> modules = ModulesOf(in.process);

  std::string text = "Sweeplet crash report\r\n";
  text += "Version: " + Narrow(GetAppVersion(L"%d.%d.%d.%d")) + "\r\n";
  text += "Client: " + Narrow(GetClientId()) + "\r\n";
  text += "Windows: " + WindowsVersion() + "\r\n";
  text += "Time (UTC): " + name.substr(0, 16) + "\r\n";
  text += "Process: " + std::to_string(in.processId) + "\r\n";
  if (haveException) {
    text += "Exception: code " + Hex(record.ExceptionCode, 8) + " flags " + Hex(record.ExceptionFlags, 8) + " at " +
            Where(modules, reinterpret_cast<ULONG64>(record.ExceptionAddress)) + "\r\n";
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
      text += "Access: " + std::string(record.ExceptionInformation[0] == 1 ? "write" : record.ExceptionInformation[0] == 8 ? "execute" : "read") +
              " of " + Hex(record.ExceptionInformation[1]) + "\r\n";
    }
  } else {
    text += "Exception: not readable\r\n";
  }
  text += "Failing thread " + std::to_string(in.threadId) + ":\r\n";
  if (haveException) {
    int index = 0;
    for (const Frame& frame : FailingStack(dbg, in, context, modules)) {
      text += "  #" + std::to_string(index++) + " " + Where(modules, frame.address) + (frame.scanned ? " (scanned)" : "") +
              "\r\n";
    }
  }
  text += "Other threads:\r\n";
  std::string dump;
  ReadWholeFile(saved.dumpPath, dump);
  for (const auto& [id, ip] : OtherThreads(dump, in.threadId)) {
    text += "  " + std::to_string(id) + " " + Where(modules, ip) + "\r\n";
  }
  text += "Modules:\r\n";
  for (const Module& m : modules) {
    text += "  " + Hex(m.base, 16) + " " + Hex(m.size, 8) + " " + FileVersion(m.path) + " " + Narrow(m.path) + "\r\n";
  }
  text += "Processes:\r\n" + ProcessNames();
  WriteNewFile(saved.folder + L"\\" + Widen(kReportFileName), text);
  return saved;
}

// The failed copy's main window (the tray icon's owner), found before that copy ends.
HWND MainWindowOf(DWORD processId) {
  for (HWND w = ::FindWindowExW(nullptr, nullptr, kInstanceName, nullptr); w;
       w = ::FindWindowExW(nullptr, w, kInstanceName, nullptr)) {
    DWORD owner = 0;
    if (::GetWindowThreadProcessId(w, &owner) && owner == processId) return w;
  }
  return nullptr;
}

// The final path of an open file or folder, without the \\?\ prefix.
std::wstring FinalPath(HANDLE handle) {
  std::wstring path(kLongestPath, L'\0');
  const DWORD n = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
  return path;
}

// Deletes `path` (a file, or an empty folder) only when it is no link and lies inside `inside`.
void DeleteInside(const std::wstring& path, const std::wstring& inside, bool folder) {
  const UniqueHandle handle(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0), nullptr));
  if (handle.get() == INVALID_HANDLE_VALUE) return;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder) {
    return;
  }
  const std::wstring real = FinalPath(handle.get());
  if (real.size() <= inside.size() + 1 || !SamePath(real.substr(0, inside.size()), inside) || real[inside.size()] != L'\\') {
    return;
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  ::SetFileInformationByHandle(handle.get(), FileDispositionInfo, &disposition, sizeof(disposition));
}

struct Upload {
  std::wstring endpoint;
  std::string body;
  std::string boundary;
};

void StartSending(HWND window, void* context) {
  auto* upload = static_cast<Upload*>(context);
  // Never joined: closing the window ends the process, and with it a request still under way.
  std::thread([window, upload] {
    const bool sent = HttpPost(upload->endpoint,
                               {{L"Content-Type", L"multipart/form-data; boundary=" + Widen(upload->boundary)}},
                               upload->body);
    ::PostMessageW(window, kCrashSentMessage, sent ? 1 : 0, 0);
  }).detach();
}

LONG WINAPI EndQuietly(EXCEPTION_POINTERS*) noexcept {
  ::TerminateProcess(::GetCurrentProcess(), kReporterFailed);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

std::wstring CrashFolderRoot() noexcept {
  try {
    PWSTR local = nullptr;
    if (FAILED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &local)) || !local) return {};
    std::wstring root = local;
    ::CoTaskMemFree(local);
    for (const wchar_t* part : {L"\\Orvane", L"\\Sweeplet", L"\\Crashes"}) {
      root += part;
      if (!::CreateDirectoryW(root.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    // The crash root itself must be a plain folder where it says it is, not a link elsewhere.
    const UniqueHandle handle(::CreateFileW(root.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (handle.get() == INVALID_HANDLE_VALUE || !SamePath(FinalPath(handle.get()), root)) return {};
    return root;
  } catch (...) {
    return {};
  }
}

void KeepNewestCrashes(const std::wstring& root, size_t keep) noexcept {
  try {
    if (root.empty()) return;
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((root + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        names.push_back(Narrow(found.cFileName));
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    for (const std::string& name : CrashFoldersToDelete(std::move(names), keep)) {
      const std::wstring folder = root + L"\\" + Widen(name);
      const std::wstring inside = root + L"\\" + Widen(name);
      for (std::string_view file : {kDumpFileName, kReportFileName}) {
        DeleteInside(folder + L"\\" + Widen(file), inside, false);
      }
      DeleteInside(folder, root, true);
    }
  } catch (...) {
  }
}

int RunCrashReporter(const CrashOptions& options) noexcept {
  // A failure of the reporter ends it quietly: no second reporter, no system dialog.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::SetUnhandledExceptionFilter(&EndQuietly);
  std::signal(SIGABRT, [](int) { ::TerminateProcess(::GetCurrentProcess(), kReporterFailed); });
  try {
    Inherited in;
    if (!ReadInherited(in)) return kReporterBadArguments;
    // Nothing is looked for in whatever folder the reporter was started in.
    wchar_t system[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length && length < MAX_PATH) ::SetCurrentDirectoryW(system);
    const HWND failedWindow = MainWindowOf(in.processId);
    const std::wstring root = CrashFolderRoot();
    const Saved saved = SaveReport(in, root);
    // The failed copy may end now.
    ::SetEvent(in.reported);
    ::WaitForSingleObject(in.process, kWaitForEndMs);
    if (failedWindow) {
      NOTIFYICONDATAW icon{};
      icon.cbSize = sizeof(icon);
      icon.hWnd = failedWindow;
      icon.uID = kTrayIconId;
      ::Shell_NotifyIconW(NIM_DELETE, &icon);
    }
    KeepNewestCrashes(root, kCrashFoldersKept);

    std::unique_ptr<Upload> upload;
    if (saved.dump && !options.endpoint.empty()) {
      upload = std::make_unique<Upload>();
      std::string dump;
      if (ReadWholeFile(saved.dumpPath, dump)) {
        upload->endpoint = options.endpoint;
        upload->boundary = "SweepletReport" + std::to_string(in.processId) + "x" + std::to_string(::GetTickCount64());
        upload->body = MultipartBody({{std::string(kFieldProduct), "Sweeplet", ""},
                                      {std::string(kFieldVersion), Narrow(GetAppVersion(L"%d.%d.%d.%d")), ""},
                                      {std::string(kFieldClientId), Narrow(GetClientId()), ""},
                                      {std::string(kFieldDump), std::move(dump), std::string(kDumpFileName)}},
                                     upload->boundary);
      } else {
        upload.reset();
      }
    }
    ShowCrashWindow(saved.dump, upload ? &StartSending : nullptr, upload.get());
    // The sender may still hold `upload`: end here, without running destructors under it.
    ::TerminateProcess(::GetCurrentProcess(), kReporterDone);
    return kReporterDone;
  } catch (...) {
    return kReporterFailed;
  }
}

}  // namespace sweeplet
