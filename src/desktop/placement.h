#pragma once

#include <vector>

namespace almanix::desktop {

// A window's or a screen's rectangle in desktop pixels.
struct WindowRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowRect&) const = default;
};

// The main window is never smaller than this.
inline constexpr int kMainMinWidth = 700;
inline constexpr int kMainMinHeight = 400;

// The window's rectangle from the saved Left, Top, Width and Heigth: the
// saved size less 25 pixels each way, at least the window's minimum.
WindowRect PlacementFromConfig(int left, int top, int width, int heigth);

// What goes back into the configuration: the size plus 25, so that the next
// start opens the window at the size it had.
struct SavedPlacement {
  int left = 0;
  int top = 0;
  int width = 0;
  int heigth = 0;
};
SavedPlacement PlacementToConfig(const WindowRect& window);

// The window moved and shrunk onto the screens when too little of its title
// bar would show on any of them (a screen unplugged since, a saved placement
// from a larger desktop): it goes onto the screen it overlaps most, else the
// first (primary) one, whole. A placement that shows enough stays as it is.
// screens are the screens' available areas; none leaves the window alone.
WindowRect PlaceOnScreens(const WindowRect& window, const std::vector<WindowRect>& screens);

}  // namespace almanix::desktop
