#pragma once
// Opening links that came from the update service.
#include <string_view>

namespace sweeplet {

// Opens `link` in the browser when it is a plain web address (IsOpenableLink); anything else is
// dropped without a word.
void OpenServiceLink(std::wstring_view link) noexcept;

// How an accepted link is finally opened; ShellOpen unless replaced. Tests put a recorder here
// instead of starting a browser. Returns the previous opener.
using LinkOpener = void (*)(std::wstring_view link);
LinkOpener SetLinkOpener(LinkOpener opener) noexcept;

}  // namespace sweeplet
