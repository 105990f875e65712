// The tray icon with the use: the number and level a reading shows, the colours per taskbar mode,
// and the pixels of the digits at the sizes the shell asks for.
#include "app/logic/UseIcon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace sweeplet {
namespace {

TEST(UseIcon, AReadingGivesTheRoundedPercentAndItsLevel) {
  struct Case {
    float usage;
    int percent;
    UseLevel level;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const Case& c : {Case{0.0f, 0, UseLevel::Normal}, Case{7.4f, 7, UseLevel::Normal},
                        Case{79.4f, 79, UseLevel::Normal}, Case{79.6f, 80, UseLevel::High},
                        Case{89.4f, 89, UseLevel::High}, Case{90.0f, 90, UseLevel::Critical},
                        Case{99.4f, 99, UseLevel::Critical}, Case{99.6f, 100, UseLevel::Critical},
                        Case{250.0f, 100, UseLevel::Critical}, Case{-5.0f, 0, UseLevel::Normal},
                        Case{nan, 0, UseLevel::Normal}}) {
    const UseFace face = UseFaceFor(c.usage);
    EXPECT_EQ(face.percent, c.percent) << c.usage;
    EXPECT_EQ(face.level, c.level) << c.usage;
  }
}

std::vector<std::string> Picture(int size, int percent) {
  std::vector<std::uint8_t> pixels(static_cast<size_t>(size * size), 99);
  EXPECT_TRUE(DrawUseFace(pixels, size, {percent, UseLevel::Normal}));
  std::vector<std::string> rows;
  for (int y = 0; y < size; ++y) {
    std::string row;
    for (int x = 0; x < size; ++x) row += ".#"[pixels[static_cast<size_t>(y * size + x)]];
    rows.push_back(row);
  }
  return rows;
}

// The 16-pixel icon as it should look: every bar a whole number of pixels, nothing cut off.
TEST(UseIcon, FortyTwoAtSixteenPixels) {
  const std::vector<std::string> expected = {
      "................",  //
      "................",  //
      "##...##.#######.",  //
      "##...##.#######.",  //
      "##...##......##.",  //
      "##...##......##.",  //
      "##...##......##.",  //
      "#######.#######.",  //
      "#######.#######.",  //
      ".....##.##......",  //
      ".....##.##......",  //
      ".....##.##......",  //
      ".....##.#######.",  //
      ".....##.#######.",  //
      "................",  //
      "................",  //
  };
  EXPECT_EQ(Picture(16, 42), expected);
}

// Counts the separate areas of `cell` pixels inside the rows and columns given (4-connected).
int Areas(std::vector<std::string> rows, char cell, int left, int right) {
  int areas = 0;
  const int height = static_cast<int>(rows.size());
  std::vector<std::pair<int, int>> stack;
  for (int y = 0; y < height; ++y) {
    for (int x = left; x < right; ++x) {
      if (rows[y][x] != cell) continue;
      ++areas;
      stack.push_back({x, y});
      while (!stack.empty()) {
        auto [px, py] = stack.back();
        stack.pop_back();
        if (px < left || px >= right || py < 0 || py >= height || rows[py][px] != cell) continue;
        rows[py][px] = '*';
        stack.insert(stack.end(), {{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}});
      }
    }
  }
  return areas;
}

// At every size from the smallest to 4x the usual one, an "88": the digits keep their two holes
// each (bars that merge or blur fill them), a clear column between them, and their full height
// with a clear row above and below (a clipped digit loses its top or bottom bar).
TEST(UseIcon, DigitsKeepTheirShapeAtEverySize) {
  for (int size = kMinUseIconSize; size <= 64; ++size) {
    SCOPED_TRACE(size);
    const std::vector<std::string> rows = Picture(size, 88);
    int first = -1, last = -1;
    for (int y = 0; y < size; ++y) {
      if (rows[y].find('#') == std::string::npos) continue;
      if (first < 0) first = y;
      last = y;
    }
    ASSERT_GT(first, 0);
    ASSERT_LT(last, size - 1);
    std::vector<int> inkColumns;
    for (int x = 0; x < size; ++x) {
      bool ink = false;
      for (const std::string& row : rows) ink = ink || row[x] == '#';
      inkColumns.push_back(ink);
    }
    // Exactly two runs of ink columns: two digits, not touching.
    int runs = 0;
    for (int x = 0; x < size; ++x) runs += inkColumns[x] && (x == 0 || !inkColumns[x - 1]);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(Areas(rows, '#', 0, size), 2) << "each digit one connected shape";
    // The holes: clear areas not joined to the border, two per digit.
    std::vector<std::string> framed(static_cast<size_t>(size + 2), std::string(static_cast<size_t>(size + 2), '.'));
    for (int y = 0; y < size; ++y) framed[y + 1].replace(1, static_cast<size_t>(size), rows[y]);
    EXPECT_EQ(Areas(framed, '.', 0, size + 2), 1 + 4);
  }
}

TEST(UseIcon, OneDigitIsCentredAndAHundredFillsTheTile) {
  const std::vector<std::string> seven = Picture(32, 7);
  int left = 32, right = -1;
  for (const std::string& row : seven) {
    const size_t l = row.find('#'), r = row.rfind('#');
    if (l == std::string::npos) continue;
    left = std::min(left, static_cast<int>(l));
    right = std::max(right, static_cast<int>(r));
  }
  EXPECT_LE(std::abs(left - (31 - right)), 1);
  for (const std::string& row : Picture(20, 100)) EXPECT_EQ(row, std::string(20, '#'));
}

TEST(UseIcon, RefusesSizesAndRoomItCannotDraw) {
  std::vector<std::uint8_t> pixels(16 * 16);
  EXPECT_FALSE(DrawUseFace(pixels, kMinUseIconSize - 1, {42, UseLevel::Normal}));
  EXPECT_FALSE(DrawUseFace(pixels, 17, {42, UseLevel::Normal}));
  EXPECT_TRUE(DrawUseFace(pixels, 16, {42, UseLevel::Normal}));
}

double Luminance(Color c) {
  auto channel = [](std::uint8_t v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

double Contrast(Color a, Color b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// On the taskbars of Windows 10 and 11 (light near-white, dark near-black) and under a high-contrast
// scheme every level reads at 4.5:1 or better; the three levels have three colours, but for high
// contrast, which has two.
TEST(UseIcon, EachLevelReadsOnItsTaskbarAndTheLevelsDiffer) {
  const SystemColors blackScheme{{0, 0, 0}, {255, 255, 255}, {0, 255, 0}, {0, 0, 0}, {255, 255, 255}, {26, 235, 255}, {0, 0, 0}};
  struct Mode {
    TaskbarMode mode;
    Color taskbar;
  };
  for (const Mode& m : {Mode{TaskbarMode::Light, {0xEE, 0xEE, 0xEE}}, Mode{TaskbarMode::Dark, {0x20, 0x20, 0x20}},
                        Mode{TaskbarMode::HighContrast, {0, 0, 0}}}) {
    std::vector<Color> inks;
    for (UseLevel level : {UseLevel::Normal, UseLevel::High, UseLevel::Critical}) {
      const Color ink = UseInkFor(level, m.mode, blackScheme);
      EXPECT_GE(Contrast(ink, m.taskbar), 4.5) << static_cast<int>(m.mode) << " " << static_cast<int>(level);
      inks.push_back(ink);
    }
    EXPECT_NE(inks[0], inks[1]);
    EXPECT_NE(inks[0], inks[2]);
    EXPECT_EQ(inks[1] != inks[2], m.mode != TaskbarMode::HighContrast);
  }
}

}  // namespace
}  // namespace sweeplet
