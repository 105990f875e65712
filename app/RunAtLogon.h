#pragma once
// "Start at logon": the logon task looked up (and registered again) at every start, registered by
// the install switch, switched by the Config page's box, and removed by the uninstaller's hand-off.
// What the box should show is kept here, so that a page made after the lookup's answer shows it too.
#include <windows.h>

#include <string>

#include "app/Services.h"
#include "autostart/LogonTask.h"
#include "common/WorkerThread.h"

namespace sweeplet {

class RunAtLogon {
 public:
  class Host {
   public:
    virtual ~Host() = default;
    // The lookup's answer arrived: the box shows `checked`, set quietly (what it stands for is done).
    virtual void ShowLogonTaskAnswer(bool checked) = 0;
    // Tells the user something about the task: after a click in a message box, at start in a notification.
    virtual void TellUser(const std::wstring& text, bool answersClick) = 0;
    // The window has begun to go: nothing more is changed.
    virtual bool Ending() const = 0;
  };

  RunAtLogon(const Services& services, Host& host);

  // The install switch: registers the task with the installer's delay (an unprotected copy gets none).
  void Install();
  // The start's lookup, away from the user-interface thread; the answer reaches the host.
  void StartLookup();
  // The box's state: the lookup's answer, or the outcome of the last click.
  bool Checked() const noexcept { return checked_; }
  // A click asked for `wanted`; returns what the box must show afterwards.
  bool Click(bool wanted);
  // The uninstaller's hand-off: the task goes, after any registration the start's lookup makes.
  void Remove();
  // Waits for the lookup; the window calls it as it goes.
  void Stop() noexcept { lookup_.Join(); }

 private:
  void OnLookupAnswer(const LogonTaskPlan& plan);
  bool CopyProtected() const;
  void TellProtectedFolder(bool answersClick);

  Services services_;
  Host& host_;
  LogonTaskSwitch task_;
  // The Task Scheduler can take a second or more to answer the first call of a session.
  WorkerThread lookup_;
  bool lookupPending_ = false;
  bool checked_ = false;
  bool toldProtectedFolder_ = false;  // the protected-folder notice shows once per run
};

}  // namespace sweeplet
