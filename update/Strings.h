#pragma once
// The two text routines that read the update service's reply. The reply looks like JSON but is
// read by searching for each field's literal opening and cutting up to its closing quote.
#include <optional>
#include <string>
#include <string_view>

namespace sweeplet {

// The text between the first `startTag` and the next `endTag` after it, cut from `source` itself;
// "" when either tag is missing. Tags match regardless of ASCII letter case. An empty start tag
// means the start of `source`, an empty end tag its end. When the end tag is a quote, a quote
// preceded by a backslash does not end the value.
std::string TextBetween(std::string_view source, std::string_view startTag, std::string_view endTag);

// Resolves the backslash escapes of a reply value: \" \' \/ \\ \b \f \n \r \t and \uXXXX (one to
// four hex digits, fewer only at the very end; a surrogate pair written as two escapes becomes one
// character, a lone surrogate becomes U+FFFD). Any other escaped character is dropped together with
// its backslash, as is a backslash at the end. Returns nullopt when a \u is not followed by a hex
// number: such a reply is malformed and its handling stops.
std::optional<std::string> UnescapeText(std::string_view text);

}  // namespace sweeplet
