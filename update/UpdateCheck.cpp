#include "update/UpdateCheck.h"

#include <memory>
#include <mutex>
#include <vector>

#include "common/AppGlobals.h"
#include "common/UiDispatcher.h"
#include "common/Utf.h"
#include "common/WorkerThread.h"
#include "update/HttpGet.h"
#include "update/Identity.h"
#include "update/OpenLink.h"
#include "update/Reply.h"
#include "update/Retry.h"
#include "update/UpdateDialog.h"

namespace sweeplet {
namespace {

// Everything one check needs, shared by the caller and the worker so that neither outlives it.
struct CheckJob {
  std::wstring serviceUrl;
  UpdateDoneProc done;
  int dialogOffset = 0;
  UpdateWindowContext window;
  std::shared_ptr<StopSignal> stop = std::make_shared<StopSignal>();
};

// The stop signals of every check started in this run, for StopUpdateCheck.
std::mutex g_stopsMutex;
std::vector<std::weak_ptr<StopSignal>> g_stops;

void RegisterStop(const std::shared_ptr<StopSignal>& stop) {
  std::lock_guard<std::mutex> lock(g_stopsMutex);
  std::erase_if(g_stops, [](const std::weak_ptr<StopSignal>& s) { return s.expired(); });
  g_stops.push_back(stop);
}

// Runs on the user-interface thread inside the hand-off.
void HandleReplyOnUi(const CheckJob& job, const std::string& data) {
  const StopSignal& stop = *job.stop;
  // The program may have begun to end between the worker's last look and this call.
  if (stop.Stopped()) return;
  const UpdateWindowContext& window = job.window;
  ReplyActions actions{
      [&](const UpdateInfo& info) {
        PromptOptions options;
        options.owner = ::IsWindow(window.mainWindow) ? window.mainWindow : nullptr;
        options.language = window.language;
        options.title = window.title;
        options.dialogOffset = job.dialogOffset;
        options.mainWindowShown = window.mainWindowShown ? window.mainWindowShown() : true;
        options.holdUrl = job.serviceUrl;
        options.links = window.links;
        return ShowUpdatePrompt(info, options) && !stop.Stopped();
      },
      [&](const std::string& link) {
        if (window.links) OpenServiceLink(Widen(link), *window.links);
      },
      [&](const std::string& link) {
        if (!stop.Stopped() && window.showNotice) window.showNotice(Widen(link));
      }};
  const auto opened = HandleReply(data, actions);
  // A malformed reply ends the handling without the completion call.
  if (opened && job.done && !stop.Stopped()) job.done(*opened, Widen(data));
}

void RunCheck(const std::shared_ptr<CheckJob>& job) noexcept {
  try {
    const HttpHeaders headers{{L"User-Version", GetAppVersion(L"%d.%d.%d.%d")},
                              {L"User-Language", Widen(job->window.language)},
                              {L"User-Debug", DebugBuild ? L"true" : L"false"},
                              {L"User-Union", GetClientId()}};
    std::string data;
    const FetchResult result = FetchWithRetries(
        [&](std::string& reply) { return HttpGet(job->serviceUrl, headers, reply); }, data, *job->stop);
    if (result == FetchResult::kStopped) return;
    if (UiDispatcher* ui = UiDispatcher::Main()) ui->Run([&] { HandleReplyOnUi(*job, data); });
  } catch (...) {
    // Nothing may leave the worker.
  }
}

}  // namespace

void CheckUpdate(std::wstring serviceUrl, UpdateDoneProc done, int dialogOffset, UpdateWindowContext window) noexcept {
  try {
    auto job = std::make_shared<CheckJob>();
    job->serviceUrl = std::move(serviceUrl);
    job->done = std::move(done);
    job->dialogOffset = dialogOffset;
    job->window = std::move(window);
    RegisterStop(job->stop);

    auto run = [job] { RunCheck(job); };
    if (job->done) {
      StartDetachedThread(std::move(run));
      return;
    }
    // The worker hands its reply to this thread before it ends: the wait serves it.
    WorkerThread worker;
    if (worker.Start(std::move(run))) worker.Join();
  } catch (...) {
  }
}

void StopUpdateCheck() noexcept {
  std::lock_guard<std::mutex> lock(g_stopsMutex);
  for (const auto& weak : g_stops) {
    if (auto stop = weak.lock()) stop->Stop();
  }
}

bool SendHoldRequest(std::wstring_view serviceUrl) noexcept {
  try {
    const HttpHeaders headers{{L"User-Version", GetAppVersion(L"%d.%d.%d.%d")}, {L"User-Command", L"hold"}};
    std::string reply;
    return HttpGet(serviceUrl, headers, reply);
  } catch (...) {
    return false;
  }
}

void StartHoldRequest(std::wstring serviceUrl) noexcept {
  try {
    StartDetachedThread([url = std::move(serviceUrl)] { SendHoldRequest(url); });
  } catch (...) {
  }
}

}  // namespace sweeplet
