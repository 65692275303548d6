#include "exchange/ical_import.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <set>

#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "exchange/foreign_text.h"
#include "store/db_engine.h"
#include "store/event_draft.h"
#include "store/tables.h"

namespace almanix::exchange {
namespace {

constexpr char kNever[] = "9999999";
// How far an open-ended rule is compared with the calendar's own rule, and
// how many single dates a rule the calendar cannot hold may become.
constexpr int kCheckDays = 3 * 366;
constexpr size_t kMaxDates = 2000;

// A time as the calendar keeps it: local wall time. Dates and floating
// times are taken as written; times with a zone or in UTC are converted.
DateTimeValue LocalValue(icaltimetype t) {
  if (icaltime_is_null_time(t)) return 0;
  const DayNumber day = EncodeDate(t.year, t.month, t.day);
  if (icaltime_is_date(t)) return day;
  const icaltimezone* zone = icaltime_get_timezone(t);
  if (zone == nullptr && !icaltime_is_utc(t)) {
    return day + EncodeTime(t.hour, t.minute, t.second, 0);
  }
  if (zone == nullptr) zone = icaltimezone_get_utc_timezone();
  return FromTimeT(icaltime_as_timet_with_zone(t, zone));
}

bool Floating(icaltimetype t) {
  return icaltime_is_date(t) || (icaltime_get_timezone(t) == nullptr && !icaltime_is_utc(t));
}

std::string Text(const char* text) { return text ? std::string(text) : std::string(); }

std::string List(const std::set<int>& numbers) {
  std::vector<int> v(numbers.begin(), numbers.end());
  return store::ListEncoding(v);
}

bool Unset(const short* by) { return by[0] == ICAL_RECURRENCE_ARRAY_MAX; }

std::vector<short> Values(const short* by, int size) {
  std::vector<short> out;
  for (int i = 0; i < size && by[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) out.push_back(by[i]);
  return out;
}

struct Occurrences {
  bool floating = false;
  std::vector<std::pair<DateTimeValue, DateTimeValue>> spans;  // local start, end
};

void Collect(icalcomponent*, struct icaltime_span* span, void* data) {
  auto* out = static_cast<Occurrences*>(data);
  if (out->spans.size() > kMaxDates) return;
  auto local = [&](time_t t) -> DateTimeValue {
    if (!out->floating) return FromTimeT(t);
    // Floating times come back as if they were UTC; keep their wall time.
    std::tm tm{};
    gmtime_r(&t, &tm);
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
           EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, 0);
  };
  out->spans.emplace_back(local(span->start), local(span->end));
}

// The calendar's own columns for a rule; false when they cannot say it.
bool MapRule(const icalrecurrencetype& rule, DateTimeValue start, store::EventRow* row) {
  const CivilDate s = DecodeDate(DatePart(start));
  for (const short* by : {rule.by_second, rule.by_minute, rule.by_hour, rule.by_year_day,
                          rule.by_week_no, rule.by_set_pos}) {
    if (!Unset(by)) return false;
  }
  std::set<int> months;
  for (short m : Values(rule.by_month, ICAL_BY_MONTH_SIZE)) months.insert(m);
  if (months.empty()) {
    for (int m = 1; m <= 12; ++m) months.insert(m);
  }
  row->r_active_months = List(months);
  const std::vector<short> days = Values(rule.by_day, ICAL_BY_DAY_SIZE);
  const std::vector<short> month_days = Values(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
  const int interval = std::max<int>(1, rule.interval);

  switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE:
      if (!days.empty() || !month_days.empty()) return false;
      row->r_choice = "D";
      row->f1 = std::to_string(interval);
      return true;
    case ICAL_WEEKLY_RECURRENCE: {
      if (!month_days.empty()) return false;
      std::set<int> weekdays;
      for (short d : days) {
        if (icalrecurrencetype_day_position(d) != 0) return false;
        weekdays.insert(static_cast<int>(icalrecurrencetype_day_day_of_week(d)));
      }
      if (weekdays.empty()) weekdays.insert(DayOfWeek(DatePart(start)));
      row->r_choice = "W";
      row->r_weekly = List(weekdays);
      row->f1 = std::to_string(interval);
      return true;
    }
    case ICAL_MONTHLY_RECURRENCE: {
      if (interval != 1) return false;
      if (!days.empty()) {
        if (!month_days.empty()) return false;
        std::set<int> weekdays;
        const int position = icalrecurrencetype_day_position(days.front());
        for (short d : days) {
          if (icalrecurrencetype_day_position(d) != position) return false;
          weekdays.insert(static_cast<int>(icalrecurrencetype_day_day_of_week(d)));
        }
        if (position < 1 || position > 5) return false;
        row->r_choice = "W";
        row->f3 = "W";
        row->f1 = std::to_string(position);
        row->r_weekly = List(weekdays);
        return true;
      }
      std::set<int> numbers;
      for (short d : month_days) {
        if (d < 1) return false;
        numbers.insert(d);
      }
      if (numbers.empty()) numbers.insert(s.day);
      row->r_choice = "M";
      row->r_monthly = List(numbers);
      return true;
    }
    case ICAL_YEARLY_RECURRENCE:
      // On its day of its month: the monthly rule limited to that month.
      if (interval != 1 || !days.empty()) return false;
      if (month_days.size() > 1 || (month_days.size() == 1 && month_days[0] != s.day)) {
        return false;
      }
      if (months.size() != 12 && (months.size() != 1 || *months.begin() != s.month)) {
        return false;
      }
      row->r_choice = "M";
      row->r_monthly = "," + std::to_string(s.day) + ",";
      row->r_active_months = "," + std::to_string(s.month) + ",";
      return true;
    default:
      return false;
  }
}

// The days the calendar's rule gives from `first` to `last`.
std::set<DayNumber> CalendarDays(const store::EventRow& row, int category, DayNumber first,
                                 DayNumber last) {
  const store::ParsedEvent parsed = store::ParsedEvent::Parse(row);
  std::set<DayNumber> days;
  for (DayNumber d = first; d <= last; ++d) {
    if (parsed.OccursOn(store::DayKey::For(d), category)) days.insert(d);
  }
  return days;
}

std::string DateText(DayNumber day) { return FormatDateTime("yyyy-mm-dd", day); }

// The lines of a text handed to libical piece by piece. libical's own string
// reader looks for the next line break from where it is to the end of the
// text for every piece of at most one buffer, which makes a long line cost
// the square of its length (8 MB on one line took seconds); here the search
// stays within the piece.
struct LineSource {
  std::string_view rest;
};

char* NextPiece(char* out, size_t size, void* data) {
  auto* source = static_cast<LineSource*>(data);
  if (source->rest.empty() || size < 2) return nullptr;
  size_t n = std::min(source->rest.size(), size - 1);
  const void* line_end = std::memchr(source->rest.data(), '\n', n);
  if (line_end != nullptr) {
    n = static_cast<size_t>(static_cast<const char*>(line_end) - source->rest.data()) + 1;
  }
  std::memcpy(out, source->rest.data(), n);
  out[n] = '\0';
  source->rest.remove_prefix(n);
  return out;
}

// What icalparser_parse_string does, in linear time. Like it, the text ends
// at its first NUL.
icalcomponent* ParseCalendar(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  LineSource source{text};
  icalparser* parser = icalparser_new();
  if (parser == nullptr) return nullptr;
  const icalerrorstate saved = icalerror_get_error_state(ICAL_MALFORMEDDATA_ERROR);
  icalerror_set_error_state(ICAL_MALFORMEDDATA_ERROR, ICAL_ERROR_NONFATAL);
  icalparser_set_gen_data(parser, &source);
  icalcomponent* calendar = icalparser_parse(parser, NextPiece);
  icalerror_set_error_state(ICAL_MALFORMEDDATA_ERROR, saved);
  icalparser_free(parser);
  return calendar;
}

}  // namespace

std::string ImportIcsQuestion(std::string_view category_name) {
  return "Are you sure you really want import this file into the \"" +
         std::string(category_name) + "\" calendar?";
}

std::string NotUnderstoodMessage(int parsed_before) {
  return "Could not understand event # " + std::to_string(parsed_before);
}

Result<std::vector<IcsEvent>> ReadIcsFile(const std::string& path, int category,
                                          IcsImportResult* result) {
  Result<std::string> bytes = ReadFileBytes(path);
  if (!bytes.ok()) return bytes.status();
  const std::string text = DecodeText(bytes.value());
  icalcomponent* calendar = ParseCalendar(text);
  if (calendar == nullptr) return Status::Invalid(path + " is not an iCalendar file");
  std::vector<IcsEvent> events;
  const std::string c = std::to_string(category);

  auto events_of = [&](icalcomponent* parent, auto&& each) {
    for (icalcomponent* ev = icalcomponent_get_first_component(parent, ICAL_VEVENT_COMPONENT);
         ev != nullptr; ev = icalcomponent_get_next_component(parent, ICAL_VEVENT_COMPONENT)) {
      each(ev);
    }
  };
  auto read = [&](icalcomponent* ev) {
    ++result->vevents;
    const icaltimetype dtstart = icalcomponent_get_dtstart(ev);
    if (icaltime_is_null_time(dtstart)) {
      // No start: there is no day to put it on.
      result->messages.push_back(NotUnderstoodMessage(result->vevents - 1));
      ++result->not_understood;
      return;
    }
    IcsEvent e;
    e.summary = ForeignText(Trim(ReplaceAll(Text(icalcomponent_get_summary(ev)), "\n", " ")));
    e.description = ForeignText(ReplaceAll(
        ReplaceAll(Text(icalcomponent_get_description(ev)), "\r\n", " "), "\n", " "));
    e.location = ForeignText(ReplaceAll(Text(icalcomponent_get_location(ev)), "\n", " "));
    e.uid = Text(icalcomponent_get_uid(ev));
    if (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_URL_PROPERTY)) {
      e.url = ForeignUrl(Text(icalproperty_get_url(p)));
    } else {
      e.url = "http://";
    }
    e.all_day = icaltime_is_date(dtstart);
    e.start = LocalValue(dtstart);
    const icaltimetype dtend = icalcomponent_get_dtend(ev);
    e.end = icaltime_is_null_time(dtend) ? e.start : LocalValue(dtend);
    // An all-day end is the day after the last one.
    if (e.all_day && e.end > e.start) e.end -= 1;
    if (e.end < e.start) e.end = e.start;

    const DayNumber first = DatePart(e.start);
    const CivilDate s = DecodeDate(first);
    e.row.calendars = "," + c + ",";
    e.row.s_date = std::to_string(first);
    e.row.i_month = std::to_string(s.month);
    e.row.i_day = std::to_string(s.day);
    e.row.r_active_months = "," + std::to_string(s.month) + ",";
    e.row.r_ends = std::to_string(DatePart(e.end));

    icalproperty* rrule = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY);
    const bool rdates = icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY) != nullptr;
    if (rrule == nullptr && !rdates) {
      events.push_back(std::move(e));
      return;
    }

    // The dates the file means, as libical expands them (EXDATE and RDATE
    // included).
    const icalrecurrencetype rule =
        rrule ? icalproperty_get_rrule(rrule) : icalrecurrencetype{};
    Occurrences dates;
    dates.floating = Floating(dtstart);
    const bool bounded = !rrule || rule.count > 0 || !icaltime_is_null_time(rule.until);
    icaltimetype from = icaltime_from_day_of_year(1, s.year - 1);
    icaltimetype to = icaltime_from_day_of_year(1, bounded ? s.year + 60 : s.year + 4);
    // Rules below a day repeat thousands of times a day and libical walks
    // every instance of the window: it ends where the dates kept end, or a
    // stranger's one-line rule would keep the import busy for minutes.
    if (rrule && (rule.freq == ICAL_SECONDLY_RECURRENCE ||
                  rule.freq == ICAL_MINUTELY_RECURRENCE || rule.freq == ICAL_HOURLY_RECURRENCE)) {
      const long long unit = rule.freq == ICAL_SECONDLY_RECURRENCE   ? 1
                             : rule.freq == ICAL_MINUTELY_RECURRENCE ? 60
                                                                     : 3600;
      const long long seconds =
          static_cast<long long>(kMaxDates + 1) * std::max<long long>(rule.interval, 1) * unit;
      icaltimetype limit = dtstart;
      icaltime_adjust(&limit, static_cast<int>(seconds / 86400 + 1), 0, 0, 0);
      if (icaltime_compare(limit, to) < 0) to = limit;
    }
    icalcomponent_foreach_recurrence(ev, from, to, Collect, &dates);
    std::set<DayNumber> wanted;
    for (const auto& span : dates.spans) wanted.insert(DatePart(span.first));

    store::EventRow mapped = e.row;
    bool keeps = rrule && !rdates && MapRule(rule, e.start, &mapped);
    if (keeps) {
      if (!icaltime_is_null_time(rule.until)) {
        mapped.r_ends = std::to_string(DatePart(LocalValue(rule.until)));
      } else if (rule.count > 0) {
        mapped.r_ends = wanted.empty() ? e.row.r_ends : std::to_string(*wanted.rbegin());
      } else {
        mapped.r_ends = kNever;
      }
      std::string skipped;
      for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY); p;
           p = icalcomponent_get_next_property(ev, ICAL_EXDATE_PROPERTY)) {
        const DayNumber day = DatePart(LocalValue(icalproperty_get_exdate(p)));
        if (!skipped.empty()) skipped += ",";
        skipped += std::to_string(day);
      }
      mapped.f2 = skipped;
      // The columns are kept only when they give exactly the file's days.
      const DayNumber last =
          bounded ? (wanted.empty() ? first : *wanted.rbegin()) : first + kCheckDays;
      std::set<DayNumber> expected;
      for (DayNumber d : wanted) {
        if (d <= last) expected.insert(d);
      }
      keeps = dates.spans.size() <= kMaxDates && CalendarDays(mapped, category, first, last) ==
                                                      expected;
    }
    if (keeps) {
      e.row = mapped;
      events.push_back(std::move(e));
      return;
    }

    // One event a date; an open rule stops where the comparison window does.
    ++result->expanded;
    size_t n = 0;
    for (const auto& [span_start, span_end] : dates.spans) {
      if (++n > kMaxDates) break;
      IcsEvent one = e;
      one.start = e.all_day ? DatePart(span_start) : span_start;
      one.end = e.all_day ? DatePart(span_start) + (DatePart(e.end) - first) : span_end;
      const DayNumber day = DatePart(one.start);
      const CivilDate d = DecodeDate(day);
      one.row = store::EventRow{};
      one.row.calendars = e.row.calendars;
      one.row.s_date = std::to_string(day);
      one.row.i_month = std::to_string(d.month);
      one.row.i_day = std::to_string(d.day);
      one.row.r_active_months = "," + std::to_string(d.month) + ",";
      one.row.r_ends = std::to_string(DatePart(one.end));
      events.push_back(std::move(one));
    }
    const std::string last_date =
        dates.spans.empty() ? DateText(first) : DateText(DatePart(dates.spans.back().first));
    result->messages.push_back(
        "\"" + e.summary + "\" repeats in a way the calendar cannot keep as one event: " +
        std::to_string(std::min(dates.spans.size(), kMaxDates)) + " dates up to " + last_date +
        " were imported as single events" +
        (bounded ? "." : "; later dates were left out."));
  };

  if (icalcomponent_isa(calendar) == ICAL_VEVENT_COMPONENT) {
    read(calendar);
  } else {
    events_of(calendar, read);
    for (icalcomponent* inner = icalcomponent_get_first_component(calendar, ICAL_VCALENDAR_COMPONENT);
         inner != nullptr;
         inner = icalcomponent_get_next_component(calendar, ICAL_VCALENDAR_COMPONENT)) {
      events_of(inner, read);
    }
  }
  icalcomponent_free(calendar);
  return events;
}

