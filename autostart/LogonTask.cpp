#include "autostart/LogonTask.h"

#include <string>

#include "autostart/Duration.h"
#include "autostart/TaskSchedApi.h"
#include "common/ComInit.h"
#include "common/ComPtr.h"
#include "common/ModulePath.h"
#include "common/OleAuto.h"
#include "common/Utf.h"

namespace sweeplet {
namespace {

class SystemScheduler final : public ITaskSchedulerApi {
 public:
  HRESULT InitializeSecurity(PSECURITY_DESCRIPTOR securityDescriptor, LONG authServices,
                             SOLE_AUTHENTICATION_SERVICE* services, void* reserved1, DWORD authnLevel, DWORD impLevel,
                             void* authList, DWORD capabilities, void* reserved3) override {
    return ::CoInitializeSecurity(securityDescriptor, authServices, services, reserved1, authnLevel, impLevel, authList,
                                  capabilities, reserved3);
  }
  HRESULT CreateService(ITaskService** out) override {
    ComPtr<ITaskService> service = CoTaskScheduler_::Create();
    if (!service) return REGDB_E_CLASSNOTREG;
    *out = service.get();
    service->AddRef();
    return S_OK;
  }
};

// Each Task Scheduler call either succeeds with what it promised or ends the operation.
bool Ok(HRESULT hr) { return SUCCEEDED(hr); }
template <typename T>
bool Got(HRESULT hr, const ComPtr<T>& object) {
  return SUCCEEDED(hr) && object;
}

// A BSTR argument; empty text needs no allocation, anything else must have been copied.
bool Text(std::wstring_view text, Bstr& out) {
  out = MakeBstr(text);
  return out || text.empty();
}

struct Connection {
  ComPtr<ITaskService> service;
  ComPtr<ITaskFolder> root;
};

// Common start of every operation: COM security, the service on this machine for the current
// user, and the root folder. Empty on any failure.
Connection ConnectToRootFolder(ITaskSchedulerApi& scheduler) {
  const HRESULT security = scheduler.InitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT,
                                                        RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  // Security can be set once per process; every later call is told it is too late, which is fine.
  if (FAILED(security) && security != RPC_E_TOO_LATE) return {};

  Connection c;
  if (!Got(scheduler.CreateService(c.service.put()), c.service)) return {};
  const Variant none;
  if (!Ok(c.service->Connect(none.get(), none.get(), none.get(), none.get()))) return {};
  Bstr rootPath;
  if (!Text(L"\\", rootPath) || !Got(c.service->GetFolder(rootPath.get(), c.root.put()), c.root)) return {};
  return c;
}

void RegisterLogonTask(const Connection& c, std::wstring_view taskName, int delaySeconds) {
  const std::wstring exe = ModulePath();
  if (exe.empty()) return;
  const std::wstring directory = exe.substr(0, exe.find_last_of(L"\\/") + 1);  // keeps the trailing backslash

  ComPtr<ITaskDefinition> definition;
  if (!Got(c.service->NewTask(0, definition.put()), definition)) return;

  ComPtr<IPrincipal> principal;
  if (!Got(definition->get_Principal(principal.put()), principal)) return;
  if (!Ok(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST))) return;

  ComPtr<ITriggerCollection> triggers;
  ComPtr<ITrigger> trigger;
  if (!Got(definition->get_Triggers(triggers.put()), triggers)) return;
  if (!Got(triggers->Create(TASK_TRIGGER_LOGON, trigger.put()), trigger)) return;
  if (delaySeconds > 0) {
    ComPtr<ILogonTrigger> logon;
    Bstr delay;
    if (!Got(trigger->QueryInterface(__uuidof(ILogonTrigger), logon.put_void()), logon)) return;
    if (!Text(Widen(SecondsToDuration(delaySeconds)), delay) || !Ok(logon->put_Delay(delay.get()))) return;
  }

