#include "app/layout.h"

#include <algorithm>
#include <cstdlib>

namespace tavisto::app {

int Scale(int value, int dpi) {
  // Round half away from zero, as MulDiv does.
  const int64_t product = int64_t(value) * dpi;
  const int64_t half = kDesignDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi : (product - half) / kDesignDpi);
}

Rect Scale(const Rect& rect, int dpi) {
  return Rect{Scale(rect.x, dpi), Scale(rect.y, dpi), Scale(rect.width, dpi), Scale(rect.height, dpi)};
}

Rect Anchor(const Rect& placed, unsigned anchors, Size initial, Size now) {
  Rect result = placed;
  const int dx = now.width - initial.width;
  const int dy = now.height - initial.height;
  if ((anchors & kAnchorLeft) && (anchors & kAnchorRight)) {
    result.width += dx;
  } else if (anchors & kAnchorRight) {
    result.x += dx;
  }
  if ((anchors & kAnchorTop) && (anchors & kAnchorBottom)) {
    result.height += dy;
  } else if (anchors & kAnchorBottom) {
    result.y += dy;
  }
  if (result.width < 0) result.width = 0;
  if (result.height < 0) result.height = 0;
  return result;
}

Rect PlaceWindow(Size wanted, const Rect& workArea) {
  const int width = std::min(wanted.width, workArea.width);
  const int height = std::min(wanted.height, workArea.height);
  return Rect{workArea.x + (workArea.width - width) / 2, workArea.y + (workArea.height - height) / 2, width, height};
}

CaptionFit FitCaptions(int fontHeight, const std::function<int(int height)>& overflowAt) {
  // Below four fifths the text gets hard to read next to the values; a wider column is better.
  const int smallest = (4 * fontHeight + 4) / 5;
  for (int height = fontHeight;; --height) {
    const int overflow = overflowAt(height);
    if (overflow <= 0) return CaptionFit{height, 0};
    if (height <= smallest) return CaptionFit{height, overflow};
  }
}

}  // namespace tavisto::app
