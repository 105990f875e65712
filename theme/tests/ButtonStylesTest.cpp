#include "theme/ButtonStyles.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

namespace sweeplet {

namespace {

constexpr Color Hex(unsigned v) {
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

struct StateRow {
  const char* appearance;
  ButtonState state;
  std::optional<Color> fill;     // nullopt: not filled
  std::optional<Color> outline;  // nullopt: no outline
  Color text;
};

void PrintTo(const StateRow& row, std::ostream* os) {
  *os << row.appearance << "/" << static_cast<int>(row.state);
}

struct Filled {
  ButtonStateSet set;
};

Filled Fill(std::string_view appearance, std::string_view family = "Orvane", std::string_view cls = "Primary") {
  Filled f;
  TOrvaneButtonStyles().FillStateAttributes(family, cls, appearance, f.set.Normal, f.set.Pressed, f.set.Selected,
                                            f.set.Hot, f.set.Disabled);
  return f;
}

class StateTable : public ::testing::TestWithParam<StateRow> {};

TEST_P(StateTable, FamilyDrawsTheStateAsListed) {
  const StateRow& row = GetParam();
  const TStyledButtonAttributes a = Fill(row.appearance).set.For(row.state);
  if (row.fill) {
    EXPECT_EQ(a.ButtonDrawStyle, TButtonDrawStyle::btnSolid);
    EXPECT_EQ(a.ButtonColor, *row.fill);
  } else {
    EXPECT_EQ(a.ButtonDrawStyle, TButtonDrawStyle::btnClear);
  }
  if (row.outline) {
    EXPECT_EQ(a.BorderDrawStyle, TBorderDrawStyle::brdSolid);
    EXPECT_EQ(a.BorderColor, *row.outline);
  } else {
    EXPECT_EQ(a.BorderDrawStyle, TBorderDrawStyle::brdClear);
  }
  EXPECT_EQ(a.FontColor, row.text);
  // Every state: a rounded rectangle, a hairline where an outline is drawn, plain text.
  EXPECT_EQ(a.DrawType, TStyledButtonDrawType::btRoundRect);
  EXPECT_EQ(a.BorderWidth, 0);
  EXPECT_EQ(a.FontStyle, 0);
}

using S = ButtonState;
constexpr auto none = std::nullopt;
INSTANTIATE_TEST_SUITE_P(
    Orvane, StateTable,
    ::testing::Values(StateRow{"Outline", S::Normal, none, Hex(0x3D84DD), Hex(0x000000)},
                      StateRow{"Outline", S::Pressed, Hex(0x3D84DD), Hex(0x3D84DD), Hex(0xFFFFFF)},
                      StateRow{"Outline", S::Hot, Hex(0x5090E0), Hex(0x3D84DD), Hex(0xFFFFFF)},
                      StateRow{"Outline", S::Selected, Hex(0x5090E0), Hex(0x3D84DD), Hex(0xFFFFFF)},
                      StateRow{"Outline", S::Disabled, none, Hex(0xD7D7D7), Hex(0xB3B3B3)},
                      StateRow{"Header", S::Normal, none, Hex(0x000000), Hex(0x000000)},
                      StateRow{"Header", S::Pressed, Hex(0x3D84DD), none, Hex(0xFFFFFF)},
                      StateRow{"Header", S::Hot, Hex(0x3D84DD), none, Hex(0xFFFFFF)},
                      StateRow{"Header", S::Selected, Hex(0x5090E0), none, Hex(0xFFFFFF)},
                      StateRow{"Header", S::Disabled, none, Hex(0xBCBCBC), Hex(0x808080)},
                      StateRow{"Normal", S::Normal, Hex(0x3D84DD), Hex(0x3D84DD), Hex(0xFFFFFF)},
                      StateRow{"Normal", S::Pressed, Hex(0x3D84DD), Hex(0x3D84DD), Hex(0xFFFFFF)},
                      StateRow{"Normal", S::Hot, Hex(0x5090E0), Hex(0x3D84DD), Hex(0xFFFFFF)},
                      StateRow{"Normal", S::Selected, Hex(0x3D84DD), Hex(0x3D84DD), Hex(0xFFFFFF)},
                      StateRow{"Normal", S::Disabled, Hex(0xFFFFFF), Hex(0xC0C0C0), Hex(0xC0C0C0)}));

TEST(StateTable, HiddenColoursOfUnfilledAndUnoutlinedStates) {
  // Not drawn, but kept as the family sets them: a later change of draw style shows them.
  const Filled outline = Fill("Outline");
  EXPECT_EQ(outline.set.Normal.ButtonColor, AccentColor);
  const Filled header = Fill("Header");
  EXPECT_EQ(header.set.Normal.ButtonColor, kWhite);
  EXPECT_EQ(header.set.Pressed.BorderColor, AccentColor);
  EXPECT_EQ(header.set.Selected.BorderColor, AccentColor);
}

TEST(StateTable, FillingOverwritesWhateverTheCallerPassedIn) {
  TStyledButtonAttributes junk;
  junk.DrawType = TStyledButtonDrawType::btEllipse;
  junk.BorderWidth = 7;
  junk.FontStyle = fsBold | fsItalic;
  junk.ButtonColor = junk.BorderColor = junk.FontColor = Hex(0x123456);
  ButtonStateSet set{junk, junk, junk, junk, junk};
  TOrvaneButtonStyles().FillStateAttributes("Orvane", "Primary", "Header", set.Normal, set.Pressed, set.Selected,
                                            set.Hot, set.Disabled);
  EXPECT_EQ(set.Normal, Fill("Header").set.Normal);
  EXPECT_EQ(set.Disabled, Fill("Header").set.Disabled);
}

struct NameCase {
  const char* given;
  const char* treatedAs;
};

class AppearanceNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(AppearanceNames, ComparedIgnoringAsciiCaseOtherwiseNormal) {
  const Filled got = Fill(GetParam().given);
  const Filled want = Fill(GetParam().treatedAs);
  for (ButtonState s : {S::Normal, S::Pressed, S::Selected, S::Hot, S::Disabled}) {
    EXPECT_EQ(got.set.For(s), want.set.For(s)) << "state " << static_cast<int>(s);
  }
}

INSTANTIATE_TEST_SUITE_P(Orvane, AppearanceNames,
                         ::testing::Values(NameCase{"outline", "Outline"}, NameCase{"OUTLINE", "Outline"},
                                           NameCase{"oUtLiNe", "Outline"}, NameCase{"HEADER", "Header"},
                                           NameCase{"header", "Header"}, NameCase{"normal", "Normal"},
                                           NameCase{"", "Normal"}, NameCase{"Outlines", "Normal"},
                                           NameCase{" Outline", "Normal"}, NameCase{"Primary", "Normal"},
                                           // Only ASCII letters fold: a dotted capital I is another letter.
                                           NameCase{"OUTL\xC4\xB0NE", "Normal"},
                                           NameCase{"Head", "Normal"}));

TEST(Orvane, FamilyAndClassNamesAreNotConsulted) {
  const Filled plain = Fill("Outline");
  const Filled other = Fill("Outline", "SomethingElse", "NoSuchClass");
  EXPECT_EQ(plain.set.Hot, other.set.Hot);
  EXPECT_EQ(plain.set.Disabled, other.set.Disabled);
}

TEST(Orvane, NamesListsAndDefaultStyle) {
  const TOrvaneButtonStyles family;
  EXPECT_EQ(family.FamilyName(), "Orvane");
  EXPECT_EQ(family.ClassNames(), (std::vector<std::string>{"Primary"}));
  EXPECT_EQ(family.AppearanceNames(), (std::vector<std::string>{"Normal", "Header", "Outline"}));
  for (int dialogResult : {0, 1, 2, 7, -1}) {
    const TStyledButtonStyle style = family.DefaultStyleFor(dialogResult);
    EXPECT_EQ(style.ClassName, "Primary");
    EXPECT_EQ(style.Appearance, "Normal");
  }
}

TEST(Registry, RegisteringTwiceKeepsTheOneFamily) {
  RegisterStyleFamily();
  const auto first = FindButtonStyleFamily("Orvane");
  ASSERT_NE(first, nullptr);
  RegisterStyleFamily();
  EXPECT_EQ(FindButtonStyleFamily("orvane"), first);
  EXPECT_EQ(FindButtonStyleFamily("ORVANE"), first);
  EXPECT_EQ(first->FamilyName(), "Orvane");
  EXPECT_EQ(FindButtonStyleFamily("Orvan"), nullptr);
  EXPECT_EQ(FindButtonStyleFamily(""), nullptr);
}

TEST(Registry, ResolvingFallsBackForUnknownNames) {
  RegisterStyleFamily();
  EXPECT_EQ(ResolveButtonStates("Orvane", "Primary", "outline").Disabled, Fill("Outline").set.Disabled);
  EXPECT_EQ(ResolveButtonStates("Orvane", "Primary", "Fancy").Hot, Fill("Normal").set.Hot);
  EXPECT_EQ(ResolveButtonStates("Orvane", "Secondary", "Header").Selected, Fill("Header").set.Selected);
  EXPECT_EQ(ResolveButtonStates("NoSuchFamily", "Primary", "Header").Normal, Fill("Header").set.Normal);
}

struct PickCase {
  bool enabled, pressed, selected, hot;
  ButtonState want;
};

class StatePick : public ::testing::TestWithParam<PickCase> {};

TEST_P(StatePick, DisabledThenPressedThenSelectedThenHot) {
  const PickCase& c = GetParam();
  EXPECT_EQ(PickButtonState(c.enabled, c.pressed, c.selected, c.hot), c.want);
}

INSTANTIATE_TEST_SUITE_P(Flags, StatePick,
                         ::testing::Values(PickCase{true, false, false, false, S::Normal},
                                           PickCase{true, false, false, true, S::Hot},
                                           PickCase{true, false, true, true, S::Selected},
                                           PickCase{true, true, true, true, S::Pressed},
                                           PickCase{true, true, false, false, S::Pressed},
                                           PickCase{false, true, true, true, S::Disabled},
                                           PickCase{false, false, false, false, S::Disabled}));

struct ColourCase {
  const char* rule;
  Color in;
  int percent;  // lighten only
  Color want;
};

void PrintTo(const ColourCase& c, std::ostream* os) { *os << c.rule << " " << ToHex(c.in) << " " << c.percent; }

class ColourRules : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourRules, GiveTheExactChannelValues) {
  const ColourCase& c = GetParam();
  const std::string rule = c.rule;
  Color got;
  if (rule == "lighten") {
    got = Lighten(c.in, c.percent);
  } else if (rule == "grey") {
    got = Grey(c.in);
  } else {
    got = Grey(Lighten(c.in, c.percent));
  }
  EXPECT_EQ(got, c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ColourRules,
    ::testing::Values(
        // The derived colours of the family.
        ColourCase{"lighten", AccentColor, 10, Hex(0x5090E0)},
        ColourCase{"grey of lighten", AccentColor, 70, Hex(0xD7D7D7)},
        ColourCase{"grey of lighten", kBlack, 70, Hex(0xB3B3B3)},
        ColourCase{"grey of lighten", AccentColor, 50, Hex(0xBCBCBC)},
        ColourCase{"grey of lighten", kBlack, 50, Hex(0x808080)},
        // Lighten: halves go away from zero (127.5 -> 128, 76.5 -> 77), other fractions to the nearest.
        ColourCase{"lighten", kBlack, 50, Hex(0x808080)}, ColourCase{"lighten", kBlack, 30, Hex(0x4D4D4D)},
        ColourCase{"lighten", Color{61, 132, 221}, 70, Color{197, 218, 245}},
        ColourCase{"lighten", AccentColor, 0, AccentColor}, ColourCase{"lighten", AccentColor, 100, kWhite},
        ColourCase{"lighten", kWhite, 40, kWhite}, ColourCase{"lighten", AccentColor, 250, kWhite},
        // Grey: luma rounded half to even (28.5 -> 28, 37.5 -> 38, 48.5 -> 48).
        ColourCase{"grey", Color{0, 0, 250}, 0, Hex(0x1C1C1C)}, ColourCase{"grey", Color{0, 60, 20}, 0, Hex(0x262626)},
        ColourCase{"grey", Color{0, 70, 65}, 0, Hex(0x303030)}, ColourCase{"grey", kWhite, 0, kWhite},
        ColourCase{"grey", Color{197, 218, 245}, 0, Hex(0xD7D7D7)}, ColourCase{"grey", Color{255, 0, 0}, 0, Hex(0x4C4C4C)}));

// Every channel two upper-case digits, zero-padded, in the order red, green, blue.
TEST(ToHex, WritesSixUpperCaseDigits) {
  EXPECT_EQ(ToHex(AccentColor), "#3D84DD");
  EXPECT_EQ(ToHex(kBlack), "#000000");
  EXPECT_EQ(ToHex(kWhite), "#FFFFFF");
  EXPECT_EQ(ToHex(Color{0x0A, 0xB0, 0x01}), "#0AB001");
}

}  // namespace
}  // namespace sweeplet
