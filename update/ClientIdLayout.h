#pragma once
// Layout of the client identifier sent to the update service: 32 upper-case hex and digit
// characters in five runs, random - date - random - time - random, with no separators.
#include <cstdint>
#include <string>

#include "common/HexDigits.h"

namespace sweeplet {

struct ClientIdParts {
  uint32_t random1 = 0;  // 0 to 0x7FFFFFFE, eight hex digits
  int year = 0;          // written as two digits
  int month = 0;
  int day = 0;
  uint32_t random2 = 0;  // 0 to 0xFFFE, four hex digits
  int hour = 0;
  int minute = 0;
  int second = 0;
  uint32_t random3 = 0;  // 0 to 0x7FFFFFFE, eight hex digits
};

namespace detail {
inline void AppendTwoDigits(std::string& out, int value) {
  value = ((value % 100) + 100) % 100;
  out.push_back(static_cast<char>('0' + value / 10));
  out.push_back(static_cast<char>('0' + value % 10));
}
}  // namespace detail

// "RRRRRRRRyymmddRRRRhhnnssRRRRRRRR". Out-of-range parts are cut to their run's width so the
// identifier always keeps its 32 characters.
inline std::string MakeClientId(const ClientIdParts& p) {
  std::string id;
  id.reserve(32);
  AppendHex(id, p.random1, 8);
  detail::AppendTwoDigits(id, p.year);
  detail::AppendTwoDigits(id, p.month);
  detail::AppendTwoDigits(id, p.day);
  AppendHex(id, p.random2, 4);
  detail::AppendTwoDigits(id, p.hour);
  detail::AppendTwoDigits(id, p.minute);
  detail::AppendTwoDigits(id, p.second);
  AppendHex(id, p.random3, 8);
  return id;
}

}  // namespace sweeplet
