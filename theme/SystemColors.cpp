#include "theme/SystemColors.h"

namespace sweeplet {

ButtonStateSet HighContrastButtonStates(const SystemColors& system) {
  using enum TButtonDrawStyle;
  using enum TBorderDrawStyle;
  TStyledButtonAttributes normal;
  normal.DrawType = TStyledButtonDrawType::btRoundRect;
  normal.ButtonDrawStyle = btnSolid;
  normal.ButtonColor = system.buttonFace;
  normal.BorderDrawStyle = brdSolid;
  normal.BorderColor = system.buttonText;
  normal.FontColor = system.buttonText;
  normal.BorderWidth = 0;
  normal.FontStyle = 0;

  ButtonStateSet set{normal, normal, normal, normal, normal};
  set.Pressed.ButtonColor = system.highlight;
  set.Pressed.BorderColor = system.highlight;
  set.Pressed.FontColor = system.highlightText;
  // The page shown keeps its text-coloured outline, so it reads apart from a press.
  set.Selected.ButtonColor = system.highlight;
  set.Selected.FontColor = system.highlightText;
  set.Hot.BorderColor = system.highlight;
  set.Hot.BorderWidth = 2;
  set.Disabled.BorderColor = system.grayText;
  set.Disabled.FontColor = system.grayText;
  return set;
}

Color AccentLineColor(bool active, bool highContrast, Color activeColor, const SystemColors& system) {
  if (!active) return system.grayText;
  return highContrast ? system.highlight : activeColor;
}

PageColors PickPageColors(bool highContrast, const SystemColors& system) {
  if (highContrast) return {system.window, system.windowText, system.grayText};
  return {kWhite, system.windowText, kSecondaryGrey};
}

Color IndicatorDotColor(bool highContrast, const SystemColors& system) {
  return highContrast ? system.buttonText : kBlack;
}

Color LogoLayerColor(Color designed, bool highContrast, const SystemColors& system) {
  if (!highContrast) return designed;
  if (designed == AccentColor) return system.highlight;
  if (designed == kWhite) return system.highlightText;  // drawn on the accent tile
  return system.windowText;
}

}  // namespace sweeplet
