// Feeds arbitrary replies through the reply reader: it must never crash, read out of bounds or
// hand a link that is not a web address to the opener.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "update/Link.h"
#include "update/Reply.h"
#include "update/Strings.h"

using namespace sweeplet;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);

  // The first two lines, when present, are used as start and end tags for the rest.
  const size_t first = input.find('\n');
  const size_t second = first == std::string_view::npos ? first : input.find('\n', first + 1);
  if (second != std::string_view::npos) {
    const std::string_view start = input.substr(0, first);
    const std::string_view end = input.substr(first + 1, second - first - 1);
    const std::string_view source = input.substr(second + 1);
    const std::string value = TextBetween(source, start, end);
    Check(value.empty() || source.find(value) != std::string_view::npos);
  }

  if (const auto text = UnescapeText(input)) Check(text->size() <= input.size() * 3 + 3);

  ReplyActions actions{[&](const UpdateInfo&) { return size % 2 == 0; },
                       [](const std::string& link) { Check(IsOpenableLink(link)); },
                       [](const std::string& link) { Check(IsOpenableLink(link)); }};
  HandleReply(input, actions);
  return 0;
}
