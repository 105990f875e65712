#pragma once
// Task Scheduler 2.0 declarations the program needs beyond what <taskschd.h> of every toolchain has,
// and the creator of the service object.
#include <windows.h>
#include <taskschd.h>

#include <string_view>

#include "common/ComPtr.h"

// The logon trigger's own interface, as the platform defines it (taskschd.idl). Some toolchain
// headers leave it out.
#ifndef __ILogonTrigger_INTERFACE_DEFINED__
#define __ILogonTrigger_INTERFACE_DEFINED__
MIDL_INTERFACE("72dade38-fae4-4b3e-baf4-5d009af02b1c")
ILogonTrigger : public ITrigger {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR* user) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ILogonTrigger, 0x72dade38, 0xfae4, 0x4b3e, 0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b, 0x1c)
#endif
#endif

namespace sweeplet {

// Creates the Task Scheduler service object (coclass TaskScheduler, interface ITaskService).
// The caller has initialised COM. An empty pointer means the object could not be created.
class CoTaskScheduler_ {
 public:
  // On this machine.
  static ComPtr<ITaskService> Create() noexcept;
  // On the named machine.
  static ComPtr<ITaskService> CreateRemote(std::wstring_view machineName) noexcept;
};

}  // namespace sweeplet
