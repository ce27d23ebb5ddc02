#include "app/window_design.h"

#include <algorithm>
#include <stdexcept>

namespace tavisto::app {
namespace {

constexpr int kButtonGap = 8;       // between a left- and a right-anchored button of one row
constexpr int kMemoMinHeight = 60;  // a few lines and the horizontal scroll bar

bool SameRow(const Rect& a, const Rect& b) { return a.y < b.y + b.height && b.y < a.y + a.height; }

}  // namespace

const std::array<ControlDesign, 19> kWindowControls = {{
    {kMemo1, ControlKind::Memo, "", {8, 106, 381, 281}, kAnchorAll, true},
    // A button's "&" marks its mnemonic (Alt+letter), underlined when the system shows keyboard
    // cues; the caption shows without it.
    {kBtnStartAnalisys, ControlKind::Button, "&Start Analysis", {8, 397, 113, 25}, kAnchorLeft | kAnchorBottom, true},
    {kBtnSaveResult, ControlKind::Button, "Save &Result", {158, 397, 77, 25}, kAnchorRight | kAnchorBottom, false},
    {kBtnSendResultEmail, ControlKind::Button, "Send result by &email", {253, 397, 116, 25}, kAnchorRight | kAnchorBottom, false},
    {kBtnGetData, ControlKind::Button, "&Get Data", {8, 437, 113, 25}, kAnchorLeft | kAnchorBottom, true},
    {kBtnSaveData, ControlKind::Button, "Save &Data", {158, 437, 77, 25}, kAnchorRight | kAnchorBottom, false},
    {kBtnSendDataEmail, ControlKind::Button, "Send data by e&mail", {254, 437, 115, 25}, kAnchorRight | kAnchorBottom, false},
    // The label control shows "&&" as one "&" and makes no mnemonic of it.
    {kLabel2, ControlKind::Label, " Computer Name", {4, 2, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel4, ControlKind::Label, " User", {4, 18, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel5, ControlKind::Label, " Owner && Company", {4, 34, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel6, ControlKind::Label, " O.S. && Version", {4, 50, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel7, ControlKind::Label, " Total physical memory", {4, 66, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel8, ControlKind::Label, " Avaiable physical memory", {4, 82, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLbComputer, ControlKind::Label, "", {142, 2, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbUtente, ControlKind::Label, "", {142, 18, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbOwner, ControlKind::Label, "", {142, 34, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbSystem, ControlKind::Label, "", {142, 50, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbMemT, ControlKind::Label, "", {142, 66, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbMemD, ControlKind::Label, "", {142, 82, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
}};

const ControlDesign& DesignOf(int id) {
  const auto found = std::find_if(kWindowControls.begin(), kWindowControls.end(),
                                  [id](const ControlDesign& control) { return control.id == id; });
  if (found == kWindowControls.end()) throw std::out_of_range("no control " + std::to_string(id));
  return *found;
}

std::string SpokenCaption(std::string_view caption) {
  std::string spoken;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && ++i == caption.size()) break;  // "&&" is one "&"; "&x" is "x"
    spoken += caption[i];
  }
  const size_t first = spoken.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return spoken.substr(first, spoken.find_last_not_of(' ') + 1 - first);
}

Rect ControlRect(const ControlDesign& control, int dpi, Size reference, Size now, int captionWiden) {
  Rect placed = Scale(control.design, dpi);
  if (IsCaptionLabel(control.id)) {
    placed.width += captionWiden;
  } else if (control.kind == ControlKind::Label) {
    placed.x += captionWiden;
    placed.width -= captionWiden;
  }
  return Anchor(placed, control.anchors, reference, now);
}

Size MinimumClient(int dpi, Size reference) {
  // Narrowing the client brings the right-anchored buttons towards the left-anchored ones of
  // their row; making it lower takes height from the memo alone.
  int narrower = reference.width;
  int lower = reference.height;
  for (const ControlDesign& control : kWindowControls) {
    if (control.kind == ControlKind::Memo) {
      lower = std::min(lower, Scale(control.design.height, dpi) - Scale(kMemoMinHeight, dpi));
    }
    if (control.kind != ControlKind::Button || control.anchors & kAnchorLeft) continue;
    const Rect right = Scale(control.design, dpi);
    for (const ControlDesign& other : kWindowControls) {
      if (other.kind != ControlKind::Button || other.anchors & kAnchorRight) continue;
      if (!SameRow(control.design, other.design)) continue;
      const Rect left = Scale(other.design, dpi);
      narrower = std::min(narrower, right.x - (left.x + left.width) - Scale(kButtonGap, dpi));
    }
  }
  return Size{reference.width - std::max(0, narrower), reference.height - std::max(0, lower)};
}

}  // namespace tavisto::app
