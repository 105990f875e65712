#pragma once
#include <string_view>

namespace sweeplet {

// True only for an absolute http:// or https:// address with a host, made of printable URL
// characters. Links from the network are opened with the rights of an elevated process, so
// anything else (file or UNC paths, other schemes, commands, quotes or blanks that could break
// out of the browser's command line, the empty text) is never handed to the shell.
bool IsOpenableLink(std::string_view link);

}  // namespace sweeplet
