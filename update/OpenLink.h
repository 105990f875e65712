#pragma once
// Opening links that came from the update service.
#include <string_view>

#include "common/ShellOpen.h"

namespace sweeplet {

// Opens `link` through `links` when it is a plain web address (IsOpenableLink); anything else is
// dropped without a word.
void OpenServiceLink(std::wstring_view link, ILinkOpener& links) noexcept;

}  // namespace sweeplet
