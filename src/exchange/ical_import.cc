#include "exchange/ical_import.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <unordered_map>

#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "exchange/foreign_text.h"
#include "exchange/ical_library.h"
#include "exchange/ical_scan.h"
#include "store/db_engine.h"
#include "store/event_draft.h"
#include "store/tables.h"

namespace almanix::exchange {
namespace {

constexpr char kNever[] = "9999999";
// How far an open-ended rule is compared with the calendar's own rule, and
// how many single dates a rule the calendar cannot hold may become. Every
// other week needs a whole 28-year cycle of the calendar: the calendar
// counts week numbers, and only years with 53 weeks tell the two apart.
constexpr int kCheckDays = 5 * 366;
constexpr int kWeekCycleDays = 28 * 366;
constexpr size_t kMaxDates = 2000;
// Steps of libical's iterator one event may take; a rule by the second
// would otherwise walk every second of its span.
constexpr int kMaxSteps = 20000;
constexpr double kSecond = 1.0 / 86400;

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

// Zone names Outlook and Exchange write without a VTIMEZONE.
const char* WindowsZone(std::string_view name) {
  static const std::pair<const char*, const char*> kZones[] = {
      {"Eastern Standard Time", "America/New_York"},
      {"Central Standard Time", "America/Chicago"},
      {"Mountain Standard Time", "America/Denver"},
      {"Pacific Standard Time", "America/Los_Angeles"},
      {"GMT Standard Time", "Europe/London"},
      {"W. Europe Standard Time", "Europe/Berlin"},
      {"Romance Standard Time", "Europe/Paris"},
      {"Central Europe Standard Time", "Europe/Budapest"},
      {"Tokyo Standard Time", "Asia/Tokyo"},
      {"China Standard Time", "Asia/Shanghai"},
      {"India Standard Time", "Asia/Kolkata"},
      {"AUS Eastern Standard Time", "Australia/Sydney"},
      {"UTC", "UTC"},
  };
  for (const auto& [windows, iana] : kZones) {
    if (name == windows) return iana;
  }
  return nullptr;
}

// A point in time of the file: its wall time and the zone it is in (none
// for dates and floating times).
struct FileTime {
  icaltimetype wall = Ical().icaltime_null_time();
  icaltimezone* zone = nullptr;
  bool utc = false;
  bool date = false;
};

class Zones {
 public:
  explicit Zones(icalcomponent* root) : root_(root) {}
  // The zone a TZID names: the file's VTIMEZONE, libical's own, or a
  // Windows name. Null, and `unknown` set, when nothing knows it.
  icaltimezone* Find(const std::string& tzid, bool* unknown) {
    auto it = cache_.find(tzid);
    if (it != cache_.end()) {
      *unknown = it->second == nullptr;
      return it->second;
    }
    icaltimezone* zone = root_ ? Ical().icalcomponent_get_timezone(root_, tzid.c_str()) : nullptr;
    if (zone == nullptr) zone = Ical().icaltimezone_get_builtin_timezone_from_tzid(tzid.c_str());
    if (zone == nullptr) zone = Ical().icaltimezone_get_builtin_timezone(tzid.c_str());
    if (zone == nullptr) {
      if (const char* iana = WindowsZone(tzid)) {
        zone = std::string_view(iana) == "UTC" ? Ical().icaltimezone_get_utc_timezone()
                                               : Ical().icaltimezone_get_builtin_timezone(iana);
      }
    }
    cache_[tzid] = zone;
    *unknown = zone == nullptr;
    return zone;
  }

