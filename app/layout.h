// The main window's geometry: controls are designed in 96-DPI units, scaled once by the
// screen's DPI, and then follow their anchors when the window is resized.
#pragma once

#include <cstdint>

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

}  // namespace tavisto::app
