// The main window as designed at 96 DPI, and where its controls go on a real screen: each
// control follows its anchors from the client area the window really has, and that client area
// never gets so small that a button is cut or runs into another.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "app/control_ids.h"
#include "app/layout.h"

namespace tavisto::app {

enum class ControlKind { Memo, Button, Label };

struct ControlDesign {
  int id;
  ControlKind kind;
  const char* caption;
  Rect design;  // 96-DPI units, client coordinates
  unsigned anchors;
  bool enabled;
};

inline constexpr Size kDesignWindow{406, 503};  // outer size
inline constexpr int kDesignFontHeight = -11;    // "MS Sans Serif", 8 point
// Room a push button's caption leaves to the button's left and right edges together.
inline constexpr int kButtonTextMargin = 8;

// In tab order: the memo, the six buttons, then the labels (which take no focus).
extern const std::array<ControlDesign, 19> kWindowControls;

[[nodiscard]] constexpr bool IsCaptionLabel(int id) { return id >= kLabel2 && id <= kLabel8; }
// The design of the control with this id.
[[nodiscard]] const ControlDesign& DesignOf(int id);
// The caption label of the identity row a value label shows.
[[nodiscard]] constexpr int CaptionLabelOf(int valueLabel) { return valueLabel - (kLbComputer - kLabel2); }

// A caption as a screen reader says it: as the control shows it ("&&" as "&", a mnemonic's "&"
// left out), without the blanks around it.
[[nodiscard]] std::string SpokenCaption(std::string_view caption);

// Where a control goes at this DPI when the client area measures `now`. `reference` is the client
// area the scaled design was drawn for (the scaled window less its frame); `captionWiden` is what
// the caption column grows by, taken from the value column beside it.
[[nodiscard]] Rect ControlRect(const ControlDesign& control, int dpi, Size reference, Size now, int captionWiden);

// The smallest client area in which every button is whole, keeps a gap to its neighbour in the
// row and the memo still shows a few lines; never larger than `reference`.
[[nodiscard]] Size MinimumClient(int dpi, Size reference);

}  // namespace tavisto::app
