#include "autostart/tests/FakeTaskScheduler.h"

#include <atomic>
#include <memory>
#include <ostream>

#include "autostart/TaskSchedApi.h"
#include "common/Utf.h"

namespace sweeplet::testing {
namespace {

FakeScheduler* g_scheduler = nullptr;
std::atomic<long> g_live{0};

// What Record answers for a call that is to succeed without producing its object.
constexpr HRESULT kWithoutObject = S_FALSE;

std::string Str(BSTR b) { return b ? Narrow(std::wstring_view(b, ::SysStringLen(b))) : std::string(); }
std::wstring WStr(BSTR b) { return b ? std::wstring(b, ::SysStringLen(b)) : std::wstring(); }

std::string Describe(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY:
      return "empty";
    case VT_I4:
      return "i4:" + std::to_string(v.lVal);
    case VT_BSTR:
      return "'" + Str(v.bstrVal) + "'";
    default:
      return "vt" + std::to_string(v.vt);
  }
}

// For a call that hands out an object: nothing to go on and make it, or the result to return at once.
std::optional<HRESULT> Interrupt(HRESULT recorded) {
  if (recorded == kWithoutObject) {
    g_scheduler->brokeWithoutObject = true;
    return S_OK;  // success, yet no object
  }
  if (FAILED(recorded)) return recorded;
  return std::nullopt;
}

template <typename T>
HRESULT Hand(T* object, T** out) {
  *out = object;
  return S_OK;
}

// IUnknown and IDispatch for every fake; QueryInterface answers IUnknown, IDispatch and what
// Supports names. Fakes start with one reference, the caller's.
template <typename I>
class FakeObject : public I {
 public:
  FakeObject() { ++g_live; }
  virtual ~FakeObject() { --g_live; }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(I) || Supports(iid)) {
      *out = static_cast<I*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 protected:
  virtual bool Supports(REFIID) { return false; }
  FakeScheduler& W() { return *g_scheduler; }

 private:
  std::atomic<ULONG> refs_{1};
};

#define FAKE_NOTIMPL(...) \
  HRESULT STDMETHODCALLTYPE __VA_ARGS__ override { return E_NOTIMPL; }

using Data = std::shared_ptr<FakeDefinition>;

class FakeIdleSettings final : public FakeObject<IIdleSettings> {
 public:
  explicit FakeIdleSettings(Data d) : d_(std::move(d)) {}
  HRESULT STDMETHODCALLTYPE put_StopOnIdleEnd(VARIANT_BOOL stop) override {
    const HRESULT hr = W().Record("IdleSettings.put_StopOnIdleEnd(" + std::to_string(stop) + ")");
    if (FAILED(hr)) return hr;
    d_->stopOnIdleEnd = stop;
    return S_OK;
  }
  FAKE_NOTIMPL(get_IdleDuration(BSTR*))
  FAKE_NOTIMPL(put_IdleDuration(BSTR))
  FAKE_NOTIMPL(get_WaitTimeout(BSTR*))
  FAKE_NOTIMPL(put_WaitTimeout(BSTR))
  FAKE_NOTIMPL(get_StopOnIdleEnd(VARIANT_BOOL*))
  FAKE_NOTIMPL(get_RestartOnIdle(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_RestartOnIdle(VARIANT_BOOL))

 private:
  Data d_;
};

class FakeTaskSettings final : public FakeObject<ITaskSettings> {
 public:
  explicit FakeTaskSettings(Data d) : d_(std::move(d)) {}
  HRESULT STDMETHODCALLTYPE put_StartWhenAvailable(VARIANT_BOOL v) override {
    return Put("StartWhenAvailable", v, d_->startWhenAvailable);
  }
  HRESULT STDMETHODCALLTYPE put_DisallowStartIfOnBatteries(VARIANT_BOOL v) override {
    return Put("DisallowStartIfOnBatteries", v, d_->disallowStartIfOnBatteries);
  }
  HRESULT STDMETHODCALLTYPE put_StopIfGoingOnBatteries(VARIANT_BOOL v) override {
    return Put("StopIfGoingOnBatteries", v, d_->stopIfGoingOnBatteries);
  }
  HRESULT STDMETHODCALLTYPE put_ExecutionTimeLimit(BSTR limit) override {
    const HRESULT hr = W().Record("Settings.put_ExecutionTimeLimit(" + Str(limit) + ")");
    if (FAILED(hr)) return hr;
    d_->executionTimeLimit = WStr(limit);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_IdleSettings(IIdleSettings** out) override {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record("Settings.get_IdleSettings"))) return *stop;
    return Hand<IIdleSettings>(new FakeIdleSettings(d_), out);
  }
  FAKE_NOTIMPL(get_AllowDemandStart(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_AllowDemandStart(VARIANT_BOOL))
  FAKE_NOTIMPL(get_RestartInterval(BSTR*))
  FAKE_NOTIMPL(put_RestartInterval(BSTR))
  FAKE_NOTIMPL(get_RestartCount(INT*))
  FAKE_NOTIMPL(put_RestartCount(INT))
  FAKE_NOTIMPL(get_MultipleInstances(TASK_INSTANCES_POLICY*))
  FAKE_NOTIMPL(put_MultipleInstances(TASK_INSTANCES_POLICY))
  FAKE_NOTIMPL(get_StopIfGoingOnBatteries(VARIANT_BOOL*))
  FAKE_NOTIMPL(get_DisallowStartIfOnBatteries(VARIANT_BOOL*))
  FAKE_NOTIMPL(get_AllowHardTerminate(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_AllowHardTerminate(VARIANT_BOOL))
  FAKE_NOTIMPL(get_StartWhenAvailable(VARIANT_BOOL*))
  FAKE_NOTIMPL(get_XmlText(BSTR*))
  FAKE_NOTIMPL(put_XmlText(BSTR))
  FAKE_NOTIMPL(get_RunOnlyIfNetworkAvailable(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_RunOnlyIfNetworkAvailable(VARIANT_BOOL))
  FAKE_NOTIMPL(get_ExecutionTimeLimit(BSTR*))
  FAKE_NOTIMPL(get_Enabled(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_Enabled(VARIANT_BOOL))
  FAKE_NOTIMPL(get_DeleteExpiredTaskAfter(BSTR*))
  FAKE_NOTIMPL(put_DeleteExpiredTaskAfter(BSTR))
  HRESULT STDMETHODCALLTYPE put_Priority(INT priority) override {
    const HRESULT hr = W().Record("Settings.put_Priority(" + std::to_string(priority) + ")");
    if (FAILED(hr)) return hr;
    d_->priority = priority;
    return S_OK;
  }
  FAKE_NOTIMPL(get_Priority(INT*))
  FAKE_NOTIMPL(get_Compatibility(TASK_COMPATIBILITY*))
  FAKE_NOTIMPL(put_Compatibility(TASK_COMPATIBILITY))
  FAKE_NOTIMPL(get_Hidden(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_Hidden(VARIANT_BOOL))
  FAKE_NOTIMPL(put_IdleSettings(IIdleSettings*))
  FAKE_NOTIMPL(get_RunOnlyIfIdle(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_RunOnlyIfIdle(VARIANT_BOOL))
  FAKE_NOTIMPL(get_WakeToRun(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_WakeToRun(VARIANT_BOOL))
  FAKE_NOTIMPL(get_NetworkSettings(INetworkSettings**))
  FAKE_NOTIMPL(put_NetworkSettings(INetworkSettings*))

 private:
  HRESULT Put(const char* property, VARIANT_BOOL v, std::optional<VARIANT_BOOL>& field) {
    const HRESULT hr = W().Record(std::string("Settings.put_") + property + "(" + std::to_string(v) + ")");
    if (FAILED(hr)) return hr;
    field = v;
    return S_OK;
  }
  Data d_;
};

class FakePrincipal final : public FakeObject<IPrincipal> {
 public:
  explicit FakePrincipal(Data d) : d_(std::move(d)) {}
  HRESULT STDMETHODCALLTYPE put_RunLevel(TASK_RUNLEVEL_TYPE level) override {
    const HRESULT hr = W().Record("Principal.put_RunLevel(" + std::to_string(level) + ")");
    if (FAILED(hr)) return hr;
    d_->runLevel = level;
    return S_OK;
  }
  FAKE_NOTIMPL(get_Id(BSTR*))
  FAKE_NOTIMPL(put_Id(BSTR))
  FAKE_NOTIMPL(get_DisplayName(BSTR*))
  FAKE_NOTIMPL(put_DisplayName(BSTR))
  FAKE_NOTIMPL(get_UserId(BSTR*))
  FAKE_NOTIMPL(put_UserId(BSTR))
  FAKE_NOTIMPL(get_LogonType(TASK_LOGON_TYPE*))
  FAKE_NOTIMPL(put_LogonType(TASK_LOGON_TYPE))
  FAKE_NOTIMPL(get_GroupId(BSTR*))
  FAKE_NOTIMPL(put_GroupId(BSTR))
  FAKE_NOTIMPL(get_RunLevel(TASK_RUNLEVEL_TYPE*))

 private:
  Data d_;
};

// Every trigger the fake makes is a logon trigger: that is the only kind the program creates.
class FakeLogonTrigger final : public FakeObject<ILogonTrigger> {
 public:
  FakeLogonTrigger(Data d, size_t index) : d_(std::move(d)), index_(index) {}
  HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) override {
    const HRESULT hr = W().Record("LogonTrigger.put_Delay(" + Str(delay) + ")");
    if (FAILED(hr)) return hr;
    d_->triggers.at(index_).delay = WStr(delay);
    return S_OK;
  }
  FAKE_NOTIMPL(get_Type(TASK_TRIGGER_TYPE2*))
  FAKE_NOTIMPL(get_Id(BSTR*))
  FAKE_NOTIMPL(put_Id(BSTR))
  FAKE_NOTIMPL(get_Repetition(IRepetitionPattern**))
  FAKE_NOTIMPL(put_Repetition(IRepetitionPattern*))
  FAKE_NOTIMPL(get_ExecutionTimeLimit(BSTR*))
  FAKE_NOTIMPL(put_ExecutionTimeLimit(BSTR))
  FAKE_NOTIMPL(get_StartBoundary(BSTR*))
  FAKE_NOTIMPL(put_StartBoundary(BSTR))
  FAKE_NOTIMPL(get_EndBoundary(BSTR*))
  FAKE_NOTIMPL(put_EndBoundary(BSTR))
  FAKE_NOTIMPL(get_Enabled(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_Enabled(VARIANT_BOOL))
  FAKE_NOTIMPL(get_Delay(BSTR*))
  FAKE_NOTIMPL(get_UserId(BSTR*))
  FAKE_NOTIMPL(put_UserId(BSTR))

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out) *out = nullptr;
    if (iid == __uuidof(ILogonTrigger)) {
      if (const auto stop = Interrupt(W().Record("Trigger.QueryInterface(ILogonTrigger)"))) return *stop;
    }
    return FakeObject::QueryInterface(iid, out);
  }

 protected:
  bool Supports(REFIID iid) override { return iid == __uuidof(ITrigger); }

 private:
  Data d_;
  size_t index_;
};

class FakeTriggerCollection final : public FakeObject<ITriggerCollection> {
 public:
  explicit FakeTriggerCollection(Data d) : d_(std::move(d)) {}
  HRESULT STDMETHODCALLTYPE Create(TASK_TRIGGER_TYPE2 type, ITrigger** out) override {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record("Triggers.Create(" + std::to_string(type) + ")"))) return *stop;
    d_->triggers.push_back({type, std::nullopt});
    return Hand<ITrigger>(new FakeLogonTrigger(d_, d_->triggers.size() - 1), out);
  }
  FAKE_NOTIMPL(get_Count(LONG*))
  FAKE_NOTIMPL(get_Item(LONG, ITrigger**))
  FAKE_NOTIMPL(get__NewEnum(IUnknown**))
  FAKE_NOTIMPL(Remove(VARIANT))
  FAKE_NOTIMPL(Clear())

 private:
  Data d_;
};

class FakeExecAction final : public FakeObject<IExecAction> {
 public:
  FakeExecAction(Data d, size_t index) : d_(std::move(d)), index_(index) {}
  HRESULT STDMETHODCALLTYPE put_Path(BSTR v) override { return Put("Path", v, &FakeDefinition::Action::path); }
  HRESULT STDMETHODCALLTYPE put_WorkingDirectory(BSTR v) override {
    return Put("WorkingDirectory", v, &FakeDefinition::Action::workingDirectory);
  }
  HRESULT STDMETHODCALLTYPE put_Arguments(BSTR v) override {
    return Put("Arguments", v, &FakeDefinition::Action::arguments);
  }
  FAKE_NOTIMPL(get_Id(BSTR*))
  FAKE_NOTIMPL(put_Id(BSTR))
  HRESULT STDMETHODCALLTYPE get_Type(TASK_ACTION_TYPE* type) override {
    const HRESULT hr = W().Record("Action.get_Type");
    if (FAILED(hr)) return hr;
    *type = d_->actions.at(index_).type;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Path(BSTR* out) override {
    *out = nullptr;
    const HRESULT hr = W().Record("ExecAction.get_Path");
    if (FAILED(hr)) return hr;
    const std::wstring path = d_->actions.at(index_).path.value_or(L"");
    *out = ::SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  FAKE_NOTIMPL(get_Arguments(BSTR*))
  FAKE_NOTIMPL(get_WorkingDirectory(BSTR*))

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out) *out = nullptr;
    if (iid == __uuidof(IExecAction)) {
      if (const auto stop = Interrupt(W().Record("Action.QueryInterface(IExecAction)"))) return *stop;
    }
    return FakeObject::QueryInterface(iid, out);
  }

 protected:
  bool Supports(REFIID iid) override { return iid == __uuidof(IAction); }

 private:
  HRESULT Put(const char* property, BSTR v, std::optional<std::wstring> FakeDefinition::Action::*field) {
    const HRESULT hr = W().Record(std::string("ExecAction.put_") + property + "(" + Str(v) + ")");
    if (FAILED(hr)) return hr;
    d_->actions.at(index_).*field = WStr(v);
    return S_OK;
  }
  Data d_;
  size_t index_;
};

class FakeActionCollection final : public FakeObject<IActionCollection> {
 public:
  explicit FakeActionCollection(Data d) : d_(std::move(d)) {}
  HRESULT STDMETHODCALLTYPE Create(TASK_ACTION_TYPE type, IAction** out) override {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record("Actions.Create(" + std::to_string(type) + ")"))) return *stop;
    d_->actions.push_back({type, std::nullopt, std::nullopt, std::nullopt});
    return Hand<IAction>(new FakeExecAction(d_, d_->actions.size() - 1), out);
  }
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    const HRESULT hr = W().Record("Actions.get_Count");
    if (FAILED(hr)) return hr;
    *count = static_cast<LONG>(d_->actions.size());
    return S_OK;
  }
  // 1-based, like the real collection.
  HRESULT STDMETHODCALLTYPE get_Item(LONG index, IAction** out) override {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record("Actions.get_Item(" + std::to_string(index) + ")"))) return *stop;
    if (index < 1 || static_cast<size_t>(index) > d_->actions.size()) return E_INVALIDARG;
    return Hand<IAction>(new FakeExecAction(d_, index - 1), out);
  }
  FAKE_NOTIMPL(get__NewEnum(IUnknown**))
  FAKE_NOTIMPL(get_XmlText(BSTR*))
  FAKE_NOTIMPL(put_XmlText(BSTR))
  FAKE_NOTIMPL(Remove(VARIANT))
  FAKE_NOTIMPL(Clear())
  FAKE_NOTIMPL(get_Context(BSTR*))
  FAKE_NOTIMPL(put_Context(BSTR))

 private:
  Data d_;
};