 private:
  icalcomponent* root_;
  std::unordered_map<std::string, icaltimezone*> cache_;
};

// A time as the calendar keeps it: local wall time. Dates and floating
// times are taken as written; times with a zone or in UTC are converted.
DateTimeValue LocalValue(const FileTime& t) {
  if (Ical().icaltime_is_null_time(t.wall)) return 0;
  const DayNumber day = EncodeDate(t.wall.year, t.wall.month, t.wall.day);
  if (t.date) return day;
  if (!t.utc && t.zone == nullptr) {
    return day + EncodeTime(t.wall.hour, t.wall.minute, t.wall.second, 0);
  }
  icaltimetype plain = t.wall;
  plain.zone = nullptr;
  plain.is_date = 0;
  return FromTimeT(Ical().icaltime_as_timet_with_zone(
      plain, t.utc ? Ical().icaltimezone_get_utc_timezone() : t.zone));
}

std::string TzidOf(icalproperty* p) {
  icalparameter* param = Ical().icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
  return param ? Text(Ical().icalparameter_get_tzid(param)) : std::string();
}

struct Reader {
  Zones* zones;
  std::set<std::string>* unknown_zones;
  // X-WR-TIMEZONE: floating times are in it, and a series given in UTC
  // keeps its wall time there, as the program that wrote it shows it.
  icaltimezone* calendar_zone = nullptr;
  FileTime Start(icalproperty* p, icaltimetype value) {
    FileTime t = Of(p, value);
    if (t.utc && calendar_zone != nullptr) {
      icaltimetype utc = t.wall;
      utc.zone = Ical().icaltimezone_get_utc_timezone();
      t.wall = Ical().icaltime_convert_to_zone(utc, calendar_zone);
      t.wall.zone = nullptr;
      t.utc = false;
      t.zone = calendar_zone;
    }
    return t;
  }
  FileTime Of(icalproperty* p, icaltimetype value) {
    FileTime t;
    t.wall = value;
    t.date = Ical().icaltime_is_date(value);
    t.utc = Ical().icaltime_is_utc(value);
    if (!t.date && !t.utc) {
      const std::string tzid = TzidOf(p);
      if (!tzid.empty()) {
        bool unknown = false;
        t.zone = zones->Find(tzid, &unknown);
        if (unknown) unknown_zones->insert(tzid);
        if (t.zone == Ical().icaltimezone_get_utc_timezone()) {
          t.zone = nullptr;
          t.utc = true;
        }
      } else {
        t.zone = calendar_zone;
      }
    }
    t.wall.zone = nullptr;
    return t;
  }
};

struct Span {
  DateTimeValue start = 0, end = 0;  // local
};

std::string DateText(DayNumber day) { return FormatDateTime("yyyy-mm-dd", day); }

bool SameTime(DateTimeValue a, DateTimeValue b) { return std::fabs(a - b) < kSecond / 2; }

// The calendar's own columns for a rule; false when they cannot say it.
bool MapRule(const icalrecurrencetype& rule, DateTimeValue start, store::EventRow* row) {
  const CivilDate s = DecodeDate(DatePart(start));
  for (const short* by : {rule.by_second, rule.by_minute, rule.by_hour, rule.by_year_day,
                          rule.by_week_no, rule.by_set_pos}) {
    if (!Unset(by)) return false;
  }
  std::set<int> months;
  for (short m : Values(rule.by_month, ICAL_BY_MONTH_SIZE)) months.insert(m);
  const bool by_month = !months.empty();
  if (months.empty()) {
    for (int m = 1; m <= 12; ++m) months.insert(m);
  }
  row->r_active_months = List(months);
  const std::vector<short> days = Values(rule.by_day, ICAL_BY_DAY_SIZE);
  const std::vector<short> month_days = Values(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
  const int interval = std::max<int>(1, rule.interval);

  // The n-th weekday of each month (or of the months listed): the
  // calendar's week-of-month rule.
  auto nth_weekday = [&]() {
    if (!month_days.empty() || days.empty()) return false;
    std::set<int> weekdays;
    const int position = Ical().icalrecurrencetype_day_position(days.front());
    for (short d : days) {
      if (Ical().icalrecurrencetype_day_position(d) != position) return false;
      weekdays.insert(static_cast<int>(Ical().icalrecurrencetype_day_day_of_week(d)));
    }
    if (position == 0) {
      // Every such weekday of the month: a weekly rule.
      row->r_choice = "W";
      row->f1 = "1";
      row->r_weekly = List(weekdays);
      return true;
    }
    if (position < 1 || position > 5) return false;
    row->r_choice = "W";
    row->f3 = "W";
    row->f1 = std::to_string(position);
    row->r_weekly = List(weekdays);
    return true;
  };

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
        if (Ical().icalrecurrencetype_day_position(d) != 0) return false;
        weekdays.insert(static_cast<int>(Ical().icalrecurrencetype_day_day_of_week(d)));
      }
      if (weekdays.empty()) weekdays.insert(DayOfWeek(DatePart(start)));
      row->r_choice = "W";
      row->r_weekly = List(weekdays);
      row->f1 = std::to_string(interval);
      return true;
    }
    case ICAL_MONTHLY_RECURRENCE: {
      if (interval != 1) return false;
      if (!days.empty()) return nth_weekday();
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
      if (interval != 1) return false;
      // "The fourth Thursday of November", "every Thursday in March".
      if (!days.empty()) return by_month && nth_weekday();
      // On its day of its month: the monthly rule limited to that month.
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

// A day walked through one at a time, with its date and weekday (1 is
// Sunday) carried along instead of worked out for each day.
struct DayWalk {
  explicit DayWalk(DayNumber day)
      : date(DecodeDate(day)),
        weekday(DayOfWeek(day)),
        month_length(DaysInMonth(date.year, date.month)) {}
  void Next() {
    weekday = weekday % 7 + 1;
    if (++date.day <= month_length) return;
    date.day = 1;
    if (++date.month > 12) {
      date.month = 1;
      ++date.year;
    }
    month_length = DaysInMonth(date.year, date.month);
  }
  CivilDate date;
  int weekday;
  int month_length;
};

// The calendar's view of each day (week number, grid row, texts), made
// once a day for the whole file: every open weekly rule is checked over the
// same decades of days.
class DayKeys {
 public:
  const store::DayKey& For(DayNumber day) {
    auto [it, added] = keys_.try_emplace(day);
    if (added) it->second = store::DayKey::For(day);
    return it->second;
  }

 private:
  std::unordered_map<DayNumber, store::DayKey> keys_;
};

// The first day from `from` to `last` on which the row and the file
// disagree; last + 1 when they agree throughout.
DayNumber FirstDifference(const store::EventRow& row, int category, DayNumber from,
                          DayNumber last, const std::set<DayNumber>& wanted, DayKeys* keys) {
  const store::ParsedEvent parsed = store::ParsedEvent::Parse(row);
  // The calendar's rule is only asked about days it could give: building
  // a day's key (ISO week, grid row) costs more than these tests.
  auto listed = [](const std::string& list, int n) {
    return list.find("," + std::to_string(n) + ",") != std::string::npos;
  };
  bool weekday_ok[8] = {}, month_ok[13] = {}, day_ok[32] = {};
  for (int w = 1; w <= 7; ++w) weekday_ok[w] = row.r_choice != "W" || listed(row.r_weekly, w);
  for (int m = 1; m <= 12; ++m) month_ok[m] = listed(row.r_active_months, m);
  for (int d = 1; d <= 31; ++d) day_ok[d] = row.r_choice != "M" || listed(row.r_monthly, d);
  const int every = std::atoi(row.f1.c_str());
  const int ordinal = row.r_choice == "W" && row.f3 == "W" ? every : 0;
  const int daily = row.r_choice == "D" ? every : 0;
  const int start = std::atoi(row.s_date.c_str());
  // The days are walked in order, so the weekday, the date and the next
  // wanted day are carried from one day to the next: working each out
  // afresh for the years an open rule is checked over was most of an
  // import's time.
  auto next_wanted = wanted.lower_bound(from);
  DayWalk walk(from);
  for (DayNumber d = from; d <= last; ++d, walk.Next()) {
    const bool want = next_wanted != wanted.end() && *next_wanted == d;
    if (want) ++next_wanted;
    if (!want && d != start) {
      if (!weekday_ok[walk.weekday]) continue;
      if (daily > 0 && (d - start) % daily != 0) continue;
      if (!month_ok[walk.date.month] || !day_ok[walk.date.day]) continue;
      if (ordinal > 0 && (walk.date.day - 1) / 7 + 1 != ordinal) continue;
    }
    if (parsed.OccursOn(keys->For(d), category) != want) return d;
  }
  return last + 1;
}

// The rule as one row or a few: the calendar counts "every other week" by
// week numbers, which slip by one in years with 53 weeks, so a long series
// is cut there into rows that each start again in step. False when the
// rows would be too many to be the calendar's own rule.
constexpr size_t kMaxSegments = 8;
bool SplitIntoSegments(const store::EventRow& mapped, int category, const std::vector<Span>& spans,
                       const std::set<DayNumber>& wanted, DayNumber last, const std::string& ends,
                       DayKeys* keys, std::vector<std::pair<size_t, store::EventRow>>* out) {
  size_t i = 0;
  while (i < spans.size()) {
    if (out->size() == kMaxSegments) return false;
    const DayNumber from = DatePart(spans[i].start);
    const CivilDate c = DecodeDate(from);
    store::EventRow row = mapped;
    row.s_date = std::to_string(from);
    row.i_month = std::to_string(c.month);
    row.i_day = std::to_string(c.day);
    row.r_ends = ends;
    const DayNumber differs = FirstDifference(row, category, from, last, wanted, keys);
    size_t j = i;
    while (j < spans.size() && DatePart(spans[j].start) < differs) ++j;
    if (j == i) return false;
    if (differs <= last) row.r_ends = std::to_string(DatePart(spans[j - 1].start));
    out->emplace_back(i, std::move(row));
    if (differs > last) return true;
    i = j;
  }
  return true;
}

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
  icalparser* parser = Ical().icalparser_new();
  if (parser == nullptr) return nullptr;
  const icalerrorstate saved = Ical().icalerror_get_error_state(ICAL_MALFORMEDDATA_ERROR);
  Ical().icalerror_set_error_state(ICAL_MALFORMEDDATA_ERROR, ICAL_ERROR_NONFATAL);
  Ical().icalparser_set_gen_data(parser, &source);
  icalcomponent* calendar = Ical().icalparser_parse(parser, NextPiece);
  Ical().icalerror_set_error_state(ICAL_MALFORMEDDATA_ERROR, saved);
  Ical().icalparser_free(parser);
  return calendar;
}

struct ComponentDeleter {
  void operator()(icalcomponent* c) const {
    if (c) Ical().icalcomponent_free(c);
  }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

// Every occurrence of a rule from its start, as local times.
struct Expansion {
  std::vector<Span> spans;
  bool capped = false;   // the steps, the dates or the window ran out first
  bool finished = false; // the rule itself ended
};

struct Occurrence {
  FileTime start;
  double seconds = 0;  // length of a timed event
  int days = 0;        // length of an all-day event, less one
};

Span SpanAt(const Occurrence& o, icaltimetype wall) {
  FileTime t = o.start;
  t.wall = wall;
  t.wall.is_date = o.start.date;
  Span s;
  s.start = LocalValue(t);
  if (o.start.date) {
    s.end = s.start + o.days;
  } else if (t.zone || t.utc) {
    icaltimetype plain = wall;
    plain.zone = nullptr;
    const time_t at = Ical().icaltime_as_timet_with_zone(
        plain, t.utc ? Ical().icaltimezone_get_utc_timezone() : t.zone);
    s.end = FromTimeT(at + static_cast<time_t>(o.seconds));
  } else {
    s.end = s.start + o.seconds / 86400;
  }
  return s;
}

// The days of the plain rules (daily, weekly, the days or n-th weekdays of
// a month, yearly), worked out by date arithmetic: libical's iterator
// spends most of an import in ICU's calendar, a few microseconds a step.
// False for any other rule, which is left to libical. The start is always
// the first day, as the standard counts it.
class PlainRule {
 public:
  static bool Supported(const icalrecurrencetype& r) {
    for (const short* by : {r.by_second, r.by_minute, r.by_hour, r.by_year_day, r.by_week_no,
                            r.by_set_pos}) {
      if (!Unset(by)) return false;
    }
    if (r.rscale != nullptr) return false;
    const std::vector<short> days = Values(r.by_day, ICAL_BY_DAY_SIZE);
    const std::vector<short> month_days = Values(r.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    for (short d : month_days) {
      if (d < 1) return false;
    }
    if (!days.empty() && !month_days.empty()) return false;
    for (short d : days) {
      const int pos = Ical().icalrecurrencetype_day_position(d);
      if (pos < 0 || pos > 5) return false;
      if (pos != 0 && r.freq != ICAL_MONTHLY_RECURRENCE && r.freq != ICAL_YEARLY_RECURRENCE) {
        return false;
      }
    }
    switch (r.freq) {
      case ICAL_DAILY_RECURRENCE:
        return days.empty() && month_days.empty();
      case ICAL_WEEKLY_RECURRENCE:
        return month_days.empty();
      case ICAL_MONTHLY_RECURRENCE:
        return true;
      case ICAL_YEARLY_RECURRENCE:
        // n-th weekdays of the year need BYMONTH to be n-th of a month.
        return days.empty() || !Unset(r.by_month);
      default:
        return false;
    }
  }

  // The days from `start` to `last`, at most `limit` of them; `finished`
  // when COUNT ended the rule.
  static std::vector<DayNumber> Days(const icalrecurrencetype& r, DayNumber start,
                                     DayNumber last, size_t limit, bool* finished) {
    std::vector<DayNumber> out;
    const int interval = std::max<int>(1, r.interval);
    bool months[13] = {};
    const std::vector<short> by_month = Values(r.by_month, ICAL_BY_MONTH_SIZE);
    const CivilDate s = DecodeDate(start);
    for (short m : by_month) months[m] = true;
    if (by_month.empty()) {
      for (int m = 1; m <= 12; ++m) months[m] = r.freq != ICAL_YEARLY_RECURRENCE || m == s.month;
    }
    bool weekdays[8] = {};
    std::vector<std::pair<int, int>> nth;  // position, weekday
    for (short d : Values(r.by_day, ICAL_BY_DAY_SIZE)) {
      const int w = static_cast<int>(Ical().icalrecurrencetype_day_day_of_week(d));
      weekdays[w] = true;
      nth.emplace_back(Ical().icalrecurrencetype_day_position(d), w);
    }
    std::vector<int> month_days;
    for (short d : Values(r.by_month_day, ICAL_BY_MONTHDAY_SIZE)) month_days.push_back(d);
    const size_t count = r.count > 0 ? static_cast<size_t>(r.count) : SIZE_MAX;
    *finished = false;
    auto add = [&](DayNumber d) {
      if (d < start || d > last) return true;
      if (out.size() >= count) {
        *finished = true;
        return false;
      }
      if (out.size() >= limit) return false;
      out.push_back(d);
      return true;
    };
    // The start counts first even when the rule would not give it.
    if (!add(start)) return out;
    const DayNumber after = start + 1;
    if (r.freq == ICAL_DAILY_RECURRENCE || r.freq == ICAL_WEEKLY_RECURRENCE) {
      const bool weekly = r.freq == ICAL_WEEKLY_RECURRENCE;
      if (weekly && nth.empty()) weekdays[DayOfWeek(start)] = true;
      const int wkst = r.week_start == ICAL_NO_WEEKDAY ? 2 : static_cast<int>(r.week_start);
      auto week_of = [&](DayNumber d) { return d - ((DayOfWeek(d) - wkst + 7) % 7); };
      const DayNumber first_week = week_of(start);
      DayWalk walk(after);
      for (DayNumber d = after; d <= last; ++d, walk.Next()) {
        if (weekly) {
          if (!weekdays[walk.weekday]) continue;
          const DayNumber week = d - ((walk.weekday - wkst + 7) % 7);
          if (((week - first_week) / 7) % interval != 0) continue;
        } else if ((d - start) % interval != 0) {
          continue;
        }
        if (!by_month.empty() && !months[walk.date.month]) continue;
        if (!add(d)) return out;
      }
      *finished = out.size() >= count;
      return out;
    }
    // Monthly and yearly: month by month.
    const bool yearly = r.freq == ICAL_YEARLY_RECURRENCE;
    int year = s.year, month = s.month;
    if (yearly) month = 1;
    for (int step = 0;; ++step) {
      const bool in_step = yearly ? ((year - s.year) % interval == 0)
                                  : (((year - s.year) * 12 + month - s.month) % interval == 0);
      if (EncodeDate(year, month, 1) > last) break;
      if (in_step && months[month]) {
        const int length = DaysInMonth(year, month);
        std::vector<DayNumber> found;
        if (!nth.empty()) {
          const DayNumber first_day = EncodeDate(year, month, 1);
          for (const auto& [pos, w] : nth) {
            const DayNumber first_w = first_day + (w - DayOfWeek(first_day) + 7) % 7;
            for (int k = 0; first_w + 7 * k < first_day + length; ++k) {
              if (pos == 0 || pos == k + 1) found.push_back(first_w + 7 * k);
            }
          }
        } else if (!month_days.empty()) {
          for (int d : month_days) {
            if (d <= length) found.push_back(EncodeDate(year, month, d));
          }
        } else if (s.day <= length) {
          found.push_back(EncodeDate(year, month, s.day));
        }
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        for (DayNumber d : found) {
          if (d >= after && !add(d)) return out;
        }
      }
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
    *finished = out.size() >= count;
    return out;
  }
};

Expansion Expand(icalrecurrencetype rule, const Occurrence& o, const FileTime* until,
                 DateTimeValue horizon) {
  Expansion out;
  DateTimeValue until_local = 0;
  if (until != nullptr) {
    // UNTIL is compared as a point in time: a date means its whole day.
    until_local = LocalValue(*until);
    if (until->date && !o.start.date) until_local += 1 - kSecond / 2;
    rule.until = Ical().icaltime_null_time();
  }
  icaltimetype first = o.start.wall;
  first.is_date = o.start.date;
  if (PlainRule::Supported(rule)) {
    const DayNumber start = EncodeDate(first.year, first.month, first.day);
    // A day past the window, so a rule still going is seen as going on.
    DayNumber last = DatePart(horizon) + 1;
    if (until != nullptr) last = std::min(last, DatePart(until_local) + 1);
    bool counted = false;
    const std::vector<DayNumber> days =
        PlainRule::Days(rule, start, last, static_cast<size_t>(kMaxSteps), &counted);
    for (DayNumber d : days) {
      const CivilDate c = DecodeDate(d);
      icaltimetype t = first;
      t.year = c.year;
      t.month = c.month;
      t.day = c.day;
      const Span span = SpanAt(o, t);
      if (until != nullptr && span.start > until_local + kSecond / 2) {
        out.finished = true;
        return out;
      }
      if (span.start > horizon) {
        out.capped = true;
        return out;
      }
      out.spans.push_back(span);
    }
    const bool until_inside = until != nullptr && DatePart(until_local) <= DatePart(horizon);
    if (counted || until_inside) {
      out.finished = true;
    } else {
      out.capped = true;
    }
    return out;
  }
  icalrecur_iterator* it = Ical().icalrecur_iterator_new(rule, first);
  if (it == nullptr) {
    out.finished = true;
    return out;
  }
  for (int step = 0;; ++step) {
    if (step >= kMaxSteps) {
      out.capped = true;
      break;
    }
    const icaltimetype t = Ical().icalrecur_iterator_next(it);
    if (Ical().icaltime_is_null_time(t)) {
      out.finished = true;
      break;
    }
    const Span span = SpanAt(o, t);
    if (until != nullptr && span.start > until_local + kSecond / 2) {
      out.finished = true;
      break;
    }
    if (span.start > horizon) {
      out.capped = true;
      break;
    }
    out.spans.push_back(span);
  }
  Ical().icalrecur_iterator_free(it);
  return out;
}

bool SubDaily(const icalrecurrencetype& rule) {
  return rule.freq == ICAL_SECONDLY_RECURRENCE || rule.freq == ICAL_MINUTELY_RECURRENCE ||
         rule.freq == ICAL_HOURLY_RECURRENCE;
}

std::string Quoted(const std::string& summary) { return "\"" + summary + "\""; }

}  // namespace

std::string ImportIcsQuestion(std::string_view category_name) {
  return "Are you sure you really want import this file into the \"" +
         std::string(category_name) + "\" calendar?";
}

std::string NotUnderstoodMessage(int parsed_before) {
  return "Could not understand event # " + std::to_string(parsed_before);
}

std::string NotUnderstoodMessage(int parsed_before, const std::string& summary,
                                 const std::string& why) {
  return NotUnderstoodMessage(parsed_before) + " " + Quoted(PrintableText(summary)) + " (" +
         why + ")";
}

Result<std::vector<IcsEvent>> ReadIcsFile(const std::string& path, int category,
                                          IcsImportResult* result) {
  Result<std::string> bytes = ReadFileBytes(path);
  if (!bytes.ok()) return bytes.status();
  std::string text = DecodeText(bytes.value());
  text.resize(std::min(text.size(), text.find('\0')));
  const IcsScan scan = ScanIcs(text);
  if (!scan.calendar) return Status::Invalid(path + " is not an iCalendar file");
  for (const std::string& problem : scan.file_problems) result->messages.push_back(problem);

  if (Status loaded = LoadIcal(); !loaded.ok()) return loaded;
  Component root(ParseCalendar("BEGIN:VCALENDAR\r\n" + scan.zones + "END:VCALENDAR\r\n"));
  Zones zones(root.get());
  std::vector<IcsEvent> events;
  events.reserve(scan.events.size());
  DayKeys day_keys;
  const std::string c = std::to_string(category);
  std::string_view all(text);

  // The occurrences each override moves or cancels, by the UID of its series.
  std::unordered_map<std::string, std::vector<FileTime>> overridden;
  std::set<std::string> ignored_zones;
  icaltimezone* calendar_zone = nullptr;
  if (!scan.calendar_zone.empty()) {
    bool unknown = false;
    calendar_zone = zones.Find(scan.calendar_zone, &unknown);
    if (calendar_zone == Ical().icaltimezone_get_utc_timezone()) calendar_zone = nullptr;
  }
  Reader reader{&zones, &ignored_zones, calendar_zone};
  for (const IcsBlock& block : scan.events) {
    if (!block.recurrence_id || !block.complete || !block.fatal.empty()) continue;
    Component ev(ParseCalendar(all.substr(block.begin, block.end - block.begin)));
    if (!ev) continue;
    icalproperty* rid =
        Ical().icalcomponent_get_first_property(ev.get(), ICAL_RECURRENCEID_PROPERTY);
    if (rid) {
      overridden[block.uid].push_back(reader.Of(rid, Ical().icalproperty_get_recurrenceid(rid)));
    }
  }

  auto read = [&](const IcsBlock& block, icalcomponent* ev) {
    const std::string name = Quoted(PrintableText(block.summary));
    const std::string at = "line " + std::to_string(block.line);
    std::set<std::string> unknown_zones;
    Reader read_time{&zones, &unknown_zones, calendar_zone};
    icalproperty* start_prop = Ical().icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
    if (start_prop == nullptr) {
      // No start: there is no day to put it on.
      result->messages.push_back(
          NotUnderstoodMessage(result->vevents - 1, block.summary, at + ": it has no DTSTART"));
      ++result->not_understood;
      return;
    }
    Occurrence o;
    o.start = read_time.Start(start_prop, Ical().icalproperty_get_dtstart(start_prop));
    IcsEvent e;
    e.summary =
        ForeignText(Trim(ReplaceAll(Text(Ical().icalcomponent_get_summary(ev)), "\n", " ")));
    e.description = ForeignText(ReplaceAll(
        ReplaceAll(Text(Ical().icalcomponent_get_description(ev)), "\r\n", " "), "\n", " "));
    e.location = ForeignText(ReplaceAll(Text(Ical().icalcomponent_get_location(ev)), "\n", " "));
    e.uid = Text(Ical().icalcomponent_get_uid(ev));
    if (icalproperty* p = Ical().icalcomponent_get_first_property(ev, ICAL_URL_PROPERTY)) {
      e.url = ForeignUrl(Text(Ical().icalproperty_get_url(p)));
    } else {
      e.url = "http://";
    }
    e.all_day = o.start.date;
    e.start = LocalValue(o.start);
    if (icalproperty* p = Ical().icalcomponent_get_first_property(ev, ICAL_DTEND_PROPERTY)) {
      const FileTime end = read_time.Of(p, Ical().icalproperty_get_dtend(p));
      e.end = LocalValue(end);
      if (e.all_day) {
        o.days = static_cast<int>(DatePart(e.end) - DatePart(e.start)) - 1;
      } else if (end.zone || end.utc || o.start.zone || o.start.utc) {
        icaltimetype a = o.start.wall, b = end.wall;
        o.seconds = static_cast<double>(
            Ical().icaltime_as_timet_with_zone(
                b, end.utc ? Ical().icaltimezone_get_utc_timezone() : end.zone) -
            Ical().icaltime_as_timet_with_zone(
                a, o.start.utc ? Ical().icaltimezone_get_utc_timezone() : o.start.zone));
      } else {
        o.seconds = (e.end - e.start) * 86400;
      }
    } else if (icalproperty* d =
                   Ical().icalcomponent_get_first_property(ev, ICAL_DURATION_PROPERTY)) {
      const int seconds = Ical().icaldurationtype_as_int(Ical().icalproperty_get_duration(d));
      if (e.all_day) {
        o.days = seconds / 86400 - 1;
      } else {
        o.seconds = seconds;
      }
      e.end = SpanAt(o, o.start.wall).end;
    } else {
      e.end = e.start;
    }
    if (e.all_day) {
      o.days = std::max(o.days, 0);
      e.end = e.start + o.days;
    }
    if (e.end < e.start) {
      result->messages.push_back(name + " (" + at +
                                 "): it ends before it starts; it was given no length");
      e.end = e.start;
      o.seconds = 0;
      o.days = 0;
    }
    for (const std::string& zone : unknown_zones) {
      result->messages.push_back(name + " (" + at + "): the time zone \"" +
                                 PrintableText(zone) + "\" is not known; its times were taken " +
                                 "as local times");
    }

    const DayNumber first = DatePart(e.start);
    const CivilDate s = DecodeDate(first);
    e.row.calendars = "," + c + ",";
    e.row.s_date = std::to_string(first);
    e.row.i_month = std::to_string(s.month);
    e.row.i_day = std::to_string(s.day);
    e.row.r_active_months = "," + std::to_string(s.month) + ",";
    e.row.r_ends = std::to_string(DatePart(e.end));

    icalproperty* rrule = Ical().icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY);
    icalproperty* rdate = Ical().icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY);
    const auto moved = block.recurrence_id ? overridden.end() : overridden.find(block.uid);
    if (rrule == nullptr && rdate == nullptr) {
      events.push_back(std::move(e));
      return;
    }

