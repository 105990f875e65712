#include "app/Entry.h"

#include "app/Switches.h"
#include "app/logic/TrayTexts.h"
#include "common/Utf.h"

#include <algorithm>
#include <string>

namespace sweeplet {
namespace {

CleanReport Outcome(StartOutcome outcome, uint64_t freed = 0) { return CleanReport{outcome, freed, {}}; }

// UTF-8 of a wide text, whether wchar_t holds UTF-16 units (Windows) or code points.
std::string ToUtf8(std::wstring_view s) {
  std::u16string units;
  for (const wchar_t c : s) {
    auto cp = static_cast<char32_t>(c);
    if (cp > 0xFFFF && cp <= 0x10FFFF) {
      cp -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(cp));
    }
  }
  return Utf16ToUtf8(units);
}

StartOutcome Uninstall(IEntryPlatform& platform) {
  // Opened before the message goes: the copy may end before the send returns, and the process
  // id could then be another's.
  if (!platform.WatchInstanceProcess()) {
    // No window, or one whose process we may not open: nothing to wait for.
    return platform.SendHandOff(HandOff::UninstallAndQuit) == HandOffResult::Failed ? StartOutcome::HandOffFailed
                                                                                     : StartOutcome::Uninstalled;
  }
  const HandOffResult sent = platform.SendHandOff(HandOff::UninstallAndQuit);
  // Returns once the process has ended, not just its window: the installer replaces the file next.
  for (int i = 0; i < kUninstallPolls; ++i) {
    if (!platform.InstanceProcessRunning()) return StartOutcome::Uninstalled;
    // A copy busy with a job times the send out but still handles it; a hung one never will.
    if (sent != HandOffResult::Delivered && platform.InstanceHung()) return StartOutcome::HandOffFailed;
    platform.Sleep(kUninstallPollMs);
  }
  return platform.InstanceProcessRunning() ? StartOutcome::HandOffFailed : StartOutcome::Uninstalled;
}

// Asks the copy, handed the cleaning under `ticket`, until its cleaning has ended.
CleanReport AwaitCleaning(intptr_t ticket, IEntryPlatform& platform) {
  for (int i = 0; i <= kCleanPolls; ++i) {
    if (i > 0) platform.Sleep(kCleanPollMs);
    intptr_t reply = kCleanPending;
    // A copy that stops answering, or closes, has not told us that it cleaned.
    if (platform.AskInstance(HandOff::CleanResult, static_cast<uintptr_t>(ticket), reply) != HandOffResult::Delivered ||
        reply == kCleanUnknownTicket) {
      return Outcome(StartOutcome::HandOffFailed);
    }
    if (reply == kCleanPending) continue;
    const auto bits = static_cast<uint64_t>(reply);
    return Outcome((bits & 3) == 1 ? StartOutcome::Messenger : StartOutcome::NothingCleaned, bits >> 2);
  }
  return Outcome(StartOutcome::HandOffFailed);
}

CleanReport HandCleaningOver(bool windowFound, uint32_t areas, IEntryPlatform& platform) {
  for (int i = 0; i < kWindowPolls && !windowFound; ++i) {
    platform.Sleep(kWindowPollMs);
    windowFound = platform.FindInstanceWindow();
  }
  // A copy that never showed its window has not cleaned: that is a failed hand-off too. One that
  // has its window but not yet its tray icon takes nothing: it is asked again while it starts.
  for (int i = 0; windowFound; ++i) {
    intptr_t reply = 0;
    if (platform.AskInstance(HandOff::Clean, areas, reply) != HandOffResult::Delivered) break;
    if (reply == kCleanBusy) return Outcome(StartOutcome::Busy);
    if (reply > 0) return AwaitCleaning(reply, platform);
    if (i == kWindowPolls) break;
    platform.Sleep(kWindowPollMs);
  }
  return Outcome(StartOutcome::HandOffFailed);
}

// "/clean": the running copy cleans, or this start does, and never becomes an instance. It does not
// create the mutex either: a plain start at the same moment must still become the instance.
CleanReport CleanOnce(bool windowFound, std::span<const std::wstring> options, IEntryPlatform& platform) {
  CleanReport report;
  const std::optional<uint32_t> areas = ParseCleanOptions(options, report.badOption);
  if (!areas) {
    report.outcome = StartOutcome::BadOption;
    return report;
  }
  if (platform.OpenInstanceMutex()) return HandCleaningOver(windowFound, *areas, platform);
  const PurgeResult purged = platform.PurgeHere(*areas);
  return Outcome(purged.accepted > 0 ? StartOutcome::CleanedHere : StartOutcome::NothingCleaned, purged.freed);
}

}  // namespace

