#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "theme/SystemColors.h"

namespace sweeplet {
namespace {

struct Scheme {
  const char* name;
  SystemColors colors;
};

constexpr Color kBlackRgb{0, 0, 0}, kWhiteRgb{255, 255, 255};

// Two of the system's own high-contrast schemes (window, window text, greyed text, button face,
// button text, highlight, highlight text), and everyday colours.
const Scheme kContrastBlack{"black",
                            {kBlackRgb, kWhiteRgb, {63, 242, 63}, kBlackRgb, kWhiteRgb, {26, 235, 255}, kBlackRgb}};
const Scheme kContrastWhite{"white", {kWhiteRgb, kBlackRgb, {96, 0, 0}, kWhiteRgb, kBlackRgb, {55, 0, 110}, kWhiteRgb}};
const Scheme kEveryday{"everyday",
                       {kWhiteRgb, kBlackRgb, {109, 109, 109}, {240, 240, 240}, kBlackRgb, {0, 120, 215}, kWhiteRgb}};

std::vector<Color> Palette(const SystemColors& s) {
  return {s.window, s.windowText, s.grayText, s.buttonFace, s.buttonText, s.highlight, s.highlightText};
}

bool InPalette(Color c, const SystemColors& s) {
  for (Color p : Palette(s)) {
    if (p == c) return true;
  }
  return false;
}

class HighContrastSchemes : public ::testing::TestWithParam<Scheme> {};

TEST_P(HighContrastSchemes, EveryButtonStateReadsAndStandsOutFromThePage) {
  const SystemColors& s = GetParam().colors;
  const ButtonStateSet set = HighContrastButtonStates(s);
  const PageColors page = PickPageColors(true, s);
  const struct {
    const char* name;
    const TStyledButtonAttributes& look;
  } states[] = {{"normal", set.Normal},
                {"pressed", set.Pressed},
                {"selected", set.Selected},
                {"hot", set.Hot},
                {"disabled", set.Disabled}};
  for (const auto& [name, look] : states) {
    SCOPED_TRACE(name);
    // The caption is drawn on the button's own fill, never in that fill's colour.
    ASSERT_EQ(look.ButtonDrawStyle, TButtonDrawStyle::btnSolid);
    EXPECT_NE(look.FontColor, look.ButtonColor);
    // The button's edge shows against the page: its outline or its fill differs from the page.
    ASSERT_EQ(look.BorderDrawStyle, TBorderDrawStyle::brdSolid);
    EXPECT_TRUE(look.BorderColor != page.background || look.ButtonColor != page.background);
    EXPECT_NE(look.BorderColor, page.background);
    // Nothing of the program's own colour family is left.
    EXPECT_TRUE(InPalette(look.ButtonColor, s));
    EXPECT_TRUE(InPalette(look.BorderColor, s));
    EXPECT_TRUE(InPalette(look.FontColor, s));
  }
}

TEST_P(HighContrastSchemes, ThePageShownReadsApartFromAPressAndFromTheOthers) {
  const ButtonStateSet set = HighContrastButtonStates(GetParam().colors);
  EXPECT_NE(set.Selected, set.Normal);
  EXPECT_NE(set.Selected, set.Pressed);
  EXPECT_NE(set.Selected, set.Hot);
  EXPECT_NE(set.Hot, set.Normal);
  EXPECT_NE(set.Disabled.FontColor, set.Normal.FontColor);
}

TEST_P(HighContrastSchemes, PageLogoAndDotsTakeTheSchemesColours) {
  const SystemColors& s = GetParam().colors;
  const PageColors page = PickPageColors(true, s);
  EXPECT_EQ(page.background, s.window);
  EXPECT_EQ(page.text, s.windowText);
  EXPECT_EQ(page.secondaryText, s.grayText);
  EXPECT_NE(page.secondaryText, page.background);
  // The dots lie on the busy (disabled) clean button.
  EXPECT_NE(IndicatorDotColor(true, s), HighContrastButtonStates(s).Disabled.ButtonColor);
  // The logo: the tile, the white orbit on it and the word, each legible on what lies under it.
  const Color tile = LogoLayerColor(AccentColor, true, s);
  EXPECT_EQ(tile, s.highlight);
  EXPECT_NE(LogoLayerColor(kWhite, true, s), tile);
  EXPECT_EQ(LogoLayerColor(Color{32, 32, 32}, true, s), s.windowText);
  EXPECT_NE(LogoLayerColor(Color{32, 32, 32}, true, s), page.background);
}

INSTANTIATE_TEST_SUITE_P(Schemes, HighContrastSchemes, ::testing::Values(kContrastBlack, kContrastWhite),
                         [](const ::testing::TestParamInfo<Scheme>& info) { return std::string(info.param.name); });

TEST(AccentLine, BlueWhileActiveGreyWhileNotHighlightUnderHighContrast) {
  const SystemColors& s = kContrastBlack.colors;
  EXPECT_EQ(AccentLineColor(true, false, AccentColor, s), AccentColor);
  EXPECT_EQ(AccentLineColor(false, false, AccentColor, s), s.grayText);
  EXPECT_EQ(AccentLineColor(true, true, AccentColor, s), s.highlight);
  EXPECT_EQ(AccentLineColor(false, true, AccentColor, s), s.grayText);
}

TEST(EverydayColours, StayThoseOfTheProgram) {
  const SystemColors& s = kEveryday.colors;
  const PageColors page = PickPageColors(false, s);
  EXPECT_EQ(page.background, kWhite);
  EXPECT_EQ(page.text, s.windowText);
  EXPECT_EQ(page.secondaryText, kSecondaryGrey);
  EXPECT_EQ(IndicatorDotColor(false, s), kBlack);
  for (Color designed : {AccentColor, kWhite, Color{32, 32, 32}})
    EXPECT_EQ(LogoLayerColor(designed, false, s), designed);
}

}  // namespace
}  // namespace sweeplet