class FakeTaskDefinition final : public FakeObject<ITaskDefinition> {
 public:
  FakeTaskDefinition() : d_(std::make_shared<FakeDefinition>()) {}
  explicit FakeTaskDefinition(const FakeDefinition& registered) : d_(std::make_shared<FakeDefinition>(registered)) {}
  const FakeDefinition& Definition() const { return *d_; }

  HRESULT STDMETHODCALLTYPE get_Principal(IPrincipal** out) override {
    return Get<IPrincipal, FakePrincipal>("Definition.get_Principal", out);
  }
  HRESULT STDMETHODCALLTYPE get_Triggers(ITriggerCollection** out) override {
    return Get<ITriggerCollection, FakeTriggerCollection>("Definition.get_Triggers", out);
  }
  HRESULT STDMETHODCALLTYPE get_Actions(IActionCollection** out) override {
    return Get<IActionCollection, FakeActionCollection>("Definition.get_Actions", out);
  }
  HRESULT STDMETHODCALLTYPE get_Settings(ITaskSettings** out) override {
    return Get<ITaskSettings, FakeTaskSettings>("Definition.get_Settings", out);
  }
  FAKE_NOTIMPL(get_RegistrationInfo(IRegistrationInfo**))
  FAKE_NOTIMPL(put_RegistrationInfo(IRegistrationInfo*))
  FAKE_NOTIMPL(put_Triggers(ITriggerCollection*))
  FAKE_NOTIMPL(put_Settings(ITaskSettings*))
  FAKE_NOTIMPL(get_Data(BSTR*))
  FAKE_NOTIMPL(put_Data(BSTR))
  FAKE_NOTIMPL(put_Principal(IPrincipal*))
  FAKE_NOTIMPL(put_Actions(IActionCollection*))
  FAKE_NOTIMPL(get_XmlText(BSTR*))
  FAKE_NOTIMPL(put_XmlText(BSTR))

