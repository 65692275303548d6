#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The calendar size slider of the Format & Publish window (`Calendar_Sizebar`):
// eleven positions, each a preset of the calendar width and the settings
// that go with it. The table and the arithmetic live here; PublishEditor
// applies a preset to the settings.
namespace almanix::publish {

// What one slider position sets.
struct SizePreset {
  int width;
  std::string_view units;    // Page.CalendarWidthUnits
  bool short_weekday_names;  // "Sun" .. "Sat"; otherwise "Sunday" .. "Saturday"
  int row_height;            // Page.Row_Height
  // The month-tab gallery gets "Month Name"; otherwise the tab style
  // remembered from the last style applied.
  bool month_name_tabs;
  int title_size;            // Page.TitleSize
};

inline constexpr int kSizePresetCount = 11;
inline constexpr int kSmallestSizePosition = 0;
inline constexpr int kLargestSizePosition = kSizePresetCount - 1;

// Position 0 (smallest) to 10 ("Full Screen", 97 %).
inline constexpr std::array<SizePreset, kSizePresetCount> kSizePresets = {{
    // clang-format off
    {300,  "px", true,  0, true,  12},
    {400,  "px", true,  1, true,  12},
    {500,  "px", true,  2, true,  12},
    {600,  "px", true,  3, true,  12},
    {700,  "px", true,  3, false, 12},
    {800,  "px", false, 3, false, 14},
    {900,  "px", false, 3, false, 14},
    {960,  "px", false, 3, false, 14},
    {1200, "px", false, 3, false, 18},
    {1400, "px", false, 3, false, 18},
    {97,   "%",  false, 4, false, 20},
    // clang-format on
}};

// The tab style of the small presets.
inline constexpr std::string_view kMonthNameTabStyle = "Month Name";
// "Standard (960)".
inline constexpr int kStandardWidth = 960;
inline constexpr std::string_view kStandardUnits = "px";

// The preset of a slider position; positions beyond the slider are taken
// as its nearest end.
const SizePreset& SizePresetAt(int position);

// The seven weekday names a preset writes, Sunday first.
std::vector<std::string> PresetWeekdayNames(const SizePreset& preset);

// Whether the toolbar option "Show Icon Captions" is shown at a position:
// only at the two smallest.
constexpr bool IconCaptionsShownAt(int position) {
  return position == 0 || position == 1;
}

// The slider position for a width (units are not looked at): up to 100
// -> 10; 101..300 -> 0; 301..400 -> 1; 501..600 -> 2; 601..700 -> 3;
// 701..800 -> 4; 801..900 -> 5; 901..960 -> 6; 961..1200 -> 7;
// 1201..1400 -> 8; 1401..10000 -> 9. Widths in no band (401..500, above
// 10000) give nullopt: the slider stays where it is. Above 400 the bands
// name the position below the one whose preset has that width (960 -> 6,
// the 900 preset); they are kept as the window has always set them.
std::optional<int> SliderPositionForWidth(int width);

// The event-list pop-up box that goes with a calendar width.
struct ListBoxSize {
  int width;
  int height;
  bool operator==(const ListBoxSize&) const = default;
};
// Width: the calendar width x 0.91, rounded to the nearest whole number
// (halves to the even one), at least 300; 725 whatever the width when the
// units are "%". Height: that box width x 0.625, rounded the same way, at
// least 300.
ListBoxSize ListBoxSizeFor(int calendar_width, std::string_view units);

// The label beside the slider: the width followed by its unit, "960px".
std::string SizeLabel(int width, std::string_view units);

// A page name as the month pages link it: ".." at the smallest size
// (position 0), where the name would not fit; the name itself otherwise.
std::string FitName(std::string_view name, int slider_position);

}  // namespace almanix::publish
