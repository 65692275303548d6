#include "desktop/skip_days.h"

#include <algorithm>

#include "app/text.h"
#include "app/ui_seam.h"

namespace almanix::desktop {

namespace {

int PartOr(std::string_view line, size_t from, size_t length, int fallback) {
  if (from >= line.size()) return fallback;
  std::optional<int> n = ParseInt(line.substr(from, length));
  return n ? *n : fallback;
}

}  // namespace

std::string SkipDayLine(DayNumber day) { return FormatDateTime("dd/mm/yyyy", day); }

std::optional<DayNumber> SkipDayFromLine(std::string_view line) {
  const int day = PartOr(line, 0, 2, 1);
  const int month = PartOr(line, 3, 2, 1);
  const int year = PartOr(line, 6, 4, 2000);
  if (!IsValidDate(year, month, day)) return std::nullopt;
  return EncodeDate(year, month, day);
}

SkipDays::SkipDays(std::string_view skipped_text, DayNumber start) : picker_(start) {
  for (const std::string& item : Split(skipped_text, ',')) {
    std::optional<int> day = ParseInt(item);
    // Only days a picker can show; day 0 and junk are left out.
    if (day && *day > 0 && *day <= EncodeDate(9999, 12, 31)) lines_.push_back(SkipDayLine(*day));
  }
  std::sort(lines_.begin(), lines_.end());
}

bool SkipDays::Add(UiSeam& ui) {
  const std::string line = SkipDayLine(picker_);
  if (std::find(lines_.begin(), lines_.end(), line) != lines_.end()) return false;
  if (static_cast<int>(lines_.size()) >= kMaxSkipDays) {
    ui.ShowMessage("Maximum of 22 Skip Days allowed", MessageKind::kInformation);
    return false;
  }
  lines_.insert(std::upper_bound(lines_.begin(), lines_.end(), line), line);
  return true;
}

void SkipDays::Delete(int index) {
  if (index < 0 || index >= static_cast<int>(lines_.size())) return;
  lines_.erase(lines_.begin() + index);
}

std::string SkipDays::Close() const {
  std::string text;
  for (const std::string& line : lines_) {
    std::optional<DayNumber> day = SkipDayFromLine(line);
    if (!day) continue;
    if (!text.empty()) text += ",";
    text += std::to_string(*day);
  }
  return text;
}

}  // namespace almanix::desktop