    // The dates the file means: the rule's, then RDATE, less EXDATE and the
    // occurrences overrides replace.
    const icalrecurrencetype rule =
        rrule ? Ical().icalproperty_get_rrule(rrule) : icalrecurrencetype{};
    FileTime until;
    const bool has_until = rrule && !Ical().icaltime_is_null_time(rule.until);
    if (has_until) {
      until.wall = rule.until;
      until.date = Ical().icaltime_is_date(rule.until);
      until.utc = Ical().icaltime_is_utc(rule.until);
      if (!until.utc && !until.date) until.zone = o.start.zone;
      until.wall.zone = nullptr;
    }
    const bool bounded = !rrule || rule.count > 0 || has_until;
    const bool weekly_interval = rrule && rule.freq == ICAL_WEEKLY_RECURRENCE && rule.interval > 1;
    const DateTimeValue horizon =
        first + (bounded ? 100 * 366 : (weekly_interval ? kWeekCycleDays : kCheckDays));
    Expansion x;
    if (rrule) {
      x = Expand(rule, o, has_until ? &until : nullptr, horizon);
    } else {
      x.spans.push_back(SpanAt(o, o.start.wall));
      x.finished = true;
    }
    const bool sub_daily = rrule && SubDaily(rule);
    const bool capped = x.capped && (bounded || sub_daily);

