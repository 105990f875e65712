#pragma once
// Upper-case hexadecimal digits without the printf family, which would bring its whole engine
// into the program for a few characters.
#include <cstdint>
#include <string>

namespace sweeplet {

// Appends the low `digits` hex digits of `value`, most significant first, zero-padded.
inline void AppendHex(std::string& out, uint32_t value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out.push_back("0123456789ABCDEF"[(value >> shift) & 0xF]);
}

}  // namespace sweeplet
