#include "generator/ical.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "generator/calendar_data.h"
#include "generator/run_context.h"
#include "store/occurrence.h"

namespace almanix::generator {
namespace {

constexpr DayNumber kUnixEpochDay = 25569;  // 1 January 1970
constexpr DayNumber kOpenEnd = 1 << 28;
constexpr std::size_t kMaxOctets = 75;
constexpr std::string_view kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

std::time_t DayStart(DayNumber utc_day) {
  return static_cast<std::time_t>(utc_day - kUnixEpochDay) * 86400;
}

DayNumber UtcDay(std::time_t t) {
  std::time_t days = t / 86400;
  if (t % 86400 < 0) --days;
  return static_cast<DayNumber>(days) + kUnixEpochDay;
}

DayNumber LocalDay(std::time_t t) { return DatePart(FromTimeT(t)); }

long LocalOffset(std::time_t t) {
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

int WeekdayAfter(int weekday, int shift) { return (weekday - 1 + shift + 14) % 7 + 1; }

// The numbers lo..hi a ",x," test finds in a comma-wrapped list, ascending.
std::vector<int> ListNumbers(std::string_view list, int lo, int hi) {
  std::set<int> found;
  std::size_t open = list.find(',');
  while (open != std::string_view::npos) {
    const std::size_t close = list.find(',', open + 1);
    if (close == std::string_view::npos) break;
    const std::string_view item = list.substr(open + 1, close - open - 1);
    const std::optional<int> n = ParseInt(item);
    if (n && std::to_string(*n) == item && *n >= lo && *n <= hi) found.insert(*n);
    open = close;
  }
  return {found.begin(), found.end()};
}

bool Has(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

std::string JoinNumbers(const std::vector<int>& numbers) {
  std::string out;
  for (int n : numbers) out += (out.empty() ? "" : ",") + std::to_string(n);
  return out;
}

// The day numbers ",N" finds in "," + F2: every prefix of an item that is a
// number's own text, as the occurrence rule sees the skip list.
std::vector<DayNumber> SkipCandidates(std::string_view list) {
  std::vector<DayNumber> days;
  for (const std::string& item : Split(list, ',')) {
    for (std::size_t length = 1; length <= std::min<std::size_t>(item.size(), 11); ++length) {
      const std::string prefix = item.substr(0, length);
      const std::optional<int> n = ParseInt(prefix);
      if (n && std::to_string(*n) == prefix) days.push_back(*n);
    }
  }
  std::sort(days.begin(), days.end());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  return days;
}

// The last day rEnds lets the event occur on: day numbers (five digits in
// the years the program keeps) are compared with it as text. nullopt: never
// ends.
std::optional<DayNumber> LastDayOf(const std::string& ends) {
  auto within = [&](int n) { return std::to_string(n) <= ends; };
  if (within(99999)) return std::nullopt;
  if (!within(10000)) return 9999;
  int lo = 10000, hi = 99999;
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    (within(mid) ? lo : hi) = mid;
  }
  return lo;
}

// ISO 8601 weeks.
DayNumber IsoWeekOneMonday(int iso_year) {
  const DayNumber jan4 = EncodeDate(iso_year, 1, 4);
  return jan4 - (DayOfWeek(jan4) + 5) % 7;
}
int IsoWeeksIn(int iso_year) { return IsoWeekNumber(EncodeDate(iso_year, 12, 28)); }

// ---- Repetition rules ----

// What the occurrence rule repeats on, in local days.
struct LocalRule {
  enum class Kind { kNone, kDaily, kWeekly, kOrdinal, kRow, kMonthly, kYearly };
  Kind kind = Kind::kNone;
  int interval = 1;           // days or weeks
  int n = 0;                  // ordinal or grid row
  std::vector<int> weekdays;  // 1 = Sunday
  std::vector<int> month_days;
  std::vector<int> months;
  int month = 0, day = 0;  // yearly
};

LocalRule RuleOf(const store::EventRow& row) {
  using Kind = LocalRule::Kind;
  LocalRule r;
  r.months = ListNumbers(row.r_active_months, 1, 12);
  if (r.months.empty()) return r;
  const int every = ParseInt(row.f1).value_or(0);
  if (row.r_choice == "D") {
    r.kind = Kind::kDaily;
    r.interval = std::max(every, 1);
  } else if (row.r_choice == "W") {
    r.weekdays = ListNumbers(row.r_weekly, 1, 7);
    if (r.weekdays.empty()) return r;
    r.kind = Kind::kWeekly;
    if (every > 0 && row.f3.empty()) {
      r.interval = every;
    } else if (every > 0 && row.f3 == "W") {
      r.kind = every <= 5 ? Kind::kOrdinal : Kind::kNone;
      r.n = every;
    } else if (every > 0 && row.f3 == "T") {
      r.kind = every <= 6 ? Kind::kRow : Kind::kNone;
      r.n = every;
    }
  } else if (row.r_choice == "M") {
    r.month_days = ListNumbers(row.r_monthly, 1, 31);
    if (!r.month_days.empty()) r.kind = Kind::kMonthly;
  } else if (row.r_choice == "Y") {
    const std::optional<int> m = ParseInt(row.i_month), d = ParseInt(row.i_day);
    // The rule compares the texts, so only a number's own text matches.
    if (m && d && std::to_string(*m) == row.i_month && std::to_string(*d) == row.i_day &&
        Has(r.months, *m) && IsValidDate(2000, *m, *d)) {
      r.kind = Kind::kYearly;
      r.month = *m;
      r.day = *d;
    }
  }
  return r;
}

// Days of the month whose `weekday` lies in row `row` of a Sunday-first month
// grid, whatever weekday the month starts on: the one such weekday among
// these seven days is in that row.
std::pair<int, int> RowWindow(int weekday, int row) {
  return {7 * row - 13 + weekday, 7 * row - 7 + weekday};
}

std::vector<int> DayRange(int lo, int hi) {
  std::vector<int> days;
  for (int d = std::max(lo, 1); d <= std::min(hi, 31); ++d) days.push_back(d);
  return days;
}

// One RRULE, in UTC days.
struct Rule {
  enum class Freq { kDaily, kWeekly, kMonthly, kYearly };
  Freq freq = Freq::kDaily;
  int interval = 1;
  std::vector<int> weekdays;  // BYDAY, 1 = Sunday
  int ordinal = 0;            // of every BYDAY entry; 0 for none
  std::vector<int> month_days;
  std::vector<int> months;
  std::optional<std::time_t> until;
};

// The rule in UTC days for the local rule's days shifted by `shift` days
// (the start's UTC day minus its local day); nullopt when no day is left.
std::optional<Rule> UtcRule(const LocalRule& local, const std::vector<int>& weekdays, int shift) {
  using Kind = LocalRule::Kind;
  Rule r;
  r.months = local.months;
  auto shifted_days = [&](const std::vector<int>& days) {
    std::vector<int> out;
    for (int d : days) {
      if (d + shift >= 1 && d + shift <= 31) out.push_back(d + shift);
    }
    return out;
  };
  auto shifted_weekdays = [&] {
    std::vector<int> out;
    for (int w : weekdays) out.push_back(WeekdayAfter(w, shift));
    std::sort(out.begin(), out.end());
    return out;
  };
  switch (local.kind) {
    case Kind::kNone:
      return std::nullopt;
    case Kind::kDaily:
      r.interval = local.interval;
      break;
    case Kind::kWeekly:
      r.freq = Rule::Freq::kWeekly;
      r.interval = local.interval;
      r.weekdays = shifted_weekdays();
      break;
    case Kind::kOrdinal:
      r.freq = Rule::Freq::kMonthly;
      r.weekdays = shifted_weekdays();
      if (shift == 0) {
        r.ordinal = local.n;
      } else {
        r.month_days = shifted_days(DayRange(7 * local.n - 6, 7 * local.n));
      }
      break;
    case Kind::kRow: {
      r.freq = Rule::Freq::kMonthly;
      r.weekdays = shifted_weekdays();
      const auto [lo, hi] = RowWindow(weekdays.front(), local.n);
      r.month_days = shifted_days(DayRange(lo, hi));
      break;
    }
    case Kind::kMonthly:
      r.freq = Rule::Freq::kMonthly;
      r.month_days = shifted_days(local.month_days);
      break;
    case Kind::kYearly: {
      r.freq = Rule::Freq::kYearly;
      // A leap year keeps 29 February; other days move alike in every year
      // but the few the shift-safety test sends to explicit days.
      const CivilDate d = DecodeDate(EncodeDate(2000, local.month, local.day) + shift);
      r.months = {d.month};
      r.month_days = {d.day};
      break;
    }
  }
  if ((r.freq == Rule::Freq::kMonthly && r.month_days.empty() && r.weekdays.empty()) ||
      (local.kind == Kind::kRow && r.month_days.empty()) ||
      (local.kind == Kind::kMonthly && r.month_days.empty())) {
    return std::nullopt;
  }
  return r;
}

// Whether the shifted rule gives exactly the shifted local days in every
// month and year (a shift moves days across month ends otherwise).
bool ShiftSafe(const LocalRule& r, int shift) {
  using Kind = LocalRule::Kind;
  if (shift == 0) return true;
  const bool all_months = r.months.size() == 12;
  switch (r.kind) {
    case Kind::kNone:
      return true;
    case Kind::kDaily:
    case Kind::kWeekly:
      return all_months;
    case Kind::kMonthly:
      return all_months && std::all_of(r.month_days.begin(), r.month_days.end(), [&](int d) {
               return shift > 0 ? d <= 27 : d >= 2 && d <= 28;
             });
    case Kind::kYearly:
      return !(r.month == 2 && r.day == 29) && !(shift > 0 && r.month == 2 && r.day == 28) &&
             !(shift < 0 && r.month == 3 && r.day == 1);
    case Kind::kOrdinal:
    case Kind::kRow:
      return false;
  }
  return false;
}

// Whether the rule, started on UTC day `first`, gives UTC day `u`; the
// start day itself only when the rule matches it, as libical expands it.
bool RuleHas(const Rule& r, DayNumber first, std::time_t time_of_day, DayNumber u) {
  if (u < first) return false;
  if (r.until && DayStart(u) + time_of_day > *r.until) return false;
  const CivilDate date = DecodeDate(u);
  if (!r.months.empty() && !Has(r.months, date.month)) return false;
  const int weekday = DayOfWeek(u);
  switch (r.freq) {
    case Rule::Freq::kDaily:
      return (u - first) % r.interval == 0;
    case Rule::Freq::kWeekly: {
      // Weeks start on Monday.
      const auto monday = [](DayNumber d) { return d - (DayOfWeek(d) + 5) % 7; };
      return Has(r.weekdays, weekday) && ((monday(u) - monday(first)) / 7) % r.interval == 0;
    }
    case Rule::Freq::kMonthly:
      if (!r.weekdays.empty() && !Has(r.weekdays, weekday)) return false;
      if (r.ordinal > 0 && (date.day - 1) / 7 + 1 != r.ordinal) return false;
      if (!r.month_days.empty() && !Has(r.month_days, date.day)) return false;
      return true;
    case Rule::Freq::kYearly:
      return Has(r.month_days, date.day);
  }
  return false;
}

// The rule's text after "RRULE", one part a line as the file folds it.
std::vector<std::string> RuleParts(const Rule& r) {
  static constexpr std::string_view kFreq[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
  std::vector<std::string> parts;
  parts.push_back("FREQ=" + std::string(kFreq[static_cast<int>(r.freq)]) + ";");
  parts.push_back("INTERVAL=" + std::to_string(r.interval) + ";");
  if (!r.weekdays.empty()) {
    std::string days;
    for (int w : r.weekdays) {
      if (!days.empty()) days += ",";
      if (r.ordinal > 0) days += std::to_string(r.ordinal);
      days += kDayCodes[w - 1];
    }
    parts.push_back("BYDAY=" + days + ";");
  }
  if (!r.month_days.empty()) parts.push_back("BYMONTHDAY=" + JoinNumbers(r.month_days) + ";");
  parts.push_back("BYMONTH=" + JoinNumbers(r.months) + ";");
  // Weeks of INTERVAL count from Monday, as ISO week numbers do; written
  // because readers differ in their default.
  if (r.freq == Rule::Freq::kWeekly && r.interval > 1) parts.push_back("WKST=MO;");
  if (r.until) parts.push_back("UNTIL=" + ICalUtcStamp(*r.until));
  return parts;
}

// One item of an event: its rule over a range of days and weekdays.
struct Part {
  std::string suffix;          // after the event's ID in the UID
  bool has_start = false;      // the event's start day belongs here
  DayNumber from = 0, to = 0;  // the part's other days
  std::vector<int> weekdays;   // local weekdays of the part; empty: any
  DayNumber first = 0;         // local day of DTSTART
  std::time_t dtstart = 0;
  std::optional<Rule> rule;
  std::vector<std::time_t> exdates, rdates;
};

// Everything one event's items are made from.
class EventPlan {
 public:
  EventPlan(const EventRecord& e, DayNumber horizon, const std::vector<long>& offsets);

  // Whether the occurrence rule gives the event a day at all.
  bool occurs() const { return occurs_; }
  const std::vector<Part>& parts() const { return parts_; }
  std::time_t start() const { return start_utc_; }
  std::time_t end() const { return end_utc_; }

 private:
  bool Occurs(DayNumber day) const { return full_.OccursOn(store::DayKey::For(day), 1); }
  bool OccursUnskipped(DayNumber day) const { return base_.OccursOn(store::DayKey::For(day), 1); }
  bool InPart(const Part& p, DayNumber day) const {
    if (day == start_day_) return p.has_start;
    return day >= p.from && day <= p.to && (p.weekdays.empty() || Has(p.weekdays, DayOfWeek(day)));
  }
  std::time_t Instance(DayNumber utc_day) const { return DayStart(utc_day) + time_of_day_; }
  std::time_t LocalStart(DayNumber day) const { return LocalToUtc(day + local_time_); }
  // Whether the part's rule gives its own DTSTART.
  bool Synced(const Part& p) const {
    return p.rule && RuleHas(*p.rule, p.first + shift_, time_of_day_, p.first + shift_);
  }
  void MakeParts(DayNumber horizon);
  void Finish(Part& p, DayNumber horizon);
  void Explicit(Part& p, DayNumber horizon) const;
  void SkipDays(Part& p, DayNumber after) const;

  LocalRule rule_;
  store::ParsedEvent full_, base_;
  std::vector<DayNumber> skip_candidates_;
  DayNumber start_day_ = 0;
  std::optional<DayNumber> last_day_;
  double local_time_ = 0;  // the start's time of day
  std::time_t start_utc_ = 0, end_utc_ = 0;
  DayNumber start_utc_day_ = 0;
  std::time_t time_of_day_ = 0;  // UTC seconds into the day of every instance
  int shift_ = 0;
  bool shift_constant_ = true;
  bool occurs_ = false;
  std::vector<Part> parts_;
};

EventPlan::EventPlan(const EventRecord& e, DayNumber horizon, const std::vector<long>& offsets) {
  // Categories are chosen by CalendarID before; the days are what matter.
  store::EventRow row = e.row;
  row.calendars = ",1,";
  full_ = store::ParsedEvent::Parse(row);
  skip_candidates_ = SkipCandidates(row.f2);
  row.f2.clear();
  base_ = store::ParsedEvent::Parse(row);
  rule_ = RuleOf(e.row);

  const std::optional<double> start_value = ParseDouble(Trim(e.s_date_time));
  const std::optional<int> s_date = ParseInt(e.row.s_date);
  start_day_ = s_date ? *s_date : DatePart(start_value.value_or(0));
  // To the minute, as the stamps are written.
  const CivilDateTime t = DecodeDateTime(start_value.value_or(start_day_));
  local_time_ = EncodeTime(t.hour, t.minute, 0, 0);
  last_day_ = LastDayOf(e.row.r_ends);

  start_utc_ = LocalStart(start_day_);
  start_utc_day_ = UtcDay(start_utc_);
  time_of_day_ = start_utc_ - DayStart(start_utc_day_);
  shift_ = start_utc_day_ - start_day_;
  for (long o : offsets) {
    const std::time_t local = time_of_day_ + o;
    if (UtcDay(local) - kUnixEpochDay != -shift_) shift_constant_ = false;
  }

  // Each repetition runs from the start time to the end time of its own
  // day; a single event keeps its own end, which may be days later.
  const std::optional<double> end_value = ParseDouble(Trim(e.e_date_time));
  DateTimeValue end_local = end_value.value_or(start_day_ + local_time_);
  if (rule_.kind != LocalRule::Kind::kNone && DatePart(end_local) != start_day_) {
    const CivilDateTime et = DecodeDateTime(end_local);
    end_local = start_day_ + EncodeTime(et.hour, et.minute, 0, 0);
    if (end_local < start_day_ + local_time_) end_local += 1;
  }
  end_utc_ = end_value ? LocalToUtc(end_local) : start_utc_;

  occurs_ = !(last_day_ && *last_day_ < start_day_);
  if (rule_.kind == LocalRule::Kind::kNone) occurs_ = occurs_ && Occurs(start_day_);
  if (occurs_) MakeParts(horizon);
}

void EventPlan::MakeParts(DayNumber horizon) {
  using Kind = LocalRule::Kind;
  const DayNumber end = last_day_.value_or(kOpenEnd);
  // Weekday groups: one item per weekday for grid rows (each weekday has its
  // own days of the month); with a shifted start, the weekday that moves into
  // the next (or previous) Monday-first week keeps its own INTERVAL rhythm.
  std::vector<std::vector<int>> groups = {rule_.weekdays};
  if (rule_.kind == Kind::kRow) {
    groups.clear();
    for (int w : rule_.weekdays) groups.push_back({w});
  } else if (rule_.kind == Kind::kWeekly && rule_.interval > 1 && shift_ != 0 &&
             rule_.weekdays.size() > 1) {
    const int moving = shift_ > 0 ? 1 : 2;  // local Sunday, local Monday
    if (Has(rule_.weekdays, moving)) {
      std::vector<int> others;
      for (int w : rule_.weekdays) {
        if (w != moving) others.push_back(w);
      }
      groups = {others, {moving}};
    }
  }
  // Ranges: "every n weeks" follows ISO week numbers, which INTERVAL keeps
  // only through ISO years whose week count n divides; each later run of
  // such years gets an item of its own, up to the horizon.
  struct Range {
    DayNumber from, to;
    std::string suffix;
  };
  std::vector<Range> ranges = {{start_day_ + 1, end, ""}};
  if (rule_.kind == Kind::kWeekly && rule_.interval > 1) {
    ranges.clear();
    int year = 0;
    IsoWeekNumber(start_day_, &year);
    DayNumber from = start_day_ + 1;
    std::string suffix;
    while (true) {
      const DayNumber year_end = IsoWeekOneMonday(year + 1) - 1;
      const bool last = year_end >= std::min(end, horizon);
      if (last) {
        ranges.push_back({from, end, suffix});
        break;
      }
      if (IsoWeeksIn(year) % rule_.interval != 0) {
        ranges.push_back({from, year_end, suffix});
        from = year_end + 1;
        suffix = "-" + std::to_string(year + 1);
      }
      ++year;
    }
  }

  // Groups in order with the start day's weekday first, so the event's own
  // item holds its start.
  std::stable_partition(groups.begin(), groups.end(),
                        [&](const std::vector<int>& g) { return Has(g, DayOfWeek(start_day_)); });
  for (std::size_t k = 0; k < ranges.size(); ++k) {
    for (std::size_t g = 0; g < groups.size(); ++g) {
      Part p;
      p.suffix = ranges[k].suffix;
      if (groups.size() > 1 && g > 0) p.suffix += "-" + std::string(kDayCodes[groups[g][0] - 1]);
      p.has_start = k == 0 && g == 0;
      p.from = ranges[k].from;
      p.to = ranges[k].to;
      if (groups.size() > 1) p.weekdays = groups[g];
      p.rule = UtcRule(rule_, groups[g], shift_);
      if (p.rule && p.to < kOpenEnd) p.rule->until = LocalToUtc(p.to + EncodeTime(23, 59, 0, 0));
      if (p.has_start) {
        p.first = start_day_;
        // A start off the rule anchors INTERVAL weeks in its own UTC week,
        // which a shift can move away from the start's ISO week: the start
        // then stands alone and the rule gets an item of its own.
        if (p.rule && p.rule->freq == Rule::Freq::kWeekly && p.rule->interval > 1 && shift_ != 0 &&
            !Synced(p)) {
          Part rule_part = p;
          p.rule.reset();
          p.to = p.from - 1;
          Finish(p, horizon);
          rule_part.has_start = false;
          rule_part.suffix += "-R";
          if (Occurs(start_day_)) parts_.push_back(std::move(p));
          p = std::move(rule_part);
        } else {
          Finish(p, horizon);
          parts_.push_back(std::move(p));
          continue;
        }
      }
      // DTSTART on a day of the rule, so the rule's weeks count from it.
      const DayNumber limit = std::min(p.to, horizon + 731);
      p.first = 0;
      for (DayNumber d = p.from; d <= limit; ++d) {
        if (InPart(p, d) && OccursUnskipped(d)) {
          p.first = d;
          break;
        }
      }
      if (p.first == 0) continue;
      Finish(p, horizon);
      parts_.push_back(std::move(p));
    }
  }
}

// DTSTART, and the explicit days the rule needs besides.
void EventPlan::Finish(Part& p, DayNumber horizon) {
  // Every item's instances share the start's UTC time of day, so that one
  // shift of days holds for all of them.
  p.dtstart = Instance(p.first + shift_);
  if (shift_constant_ && ShiftSafe(rule_, shift_)) {
    if (p.has_start && p.rule && Occurs(start_day_) && !Synced(p)) p.rdates.push_back(p.dtstart);
    SkipDays(p, p.first - 1);
  } else {
    Explicit(p, horizon);
  }
}

// Up to the horizon, the days the rule gives and the event does not become
// EXDATE, the days the event has and the rule does not become RDATE.
void EventPlan::Explicit(Part& p, DayNumber horizon) const {
  const DayNumber lo = p.first;
  const DayNumber hi = std::min({p.to, last_day_.value_or(kOpenEnd), horizon});
  if (hi >= lo) {
    std::vector<char> claimed(static_cast<std::size_t>(hi - lo + 1), 0);
    // Without a rule DTSTART is the one instance.
    if (!p.rule) {
      if (Occurs(p.first) && InPart(p, p.first)) {
        claimed[0] = 1;
      } else {
        p.exdates.push_back(p.dtstart);
      }
    }
    if (p.rule) {
      const DayNumber u0 = p.first + shift_;
      for (DayNumber u = std::max(u0, lo - 2); u <= hi + 2; ++u) {
        if (!RuleHas(*p.rule, u0, time_of_day_, u)) continue;
        const std::time_t instance = Instance(u);
        const DayNumber day = LocalDay(instance);
        if (day < lo || day > hi) continue;
        char& c = claimed[static_cast<std::size_t>(day - lo)];
        if (c == 0 && InPart(p, day) && Occurs(day)) {
          c = 1;
        } else {
          p.exdates.push_back(instance);
        }
      }
    }
    for (DayNumber day = lo; day <= hi; ++day) {
      if (claimed[static_cast<std::size_t>(day - lo)] == 0 && InPart(p, day) && Occurs(day)) {
        p.rdates.push_back(LocalStart(day));
      }
    }
  }
  SkipDays(p, std::max(hi, lo - 1));
}

// EXDATE for the skipped days after `after` that the rule gives.
void EventPlan::SkipDays(Part& p, DayNumber after) const {
  const DayNumber u0 = p.first + shift_;
  for (DayNumber day : skip_candidates_) {
    if (day <= after || (last_day_ && day > *last_day_) || !InPart(p, day)) continue;
    if (!OccursUnskipped(day)) continue;
    if (day == p.first) {
      p.exdates.push_back(p.dtstart);
      continue;
    }
    if (!p.rule) continue;
    for (DayNumber u = day - 1; u <= day + 1; ++u) {
      if (RuleHas(*p.rule, u0, time_of_day_, u) && LocalDay(Instance(u)) == day) {
        p.exdates.push_back(Instance(u));
        break;
      }
    }
  }
}

std::string StampList(std::vector<std::time_t> times) {
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  std::string out;
  for (std::time_t t : times) out += (out.empty() ? "" : ",") + ICalUtcStamp(t);
  return out;
}

}  // namespace

std::string ExportDoneMessage(std::string_view path) {
  return "Done!!! Export to file " + SingleQuoted(path) + " Completed.";
}

std::string ICalText(std::string_view text) {
  const std::string trimmed = Trim(text);
  std::string out;
  out.reserve(trimmed.size());
  for (std::size_t i = 0; i < trimmed.size(); ++i) {
    const char c = trimmed[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case ',':
        out += "\\,";
        break;
      case ';':
        out += "\\;";
        break;
      case '\r':
        out += "\\n";
        if (i + 1 < trimmed.size() && trimmed[i + 1] == '\n') ++i;
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::vector<std::string> FoldICalLine(std::string_view line) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  bool first = true;
  do {
    const std::size_t room = first ? kMaxOctets : kMaxOctets - 1;
    std::size_t take = std::min(room, line.size() - pos);
    // Never end a line inside a UTF-8 sequence: back off to its lead byte.
    if (pos + take < line.size()) {
      std::size_t cut = take;
      while (cut > 0 && (static_cast<unsigned char>(line[pos + cut]) & 0xC0) == 0x80) --cut;
      if (cut > 0) take = cut;
    }
    out.push_back((first ? "" : " ") + std::string(line.substr(pos, take)));
    pos += take;
    first = false;
  } while (pos < line.size());
  return out;
}

std::string ICalUtcStamp(std::time_t t) {
  std::tm utc{};
  gmtime_r(&t, &utc);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d00Z", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min);
  return buffer;
}

std::time_t LocalToUtc(DateTimeValue local) {
  CivilDateTime t = DecodeDateTime(local);
  t.second = 0;
  t.millisecond = 0;
  return ToTimeT(EncodeDateTime(t));
}

// ---- TICal ----

TICal::TICal(std::string_view address, std::string calendar_name, Product product, std::time_t now,
             DayNumber horizon)
    : host_(ReplaceAll(address, "http://www.", "")),
      calendar_name_(std::move(calendar_name)),
      now_(now),
      horizon_(horizon) {
  lines_.push_back("BEGIN:VCALENDAR");
  Property("VERSION", "2.0");
  Property("PRODID", "-//" + product.maker + "//" + product.name + " " + product.version + "//EN");
  Property("METHOD", "PUBLISH");
  Property("X-WR-CALNAME", ICalText(calendar_name_ + ".ics"));
  lines_.emplace_back();
}

void TICal::AddFolded(std::string_view line) {
  for (std::string& l : FoldICalLine(line)) lines_.push_back(std::move(l));
}

void TICal::Property(std::string_view name, std::string_view value) {
  lines_.emplace_back(name);
  AddFolded(" :" + std::string(value));
}

void TICal::AddDayNote(int year, const DayRecord& row, int category, std::string_view note) {
  if (row.i_day.empty() || row.i_month.empty()) return;
  const std::string text = Trim(note);
  if (text.empty()) return;
  const std::optional<int> m = ParseInt(row.i_month), d = ParseInt(row.i_day);
  if (!m || !d || !IsValidDate(year, *m, *d)) return;
  const DayNumber day = EncodeDate(year, *m, *d);
  ++counter_;
  lines_.push_back("BEGIN:VEVENT");
  // The day and category name the note, so a new export updates it.
  Property("UID",
           ICalText("A" + std::to_string(day) + "-" + std::to_string(category) + "@" + host_));
  Property("SUMMARY", ICalText(text));
  Property("CATEGORIES", ICalText(calendar_name_));
  Property("STATUS", "TENTATIVE");
  Property("CLASS", "PRIVATE");
  Property("DTSTAMP", ICalUtcStamp(now_));
  Property("DTSTART", ICalUtcStamp(LocalToUtc(day)));
  Property("DTEND", ICalUtcStamp(LocalToUtc(day + 1)));
  lines_.push_back("END:VEVENT");
  lines_.emplace_back();
}

const std::vector<long>& TICal::ZoneOffsets() {
  if (zone_offsets_.empty()) {
    std::set<long> seen;
    for (int y = 1970; y <= DecodeDate(horizon_).year + 1; ++y) {
      for (int m = 1; m <= 12; ++m) {
        for (int d : {1, 15}) seen.insert(LocalOffset(DayStart(EncodeDate(y, m, d)) + 43200));
      }
    }
    zone_offsets_.assign(seen.begin(), seen.end());
  }
  return zone_offsets_;
}

void TICal::AddEvents(const std::vector<EventRecord>& events, std::string_view wanted) {
  for (const EventRecord& e : events) {
    if (wanted.find("," + e.calendar_id + ",") == std::string_view::npos) continue;
    if (e.s_date_time.empty()) continue;
    AddEvent(e);
  }
}

void TICal::AddEvent(const EventRecord& e) {
  const EventPlan plan(e, horizon_, ZoneOffsets());
  if (!plan.occurs()) return;
  const std::time_t duration = plan.end() - plan.start();
  for (const Part& p : plan.parts()) {
    ++counter_;
    const std::time_t start = p.dtstart;
    lines_.push_back("BEGIN:VEVENT");
    // The event's own ID, so a subscribed calendar updates it.
    Property("UID", ICalText(calendar_name_ + e.id + p.suffix + "@" + host_));
    Property("SUMMARY", ICalText(e.summary));
    Property("DESCRIPTION", ICalText(e.description));
    Property("CATEGORIES", ICalText(calendar_name_));
    Property("STATUS", "TENTATIVE");
    Property("CLASS", "PRIVATE");
    Property("DTSTAMP", ICalUtcStamp(now_));
    Property("DTSTART", ICalUtcStamp(start));
    Property("DTEND", ICalUtcStamp(start + duration));
    if (p.rule) {
      lines_.push_back("RRULE");
      bool first = true;
      for (const std::string& part : RuleParts(*p.rule)) {
        AddFolded((first ? " :" : " ") + part);
        first = false;
      }
    }
    if (!p.exdates.empty()) Property("EXDATE", StampList(p.exdates));
    if (!p.rdates.empty()) Property("RDATE", StampList(p.rdates));
    lines_.push_back("END:VEVENT");
    lines_.emplace_back();
  }
}

std::string TICal::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  text += "END:VCALENDAR\r\n";
  return text;
}

Status TICal::Save(const std::string& path, bool atomically) const {
  return atomically ? WriteFileAtomically(path, Text()) : WriteFileDirect(path, Text());
}

// ---- The exports ----

namespace {

TICal::Product ProductOf(const Brand& brand) {
  return {brand.APP_MAKER, brand.APP_NAME, brand.APP_VERSION};
}

// Explicit days and runs of ISO years reach five years past the last year
// exported: a published calendar is written again long before.
DayNumber HorizonAfter(int year) { return EncodeDate(std::clamp(year, 1, 9990) + 5, 12, 31); }

}  // namespace

Result<std::string> ExportCategoryICal(store::Database& db, int category,
                                       const std::string& category_name, int year,
                                       const std::string& path, const Brand& brand, UiSeam* ui,
                                       std::time_t now) {
  auto progress = [&](int done, int total) {
    if (ui) ui->Progress(done, total);
  };
  progress(0, 13);
  CalendarData data;
  TICal ical(brand.APP_CAPTION, category_name, ProductOf(brand), now, HorizonAfter(year));
  for (int m = 1; m <= 12; ++m) {
    for (const DayRecord& row : data.MonthDays(db, year, m)) {
      ical.AddDayNote(year, row, category, row.Note(category));
    }
    progress(m, 13);
  }
  if (Status s = data.LoadEvents(db); !s.ok()) {
    progress(0, 0);
    return s;
  }
  ical.AddEvents(data.events(), "," + std::to_string(category) + ",");
  const Status saved = ical.Save(path, /*atomically=*/true);
  progress(0, 0);
  if (!saved.ok()) return saved;
  std::string done = ExportDoneMessage(path);
  if (ui) ui->ShowMessage(done);
  return done;
}

Status WriteRunICal(const RunContext& run, const std::string& output, const std::string& path) {
  const int last_pass = run.merged() ? 0 : static_cast<int>(run.categories.size()) - 1;
  if (run.state.current_index >= 0 && run.state.current_index < last_pass) return Status::Ok();

  if (!run.action_bar_style.empty()) {
    const std::string bar = WithTrailingSlash(run.dir->ActionBarDir) + run.action_bar_style + "/";
    IgnoreResult(run.CopyNoCase(bar, "ical.gif", WithTrailingSlash(output) + "iCal.gif"),
                 "counted in the run's result; the file goes on without its button");
  }

  std::vector<int> years;
  const publish::PublishWindowState& window = *run.window;
  for (int position : window.chkYears.TickedPositions()) {
    const std::optional<int> y = ParseInt(window.chkYears.items[position]);
    if (!y) break;
    years.push_back(*y);
  }
  const Brand brand = LoadBrand(run.dir->BrandDir + "brand.ini");
  TICal ical(run.brand_short_url, run.page_name, ProductOf(brand), run.now,
             HorizonAfter(years.empty() ? DecodeDate(run.today).year : years.back()));
  for (int y : years) {
    // The months the run publishes of each year; the window's month ticks
    // hold those of the year being written only.
    for (int m : run.MonthsOf(y)) {
      for (const DayRecord& row : run.data->MonthDays(*run.db, y, m)) {
        for (int c : run.categories) {
          const std::string note = Trim(row.Note(c));
          if (!note.empty()) ical.AddDayNote(y, row, c, run.language.ExpandMacros(note));
        }
      }
    }
  }
  std::string wanted = ",";
  for (int c : run.categories) wanted += std::to_string(c) + ",";
  ical.AddEvents(run.data->events(), wanted);
  return run.Record(path, ical.Save(path, /*atomically=*/false));
}

}  // namespace almanix::generator
