#include "theme/ButtonStyles.h"

#include <algorithm>
#include <map>

#include "common/HexDigits.h"

namespace sweeplet {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::uint8_t Clamp255(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// n / 100 rounded to the nearest integer, halves away from zero.
int DivideBy100RoundingAway(int n) { return n >= 0 ? (n + 50) / 100 : -((-n + 50) / 100); }

std::uint8_t LightenChannel(std::uint8_t v, int percent) {
  return Clamp255(v + DivideBy100RoundingAway((255 - v) * percent));
}

enum class Appearance { Normal, Header, Outline };

Appearance ParseAppearance(std::string_view name) {
  if (EqualsIgnoringAsciiCase(name, "Header")) return Appearance::Header;
  if (EqualsIgnoringAsciiCase(name, "Outline")) return Appearance::Outline;
  return Appearance::Normal;
}

bool Lists(const std::vector<std::string>& names, std::string_view name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return EqualsIgnoringAsciiCase(n, name); });
}

// The registry holds the only references; it lives until the program exits.
std::map<std::string, std::shared_ptr<const IStyledButtonFamily>>& Registry() {
  static std::map<std::string, std::shared_ptr<const IStyledButtonFamily>> families;
  return families;
}

}  // namespace

std::string ToHex(Color c) {
  std::string text = "#";
  AppendHex(text, static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b, 6);
  return text;
}

Color Lighten(Color c, int percent) {
  return {LightenChannel(c.r, percent), LightenChannel(c.g, percent), LightenChannel(c.b, percent)};
}

Color Grey(Color c) {
  // In thousandths, so that the weights are exact and a tie is a real tie.
  const int luma1000 = 299 * c.r + 587 * c.g + 114 * c.b;
  int luma = luma1000 / 1000;
  const int rest = luma1000 % 1000;
  if (rest > 500 || (rest == 500 && luma % 2 == 1)) ++luma;
  const std::uint8_t v = Clamp255(luma);
  return {v, v, v};
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

TOrvaneButtonStyles::TOrvaneButtonStyles() : classes_{"Primary"}, appearances_{"Normal", "Header", "Outline"} {}

std::string TOrvaneButtonStyles::FamilyName() const { return kOrvaneFamily; }

TStyledButtonStyle TOrvaneButtonStyles::DefaultStyleFor(int /*dialogResult*/) const { return {"Primary", "Normal"}; }

void TOrvaneButtonStyles::FillStateAttributes(std::string_view /*family*/, std::string_view /*cls*/,
                                              std::string_view appearance, TStyledButtonAttributes& normal,
                                              TStyledButtonAttributes& pressed, TStyledButtonAttributes& selected,
                                              TStyledButtonAttributes& hot, TStyledButtonAttributes& disabled) const {
  using enum TButtonDrawStyle;
  using enum TBorderDrawStyle;
  const Appearance kind = ParseAppearance(appearance);
  const Color hoverBlue = Lighten(AccentColor, 10);

  normal.DrawType = TStyledButtonDrawType::btRoundRect;
  normal.BorderWidth = 0;
  normal.FontStyle = 0;
  normal.BorderDrawStyle = brdSolid;
  switch (kind) {
    case Appearance::Outline:
      normal.ButtonDrawStyle = btnClear;
      normal.ButtonColor = AccentColor;
      normal.BorderColor = AccentColor;
      normal.FontColor = kBlack;
      break;
    case Appearance::Header:
      normal.ButtonDrawStyle = btnClear;
      normal.ButtonColor = kWhite;
      normal.BorderColor = kBlack;
      normal.FontColor = kBlack;
      break;
    case Appearance::Normal:
      normal.ButtonDrawStyle = btnSolid;
      normal.ButtonColor = AccentColor;
      normal.BorderColor = AccentColor;
      normal.FontColor = kWhite;
      break;
  }
  pressed = selected = hot = disabled = normal;

  switch (kind) {
    case Appearance::Outline:
      pressed.ButtonDrawStyle = btnSolid;
      pressed.FontColor = kWhite;
      hot.ButtonDrawStyle = btnSolid;
      hot.ButtonColor = hoverBlue;
      hot.FontColor = kWhite;
      selected.ButtonDrawStyle = btnSolid;
      selected.ButtonColor = hoverBlue;
      selected.FontColor = kWhite;
      disabled.BorderColor = Grey(Lighten(AccentColor, 70));
      disabled.FontColor = Grey(Lighten(kBlack, 70));
      break;
    case Appearance::Header:
      pressed.ButtonDrawStyle = btnSolid;
      pressed.ButtonColor = AccentColor;
      pressed.BorderDrawStyle = brdClear;
      pressed.BorderColor = AccentColor;
      pressed.FontColor = kWhite;
      hot = pressed;
      selected.ButtonDrawStyle = btnSolid;
      selected.ButtonColor = hoverBlue;
      selected.BorderDrawStyle = brdClear;
      selected.BorderColor = AccentColor;
      selected.FontColor = kWhite;
      disabled.BorderColor = Grey(Lighten(AccentColor, 50));
      disabled.FontColor = Grey(Lighten(kBlack, 50));
      break;
    case Appearance::Normal:
      hot.ButtonColor = hoverBlue;
      disabled.ButtonDrawStyle = btnSolid;
      disabled.ButtonColor = kWhite;
      disabled.BorderColor = Color{192, 192, 192};
      disabled.FontColor = Color{192, 192, 192};
      disabled.BorderWidth = 0;
      break;
  }
}

void RegisterButtonStyleFamily(std::shared_ptr<const IStyledButtonFamily> family) {
  if (!family) return;
  Registry().try_emplace(AsciiLower(family->FamilyName()), std::move(family));
}

std::shared_ptr<const IStyledButtonFamily> FindButtonStyleFamily(std::string_view name) {
  const auto it = Registry().find(AsciiLower(name));
  return it == Registry().end() ? nullptr : it->second;
}

void RegisterStyleFamily() {
  if (!FindButtonStyleFamily(kOrvaneFamily)) RegisterButtonStyleFamily(std::make_shared<TOrvaneButtonStyles>());
}

ButtonState PickButtonState(bool enabled, bool pressed, bool selected, bool hot) {
  if (!enabled) return ButtonState::Disabled;
  if (pressed) return ButtonState::Pressed;
  if (selected) return ButtonState::Selected;
  if (hot) return ButtonState::Hot;
  return ButtonState::Normal;
}

const TStyledButtonAttributes& ButtonStateSet::For(ButtonState state) const {
  switch (state) {
    case ButtonState::Pressed: return Pressed;
    case ButtonState::Selected: return Selected;
    case ButtonState::Hot: return Hot;
    case ButtonState::Disabled: return Disabled;
    case ButtonState::Normal: break;
  }
  return Normal;
}

ButtonStateSet ResolveButtonStates(std::string_view family, std::string_view cls, std::string_view appearance) {
  std::shared_ptr<const IStyledButtonFamily> styles = FindButtonStyleFamily(family);
  if (!styles) styles = std::make_shared<TOrvaneButtonStyles>();
  const TStyledButtonStyle fallback = styles->DefaultStyleFor(0);
  const std::string useClass = Lists(styles->ClassNames(), cls) ? std::string(cls) : fallback.ClassName;
  const std::string useAppearance =
      Lists(styles->AppearanceNames(), appearance) ? std::string(appearance) : fallback.Appearance;
  ButtonStateSet set;
  styles->FillStateAttributes(styles->FamilyName(), useClass, useAppearance, set.Normal, set.Pressed, set.Selected,
                              set.Hot, set.Disabled);
  return set;
}

}  // namespace sweeplet