  ComPtr<IActionCollection> actions;
  ComPtr<IAction> action;
  ComPtr<IExecAction> exec;
  if (!Got(definition->get_Actions(actions.put()), actions)) return;
  if (!Got(actions->Create(TASK_ACTION_EXEC, action.put()), action)) return;
  if (!Got(action->QueryInterface(__uuidof(IExecAction), exec.put_void()), exec)) return;
  Bstr path, workingDirectory, arguments;
  if (!Text(exe, path) || !Ok(exec->put_Path(path.get()))) return;
  if (!Text(directory, workingDirectory) || !Ok(exec->put_WorkingDirectory(workingDirectory.get()))) return;
  if (!Text(L"/start", arguments) || !Ok(exec->put_Arguments(arguments.get()))) return;

  // The settings object is fetched again for each property, as a fresh view of the definition.
  ComPtr<ITaskSettings> settings;
  ComPtr<IIdleSettings> idle;
  Bstr noTimeLimit;
  if (!Got(definition->get_Settings(settings.put()), settings)) return;
  if (!Ok(settings->put_StartWhenAvailable(VARIANT_TRUE))) return;
  if (!Got(definition->get_Settings(settings.put()), settings)) return;
  if (!Text(L"PT0S", noTimeLimit) || !Ok(settings->put_ExecutionTimeLimit(noTimeLimit.get()))) return;
  if (!Got(definition->get_Settings(settings.put()), settings)) return;
  if (!Got(settings->get_IdleSettings(idle.put()), idle)) return;
  if (!Ok(idle->put_StopOnIdleEnd(VARIANT_FALSE))) return;
  if (!Got(definition->get_Settings(settings.put()), settings)) return;
  if (!Ok(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE))) return;
  if (!Got(definition->get_Settings(settings.put()), settings)) return;
  if (!Ok(settings->put_StopIfGoingOnBatteries(VARIANT_FALSE))) return;
  // The scheduler's default (7) starts the program below normal, with low I/O and memory
  // priority: its pages would be trimmed first and it would answer late. 4 to 6 are the levels
  // for interactive programs; 4 is a normal process, as if started by hand.
  if (!Got(definition->get_Settings(settings.put()), settings)) return;
  if (!Ok(settings->put_Priority(kLogonTaskPriority))) return;

  // Registration comes last, so a failure anywhere above leaves an earlier task as it was.
  Bstr name;
  const Variant noUser, noPassword;
  const Variant noSecurityDescriptor = Variant::String(L"");
  if (!Text(taskName, name) || noSecurityDescriptor.get().vt != VT_BSTR) return;
  ComPtr<IRegisteredTask> registered;
  c.root->RegisterTaskDefinition(name.get(), definition.get(), TASK_CREATE_OR_UPDATE, noUser.get(), noPassword.get(),
                                 TASK_LOGON_INTERACTIVE_TOKEN, noSecurityDescriptor.get(), registered.put());
}

// Looks through the root folder's visible tasks for exactly that name (case-sensitive); stops at
// the first match. Null when none matches or any call fails first.
ComPtr<IRegisteredTask> FindInRootFolder(const Connection& c, std::wstring_view taskName) {
  ComPtr<IRegisteredTaskCollection> tasks;
  LONG count = 0;
  if (!Got(c.root->GetTasks(0, tasks.put()), tasks)) return {};
  if (!Ok(tasks->get_Count(&count))) return {};
  for (LONG i = 1; i <= count; ++i) {  // the collection counts from 1
    const Variant index = Variant::Int32(i);
    ComPtr<IRegisteredTask> task;
    Bstr name;
    if (!Got(tasks->get_Item(index.get(), task.put()), task)) return {};
    if (!Ok(task->get_Name(name.put()))) return {};
    if (BstrView(name) == taskName) return task;
  }
  return {};
}

