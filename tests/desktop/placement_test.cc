#include "desktop/placement.h"

#include <gtest/gtest.h>

namespace almanix::desktop {
namespace {

TEST(Placement, SavedSizeRoundTripsThroughTheConfiguration) {
  // The saved width 800 opens the window 775 wide; saving it gives 800 back.
  WindowRect opened = PlacementFromConfig(2, 2, 800, 600);
  EXPECT_EQ(opened, (WindowRect{2, 2, 775, 575}));
  SavedPlacement saved = PlacementToConfig(opened);
  EXPECT_EQ(saved.width, 800);
  EXPECT_EQ(saved.heigth, 600);
  EXPECT_EQ(saved.left, 2);
  // Never below the window's minimum, whatever the file says.
  EXPECT_EQ(PlacementFromConfig(10, 10, 100, -5), (WindowRect{10, 10, 700, 400}));
}

TEST(Placement, OffScreenWindowsComeBackOntoAScreen) {
  const std::vector<WindowRect> two = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
  // Wholly or mostly on a screen: left alone, also across both screens.
  EXPECT_EQ(PlaceOnScreens({100, 100, 800, 600}, two), (WindowRect{100, 100, 800, 600}));
  EXPECT_EQ(PlaceOnScreens({1500, 50, 900, 600}, two), (WindowRect{1500, 50, 900, 600}));
  // Saved on a second screen that is gone: onto the one left, same size.
  const std::vector<WindowRect> one = {{0, 0, 1920, 1080}};
  EXPECT_EQ(PlaceOnScreens({2200, 100, 800, 600}, one), (WindowRect{1120, 100, 800, 600}));
  // Far away with no overlap: onto the primary screen.
  EXPECT_EQ(PlaceOnScreens({-5000, -5000, 800, 600}, one), (WindowRect{0, 0, 800, 600}));
  // Title bar above the top edge: pulled down even though the body shows.
  EXPECT_EQ(PlaceOnScreens({300, -200, 800, 600}, one), (WindowRect{300, 0, 800, 600}));
  // Larger than the screen it lands on: shrunk to it.
  const std::vector<WindowRect> small = {{0, 0, 1024, 700}};
  EXPECT_EQ(PlaceOnScreens({3000, 0, 1900, 1000}, small), (WindowRect{0, 0, 1024, 700}));
  // Only a sliver of the title bar on screen is not enough to grab.
  EXPECT_EQ(PlaceOnScreens({1900, 10, 800, 600}, one), (WindowRect{1120, 10, 800, 600}));
  // No screens known: nothing to go by.
  EXPECT_EQ(PlaceOnScreens({-5000, 0, 800, 600}, {}), (WindowRect{-5000, 0, 800, 600}));
}

}  // namespace
}  // namespace almanix::desktop
