#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/dates.h"
#include "app/status.h"
#include "store/occurrence.h"

namespace almanix::store {
class Database;
}

// What one generation run reads from the tables, read once: every event
// row with the fields the pages show, and the day rows of each year table.
// Every page writer of the run takes its rows from here, so the tables are
// scanned once per run instead of once per month, category and page.
namespace almanix::generator {

// One row of the events table: the occurrence columns, parsed once, and the
// text of every column a page, feed or export writes.
struct EventRecord {
  std::string id;
  std::string calendar_id;  // the category the event was made in
  store::EventRow row;      // repetition columns as stored
  store::ParsedEvent occurs;
  std::string s_time;       // time code text, the month query's sort key
  std::string e_date, e_time, i_year, caption;
  std::string summary, description, location, url, status, visible;
  std::string allday, alarm, show_start_time, show_end_time;
  std::string font_color, font_size, underline, center, custom;
  std::string icon_name, link_description, location_name, time_zone;
  std::string link_new_window, append_date, append_category;
  std::string scroll_show, cell_color, slide_photo, scroll_photo;
  std::string s_date_time, e_date_time;  // date-time values as text

  // The month query's tests, worked out once from the texts: bit c when
  // Calendars holds ",c," (c < 64), bit m when rActiveMonths holds ",m,",
  // and the start month when iMonth is exactly a month's number (else 0).
  std::uint64_t category_bits = 0;
  std::uint16_t active_month_bits = 0;
  int start_month = 0;

  // The row's place in the run's rows (CalendarData::events()); -1 for a
  // record made on its own.
  int index = -1;
  // For a row of the data: the times of day of s_date_time and e_date_time
  // (fractions of a day; none when the text is no number), read once.
  double start_time_of_day = 0;
  std::optional<double> end_time_of_day;

  bool OccursOn(const store::DayKey& day, int category) const {
    return occurs.OccursOn(day, category);
  }
  // OccursOn for an event already known to fall on the day (OccursOnDay):
  // only the category is left to ask.
  bool InCategory(int category) const { return occurs.InCategory(category); }
};

// The events of one day out of a month's events (CandidatesOn): those that
// fall on the day in some category, in the month answer's order, each with
// the categories 0..63 it names, so that a page asks them per category
// without going back to the events' own rows.
struct DayEvents {
  std::vector<const EventRecord*> events;
  std::vector<std::uint64_t> categories;  // ParsedEvent::category_bits

  void Clear() {
    events.clear();
    categories.clear();
  }
  void Add(const EventRecord* e) { Add(e, e->occurs.category_bits()); }
  void Add(const EventRecord* e, std::uint64_t bits) {
    events.push_back(e);
    categories.push_back(bits);
  }
  // OccursOn(day, category) of the k-th event.
  bool Names(size_t k, int category) const {
    if (category >= 0 && category < 64) return (categories[k] >> category) & 1;
    return events[k]->InCategory(category);
  }
};

// One row of a year table.
struct DayRecord {
  std::string i_day, i_month, day_of_week, enabled, bar;
  DayNumber dt = 0;  // whole days
  std::string us, canada, other_holiday;
  std::vector<std::string> notes;  // Data1 .. Data30, index 0 = category 1

  // The holiday text of the set Contents.Holiday names ("US", "Canada",
  // "Other"); empty for "None" and anything else.
  const std::string& Holiday(std::string_view holiday_set) const;
  // The note of category c (1..30); empty beyond.
  const std::string& Note(int category) const;
};

class CalendarData {
 public:
  // Reads every event row ("Select * from events", table order).
  Status LoadEvents(store::Database& db);
  // Builds the data from rows already in hand (benchmarks, tests).
  void SetEvents(std::vector<EventRecord> events);

  const std::vector<EventRecord>& events() const { return events_; }