    std::vector<DateTimeValue> removed_times;
    std::set<DayNumber> removed_days;  // EXDATE as a date, for a timed event
    for (icalproperty* p = Ical().icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY); p;
         p = Ical().icalcomponent_get_next_property(ev, ICAL_EXDATE_PROPERTY)) {
      const FileTime ex = read_time.Of(p, Ical().icalproperty_get_exdate(p));
      if (ex.date) {
        removed_days.insert(DatePart(LocalValue(ex)));
      } else {
        removed_times.push_back(LocalValue(ex));
      }
    }
    if (moved != overridden.end()) {
      for (const FileTime& t : moved->second) {
        if (t.date) {
          removed_days.insert(DatePart(LocalValue(t)));
        } else {
          removed_times.push_back(LocalValue(t));
        }
      }
    }
    std::vector<Span> spans;
    std::set<DayNumber> skipped;
    for (const Span& span : x.spans) {
      bool gone = removed_days.count(DatePart(span.start)) > 0;
      for (DateTimeValue t : removed_times) gone = gone || SameTime(t, span.start);
      if (gone) {
        skipped.insert(DatePart(span.start));
      } else {
        spans.push_back(span);
      }
    }
    // libical walks a component's properties with one cursor per component:
    // each list is walked from its own first property.
    for (icalproperty* p = Ical().icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY); p;
         p = Ical().icalcomponent_get_next_property(ev, ICAL_RDATE_PROPERTY)) {
      const icaldatetimeperiodtype value = Ical().icalproperty_get_rdate(p);
      Span span;
      if (!Ical().icaltime_is_null_time(value.time)) {
        Occurrence at = o;
        at.start = read_time.Of(p, value.time);
        at.start.date = o.start.date;
        span = SpanAt(o, at.start.wall);
        span.start = LocalValue(at.start);
        span.end = span.start + (e.end - e.start);
      } else {
        const FileTime from = read_time.Of(p, value.period.start);
        span.start = LocalValue(from);
        if (!Ical().icaltime_is_null_time(value.period.end)) {
          span.end = LocalValue(read_time.Of(p, value.period.end));
        } else {
          span.end = span.start + Ical().icaldurationtype_as_int(value.period.duration) / 86400.0;
        }
      }
      bool known = false;
      for (const Span& have : spans) known = known || SameTime(have.start, span.start);
      if (!known) spans.push_back(span);
    }
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    for (const std::string& zone : unknown_zones) ignored_zones.insert(zone);

