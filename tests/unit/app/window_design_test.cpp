#include "app/window_design.h"

#include <gtest/gtest.h>

#include <cctype>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavisto::app {
namespace {

bool Inside(const Rect& r, Size client) {
  return r.x >= 0 && r.y >= 0 && r.x + r.width <= client.width && r.y + r.height <= client.height;
}
bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// The client area a window of the scaled design size has, with a frame of the given size.
Size ReferenceClient(int dpi, Size frame) {
  return Size{Scale(kDesignWindow.width, dpi) - frame.width, Scale(kDesignWindow.height, dpi) - frame.height};
}

TEST(WindowDesign, AsDesignedInTheClientItWasDrawnFor) {
  const Size reference = ReferenceClient(96, Size{8, 34});
  for (const ControlDesign& control : kWindowControls) {
    EXPECT_EQ(ControlRect(control, 96, reference, reference, 0), control.design) << control.id;
  }
}

TEST(WindowDesign, AtTheMinimumEveryButtonIsWholeAndApartAndTheMemoShowsLines) {
  for (const int dpi : {96, 120, 144, 192}) {
    // Thin frames as here, thick ones as on recent Windows.
    for (const Size frame : {Size{8, 34}, Size{16, 39}}) {
      const Size reference = ReferenceClient(dpi, Size{Scale(frame.width, dpi), Scale(frame.height, dpi)});
      const Size minimum = MinimumClient(dpi, reference);
      EXPECT_LT(minimum.width, reference.width);
      EXPECT_LT(minimum.height, reference.height);
      std::vector<Rect> buttons;
      Rect memo;
      for (const ControlDesign& control : kWindowControls) {
        const Rect at = ControlRect(control, dpi, reference, minimum, Scale(20, dpi));
        EXPECT_TRUE(Inside(at, minimum)) << "dpi " << dpi << " control " << control.id;
        if (control.kind == ControlKind::Button) buttons.push_back(at);
        if (control.kind == ControlKind::Memo) memo = at;
        if (control.kind == ControlKind::Label) {
          EXPECT_GT(at.width, Scale(100, dpi)) << control.id;
        }
      }
      EXPECT_GE(memo.height, Scale(60, dpi));
      for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_FALSE(Overlap(memo, buttons[i])) << "dpi " << dpi;
        for (size_t j = i + 1; j < buttons.size(); ++j) {
          EXPECT_FALSE(Overlap(buttons[i], buttons[j])) << "dpi " << dpi << " buttons " << i << ", " << j;
        }
      }
    }
  }
}

TEST(WindowDesign, AWiderCaptionColumnNarrowsTheValueBesideIt) {
  const Size reference = ReferenceClient(120, Size{8, 34});
  const Rect caption = ControlRect(kWindowControls[12], 120, reference, reference, 25);  // " Avaiable ..."
  const Rect value = ControlRect(kWindowControls[18], 120, reference, reference, 25);    // its value
  EXPECT_EQ(caption.x + caption.width, value.x);
  EXPECT_EQ(value.x + value.width, Scale(142 + 248, 120));
}

TEST(WindowDesign, EveryButtonHasAMnemonicOfItsOwnAndShowsItsCaption) {
  std::string letters;
  for (const ControlDesign& control : kWindowControls) {
    if (control.kind != ControlKind::Button) continue;
    const std::string_view caption = control.caption;
    const size_t marker = caption.find('&');
    ASSERT_LT(marker + 1, caption.size()) << caption;
    EXPECT_EQ(letters.find(static_cast<char>(std::tolower(caption[marker + 1]))), std::string::npos) << caption;
    letters += static_cast<char>(std::tolower(caption[marker + 1]));
  }
  EXPECT_EQ(letters.size(), 6u);
}

TEST(SpokenCaption, AsTheControlShowsItWithoutTheBlanksAround) {
  const struct {
    const char* caption;
    const char* spoken;
  } cases[] = {
      {" Owner && Company", "Owner & Company"},   // the label's escape for one "&"
      {"&Start Analysis", "Start Analysis"},      // a mnemonic's marker
      {"Send data by e&mail", "Send data by email"},
      {" Computer Name ", "Computer Name"},
      {"A &&&B", "A &B"},
      {"trailing &", "trailing"},
      {"  ", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SpokenCaption(c.caption), c.spoken) << c.caption;
}

TEST(WindowDesign, EachValueLabelBelongsToTheCaptionOfItsRow) {
  EXPECT_STREQ(DesignOf(CaptionLabelOf(kLbComputer)).caption, " Computer Name");
  EXPECT_STREQ(DesignOf(CaptionLabelOf(kLbMemD)).caption, " Avaiable physical memory");
  EXPECT_THROW((void)DesignOf(0), std::out_of_range);
}

}  // namespace
}  // namespace tavisto::app
