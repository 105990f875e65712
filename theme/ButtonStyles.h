#pragma once
// The program's style family for its drawn buttons: how each appearance looks in each of the
// five button states, the two colour rules the colours come from, and the registry in which
// the drawn buttons look families up by name.
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace sweeplet {

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  friend constexpr bool operator==(Color, Color) = default;
};

// "#RRGGBB", for messages and tests.
std::string ToHex(Color c);
// Inline, so that only a program that prints a colour (the tests) carries the stream code.
inline std::ostream& operator<<(std::ostream& os, Color c) { return os << ToHex(c); }

inline constexpr Color AccentColor{61, 132, 221};  // #3D84DD
inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kWhite{255, 255, 255};

// Each channel v becomes v + (255 - v) * percent / 100, the division rounded to the nearest
// integer with halves away from zero; the result is kept within 0..255.
Color Lighten(Color c, int percent);
// All three channels become the luma 0.299 R + 0.587 G + 0.114 B, rounded half to even.
Color Grey(Color c);

enum class TStyledButtonDrawType { btRoundRect, btRounded, btRect, btEllipse };
enum class TButtonDrawStyle { btnClear, btnSolid };
enum class TBorderDrawStyle { brdClear, brdSolid };

// Font style flags; 0 is plain text.
enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TStyledButtonAttributes {
  TStyledButtonDrawType DrawType = TStyledButtonDrawType::btRoundRect;
  TButtonDrawStyle ButtonDrawStyle = TButtonDrawStyle::btnSolid;
  TBorderDrawStyle BorderDrawStyle = TBorderDrawStyle::brdSolid;
  Color ButtonColor = kWhite;
  Color BorderColor = kBlack;
  Color FontColor = kBlack;
  int BorderWidth = 0;  // pixels at 96 DPI; 0 draws a hairline
  std::uint8_t FontStyle = 0;
  friend bool operator==(const TStyledButtonAttributes&, const TStyledButtonAttributes&) = default;
};

// A button's class and appearance within a family.
struct TStyledButtonStyle {
  std::string ClassName;
  std::string Appearance;
};

// What a style family supplies to the drawn buttons.
class IStyledButtonFamily {
 public:
  virtual ~IStyledButtonFamily() = default;
  virtual std::string FamilyName() const = 0;
  virtual const std::vector<std::string>& ClassNames() const = 0;
  virtual const std::vector<std::string>& AppearanceNames() const = 0;
  virtual TStyledButtonStyle DefaultStyleFor(int dialogResult) const = 0;
  // Fills the attributes of the five states in place; `family` and `cls` are not consulted by
  // the program's family.
  virtual void FillStateAttributes(std::string_view family, std::string_view cls, std::string_view appearance,
                                   TStyledButtonAttributes& normal, TStyledButtonAttributes& pressed,
                                   TStyledButtonAttributes& selected, TStyledButtonAttributes& hot,
                                   TStyledButtonAttributes& disabled) const = 0;
};

// The family "Orvane": class "Primary"; appearances "Normal", "Header" and "Outline".
class TOrvaneButtonStyles final : public IStyledButtonFamily {
 public:
  TOrvaneButtonStyles();
  std::string FamilyName() const override;
  const std::vector<std::string>& ClassNames() const override { return classes_; }
  const std::vector<std::string>& AppearanceNames() const override { return appearances_; }
  TStyledButtonStyle DefaultStyleFor(int dialogResult) const override;
  void FillStateAttributes(std::string_view family, std::string_view cls, std::string_view appearance,
                           TStyledButtonAttributes& normal, TStyledButtonAttributes& pressed,
                           TStyledButtonAttributes& selected, TStyledButtonAttributes& hot,
                           TStyledButtonAttributes& disabled) const override;

 private:
  std::vector<std::string> classes_;
  std::vector<std::string> appearances_;
};

inline constexpr char kOrvaneFamily[] = "Orvane";

// Family registry. Names are compared without regard to ASCII letter case; registering a name
// that is already present keeps the first family.
void RegisterButtonStyleFamily(std::shared_ptr<const IStyledButtonFamily> family);
std::shared_ptr<const IStyledButtonFamily> FindButtonStyleFamily(std::string_view name);
// Registers the program's family "Orvane"; called once at program start, before any window.
// Further calls change nothing.
void RegisterStyleFamily();

// The five states a drawn button can show, and the one to show for its current flags:
// disabled wins, then held down by the mouse or keyboard, then latched down, then hot.
enum class ButtonState { Normal, Pressed, Selected, Hot, Disabled };
ButtonState PickButtonState(bool enabled, bool pressed, bool selected, bool hot);

struct ButtonStateSet {
  TStyledButtonAttributes Normal, Pressed, Selected, Hot, Disabled;
  const TStyledButtonAttributes& For(ButtonState state) const;
};

// The attributes a button of `family`, `cls` and `appearance` draws with. A class or appearance
// that the family does not list falls back to the family's default style; a family that is not
// registered falls back to "Orvane", the program's only family.
ButtonStateSet ResolveButtonStates(std::string_view family, std::string_view cls, std::string_view appearance);

// ASCII-only case-insensitive equality, as used for the style names.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace sweeplet