    // Kept as the calendar's own rule only when that gives the same days at
    // the same local time: a rule in another zone moves across the local
    // clock when the two zones change to summer time on different days.
    store::EventRow mapped = e.row;
    bool keeps = rrule && !rdate && !sub_daily && !capped && !spans.empty() &&
                 MapRule(rule, e.start, &mapped);
    std::set<DayNumber> wanted;
    if (keeps) {
      const double time = TimePart(e.start);
      for (const Span& span : spans) {
        keeps = keeps && std::fabs(TimePart(span.start) - time) < kSecond / 2;
        wanted.insert(DatePart(span.start));
      }
      keeps = keeps && wanted.size() == spans.size();
    }
    if (keeps) {
      const DayNumber last = x.finished ? DatePart(x.spans.back().start) : DatePart(horizon) - 1;
      mapped.f2 = store::ListEncoding(std::vector<int>(skipped.begin(), skipped.end()));
      if (!mapped.f2.empty()) mapped.f2 = mapped.f2.substr(1, mapped.f2.size() - 2);
      std::vector<std::pair<size_t, store::EventRow>> segments;
      if (SplitIntoSegments(mapped, category, spans, wanted, last,
                            x.finished ? std::to_string(last) : std::string(kNever), &day_keys,
                            &segments)) {
        for (auto& [index, row] : segments) {
          IcsEvent part = e;
          part.start = e.all_day ? DatePart(spans[index].start) : spans[index].start;
          part.end = e.all_day ? part.start + o.days : std::max(spans[index].end, part.start);
          part.row = std::move(row);
          events.push_back(std::move(part));
        }
        return;
      }
    }
    // One event a date; an open rule stops where the comparison window does.
    ++result->expanded;
    size_t n = 0;
    for (const Span& span : spans) {
      if (++n > kMaxDates) break;
      IcsEvent one = e;
      one.start = e.all_day ? DatePart(span.start) : span.start;
      one.end = e.all_day ? DatePart(span.start) + o.days : std::max(span.end, span.start);
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
        spans.empty() ? DateText(first)
                      : DateText(DatePart(spans[std::min(spans.size(), kMaxDates) - 1].start));
    const bool cut = capped || spans.size() > kMaxDates || (!bounded && !x.finished);
    std::string why = "repeats in a way the calendar cannot keep as one event";
    if (sub_daily) why = "repeats more often than once a day";
    result->messages.push_back(
        "\"" + e.summary + "\" " + why + ": " +
        std::to_string(std::min(spans.size(), kMaxDates)) + " dates up to " + last_date +
        " were imported as single events" + (cut ? "; later dates were left out." : "."));
  };

