#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"

namespace almanix {
class UiSeam;
}  // namespace almanix

namespace almanix::desktop {

inline constexpr int kMaxSkipDays = 22;

// "dd/mm/yyyy".
std::string SkipDayLine(DayNumber day);
// Day from characters 1-2, month from 4-5, year from 7-10; an unreadable
// part is 1, 1 or 2000. nullopt when the parts make no date.
std::optional<DayNumber> SkipDayFromLine(std::string_view line);

// The "Skip Repeat on this day" window without its window: the skipped days
// of an event (its F2 text) as a list of dates sorted as text, a date
// picker, and the F2 text again on closing.
class SkipDays {
 public:
  // start: the event's start date, where the picker begins.
  SkipDays(std::string_view skipped_text, DayNumber start);

  const std::vector<std::string>& lines() const { return lines_; }
  DayNumber picker() const { return picker_; }
  void set_picker(DayNumber day) { picker_ = day; }

  // "<< Add": the picker's date, unless listed; refused with a message when
  // the list is full. True when a line was added.
  bool Add(UiSeam& ui);
  // "Delete >>": removes the line at index (nothing for no selection).
  void Delete(int index);
  // "Close": the lines back as F2, the day numbers joined by commas.
  std::string Close() const;

 private:
  std::vector<std::string> lines_;
  DayNumber picker_;
};

}  // namespace almanix::desktop
