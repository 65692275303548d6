#include "settings/size_presets.h"

#include <algorithm>

namespace almanix::publish {
namespace {

// numerator / denominator (both positive) rounded to the nearest whole
// number, a half to the even neighbour; exact, no floating point.
int RoundHalfEven(long long numerator, long long denominator) {
  long long q = numerator / denominator;
  long long r = numerator % denominator;
  if (r < 0) {  // floor division for negative widths
    r += denominator;
    --q;
  }
  if (2 * r > denominator || (2 * r == denominator && q % 2 != 0)) ++q;
  return static_cast<int>(q);
}

struct Band {
  int low, high, position;
};
constexpr Band kBands[] = {
    {101, 300, 0},   {301, 400, 1},    {501, 600, 2},     {601, 700, 3},
    {701, 800, 4},   {801, 900, 5},    {901, 960, 6},     {961, 1200, 7},
    {1201, 1400, 8}, {1401, 10000, 9},
};

}  // namespace

const SizePreset& SizePresetAt(int position) {
  return kSizePresets[std::clamp(position, kSmallestSizePosition, kLargestSizePosition)];
}

std::vector<std::string> PresetWeekdayNames(const SizePreset& preset) {
  if (preset.short_weekday_names) return {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  return {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
}

std::optional<int> SliderPositionForWidth(int width) {
  if (width <= 100) return kLargestSizePosition;
  for (const Band& band : kBands) {
    if (width >= band.low && width <= band.high) return band.position;
  }
  return std::nullopt;
}

ListBoxSize ListBoxSizeFor(int calendar_width, std::string_view units) {
  ListBoxSize box;
  box.width = std::max(300, RoundHalfEven(calendar_width * 91LL, 100));
  if (units == "%") box.width = 725;
  box.height = std::max(300, RoundHalfEven(box.width * 625LL, 1000));
  return box;
}

std::string SizeLabel(int width, std::string_view units) {
  return std::to_string(width) + std::string(units);
}

std::string FitName(std::string_view name, int slider_position) {
  if (slider_position == kSmallestSizePosition) return "..";
  return std::string(name);
}

}  // namespace almanix::publish
