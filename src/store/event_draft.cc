#include "store/event_draft.h"

#include <cmath>
#include <cstdio>

#include "app/text.h"
#include "store/db_engine.h"
#include "store/tables.h"

namespace almanix::store {
std::string DateValueText(DateTimeValue value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
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

std::string CaptionTime(DateTimeValue value) {
  return ToLower(FormatDateTime("hh:mm ampm", value));
}

Status WriteDraft(Query& q, const EventDraft& draft) {
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
  values.push_back({"caption", CaptionTime(draft.start)});
  std::string skipped;
  for (DayNumber d : draft.skipped) {
    if (!skipped.empty()) skipped += ",";
    skipped += std::to_string(d);
  }
  values.push_back({"F2", skipped});
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
  DayNumber start_day = DatePart(draft.start), end_day = DatePart(draft.end);
  CivilDate start = DecodeDate(start_day);
  values.push_back({"sDateTime", DateValueText(draft.start)});
  values.push_back({"eDateTime", DateValueText(draft.end)});
  values.push_back({"sDate", std::to_string(start_day)});
  values.push_back({"sTime", std::to_string(TimeCode(draft.start))});
  values.push_back({"eTime", std::to_string(TimeCode(draft.end))});
  values.push_back({"eDate", std::to_string(end_day)});
  values.push_back({"rEnds", draft.repeat_until ? std::to_string(*draft.repeat_until)
                                                : std::string("9999999")});
  values.push_back({"iDay", std::to_string(start.day)});
  values.push_back({"iYear", std::to_string(start.year)});
  values.push_back({"iMonth", std::to_string(start.month)});
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

Result<std::string> AddEvent(Query& q, const EventDraft& draft, int category) {
  if (!q.live() || q.table() != "events") {
    if (Status s = q.Open(" Select * from Events "); !s.ok()) return s;
  }
  if (Status s = q.Append(); !s.ok()) return s;
  // The new row as the editor makes it before anything is chosen.
  CivilDate date = DecodeDate(DatePart(draft.start));
  const std::pair<const char*, std::string> defaults[] = {
      {"Visible", "True"},
      {"iDay", std::to_string(date.day)},
      {"iYear", std::to_string(date.year)},
      {"iMonth", std::to_string(date.month)},
      {"CalendarID", std::to_string(category)},
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
  if (Status s = WriteDraft(q, draft); !s.ok()) {
    q.Cancel();
    return s;
  }
  if (Status s = q.Post(); !s.ok()) return s;
  return q.AsString("ID");
}

}  // namespace almanix::store
