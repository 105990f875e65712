#pragma once
// The fixed texts of the update prompt and the notice bar. They are built in, in eight
// language variants, rather than taken from the translation table.
#include <string>
#include <string_view>

namespace sweeplet {

inline constexpr int kUpdateQuestion = 0;   // the prompt's question, three paragraphs
inline constexpr int kUpdateNoticeBar = 1;  // the notice bar's text
inline constexpr int kUpdateYes = 2;        // caption of the Yes button
inline constexpr int kUpdateNo = 3;         // caption of the No button

// The text of `kind` for `language`, a two-letter code compared exactly: "ko", "ja", "zh", "de",
// "ru", "it" and "fr" have their own texts, every other code gets English. Unknown kinds give "".
std::string UpdateText(int kind, std::string_view language);

}  // namespace sweeplet
