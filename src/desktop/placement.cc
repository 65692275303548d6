#include "desktop/placement.h"

#include <algorithm>

namespace almanix::desktop {

namespace {

constexpr int kSizeMargin = 25;
// How much of the title bar must show for the person to grab it.
constexpr int kTitleHeight = 30;
constexpr int kGrabWidth = 100;

long long Overlap(const WindowRect& a, const WindowRect& b) {
  long long w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
  long long h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
  return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

WindowRect PlacementFromConfig(int left, int top, int width, int heigth) {
  return {left, top, std::max(kMainMinWidth, width - kSizeMargin),
          std::max(kMainMinHeight, heigth - kSizeMargin)};
}

SavedPlacement PlacementToConfig(const WindowRect& window) {
  return {window.x, window.y, window.width + kSizeMargin, window.height + kSizeMargin};
}

WindowRect PlaceOnScreens(const WindowRect& window, const std::vector<WindowRect>& screens) {
  if (screens.empty()) return window;
  const WindowRect title{window.x, window.y, window.width, kTitleHeight};
  for (const WindowRect& s : screens) {
    WindowRect shown{std::max(title.x, s.x), std::max(title.y, s.y), 0, 0};
    shown.width = std::min(title.x + title.width, s.x + s.width) - shown.x;
    shown.height = std::min(title.y + title.height, s.y + s.height) - shown.y;
    // The title bar's top edge must be on this screen, so it is not hidden
    // above the screen's top with only the window's body showing.
    if (shown.width >= std::min(kGrabWidth, window.width) && shown.height > 0 &&
        window.y >= s.y) {
      return window;
    }
  }
  const WindowRect* target = &screens.front();
  long long best = 0;
  for (const WindowRect& s : screens) {
    if (long long o = Overlap(window, s); o > best) {
      best = o;
      target = &s;
    }
  }
  WindowRect placed = window;
  placed.width = std::min(window.width, target->width);
  placed.height = std::min(window.height, target->height);
  placed.x = std::clamp(window.x, target->x, target->x + target->width - placed.width);
  placed.y = std::clamp(window.y, target->y, target->y + target->height - placed.height);
  return placed;
}

}  // namespace almanix::desktop
