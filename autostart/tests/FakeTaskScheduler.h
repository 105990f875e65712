#pragma once
// An in-memory Task Scheduler for tests: COM objects for the interfaces the logon task uses, each
// recording every call with its arguments, and folders holding what was registered. Any recorded
// call can be made to fail, or to succeed without producing its object.
#include <windows.h>
#include <taskschd.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "autostart/LogonTask.h"

namespace sweeplet::testing {

// What a registered definition holds: only what was set on it.
struct FakeDefinition {
  struct Trigger {
    TASK_TRIGGER_TYPE2 type{};
    std::optional<std::wstring> delay;
    bool operator==(const Trigger&) const = default;
  };
  struct Action {
    TASK_ACTION_TYPE type{};
    std::optional<std::wstring> path, workingDirectory, arguments;
    bool operator==(const Action&) const = default;
  };
  std::optional<TASK_RUNLEVEL_TYPE> runLevel;
  std::vector<Trigger> triggers;
  std::vector<Action> actions;
  std::optional<VARIANT_BOOL> startWhenAvailable;
  std::optional<std::wstring> executionTimeLimit;
  std::optional<VARIANT_BOOL> stopOnIdleEnd;
  std::optional<VARIANT_BOOL> disallowStartIfOnBatteries;
  std::optional<VARIANT_BOOL> stopIfGoingOnBatteries;
  std::optional<int> priority;
  bool operator==(const FakeDefinition&) const = default;
};
void PrintTo(const FakeDefinition& d, std::ostream* os);

// Passed where the logon task takes its ITaskSchedulerApi. One at a time: its COM objects find it
// as the current scheduler.
class FakeScheduler : public ITaskSchedulerApi {
 public:
  enum class Mode { Fail, SucceedWithoutObject };

  // Folder path ("\\" is the root, "\\Sub" a sub-folder) -> task name -> definition.
  std::map<std::wstring, std::map<std::wstring, FakeDefinition>> folders{{L"\\", {}}};
  // Every call in order, e.g. "Service.GetFolder(\\)" or "Principal.put_RunLevel(1)".
  std::vector<std::string> calls;

  // Makes the call with this position in `calls` (0-based) fail with failWith, or, in the other
  // mode, succeed while returning no object.
  std::optional<size_t> breakAt;
  Mode mode = Mode::Fail;
  HRESULT failWith = E_FAIL;
  HRESULT securityResult = S_OK;  // what CoInitializeSecurity answers when it is not broken
  bool brokeWithoutObject = false;  // set when a call returned success without its object

  FakeScheduler();
  ~FakeScheduler() override;
  FakeScheduler(const FakeScheduler&) = delete;
  FakeScheduler& operator=(const FakeScheduler&) = delete;

  // Recorded as "CoInitializeSecurity(...)" with its arguments; answers securityResult.
  HRESULT InitializeSecurity(PSECURITY_DESCRIPTOR securityDescriptor, LONG authServices,
                             SOLE_AUTHENTICATION_SERVICE* services, void* reserved1, DWORD authnLevel, DWORD impLevel,
                             void* authList, DWORD capabilities, void* reserved3) override;
  // Recorded as "CreateTaskService".
  HRESULT CreateService(ITaskService** service) override;

  // Records a call; returns S_OK, or the injected outcome when the call is the one to break.
  HRESULT Record(std::string call);
  std::map<std::wstring, FakeDefinition>& Root() { return folders.at(L"\\"); }

  // Fake COM objects alive right now, across all schedulers: 0 once every reference is released.
  static long LiveObjects();
};

// Another scheduler, with `onStart` run on the calling thread as each operation begins (its
// first call, CoInitializeSecurity): to see where operations run, or to hold them up.
class WatchedScheduler : public ITaskSchedulerApi {
 public:
  WatchedScheduler(ITaskSchedulerApi& inner, std::function<void()> onStart)
      : inner_(inner), onStart_(std::move(onStart)) {}
  HRESULT InitializeSecurity(PSECURITY_DESCRIPTOR sd, LONG authServices, SOLE_AUTHENTICATION_SERVICE* services,
                             void* reserved1, DWORD authnLevel, DWORD impLevel, void* authList, DWORD capabilities,
                             void* reserved3) override {
    onStart_();
    return inner_.InitializeSecurity(sd, authServices, services, reserved1, authnLevel, impLevel, authList,
                                     capabilities, reserved3);
  }
  HRESULT CreateService(ITaskService** service) override { return inner_.CreateService(service); }

 private:
  ITaskSchedulerApi& inner_;
  std::function<void()> onStart_;
};

}  // namespace sweeplet::testing
