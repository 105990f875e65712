#include "update/OpenLink.h"

#include <atomic>

#include "common/ShellOpen.h"
#include "common/Utf.h"
#include "update/Link.h"

namespace sweeplet {
namespace {

void OpenWithShell(std::wstring_view link) { ShellOpen(link); }
std::atomic<LinkOpener> g_opener{&OpenWithShell};

}  // namespace

void OpenServiceLink(std::wstring_view link) noexcept {
  try {
    if (!IsOpenableLink(Narrow(link))) return;
    g_opener.load()(link);
  } catch (...) {
  }
}

LinkOpener SetLinkOpener(LinkOpener opener) noexcept { return g_opener.exchange(opener ? opener : &OpenWithShell); }

}  // namespace sweeplet
