#include "generator/calendar_data.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "app/text.h"
#include "store/db_engine.h"
#include "store/tables.h"

namespace almanix::generator {
namespace {

constexpr int kNoteColumns = 30;

// The entries of a comma-wrapped list that stand between two commas, as a
// "like '%,x,%'" test sees them.
template <typename Fn>
void ForEachWrappedItem(std::string_view list, Fn fn) {
  size_t start = list.find(',');
  while (start != std::string_view::npos) {
    size_t end = list.find(',', start + 1);
    if (end == std::string_view::npos) break;
    fn(list.substr(start + 1, end - start - 1));
    start = end;
  }
}

// A whole number written without sign or leading zeros, as std::to_string
// writes it; -1 otherwise.
int PlainNumber(std::string_view text) {
  if (text.empty() || text.size() > 3 || (text.size() > 1 && text[0] == '0')) return -1;
  int n = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return -1;
    n = n * 10 + (ch - '0');
  }
  return n;
}

void ComputeQueryBits(EventRecord& e) {
  e.category_bits = 0;
  ForEachWrappedItem(e.row.calendars, [&](std::string_view item) {
    int c = PlainNumber(item);
    if (c >= 0 && c < 64) e.category_bits |= std::uint64_t{1} << c;
  });
  e.active_month_bits = 0;
  ForEachWrappedItem(e.row.r_active_months, [&](std::string_view item) {
    int m = PlainNumber(item);
    if (m >= 1 && m <= 12) e.active_month_bits |= static_cast<std::uint16_t>(1u << m);
  });
  int m = PlainNumber(e.row.i_month);
  e.start_month = m >= 1 && m <= 12 ? m : 0;
}

// The fraction of a day of a date-time text; nullopt when it is none.
std::optional<double> TimeOfDay(const std::string& value) {
  const std::optional<double> v = ParseDouble(Trim(value));
  if (!v) return std::nullopt;
  return *v - std::floor(*v);
}

const std::string& Empty() {
  static const std::string empty;
  return empty;
}

}  // namespace

const std::string& DayRecord::Holiday(std::string_view holiday_set) const {
  if (holiday_set == "US") return us;
  if (holiday_set == "Canada") return canada;
  if (holiday_set == "Other") return other_holiday;
  return Empty();
}

const std::string& DayRecord::Note(int category) const {
  if (category < 1 || category > static_cast<int>(notes.size())) return Empty();
  return notes[category - 1];
}