 private:
  template <typename I, typename Fake>
  HRESULT Get(const char* call, I** out) {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record(call))) return *stop;
    return Hand<I>(new Fake(d_), out);
  }
  Data d_;
};

class FakeRegisteredTask final : public FakeObject<IRegisteredTask> {
 public:
  FakeRegisteredTask(std::wstring name, FakeDefinition definition)
      : name_(std::move(name)), definition_(std::move(definition)) {}
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* out) override {
    *out = nullptr;
    const HRESULT hr = W().Record("Task.get_Name");
    if (FAILED(hr)) return hr;
    *out = ::SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  FAKE_NOTIMPL(get_Path(BSTR*))
  FAKE_NOTIMPL(get_State(TASK_STATE*))
  FAKE_NOTIMPL(get_Enabled(VARIANT_BOOL*))
  FAKE_NOTIMPL(put_Enabled(VARIANT_BOOL))
  FAKE_NOTIMPL(Run(VARIANT, IRunningTask**))
  FAKE_NOTIMPL(RunEx(VARIANT, LONG, LONG, BSTR, IRunningTask**))
  FAKE_NOTIMPL(GetInstances(LONG, IRunningTaskCollection**))
  FAKE_NOTIMPL(get_LastRunTime(DATE*))
  FAKE_NOTIMPL(get_LastTaskResult(LONG*))
  FAKE_NOTIMPL(get_NumberOfMissedRuns(LONG*))
  FAKE_NOTIMPL(get_NextRunTime(DATE*))
  // A copy of what was registered: changing it changes nothing in the folder.
  HRESULT STDMETHODCALLTYPE get_Definition(ITaskDefinition** out) override {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record("Task.get_Definition"))) return *stop;
    return Hand<ITaskDefinition>(new FakeTaskDefinition(definition_), out);
  }
  FAKE_NOTIMPL(get_Xml(BSTR*))
  FAKE_NOTIMPL(GetSecurityDescriptor(LONG, BSTR*))
  FAKE_NOTIMPL(SetSecurityDescriptor(BSTR, LONG))
  FAKE_NOTIMPL(Stop(LONG))
  FAKE_NOTIMPL(GetRunTimes(const LPSYSTEMTIME, const LPSYSTEMTIME, DWORD*, LPSYSTEMTIME*))

 private:
  std::wstring name_;
  FakeDefinition definition_;
};

