#pragma once
// Who is asking the update service: the stored client identifier and this executable's version.
#include <string>
#include <string_view>

namespace sweeplet {

// The identifier kept in HKCU\Software\Orvane, value "ZelUID" (REG_SZ). Made and stored on first
// use, never replaced; whatever the value holds is returned as it is. "" when the registry cannot
// be used (key not opened, value not written, value not a string).
std::wstring GetClientId() noexcept;

// This executable's file version (major, minor, release, build) written into `pattern`'s "%d"
// placeholders, e.g. L"%d.%d.%d" gives 1.9.0. "0.0.0.0" when there is no readable version resource.
std::wstring GetAppVersion(std::wstring_view pattern) noexcept;

}  // namespace sweeplet