intptr_t EncodeCleanResult(bool cleaned, uint64_t freed) noexcept {
  // Two bits go to the outcome, and the sign must stay clear: 2^61 bytes is beyond any memory.
  constexpr uint64_t kMaxFreed = (uint64_t{1} << 61) - 1;
  return static_cast<intptr_t>((std::min(freed, kMaxFreed) << 2) | (cleaned ? 1u : 2u));
}

std::optional<uint32_t> ParseCleanOptions(std::span<const std::wstring> options, std::wstring& bad) {
  if (options.empty()) return 0u;
  const std::wstring_view option = options.front();
  if (options.size() > 1 || !option.starts_with(kAreasOption)) {
    bad = options.size() > 1 && option.starts_with(kAreasOption) ? options[1] : options.front();
    return std::nullopt;
  }
  uint32_t areas = 0;
  std::wstring_view list = option.substr(kAreasOption.size());
  while (true) {
    const size_t comma = list.find(L',');
    const std::wstring_view name = list.substr(0, comma);
    // Names are plain ASCII: anything else cannot be one.
    std::string narrow;
    for (const wchar_t c : name) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    const std::optional<PurgeArea> area = FindPurgeArea(narrow);
    if (!area) {
      bad = name.empty() ? std::wstring(option) : std::wstring(name);
      return std::nullopt;
    }
    areas |= *area;
    if (comma == std::wstring_view::npos) return areas;
    list.remove_prefix(comma + 1);
  }
}

std::string CleanReportLine(const CleanReport& report, const CleanLineTexts& texts, const NumberSeparators& separators) {
  std::string line;
  switch (report.outcome) {
    case StartOutcome::Messenger:
    case StartOutcome::CleanedHere:
      AppendFreedLine(line, report.freed, texts.freedFormat, texts.nothingToFree, separators);
      break;
    case StartOutcome::NothingCleaned:
      line = texts.nothingCleaned;
      break;
    case StartOutcome::Busy:
      line = texts.busy;
      break;
    case StartOutcome::BadOption: {
      line = texts.unknownOption;
      const size_t at = line.find("%s");
      // The option as given, at most a line's worth: it comes from whoever started us.
      std::string option = ToUtf8(std::wstring_view(report.badOption).substr(0, 80));
      if (at == std::string::npos) {
        line += " " + option;
      } else {
        line.replace(at, 2, option);
      }
      break;
    }
    default:
      line = texts.handOffFailed;
      break;
  }
  return line;
}

StartOutcome RunEntry(std::wstring_view firstArgument, IEntryPlatform& platform, std::span<const std::wstring> more) {
  // The window lookup comes first, before anything else can change what is running.
  const bool windowFound = platform.FindInstanceWindow();

  if (firstArgument == kSwitchUninstall) return Uninstall(platform);
  if (firstArgument == kSwitchClean) {
    const CleanReport report = CleanOnce(windowFound, more, platform);
    platform.ReportClean(report);
    return report.outcome;
  }

  auto handOver = [&] {
    if (firstArgument == kSwitchStart) return StartOutcome::Messenger;
    platform.AllowInstanceForeground();
    return platform.SendHandOff(HandOff::ShowWindow) == HandOffResult::Failed ? StartOutcome::HandOffFailed
                                                                                : StartOutcome::Messenger;
  };

  if (platform.OpenInstanceMutex()) return handOver();

  // Two starts at the same moment can both miss the mutex above; the one that did not
  // create it first behaves as a messenger, so there is never a second instance.
  if (platform.CreateInstanceMutexFoundExisting()) {
    // The winner may not have created its window yet when we looked it up.
    for (int i = 0; i < kWindowPolls && !platform.FindInstanceWindow(); ++i) platform.Sleep(kWindowPollMs);
    return handOver();
  }

  platform.RunInstance(firstArgument == kSwitchStart);
  return StartOutcome::Instance;
}

}  // namespace sweeplet
