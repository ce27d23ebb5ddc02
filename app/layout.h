// The main window's geometry: controls are designed in 96-DPI units, scaled once by the
// screen's DPI, and then follow their anchors when the window is resized.
#pragma once

#include <cstdint>
#include <functional>

namespace tavisto::app {

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
  int width = 0, height = 0;
};

inline constexpr unsigned kAnchorLeft = 1;
inline constexpr unsigned kAnchorTop = 2;
inline constexpr unsigned kAnchorRight = 4;
inline constexpr unsigned kAnchorBottom = 8;
inline constexpr unsigned kAnchorAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom;

inline constexpr int kDesignDpi = 96;

// value * dpi / 96, rounded to the nearest whole pixel (as MulDiv rounds).
[[nodiscard]] int Scale(int value, int dpi);
[[nodiscard]] Rect Scale(const Rect& rect, int dpi);

// Where a control placed at `placed` when the client area measured `initial` goes when the
// client area measures `now`: an edge anchored to the right or bottom keeps its distance to
// that edge; a control anchored on both sides of an axis stretches.
[[nodiscard]] Rect Anchor(const Rect& placed, unsigned anchors, Size initial, Size now);

// The window's outer rectangle on a monitor: the wanted size where it fits the work area, else
// as much of it as fits; centred in the work area either way.
[[nodiscard]] Rect PlaceWindow(Size wanted, const Rect& workArea);

struct CaptionFit {
  int fontHeight = 0;  // pixels, positive
  int widen = 0;       // pixels the column grows by
};
// Fits one-line captions into their controls. overflowAt(height) says by how many pixels the
// captions overflow at that font height at most (zero or less: they fit). The font keeps
// `fontHeight` when they fit; otherwise it takes the largest height down to four fifths of the
// original at which they fit, and with that smallest height the column widens by what still
// sticks out.
[[nodiscard]] CaptionFit FitCaptions(int fontHeight, const std::function<int(int height)>& overflowAt);

}  // namespace tavisto::app
