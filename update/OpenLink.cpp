#include "update/OpenLink.h"

#include "common/Utf.h"
#include "update/Link.h"

namespace sweeplet {

void OpenServiceLink(std::wstring_view link, ILinkOpener& links) noexcept {
  try {
    if (!IsOpenableLink(Narrow(link))) return;
    links.Open(link);
  } catch (...) {
  }
}

}  // namespace sweeplet