Status CalendarData::LoadEvents(store::Database& db) {
  // The column names from a query of no rows; the rows themselves are read
  // straight from the statement, without a copy of the table in between.
  store::Query q(db);
  if (Status s = q.Open("Select * from events limit 0"); !s.ok()) return s;
  // Columns by position, looked up once: a run reads every row.
  struct Column {
    const char* name;
    std::string EventRecord::*field;
  };
  static const Column kColumns[] = {
      {"ID", &EventRecord::id},
      {"CalendarID", &EventRecord::calendar_id},
      {"sTime", &EventRecord::s_time},
      {"eDate", &EventRecord::e_date},
      {"eTime", &EventRecord::e_time},
      {"iYear", &EventRecord::i_year},
      {"caption", &EventRecord::caption},
      {"Summary", &EventRecord::summary},
      {"Location", &EventRecord::location},
      {"URL", &EventRecord::url},
      {"Status", &EventRecord::status},
      {"Visible", &EventRecord::visible},
      {"Allday", &EventRecord::allday},
      {"alarm", &EventRecord::alarm},
      {"ShowStartTime", &EventRecord::show_start_time},
      {"ShowEndTime", &EventRecord::show_end_time},
      {"FontColor", &EventRecord::font_color},
      {"FontSize", &EventRecord::font_size},
      {"underline", &EventRecord::underline},
      {"center", &EventRecord::center},
      {"custom", &EventRecord::custom},
      {"IconName", &EventRecord::icon_name},
      {"LinkDescription", &EventRecord::link_description},
      {"LocationName", &EventRecord::location_name},
      {"TimeZone", &EventRecord::time_zone},
      {"LinkNewWindow", &EventRecord::link_new_window},
      {"AppendDate", &EventRecord::append_date},
      {"AppendCategory", &EventRecord::append_category},
      {"ScrollShow", &EventRecord::scroll_show},
      {"CellColor", &EventRecord::cell_color},
      {"SlidePhoto", &EventRecord::slide_photo},
      {"ScrollPhoto", &EventRecord::scroll_photo},
      {"sDateTime", &EventRecord::s_date_time},
      {"eDateTime", &EventRecord::e_date_time},
  };
  static const Column kRowColumns[] = {
      {"Calendars", nullptr}, {"F1", nullptr},     {"F2", nullptr},
      {"F3", nullptr},        {"rChoice", nullptr}, {"rWeekly", nullptr},
      {"rMonthly", nullptr},  {"rActiveMonths", nullptr}, {"rEnds", nullptr},
      {"sDate", nullptr},     {"iMonth", nullptr},  {"iDay", nullptr}};
  std::vector<int> at;
  for (const Column& c : kColumns) at.push_back(q.ColumnIndex(c.name));
  std::vector<int> row_at;
  for (const Column& c : kRowColumns) row_at.push_back(q.ColumnIndex(c.name));
  std::vector<int> description_at;
  for (const std::string& name : store::DescriptionColumns()) {
    description_at.push_back(q.ColumnIndex(name));
  }

  q.Close();

  std::vector<EventRecord> events;
  // Room for every row at once: a record is two kilobytes, and growing the
  // vector step by step moves them all again each time.
  IgnoreResult(db.ForEachRow("Select count(*) from events",
                             [&](const std::vector<std::string_view>& v) {
                               if (auto n = ParseInt(v.empty() ? "" : v[0]); n && *n > 0) {
                                 events.reserve(static_cast<size_t>(*n));
                               }
                             }),
               "only a size hint; the rows are read next");
  Status read = db.ForEachRow("Select * from events", [&](const std::vector<std::string_view>& v) {
    const auto value = [&](int i) {
      return i >= 0 && static_cast<size_t>(i) < v.size() ? v[static_cast<size_t>(i)]
                                                         : std::string_view();
    };
    EventRecord& e = events.emplace_back();
    for (size_t i = 0; i < std::size(kColumns); ++i) e.*(kColumns[i].field) = value(at[i]);
    store::EventRow& r = e.row;
    std::string* row_fields[] = {&r.calendars, &r.f1,       &r.f2,
                                 &r.f3,        &r.r_choice, &r.r_weekly,
                                 &r.r_monthly, &r.r_active_months, &r.r_ends,
                                 &r.s_date,    &r.i_month,  &r.i_day};
    for (size_t i = 0; i < std::size(row_fields); ++i) *row_fields[i] = value(row_at[i]);
    for (int i : description_at) e.description += value(i);
  });
  if (!read.ok()) return read;
  SetEvents(std::move(events));
  return Status::Ok();
}

void CalendarData::SetEvents(std::vector<EventRecord> events) {
  month_events_.clear();
  members_.clear();
  month_days_.clear();
  answer_months_.clear();
  events_ = std::move(events);
  for (size_t i = 0; i < events_.size(); ++i) {
    EventRecord& e = events_[i];
    e.index = static_cast<int>(i);
    e.start_time_of_day = TimeOfDay(e.s_date_time).value_or(0);
    e.end_time_of_day = TimeOfDay(e.e_date_time);
    e.occurs = store::ParsedEvent::Parse(e.row);
    ComputeQueryBits(e);
  }
  category_bits_.resize(events_.size());
  for (size_t i = 0; i < events_.size(); ++i) category_bits_[i] = events_[i].occurs.category_bits();
  sorted_.resize(events_.size());
  for (size_t i = 0; i < events_.size(); ++i) sorted_[i] = static_cast<int>(i);
  // "order by sTime asc" compares the texts byte by byte.
  std::stable_sort(sorted_.begin(), sorted_.end(), [&](int a, int b) {
    return events_[a].s_time < events_[b].s_time;
  });
  by_start_month_.assign(13, {});
  for (int i : sorted_) {
    by_start_month_[events_[i].start_month].push_back(i);
  }
}

const std::vector<const EventRecord*>& CalendarData::MonthEvents(
    const std::vector<int>& categories, int month) {
  std::uint64_t wanted = 0;
  for (int c : categories) {
    if (c >= 0 && c < 64) wanted |= std::uint64_t{1} << c;
  }
  auto [it, added] = month_events_.try_emplace({wanted, month});
  if (!added) return it->second;
  const std::uint16_t month_bit =
      month >= 1 && month <= 12 ? static_cast<std::uint16_t>(1u << month) : 0;
  std::vector<const EventRecord*>& out = it->second;
  std::vector<bool>& members = members_[&out];
  members.assign(events_.size(), false);
  for (int i : sorted_) {
    const EventRecord& e = events_[i];
    if (((e.category_bits & wanted) && (e.active_month_bits & month_bit)) ||
        (month_bit && e.start_month == month)) {
      out.push_back(&e);
      members[i] = true;
    }
  }
  return out;
}