// A snapshot of a folder's tasks at the time GetTasks was called, in name order.
class FakeRegisteredTaskCollection final : public FakeObject<IRegisteredTaskCollection> {
 public:
  using Tasks = std::vector<std::pair<std::wstring, FakeDefinition>>;
  explicit FakeRegisteredTaskCollection(Tasks tasks) : tasks_(std::move(tasks)) {}
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    const HRESULT hr = W().Record("Tasks.get_Count");
    if (FAILED(hr)) return hr;
    *count = static_cast<LONG>(tasks_.size());
    return S_OK;
  }
  // Like the real collection: a 1-based number, or a name.
  HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, IRegisteredTask** out) override {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record("Tasks.get_Item(" + Describe(index) + ")"))) return *stop;
    if (index.vt != VT_I4 || index.lVal < 1 || static_cast<size_t>(index.lVal) > tasks_.size()) return E_INVALIDARG;
    const auto& [name, definition] = tasks_[index.lVal - 1];
    return Hand<IRegisteredTask>(new FakeRegisteredTask(name, definition), out);
  }
  FAKE_NOTIMPL(get__NewEnum(IUnknown**))

 private:
  Tasks tasks_;
};

class FakeTaskFolder final : public FakeObject<ITaskFolder> {
 public:
  explicit FakeTaskFolder(std::wstring path) : path_(std::move(path)) {}