  // The month query of month m for the categories, as the tables answer it:
  // rows whose Calendars names one of the categories and whose
  // rActiveMonths lists m, or whose start month is m whatever their
  // categories ("and" binds before "or"); ordered by the sTime text, rows
  // of equal sTime in table order. The occurrence test decides the rest.
  // The answer does not depend on the year, so it is worked out once per
  // month and category selection and kept for the run.
  const std::vector<const EventRecord*>& MonthEvents(const std::vector<int>& categories,
                                                     int month);

  // The events of month_events (a MonthEvents answer) that fall on the day
  // in some category, in the same order: what is left to ask per category
  // is DayEvents::Names. The events' days are found once per month of the run, so
  // a page asks about a few events a day rather than the whole month's.
  // The answer stays valid until four other months have been asked about
  // (the run asks a month's days one after the other), or, when
  // month_events is no MonthEvents answer, it is out itself.
  const DayEvents& DayCandidates(const std::vector<const EventRecord*>& month_events,
                                 const store::DayKey& day, DayEvents* out);

  // Whether the year table of y exists in the database folder.
  bool HasYear(store::Database& db, int year) const;
  // The rows of month m of year y in table order; empty when the year table
  // is missing. The year's table is read on first use.
  const std::vector<DayRecord>& MonthDays(store::Database& db, int year, int month);

 private:
  struct Year {
    std::vector<std::vector<DayRecord>> months;  // 0 = January
  };
  std::vector<EventRecord> events_;
  // Per month 1..12, the positions (in sorted order) of events whose iMonth
  // text is that month: the half of the month query that ignores
  // categories. Month 0 holds every position in sorted order.
  std::vector<std::vector<int>> by_start_month_;
  std::vector<int> sorted_;
  std::map<int, std::unique_ptr<Year>> years_;
  // MonthEvents by (category bits, month).
  std::map<std::pair<std::uint64_t, int>, std::vector<const EventRecord*>> month_events_;
  // Per MonthEvents answer, which events (by index) it holds.
  std::unordered_map<const std::vector<const EventRecord*>*, std::vector<bool>> members_;
  // Per month (year * 12 + month - 1), the events (by index, in sorted
  // order) that pass OccursOnDay on some day of it, each with those days as
  // bits (bit 0 = the 1st). A month's answer for a category then looks at
  // each such event once, not once per day: with thirty categories asked
  // one by one, most events of a day are no answer's.
  struct EventDays {
    int index;
    std::uint32_t days;
  };
  std::unordered_map<int, std::vector<EventDays>> month_days_;
  // DayCandidates of the months asked last, per day: a page asks for each
  // day twice (its events and their JSON-LD), and a month's answers are not
  // asked again once its pages are written, so a few are kept, not all.
  struct AnswerMonth {
    const void* answer = nullptr;
    int month = -1;  // year * 12 + month - 1
    std::vector<DayEvents> days;
  };
  static constexpr size_t kAnswerMonthsKept = 4;
  std::vector<AnswerMonth> answer_months_;  // the newest last
  std::vector<std::uint64_t> category_bits_;  // per event, ParsedEvent::category_bits
  const std::vector<EventDays>& IndexMonth(int year, int month);
};

// The events of month_events that fall on the day in some category (pass
// OccursOnDay), in the same order: data's day index when there is data, else
// each one tested. scratch holds the answer. What is left to ask of each is
// EventRecord::InCategory.
inline const DayEvents& CandidatesOn(CalendarData* data,
                                     const std::vector<const EventRecord*>& month_events,
                                     const store::DayKey& day, DayEvents* scratch) {
  if (data) return data->DayCandidates(month_events, day, scratch);
  scratch->Clear();
  for (const EventRecord* e : month_events) {
    if (e->occurs.OccursOnDay(day)) scratch->Add(e);
  }
  return *scratch;
}

// A DayKey for a day, built once per cell.
inline store::DayKey KeyFor(DayNumber day) { return store::DayKey::For(day); }

}  // namespace almanix::generator
