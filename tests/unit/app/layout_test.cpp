#include "app/layout.h"

#include <gtest/gtest.h>

namespace tavisto::app {
namespace {

TEST(Scale, NothingChangesAtDesignDpi) {
  const Rect memo{8, 106, 381, 281};
  EXPECT_EQ(Scale(memo, 96), memo);
  EXPECT_EQ(Scale(-11, 96), -11);
}

TEST(Scale, RoundsToNearestLikeMulDiv) {
  EXPECT_EQ(Scale(Rect{8, 106, 381, 281}, 120), (Rect{10, 133, 476, 351}));
  EXPECT_EQ(Scale(113, 120), 141);  // 141.25
  EXPECT_EQ(Scale(-11, 120), -14);  // -13.75: the font grows too
  EXPECT_EQ(Scale(406, 144), 609);
}

TEST(Anchor, EdgesKeepTheirDistanceOrStretch) {
  const Size initial{398, 469};
  const Size wider{498, 569};
  // Left and bottom: moves down only.
  EXPECT_EQ(Anchor({8, 397, 113, 25}, kAnchorLeft | kAnchorBottom, initial, wider), (Rect{8, 497, 113, 25}));
  // Right and bottom: keeps its distance to both edges.
  EXPECT_EQ(Anchor({158, 397, 77, 25}, kAnchorRight | kAnchorBottom, initial, wider), (Rect{258, 497, 77, 25}));
  // All four: grows with the window.
  EXPECT_EQ(Anchor({8, 106, 381, 281}, kAnchorAll, initial, wider), (Rect{8, 106, 481, 381}));
  // Left, top and right: stretches sideways only.
  EXPECT_EQ(Anchor({142, 2, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, initial, wider),
            (Rect{142, 2, 348, 15}));
  // A window made smaller than the control never gives a negative size.
  EXPECT_EQ(Anchor({8, 106, 381, 281}, kAnchorAll, initial, Size{10, 10}).width, 0);
}

TEST(PlaceWindow, CentredInTheWorkAreaAndNeverLargerThanIt) {
  const Rect belowTopBar{0, 32, 1024, 736};
  // Fits: its own size, centred in the work area (not on the screen).
  EXPECT_EQ(PlaceWindow(Size{406, 503}, belowTopBar), (Rect{309, 148, 406, 503}));
  // Too high: as high as the work area, from its top edge.
  EXPECT_EQ(PlaceWindow(Size{812, 1006}, belowTopBar), (Rect{106, 32, 812, 736}));
  // Too big both ways, on a monitor left of the primary one.
  EXPECT_EQ(PlaceWindow(Size{2000, 2000}, Rect{-800, 0, 800, 560}), (Rect{-800, 0, 800, 560}));
}

TEST(FitCaptions, KeepsTheFontShrinksItOrWidensTheColumn) {
  // Captions 15 pixels wide per pixel of height, in a column `column` wide.
  const auto overflowIn = [](int column) { return [column](int height) { return 15 * height - column; }; };
  EXPECT_EQ(FitCaptions(13, overflowIn(200)).fontHeight, 13);  // 195 fits
  const CaptionFit shrunk = FitCaptions(22, overflowIn(300));   // 330 at 22, 300 at 20
  EXPECT_EQ(shrunk.fontHeight, 20);
  EXPECT_EQ(shrunk.widen, 0);
  // No smaller than four fifths (18 of 22): the rest is taken by a wider column.
  const CaptionFit widened = FitCaptions(22, overflowIn(200));
  EXPECT_EQ(widened.fontHeight, 18);
  EXPECT_EQ(widened.widen, 270 - 200);
}

}  // namespace
}  // namespace tavisto::app