  HRESULT STDMETHODCALLTYPE GetTasks(LONG flags, IRegisteredTaskCollection** out) override {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record("Folder.GetTasks(" + std::to_string(flags) + ")"))) return *stop;
    const auto& folder = W().folders.at(path_);
    FakeRegisteredTaskCollection::Tasks tasks(folder.begin(), folder.end());
    return Hand<IRegisteredTaskCollection>(new FakeRegisteredTaskCollection(std::move(tasks)), out);
  }
  HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG flags) override {
    const HRESULT hr = W().Record("Folder.DeleteTask(" + Str(name) + "," + std::to_string(flags) + ")");
    if (FAILED(hr)) return hr;
    return W().folders.at(path_).erase(WStr(name)) ? S_OK : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path, ITaskDefinition* definition, LONG flags, VARIANT user,
                                                   VARIANT password, TASK_LOGON_TYPE logon, VARIANT sddl,
                                                   IRegisteredTask** out) override {
    if (out) *out = nullptr;
    const HRESULT hr = W().Record("Folder.RegisterTaskDefinition(" + Str(path) + "," + std::to_string(flags) + "," +
                                  Describe(user) + "," + Describe(password) + "," + std::to_string(logon) + "," +
                                  Describe(sddl) + ")");
    if (FAILED(hr)) return hr;
    auto* fake = dynamic_cast<FakeTaskDefinition*>(definition);
    if (!fake) return E_INVALIDARG;
    auto& tasks = W().folders.at(path_);
    const std::wstring name = WStr(path);
    if (flags == TASK_CREATE && tasks.count(name)) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    tasks[name] = fake->Definition();
    if (out) *out = new FakeRegisteredTask(name, tasks[name]);
    return S_OK;
  }
  FAKE_NOTIMPL(get_Name(BSTR*))
  FAKE_NOTIMPL(get_Path(BSTR*))
  FAKE_NOTIMPL(GetFolder(BSTR, ITaskFolder**))
  FAKE_NOTIMPL(GetFolders(LONG, ITaskFolderCollection**))
  FAKE_NOTIMPL(CreateFolder(BSTR, VARIANT, ITaskFolder**))
  FAKE_NOTIMPL(DeleteFolder(BSTR, LONG))
  FAKE_NOTIMPL(GetTask(BSTR, IRegisteredTask**))
  FAKE_NOTIMPL(RegisterTask(BSTR, BSTR, LONG, VARIANT, VARIANT, TASK_LOGON_TYPE, VARIANT, IRegisteredTask**))
  FAKE_NOTIMPL(GetSecurityDescriptor(LONG, BSTR*))
  FAKE_NOTIMPL(SetSecurityDescriptor(BSTR, LONG))

 private:
  std::wstring path_;
};