const std::vector<CalendarData::EventDays>& CalendarData::IndexMonth(int year, int month) {
  auto [known, added] = month_days_.try_emplace(year * 12 + month - 1);
  std::vector<EventDays>& found = known->second;
  if (!added) return found;
  const DayNumber first = EncodeDate(year, month, 1);
  const int days = DaysInMonth(year, month);
  std::vector<store::DayKey> keys;
  keys.reserve(static_cast<size_t>(days));
  for (int d = 0; d < days; ++d) keys.push_back(KeyFor(first + d));
  for (int i : sorted_) {
    const store::ParsedEvent& occurs = events_[i].occurs;
    if (!occurs.MayOccurInMonth(keys.front(), keys.back())) continue;
    std::uint32_t on = 0;
    for (int d = 0; d < days; ++d) {
      if (occurs.OccursOnDay(keys[static_cast<size_t>(d)])) on |= std::uint32_t{1} << d;
    }
    if (on != 0) found.push_back({i, on});
  }
  return found;
}

const DayEvents& CalendarData::DayCandidates(const std::vector<const EventRecord*>& month_events,
                                             const store::DayKey& day, DayEvents* out) {
  auto members = members_.find(&month_events);
  if (members == members_.end()) {
    // Not an answer of this data: every event is tested.
    out->Clear();
    for (const EventRecord* e : month_events) {
      if (e->occurs.OccursOnDay(day)) out->Add(e);
    }
    return *out;
  }
  const CivilDate date = DecodeDate(day.day);
  const int month = date.year * 12 + date.month - 1;
  auto known = std::find_if(answer_months_.begin(), answer_months_.end(),
                            [&](const AnswerMonth& a) {
                              return a.answer == &month_events && a.month == month;
                            });
  if (known == answer_months_.end()) {
    if (answer_months_.size() >= kAnswerMonthsKept) answer_months_.erase(answer_months_.begin());
    AnswerMonth& made = answer_months_.emplace_back();
    made.answer = &month_events;
    made.month = month;
    made.days.resize(static_cast<size_t>(DaysInMonth(date.year, date.month)));
    const std::vector<bool>& in_answer = members->second;
    // In sorted order, so each day's events keep the answer's order.
    for (const EventDays& event : IndexMonth(date.year, date.month)) {
      if (!in_answer[static_cast<size_t>(event.index)]) continue;
      for (std::uint32_t rest = event.days; rest != 0; rest &= rest - 1) {
        made.days[static_cast<size_t>(std::countr_zero(rest))].Add(&events_[event.index],
                                                                  category_bits_[event.index]);
      }
    }
    known = answer_months_.end() - 1;
  }
  return known->days[static_cast<size_t>(date.day - 1)];
}

bool CalendarData::HasYear(store::Database& db, int year) const {
  return db.TableExists("Year" + std::to_string(year));
}

const std::vector<DayRecord>& CalendarData::MonthDays(store::Database& db, int year,
                                                      int month) {
  static const std::vector<DayRecord> kNone;
  if (month < 1 || month > 12) return kNone;
  auto it = years_.find(year);
  if (it == years_.end()) {
    auto loaded = std::make_unique<Year>();
    loaded->months.resize(12);
    if (HasYear(db, year)) {
      store::Query q(db);
      if (q.Open("Select * from year" + std::to_string(year)).ok()) {
        std::vector<std::string> note_fields;
        for (int c = 1; c <= kNoteColumns; ++c) note_fields.push_back("Data" + std::to_string(c));
        for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
          DayRecord d;
          d.i_month = q.AsString("iMonth");
          int m = PlainNumber(d.i_month);
          if (m < 1 || m > 12) continue;  // filler rows belong to no month
          d.i_day = q.AsString("iDay");
          d.day_of_week = q.AsString("DayofWeek");
          d.enabled = q.AsString("ENABLED");
          d.bar = q.AsString("Bar");
          d.dt = static_cast<DayNumber>(std::floor(q.AsFloat("dt")));
          d.us = q.AsString("US");
          d.canada = q.AsString("Canada");
          d.other_holiday = q.AsString("OtherHoliday");
          d.notes.reserve(kNoteColumns);
          for (const std::string& f : note_fields) d.notes.push_back(q.AsString(f));
          loaded->months[m - 1].push_back(std::move(d));
        }
      }
    }
    it = years_.emplace(year, std::move(loaded)).first;
  }
  return it->second->months[month - 1];
}

}  // namespace almanix::generator