  for (const IcsBlock& block : scan.events) {
    ++result->vevents;
    const std::string at = "line " + std::to_string(block.line);
    if (!block.fatal.empty()) {
      std::string why = block.fatal.front();
      for (size_t i = 1; i < block.fatal.size(); ++i) why += "; " + block.fatal[i];
      result->messages.push_back(NotUnderstoodMessage(result->vevents - 1, block.summary, why));
      ++result->not_understood;
      continue;
    }
    for (const std::string& problem : block.problems) {
      result->messages.push_back(Quoted(PrintableText(block.summary)) + " (" + problem + ")");
    }
    if (block.cancelled) {
      // A cancelled override only takes its occurrence away.
      if (!block.recurrence_id) {
        result->messages.push_back(Quoted(PrintableText(block.summary)) + " (" + at +
                                   ") is cancelled and was not imported");
      }
      continue;
    }
    Component ev(ParseCalendar(all.substr(block.begin, block.end - block.begin)));
    if (!ev || Ical().icalcomponent_isa(ev.get()) != ICAL_VEVENT_COMPONENT) {
      result->messages.push_back(
          NotUnderstoodMessage(result->vevents - 1, block.summary, at + ": it cannot be read"));
      ++result->not_understood;
      continue;
    }
    read(block, ev.get());
  }
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
  // Statements prepared once (RowWriter): a query per row spent three
  // quarters of the import parsing the same SQL again.
  std::unordered_map<std::string, store::FieldDef> fields;
  for (const store::FieldDef& f : db.TableFields("Events")) fields[ToLower(f.name)] = f;
  if (fields.empty()) return Status::IoError("the events table cannot be read");
  std::vector<std::string> names = {
      "Alarm",    "Allday",   "Calendars", "rMonthly", "rWeekly",      "rActiveMonths",
      "rChoice",  "F1",       "F2",        "F3",       "caption",      "CalendarID",
      "EventID",  "iYear",    "iDay",      "iMonth",   "Summary",      "Location",
      "URL",      "Visible",  "sDateTime", "eDateTime", "sDate",       "sTime",
      "eDate",    "rEnds",    "FontColor", "FontSize", "Underline",    "Center",
      "Custom",   "ShowStartTime", "ShowEndTime"};
  const size_t fixed = names.size();
  for (const std::string& column : store::DescriptionColumns()) names.push_back(column);
  // Columns an older table lacks are left out.
  std::vector<bool> present;
  for (const std::string& n : names) present.push_back(fields.count(ToLower(n)) > 0);
  store::RowWriter writer(db, "Events");