class FakeTaskService final : public FakeObject<ITaskService> {
 public:
  HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain, VARIANT password) override {
    const HRESULT hr = W().Record("Service.Connect(" + Describe(server) + "," + Describe(user) + "," +
                                  Describe(domain) + "," + Describe(password) + ")");
    if (FAILED(hr)) return hr;
    connected_ = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** out) override {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record("Service.GetFolder(" + Str(path) + ")"))) return *stop;
    if (!connected_) return HRESULT_FROM_WIN32(ERROR_ONLY_IF_CONNECTED);
    if (!W().folders.count(WStr(path))) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return Hand<ITaskFolder>(new FakeTaskFolder(WStr(path)), out);
  }
  HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition** out) override {
    *out = nullptr;
    if (const auto stop = Interrupt(W().Record("Service.NewTask(" + std::to_string(flags) + ")"))) return *stop;
    if (!connected_) return HRESULT_FROM_WIN32(ERROR_ONLY_IF_CONNECTED);
    return Hand<ITaskDefinition>(new FakeTaskDefinition(), out);
  }
  FAKE_NOTIMPL(GetRunningTasks(LONG, IRunningTaskCollection**))
  FAKE_NOTIMPL(get_Connected(VARIANT_BOOL*))
  FAKE_NOTIMPL(get_TargetServer(BSTR*))
  FAKE_NOTIMPL(get_ConnectedUser(BSTR*))
  FAKE_NOTIMPL(get_ConnectedDomain(BSTR*))
  FAKE_NOTIMPL(get_HighestVersion(DWORD*))

 private:
  bool connected_ = false;
};

