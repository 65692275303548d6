#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"

// What the event editor writes for an event: the row's columns from the
// choices a person makes, with the editor's defaults for the rest.
namespace almanix::store {

class Query;

enum class RepeatKind { kNever, kDaily, kWeekly, kMonthly, kYearly };
enum class WeeklyPattern { kWeeks, kWeekOfMonth, kWeekOfMonthAbsolute };

struct EventDraft {
  std::string summary = "New Event";
  std::string description;
  std::string location;
  std::string url = "http://";
  DateTimeValue start = 0;
  DateTimeValue end = 0;
  bool all_day = false;
  bool alarm = false;
  RepeatKind repeat = RepeatKind::kNever;
  int every = 1;  // 1..50
  WeeklyPattern pattern = WeeklyPattern::kWeeks;
  std::vector<int> weekdays;   // 1 = Sunday
  std::vector<int> monthdays;  // 1..31
  std::vector<int> months = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  std::vector<int> categories;  // the categories ticked, the event's own included
  std::optional<DayNumber> repeat_until;  // none: never ends repeating
  std::vector<DayNumber> skipped;
  std::string font_color = "#000000";
  std::string background = "#FFFFFF";
  std::string cell_color;
  int font_size = 8;
  bool underline = false;
  bool center = false;
  int custom = 0;
  bool link_new_window = false;
  bool append_date = false;
  bool append_category = false;
  bool show_start_time = true;
  bool show_end_time = false;
  bool scroll_show = false;
  std::string time_zone;
};

// A date-time value as the tables hold it ("45721.375").
std::string DateValueText(DateTimeValue value);
// ",1,3,5," for the numbers in the order given; ",," for none.
std::string ListEncoding(const std::vector<int>& numbers);
// The time code: the time of day as a fraction of a day x 1,000,000,
// truncated (12:00 is 500000).
int TimeCode(DateTimeValue value);
// The caption pattern of the editor and the event command ("08:30 pm").
inline constexpr char kEditorCaptionPattern[] = "hh:mm ampm";

// The date columns of an event row from its start and end, worked out the
// one way every writer of events does: start and end as date-time values,
// their day numbers and time codes, the start's year, month and day, and the
// start time by the writer's caption pattern in lower case.
struct EventDateColumns {
  static EventDateColumns For(DateTimeValue start, DateTimeValue end,
                              std::string_view caption_pattern = kEditorCaptionPattern);

  std::string s_date_time;  // "40242.8541666667"
  std::string e_date_time;
  std::string s_date;       // "40242"
  std::string s_time;       // "854166"
  std::string e_time;
  std::string e_date;
  std::string i_year;       // "2010"
  std::string i_month;      // "3", no leading zero
  std::string i_day;        // "5", no leading zero
  std::string caption;      // "08:30 pm"
};

// F2: the day numbers joined by commas, no wrapping commas.
std::string SkippedDaysText(const std::vector<DayNumber>& days);

// Appends a row to the live events query with the values every new event
// starts with: visible, the date's year, month and day, the category it is
// made in, no alarm, not all day, "http://", the start time shown, "New
// Event" and "Link Name". The caller writes the rest and posts.
Status AppendNewEvent(Query& events, DateTimeValue date, std::string_view category_id);

// Appends a new event to the live events query as the editor does (the new
// row's defaults, then every choice of the draft), posts it and returns its
// ID. category is the category the event is made in.
Result<std::string> AddEvent(Query& events, const EventDraft& draft, int category);

// Writes the draft's choices into the row being edited, in the editor's
// order; the caller posts.
Status WriteDraft(Query& events, const EventDraft& draft);
// The same with F2 written as the text given instead of draft.skipped: the
// editor writes back the skipped days as it read them.
Status WriteDraft(Query& events, const EventDraft& draft, std::string_view skipped_text);

}  // namespace almanix::store
