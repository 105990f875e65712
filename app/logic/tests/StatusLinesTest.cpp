#include "app/logic/StatusLines.h"

#include <gtest/gtest.h>

#include <limits>


namespace sweeplet {
namespace {

constexpr uint64_t MiB = uint64_t{1} << 20;
constexpr uint64_t GiB = uint64_t{1} << 30;
constexpr std::string_view kEnglishPhys = "%.0n MB / %.0n MB (Usage: %n%%)";
const NumberSeparators kEnglish{",", "."};

// A snapshot as the engine would give it, the percentages from the engine's own function.
MemoryStatus Snapshot(uint64_t totalPhys, uint64_t availPhys, uint64_t totalPage, uint64_t availPage,
                      uint64_t currentWork, uint64_t peakWork) {
  MemoryStatus s;
  s.TotalPhys = totalPhys;
  s.AvailPhys = availPhys;
  s.TotalPage = totalPage;
  s.AvailPage = availPage;
  s.TotalWork = peakWork;
  s.AvailWork = peakWork - currentWork;
  s.UsagePhys = static_cast<float>(UsagePercent(totalPhys, totalPhys - availPhys));
  s.UsagePage = static_cast<float>(UsagePercent(totalPage, totalPage - availPage));
  s.UsageWork = static_cast<float>(UsagePercent(peakWork, currentWork));
  return s;
}

TEST(StatusLines, TypicalSnapshot) {
  const auto lines = ComputeStatusLines(
      Snapshot(16 * GiB, 4 * GiB, 24 * GiB, 24 * GiB - 5000 * MiB, 300 * MiB, 1200 * MiB), kEnglishPhys, kEnglish);
  EXPECT_EQ(lines.phys, "12,288 MB / 16,384 MB (Usage: 75.00%)");
  EXPECT_EQ(lines.page, "5,000 MB (20.35%)");
  EXPECT_EQ(lines.work, "300 MB (25.00%)");
  EXPECT_EQ(lines.progress, 75);
}

TEST(StatusLines, ZeroSnapshotShowsZeros) {
  const auto lines = ComputeStatusLines(MemoryStatus{}, kEnglishPhys, kEnglish);
  EXPECT_EQ(lines.phys, "0 MB / 0 MB (Usage: 0.00%)");
  EXPECT_EQ(lines.page, "0 MB (0.00%)");
  EXPECT_EQ(lines.work, "0 MB (0.00%)");
  EXPECT_EQ(lines.progress, 0);
}

TEST(StatusLines, TranslatedFormatAndSeparators) {
  const NumberSeparators french{"\xC2\xA0", ","};
  const auto lines = ComputeStatusLines(Snapshot(16 * GiB, 4 * GiB, 0, 0, 0, 0),
                                        "%.0n Mo / %.0n Mo (Utilisation : %n%%)", french);
  EXPECT_EQ(lines.phys, "12\xC2\xA0" "288 Mo / 16\xC2\xA0" "384 Mo (Utilisation : 75,00%)");
}

TEST(StatusLines, TheKoreanKeyTakesThreeNumbers) {
  const auto lines = ComputeStatusLines(Snapshot(16 * GiB, 4 * GiB, 0, 0, 0, 0), kPhysStatusFormatKey, kEnglish);
  EXPECT_EQ(lines.phys, "12,288 MB / 16,384 MB (75.00% \xEC\x82\xAC\xEC\x9A\xA9\xEC\xA4\x91)");
}

struct MegabyteCase {
  uint64_t bytes;
  double expected;
};

class MegabytesTable : public ::testing::TestWithParam<MegabyteCase> {};

TEST_P(MegabytesTable, NearestTiesToEven) { EXPECT_EQ(BytesToMegabytes(GetParam().bytes), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Amounts, MegabytesTable,
                         ::testing::Values(MegabyteCase{0, 0}, MegabyteCase{1, 0}, MegabyteCase{MiB / 2, 0},
                                           MegabyteCase{MiB / 2 + 1, 1}, MegabyteCase{MiB + MiB / 2, 2},
                                           MegabyteCase{2 * MiB + MiB / 2, 2}, MegabyteCase{2 * MiB + MiB / 2 + 1, 3},
                                           MegabyteCase{16 * GiB, 16384},
                                           // Beyond 2^53 bytes a double quotient would round twice.
                                           MegabyteCase{(uint64_t{1} << 60) + MiB / 2, 1099511627776.0},
                                           MegabyteCase{~uint64_t{0}, 17592186044416.0}));

struct ProgressCase {
  float usage;
  int expected;
};

class ProgressTable : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTable, RoundedAndWithinTheBar) { EXPECT_EQ(ProgressPosition(GetParam().usage), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Usages, ProgressTable,
                         ::testing::Values(ProgressCase{0.0f, 0}, ProgressCase{74.5f, 74}, ProgressCase{75.5f, 76},
                                           ProgressCase{33.333332f, 33}, ProgressCase{99.6f, 100},
                                           ProgressCase{100.0f, 100}, ProgressCase{150.0f, 100},
                                           ProgressCase{3.0e12f, 100}, ProgressCase{-4.0f, 0},
                                           ProgressCase{std::numeric_limits<float>::quiet_NaN(), 0}));

}  // namespace
}  // namespace sweeplet