// Paths in a task may be quoted; file names compare without regard to letter case.
bool SameProgram(std::wstring_view taskPath, std::wstring_view program) {
  if (taskPath.size() >= 2 && taskPath.front() == L'"' && taskPath.back() == L'"') {
    taskPath = taskPath.substr(1, taskPath.size() - 2);
  }
  return ::CompareStringOrdinal(taskPath.data(), static_cast<int>(taskPath.size()), program.data(),
                                static_cast<int>(program.size()), TRUE) == CSTR_EQUAL;
}

// Whether one of the task's exec actions starts `program`. True as well when the actions cannot
// be read: a task that might start this copy is one to remove rather than keep.
bool StartsProgram(IRegisteredTask* task, std::wstring_view program) {
  ComPtr<ITaskDefinition> definition;
  ComPtr<IActionCollection> actions;
  LONG count = 0;
  if (program.empty()) return true;
  if (!Got(task->get_Definition(definition.put()), definition)) return true;
  if (!Got(definition->get_Actions(actions.put()), actions)) return true;
  if (!Ok(actions->get_Count(&count))) return true;
  for (LONG i = 1; i <= count; ++i) {  // counts from 1 as well
    ComPtr<IAction> action;
    TASK_ACTION_TYPE type{};
    if (!Got(actions->get_Item(i, action.put()), action)) return true;
    if (!Ok(action->get_Type(&type))) return true;
    if (type != TASK_ACTION_EXEC) continue;
    ComPtr<IExecAction> exec;
    Bstr path;
    if (!Got(action->QueryInterface(__uuidof(IExecAction), exec.put_void()), exec)) return true;
    if (!Ok(exec->get_Path(path.put()))) return true;
    if (SameProgram(BstrView(path), program)) return true;
  }
  return false;
}

void RemoveLogonTask(const Connection& c, std::wstring_view taskName) {
  if (!FindInRootFolder(c, taskName)) return;
  Bstr name;
  if (Text(taskName, name)) c.root->DeleteTask(name.get(), 0);
}

}  // namespace

ITaskSchedulerApi& SystemTaskScheduler() noexcept {
  static SystemScheduler scheduler;
  return scheduler;
}

void SetLogonTask(std::wstring_view taskName, bool enabled, int delaySeconds, ITaskSchedulerApi& scheduler) noexcept {
  try {
    const Connection c = ConnectToRootFolder(scheduler);
    if (!c.root) return;
    if (enabled) {
      RegisterLogonTask(c, taskName, delaySeconds);
    } else {
      RemoveLogonTask(c, taskName);
    }
  } catch (...) {
    // Dropped by design: auto-start is best effort and never reports to the user.
  }
}

bool LogonTaskExists(std::wstring_view taskName, ITaskSchedulerApi& scheduler) noexcept {
  try {
    const Connection c = ConnectToRootFolder(scheduler);
    return c.root && FindInRootFolder(c, taskName);
  } catch (...) {
    return false;
  }
}

ExistingTask FindLogonTask(std::wstring_view taskName, ITaskSchedulerApi& scheduler) noexcept {
  try {
    const Connection c = ConnectToRootFolder(scheduler);
    if (!c.root) return ExistingTask::None;
    const ComPtr<IRegisteredTask> task = FindInRootFolder(c, taskName);
    if (!task) return ExistingTask::None;
    return StartsProgram(task.get(), ModulePath()) ? ExistingTask::ThisCopy : ExistingTask::OtherProgram;
  } catch (...) {
    return ExistingTask::None;
  }
}

void LogonTaskSwitch::Set(bool enabled, int delaySeconds) const noexcept {
  const ComInit com;
  if (com.Succeeded()) SetLogonTask(taskName_, enabled, delaySeconds, scheduler_);
}

bool LogonTaskSwitch::Exists() const noexcept {
  const ComInit com;
  return com.Succeeded() && LogonTaskExists(taskName_, scheduler_);
}

ExistingTask LogonTaskSwitch::Find() const noexcept {
  const ComInit com;
  return com.Succeeded() ? FindLogonTask(taskName_, scheduler_) : ExistingTask::None;
}

}  // namespace sweeplet
