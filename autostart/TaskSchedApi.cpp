#include "autostart/TaskSchedApi.h"

#include <string>

namespace sweeplet {

ComPtr<ITaskService> CoTaskScheduler_::Create() noexcept {
  ComPtr<ITaskService> service;
  if (FAILED(::CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                service.put_void()))) {
    service.reset();
  }
  return service;
}

ComPtr<ITaskService> CoTaskScheduler_::CreateRemote(std::wstring_view machineName) noexcept {
  try {
    std::wstring name(machineName);
    COSERVERINFO server{};
    server.pwszName = name.data();
    MULTI_QI result{&__uuidof(ITaskService), nullptr, S_OK};
    const HRESULT hr = ::CoCreateInstanceEx(__uuidof(TaskScheduler), nullptr, CLSCTX_REMOTE_SERVER, &server, 1, &result);
    // The interface is owned by us only when both the call and the one query succeeded.
    ComPtr<ITaskService> service = ComPtr<ITaskService>::Attach(static_cast<ITaskService*>(result.pItf));
    if (FAILED(hr) || FAILED(result.hr)) service.reset();
    return service;
  } catch (...) {
    return {};
  }
}

}  // namespace sweeplet
