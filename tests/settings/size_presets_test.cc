#include "settings/size_presets.h"

#include <optional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace almanix::publish {
namespace {

using ::testing::ElementsAre;

TEST(SizePresetsTest, SliderBandsLeaveTheGapsAlone) {
  struct Case {
    int width;
    std::optional<int> position;
  };
  const Case cases[] = {
      {10, 10},   {97, 10},    {100, 10},   {101, 0},    {300, 0},   {301, 1},
      {400, 1},   {401, {}},   {450, {}},   {500, {}},   {501, 2},   {600, 2},
      {601, 3},   {700, 3},    {701, 4},    {800, 4},    {801, 5},   {900, 5},
      {901, 6},   {960, 6},    {961, 7},    {1200, 7},   {1201, 8},  {1400, 8},
      {1401, 9},  {10000, 9},  {10001, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SliderPositionForWidth(c.width), c.position) << c.width;
  }
}

TEST(SizePresetsTest, ListBoxRoundsHalvesToEvenWithItsFloors) {
  struct Case {
    int width;
    const char* units;
    ListBoxSize box;
  };
  const Case cases[] = {
      {960, "px", {874, 546}},   // 873.6 and 546.25
      {350, "px", {318, 300}},   // 318.5 down to the even 318; height floor
      {450, "px", {410, 300}},   // 409.5 up to the even 410
      {550, "px", {500, 312}},   // 500.5 down; 312.5 down
      {558, "px", {508, 318}},   // 507.78; 317.5 up
      {100, "px", {300, 300}},   // the floors
      {97, "%", {725, 453}},     // any width in %
      {2000, "%", {725, 453}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ListBoxSizeFor(c.width, c.units), c.box) << c.width << c.units;
  }
}

TEST(SizePresetsTest, NamesLabelsAndTheEnds) {
  EXPECT_EQ(FitName("January2026.html", 0), "..");
  EXPECT_EQ(FitName("January2026.html", 1), "January2026.html");
  EXPECT_EQ(FitName("January2026.html", 10), "January2026.html");
  EXPECT_EQ(SizeLabel(960, "px"), "960px");
  EXPECT_EQ(SizeLabel(97, "%"), "97%");
  EXPECT_EQ(SizePresetAt(-3).width, 300);
  EXPECT_EQ(SizePresetAt(42).width, 97);
  EXPECT_THAT(PresetWeekdayNames(SizePresetAt(4)),
              ElementsAre("Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"));
  EXPECT_THAT(PresetWeekdayNames(SizePresetAt(5)),
              ElementsAre("Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
                          "Saturday"));
}

}  // namespace
}  // namespace almanix::publish