Result<IcsImportResult> ImportIcsFile(store::Database& db, const std::string& path,
                                      int category, UiSeam& ui, TLog* log) {
  IcsImportResult result;
  Result<std::vector<IcsEvent>> events = ReadIcsFile(path, category, &result);
  if (!events.ok()) return events.status();
  for (const std::string& m : result.messages) ui.ShowMessage(m, MessageKind::kWarning);

  store::Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  store::Query q(db);
  const std::string c = std::to_string(category);
  const int total = static_cast<int>(events.value().size());
  for (const IcsEvent& e : events.value()) {
    if (result.written % 20 == 0) ui.Progress(result.written, total);
    ui.ProcessEvents();
    Status s = q.Open("Select * from Events where 1=0");
    if (s.ok()) s = q.Append();
    const bool all_day = e.start == DatePart(e.start);
    const store::EventDateColumns dates =
        store::EventDateColumns::For(e.start, e.end, "h:mmam/pm");
    const std::pair<const char*, std::string> columns[] = {
        {"Alarm", "F"},
        {"Allday", all_day ? "T" : "F"},
        {"Calendars", e.row.calendars},
        {"rMonthly", e.row.r_monthly},
        {"rWeekly", e.row.r_weekly},
        {"rActiveMonths", e.row.r_active_months},
        {"rChoice", e.row.r_choice},
        {"F1", e.row.f1},
        {"F2", e.row.f2},
        {"F3", e.row.f3},
        {"caption", dates.caption},
        {"CalendarID", c},
        {"EventID", e.uid},
        {"iYear", dates.i_year},
        {"iDay", dates.i_day},
        {"iMonth", dates.i_month},
        {"Summary", e.summary},
        {"Location", e.location},
        {"URL", e.url},
        {"Visible", "True"},
        {"sDateTime", dates.s_date_time},
        {"eDateTime", dates.e_date_time},
        {"sDate", dates.s_date},
        {"sTime", dates.s_time},
        {"eDate", dates.e_date},
        {"rEnds", e.row.r_ends},
        {"FontColor", ""},
        {"FontSize", "8"},
        {"Underline", "F"},
        {"Center", "F"},
        {"Custom", "F"},
        {"ShowStartTime", all_day ? "F" : "T"},
        {"ShowEndTime", "F"},
    };
    for (const auto& [column, value] : columns) {
      if (s.ok()) s = q.SetString(column, value);
    }
    if (s.ok()) s = store::WriteDescription(q, e.description);
    if (s.ok()) s = q.Post();
    if (!s.ok()) {
      q.Cancel();
      return s;
    }
    ++result.written;
  }
  if (Status s = transaction.Commit(); !s.ok()) return s;
  ui.Progress(0, 0);
  LogTo(log, false,
        "ImportICS " + path + ": " + std::to_string(result.written) + " events from " +
            std::to_string(result.vevents));
  return result;
}

}  // namespace almanix::exchange
