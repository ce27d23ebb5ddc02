#include "app/layout.h"

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

}  // namespace tavisto::app
