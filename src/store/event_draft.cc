#include "store/event_draft.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "app/text.h"
#include "store/db_engine.h"
#include "store/tables.h"

namespace almanix::store {
std::string DateValueText(DateTimeValue value) {
  // printf's "%.15g", which to_chars gives exactly, without the locale and
  // stream work of printf: an import formats two values a line.
  char buffer[64];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return std::string(buffer, r.ptr);
}

std::string ListEncoding(const std::vector<int>& numbers) {
  std::string out = ",";
  for (int n : numbers) out += std::to_string(n) + ",";
  return numbers.empty() ? ",," : out;
}

int TimeCode(DateTimeValue value) {
  // Whole milliseconds first, so 20:30 is not 20:29:59.999 in binary.
  CivilDateTime t = DecodeDateTime(value);
  long long ms = ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
  return static_cast<int>(ms * 1000000LL / 86400000LL);
}

EventDateColumns EventDateColumns::For(DateTimeValue start, DateTimeValue end,
                                       std::string_view caption_pattern) {
  EventDateColumns c;
  const DayNumber start_day = DatePart(start);
  // The day fields come from the day number, so they always agree with sDate.
  const CivilDate date = DecodeDate(start_day);
  c.s_date_time = DateValueText(start);
  c.e_date_time = DateValueText(end);
  c.s_date = std::to_string(start_day);
  c.s_time = std::to_string(TimeCode(start));
  c.e_time = std::to_string(TimeCode(end));
  c.e_date = std::to_string(DatePart(end));
  // "yyyy": the year 99 is "0099", as every writer of the column had it.
  c.i_year = std::to_string(date.year);
  if (c.i_year.size() < 4) c.i_year.insert(0, 4 - c.i_year.size(), '0');
  c.i_month = std::to_string(date.month);
  c.i_day = std::to_string(date.day);
  c.caption = ToLower(FormatDateTime(caption_pattern, start));
  return c;
}

std::string SkippedDaysText(const std::vector<DayNumber>& days) {
  std::string text;
  for (DayNumber d : days) {
    if (!text.empty()) text += ",";
    text += std::to_string(d);
  }
  return text;
}

Status WriteDraft(Query& q, const EventDraft& draft) {
  return WriteDraft(q, draft, SkippedDaysText(draft.skipped));
}

Status WriteDraft(Query& q, const EventDraft& draft, std::string_view skipped_text) {
  auto set = [&](const char* column, const std::string& value) {
    return q.SetString(column, value);
  };
  std::vector<std::pair<const char*, std::string>> values;
  if (Status s = WriteDescription(q, draft.description); !s.ok()) return s;
  values.push_back({"Alarm", BoolToTF(draft.alarm)});
  values.push_back({"Allday", BoolToTF(draft.all_day)});
  values.push_back({"F3", draft.pattern == WeeklyPattern::kWeekOfMonth       ? "W"
                          : draft.pattern == WeeklyPattern::kWeekOfMonthAbsolute ? "T"
                                                                                 : ""});
  values.push_back({"Calendars", ListEncoding(draft.categories)});
  values.push_back({"rMonthly", ListEncoding(draft.monthdays)});
  values.push_back({"rWeekly", ListEncoding(draft.weekdays)});
  values.push_back({"rActiveMonths", ListEncoding(draft.months)});
  const EventDateColumns dates = EventDateColumns::For(draft.start, draft.end);
  values.push_back({"caption", dates.caption});
  values.push_back({"F2", std::string(skipped_text)});
  switch (draft.repeat) {
    case RepeatKind::kNever:
      values.push_back({"rChoice", ""});
      values.push_back({"rMonthly", ""});
      values.push_back({"rWeekly", ""});
      values.push_back({"rActiveMonths", ""});
      break;
    case RepeatKind::kDaily:
      values.push_back({"rChoice", "D"});
      values.push_back({"rMonthly", ""});
      values.push_back({"rWeekly", ""});
      values.push_back({"F1", std::to_string(draft.every)});
      break;
    case RepeatKind::kWeekly:
      values.push_back({"rChoice", "W"});
      values.push_back({"rMonthly", ""});
      values.push_back({"F1", std::to_string(draft.every)});
      break;
    case RepeatKind::kMonthly:
      values.push_back({"rChoice", "M"});
      values.push_back({"rWeekly", ""});
      break;
    case RepeatKind::kYearly:
      values.push_back({"rChoice", "Y"});
      values.push_back({"rWeekly", ""});
      values.push_back({"rMonthly", ""});
      break;
  }
  values.push_back({"sDateTime", dates.s_date_time});
  values.push_back({"eDateTime", dates.e_date_time});
  values.push_back({"sDate", dates.s_date});
  values.push_back({"sTime", dates.s_time});
  values.push_back({"eTime", dates.e_time});
  values.push_back({"eDate", dates.e_date});
  values.push_back({"rEnds", draft.repeat_until ? std::to_string(*draft.repeat_until)
                                                : std::string("9999999")});
  values.push_back({"iDay", dates.i_day});
  values.push_back({"iYear", dates.i_year});
  values.push_back({"iMonth", dates.i_month});
  values.push_back({"FontColor", draft.font_color});
  values.push_back({"Status", ""});
  if (draft.background != "#FFFFFF") values.push_back({"Status", draft.background});
  values.push_back({"CellColor", draft.cell_color});
  values.push_back({"FontSize", std::to_string(draft.font_size)});
  values.push_back({"Underline", BoolToTF(draft.underline)});
  values.push_back({"Center", BoolToTF(draft.center)});
  values.push_back({"Custom", std::to_string(draft.custom)});
  values.push_back({"LinkNewWindow", BoolToTF(draft.link_new_window)});
  values.push_back({"AppendDate", BoolToTF(draft.append_date)});
  values.push_back({"AppendCategory", BoolToTF(draft.append_category)});
  values.push_back({"ShowStartTime", BoolToTF(draft.show_start_time)});
  values.push_back({"ShowEndTime", BoolToTF(draft.show_end_time)});
  values.push_back({"ScrollShow", BoolToTF(draft.scroll_show)});
  values.push_back({"TimeZone", draft.time_zone});
  for (const auto& [column, value] : values) {
    if (Status s = set(column, value); !s.ok()) return s;
  }
  if (Status s = set("Summary", draft.summary); !s.ok()) return s;
  if (Status s = set("Location", draft.location); !s.ok()) return s;
  return set("URL", draft.url);
}

Status AppendNewEvent(Query& q, DateTimeValue when, std::string_view category_id) {
  if (Status s = q.Append(); !s.ok()) return s;
  CivilDate date = DecodeDate(DatePart(when));
  const std::pair<const char*, std::string> defaults[] = {
      {"Visible", "True"},
      {"iDay", std::to_string(date.day)},
      {"iYear", std::to_string(date.year)},
      {"iMonth", std::to_string(date.month)},
      {"CalendarID", std::string(category_id)},
      {"Alarm", "F"},
      {"Allday", "F"},
      {"URL", "http://"},
      {"ShowStartTime", "T"},
      {"Summary", "New Event"},
      {"LinkDescription", "Link Name"},
  };
  for (const auto& [column, value] : defaults) {
    if (Status s = q.SetString(column, value); !s.ok()) {
      q.Cancel();
      return s;
    }
  }
  return Status::Ok();
}

Result<std::string> AddEvent(Query& q, const EventDraft& draft, int category) {
  if (!q.live() || q.table() != "events") {
    if (Status s = q.Open(" Select * from Events "); !s.ok()) return s;
  }
  // The new row as the editor makes it before anything is chosen.
  if (Status s = AppendNewEvent(q, draft.start, std::to_string(category)); !s.ok()) return s;
  if (Status s = WriteDraft(q, draft); !s.ok()) {
    q.Cancel();
    return s;
  }
  if (Status s = q.Post(); !s.ok()) return s;
  return q.AsString("ID");
}

}  // namespace almanix::store