  const std::string c = std::to_string(category);
  const int total = static_cast<int>(events.value().size());
  std::vector<std::string> values(names.size());
  std::vector<store::RowWriter::Value> row;
  for (const IcsEvent& e : events.value()) {
    if (result.written % 20 == 0) {
      ui.Progress(result.written, total);
      ui.ProcessEvents();
    }
    // A timed event at midnight stays timed: the file says which it is.
    const bool all_day = e.all_day;
    const store::EventDateColumns dates =
        store::EventDateColumns::For(e.start, e.end, "h:mmam/pm");
    std::string* v = values.data();
    size_t k = 0;
    v[k++] = "F";
    v[k++] = all_day ? "T" : "F";
    v[k++] = e.row.calendars;
    v[k++] = e.row.r_monthly;
    v[k++] = e.row.r_weekly;
    v[k++] = e.row.r_active_months;
    v[k++] = e.row.r_choice;
    v[k++] = e.row.f1;
    v[k++] = e.row.f2;
    v[k++] = e.row.f3;
    v[k++] = dates.caption;
    v[k++] = c;
    v[k++] = e.uid;
    v[k++] = dates.i_year;
    v[k++] = dates.i_day;
    v[k++] = dates.i_month;
    v[k++] = e.summary;
    v[k++] = e.location;
    v[k++] = e.url;
    v[k++] = "True";
    v[k++] = dates.s_date_time;
    v[k++] = dates.e_date_time;
    v[k++] = dates.s_date;
    v[k++] = dates.s_time;
    v[k++] = dates.e_date;
    v[k++] = e.row.r_ends;
    v[k++] = "";
    v[k++] = "8";
    v[k++] = "F";
    v[k++] = "F";
    v[k++] = "F";
    v[k++] = all_day ? "F" : "T";
    v[k++] = "F";
    std::string rest = e.description;
    for (size_t i = fixed; i < names.size(); ++i) {
      v[i] = Utf8Left(rest, store::kDescriptionBlock);
      rest.erase(0, v[i].size());
    }
    row.clear();
    for (size_t i = 0; i < names.size(); ++i) {
      if (present[i]) row.push_back({names[i], v[i]});
    }
    if (auto id = writer.Insert(row); !id.ok()) return id.status();
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
