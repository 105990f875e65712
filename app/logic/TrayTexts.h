#pragma once
// What a cleaning job and the status tick tell the user outside the window: the amount a job
// freed, the notification after a tray cleaning, and the tray icon's tooltip. UTF-8 throughout;
// the callers pass the texts already translated.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/logic/NumberFormat.h"

namespace sweeplet {

// The shell shows at most this many UTF-16 units of a tooltip.
inline constexpr size_t kTrayTipLimit = 127;

// "Freed: 1,234 MB" from the translated "Freed: %s", the amount in whole megabytes grouped as in
// the status lines. An amount that rounds to 0 MB gives `nothingText` instead: "0 MB" would read
// as a success. A format without "%s" gets the amount after a blank.
void AppendFreedLine(std::string& out, uint64_t freedBytes, std::string_view freedFormat, std::string_view nothingText,
                     const NumberSeparators& separators);

// The notification after a tray cleaning: its usual first line, then the freed line.
std::string CompletionNotice(std::string_view cleanedText, std::string_view freedLine);

struct TrayTipTexts {
  std::string title;          // the product name, a blank and the three-number version
  std::string physical;       // "Physical", translated
  std::string virtualMemory;  // "Virtual", translated
};

// The tooltip: the title; "Physical 45 % · Virtual 30 %" in whole percent; and, when there is
// one, the last job's freed line. Into `out`, whose room is reused: a tick allocates nothing.
void ComposeTrayTip(std::string& out, const TrayTipTexts& texts, float usagePhys, float usagePage,
                    std::string_view freedLine);

// The length the shell counts: UTF-16 units.
size_t Utf16Length(std::string_view utf8) noexcept;

}  // namespace sweeplet