std::string Pointer(const void* p) { return p ? "ptr" : "null"; }

}  // namespace

FakeScheduler::FakeScheduler() { g_scheduler = this; }

FakeScheduler::~FakeScheduler() { g_scheduler = nullptr; }

HRESULT FakeScheduler::InitializeSecurity(PSECURITY_DESCRIPTOR sd, LONG authServices,
                                          SOLE_AUTHENTICATION_SERVICE* services, void* reserved1, DWORD authnLevel,
                                          DWORD impLevel, void* authList, DWORD capabilities, void* reserved3) {
  const HRESULT hr = Record("CoInitializeSecurity(" + Pointer(sd) + "," + std::to_string(authServices) + "," +
                            Pointer(services) + "," + Pointer(reserved1) + "," + std::to_string(authnLevel) + "," +
                            std::to_string(impLevel) + "," + Pointer(authList) + "," + std::to_string(capabilities) +
                            "," + Pointer(reserved3) + ")");
  return FAILED(hr) ? hr : securityResult;
}

HRESULT FakeScheduler::CreateService(ITaskService** out) {
  *out = nullptr;
  if (const auto stop = Interrupt(Record("CreateTaskService"))) return *stop;
  *out = new FakeTaskService();
  return S_OK;
}

HRESULT FakeScheduler::Record(std::string call) {
  calls.push_back(std::move(call));
  if (!breakAt || *breakAt != calls.size() - 1) return S_OK;
  return mode == Mode::Fail ? failWith : kWithoutObject;
}

long FakeScheduler::LiveObjects() { return g_live; }

void PrintTo(const FakeDefinition& d, std::ostream* os) {
  auto text = [](const std::optional<std::wstring>& s) { return s ? "'" + Narrow(*s) + "'" : std::string("unset"); };
  auto flag = [](const std::optional<VARIANT_BOOL>& b) { return b ? std::to_string(*b) : std::string("unset"); };
  *os << "{runLevel " << (d.runLevel ? std::to_string(*d.runLevel) : "unset") << "; triggers";
  for (const auto& t : d.triggers) *os << " [type " << t.type << " delay " << text(t.delay) << "]";
  *os << "; actions";
  for (const auto& a : d.actions)
    *os << " [type " << a.type << " path " << text(a.path) << " dir " << text(a.workingDirectory) << " args "
        << text(a.arguments) << "]";
  *os << "; startWhenAvailable " << flag(d.startWhenAvailable) << " executionTimeLimit " << text(d.executionTimeLimit)
      << " stopOnIdleEnd " << flag(d.stopOnIdleEnd) << " disallowStartIfOnBatteries "
      << flag(d.disallowStartIfOnBatteries) << " stopIfGoingOnBatteries " << flag(d.stopIfGoingOnBatteries)
      << " priority " << (d.priority ? std::to_string(*d.priority) : "unset") << "}";
}

}  // namespace sweeplet::testing
