#include "generator/ical.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_map>

#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "generator/calendar_data.h"
#include "generator/ical_zone.h"
#include "generator/link.h"
#include "generator/run_context.h"
#include "settings/publish_settings.h"
#include "store/occurrence.h"

namespace almanix::generator {
namespace {

constexpr DayNumber kOpenEnd = 1 << 28;
constexpr std::size_t kMaxOctets = 75;
constexpr std::string_view kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

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

// One RRULE, in local days.
struct Rule {
  enum class Freq { kDaily, kWeekly, kMonthly, kYearly };
  Freq freq = Freq::kDaily;
  int interval = 1;
  std::vector<int> weekdays;  // BYDAY, 1 = Sunday
  int ordinal = 0;            // of every BYDAY entry; 0 for none
  std::vector<int> month_days;
  std::vector<int> months;
  std::optional<DayNumber> until;  // the last day
};

// The rule of the local rule's days on the weekdays given; nullopt when it
// has no day.
std::optional<Rule> RuleFor(const LocalRule& local, const std::vector<int>& weekdays) {
  using Kind = LocalRule::Kind;
  Rule r;
  r.months = local.months;
  switch (local.kind) {
    case Kind::kNone:
      return std::nullopt;
    case Kind::kDaily:
      r.interval = local.interval;
      break;
    case Kind::kWeekly:
      r.freq = Rule::Freq::kWeekly;
      r.interval = local.interval;
      r.weekdays = weekdays;
      break;
    case Kind::kOrdinal:
      r.freq = Rule::Freq::kMonthly;
      r.weekdays = weekdays;
      r.ordinal = local.n;
      break;
    case Kind::kRow: {
      r.freq = Rule::Freq::kMonthly;
      r.weekdays = weekdays;
      const auto [lo, hi] = RowWindow(weekdays.front(), local.n);
      r.month_days = DayRange(lo, hi);
      if (r.month_days.empty()) return std::nullopt;
      break;
    }
    case Kind::kMonthly:
      r.freq = Rule::Freq::kMonthly;
      r.month_days = local.month_days;
      break;
    case Kind::kYearly:
      r.freq = Rule::Freq::kYearly;
      r.months = {local.month};
      r.month_days = {local.day};
      break;
  }
  return r;
}

// Whether the rule, started on day `first`, gives day `u`; the start day
// itself only when the rule matches it, as readers expand it.
bool RuleHas(const Rule& r, DayNumber first, DayNumber u) {
  if (u < first) return false;
  if (r.until && u > *r.until) return false;
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
// until: the value of UNTIL when the rule has one.
std::vector<std::string> RuleParts(const Rule& r, const std::string& until) {
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
  if (r.until) parts.push_back("UNTIL=" + until);
  return parts;
}

// One item of an event: its rule over a range of days and weekdays.
struct Part {
  std::string suffix;          // after the event's ID in the UID
  bool has_start = false;      // the event's start day belongs here
  DayNumber from = 0, to = 0;  // the part's other days
  std::vector<int> weekdays;   // weekdays of the part; empty: any
  DayNumber first = 0;         // the day of DTSTART
  std::optional<Rule> rule;
  std::vector<DayNumber> exdates, rdates;
};

// Everything one event's items are made from, in local days.
class EventPlan {
 public:
  EventPlan(const EventRecord& e, DayNumber horizon);

  // Whether the occurrence rule gives the event a day at all.
  bool occurs() const { return occurs_; }
  const std::vector<Part>& parts() const { return parts_; }
  bool all_day() const { return all_day_; }
  // Minutes after midnight of the start.
  int start_minute() const { return start_minute_; }
  // The end of each item after the midnight its DTSTART day begins with:
  // in minutes for a timed event, in days (exclusive) for an all-day one.
  int end_after() const { return end_after_; }

 private:
  bool Occurs(DayNumber day) const { return full_.OccursOn(store::DayKey::For(day), 1); }
  bool OccursUnskipped(DayNumber day) const { return base_.OccursOn(store::DayKey::For(day), 1); }
  bool InPart(const Part& p, DayNumber day) const {
    if (day == start_day_) return p.has_start;
    return day >= p.from && day <= p.to && (p.weekdays.empty() || Has(p.weekdays, DayOfWeek(day)));
  }
  void MakeParts(DayNumber horizon);
  void Finish(Part& p) const;

  LocalRule rule_;
  store::ParsedEvent full_, base_;
  std::vector<DayNumber> skip_candidates_;
  DayNumber start_day_ = 0;
  std::optional<DayNumber> last_day_;
  bool all_day_ = false;
  int start_minute_ = 0;
  int end_after_ = 0;
  bool occurs_ = false;
  std::vector<Part> parts_;
};

DayNumber DayOf(const CivilDateTime& t) {
  return IsValidDate(t.year, t.month, t.day) ? EncodeDate(t.year, t.month, t.day) : 0;
}

EventPlan::EventPlan(const EventRecord& e, DayNumber horizon) {
  // Categories are chosen by CalendarID before; the days are what matter.
  store::EventRow row = e.row;
  row.calendars = ",1,";
  full_ = store::ParsedEvent::Parse(row);
  skip_candidates_ = SkipCandidates(row.f2);
  row.f2.clear();
  base_ = store::ParsedEvent::Parse(row);
  rule_ = RuleOf(e.row);
  all_day_ = e.allday == "T";

  const std::optional<double> start_value = ParseDouble(Trim(e.s_date_time));
  const std::optional<int> s_date = ParseInt(e.row.s_date);
  start_day_ = s_date ? *s_date : DatePart(start_value.value_or(0));
  // To the minute, as the stamps are written.
  const CivilDateTime t = DecodeDateTime(start_value.value_or(start_day_));
  start_minute_ = t.hour * 60 + t.minute;
  last_day_ = LastDayOf(e.row.r_ends);

  const bool repeats = rule_.kind != LocalRule::Kind::kNone;
  const std::optional<double> end_value = ParseDouble(Trim(e.e_date_time));
  const std::optional<CivilDateTime> end =
      end_value ? std::optional(DecodeDateTime(*end_value)) : std::nullopt;
  const DayNumber end_day = end ? DayOf(*end) : start_day_;
  if (all_day_) {
    // Each repetition is its own day; a single event keeps its last day.
    end_after_ = repeats ? 1 : std::max(end_day - start_day_, 0) + 1;
  } else {
    end_after_ = start_minute_;
    if (end) {
      const int end_minute = end->hour * 60 + end->minute;
      // Each repetition runs from the start time to the end time of its
      // own day; a single event keeps its own end, which may be days later.
      if (repeats && end_day != start_day_) {
        end_after_ = end_minute < start_minute_ ? end_minute + 1440 : end_minute;
      } else {
        end_after_ = (end_day - start_day_) * 1440 + end_minute;
      }
    }
    // An end before the start would make readers drop the item.
    end_after_ = std::max(end_after_, start_minute_);
  }

  occurs_ = !(last_day_ && *last_day_ < start_day_);
  if (!repeats) occurs_ = occurs_ && Occurs(start_day_);
  if (occurs_) MakeParts(horizon);
}

void EventPlan::MakeParts(DayNumber horizon) {
  using Kind = LocalRule::Kind;
  const DayNumber end = last_day_.value_or(kOpenEnd);
  // Weekday groups: one item per weekday for grid rows, since each weekday
  // has its own days of the month.
  std::vector<std::vector<int>> groups = {rule_.weekdays};
  if (rule_.kind == Kind::kRow) {
    groups.clear();
    for (int w : rule_.weekdays) groups.push_back({w});
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
      if (year_end >= std::min(end, horizon)) {
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
      p.rule = RuleFor(rule_, groups[g]);
      if (p.rule && p.to < kOpenEnd) p.rule->until = p.to;
      if (p.has_start) {
        p.first = start_day_;
      } else {
        // DTSTART on a day of the rule, so the rule's weeks count from it.
        const DayNumber limit = std::min(p.to, horizon + 731);
        for (DayNumber d = p.from; d <= limit && p.first == 0; ++d) {
          if (InPart(p, d) && OccursUnskipped(d)) p.first = d;
        }
        if (p.first == 0) continue;
      }
      Finish(p);
      parts_.push_back(std::move(p));
    }
  }
}

// The start as an extra date when the rule misses it (a Monday/Wednesday
// event that starts on a Friday), and EXDATE for the skipped days the rule
// gives.
void EventPlan::Finish(Part& p) const {
  if (p.has_start && p.rule && Occurs(start_day_) && !RuleHas(*p.rule, p.first, p.first)) {
    p.rdates.push_back(p.first);
  }
  for (DayNumber day : skip_candidates_) {
    if (day < p.first || (last_day_ && day > *last_day_) || !InPart(p, day)) continue;
    if (!OccursUnskipped(day)) continue;
    if (day == p.first || (p.rule && RuleHas(*p.rule, p.first, day))) p.exdates.push_back(day);
  }
}

bool IsTagStart(std::string_view html, std::size_t i) {
  if (html[i] != '<' || i + 1 >= html.size()) return false;
  const char c = html[i + 1];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '/' || c == '!';
}

std::string TagName(std::string_view tag) {
  std::string name;
  for (char c : tag.substr(1)) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/')) {
      break;
    }
    name += c;
  }
  if (name.size() > 1 && name.back() == '/') name.pop_back();  // <br/>
  return ToLower(name);
}

void AppendUtf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The character an entity's name (between "&" and ";") stands for; nullopt
// for names left as written.
std::optional<std::string> EntityText(std::string_view name) {
  static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
  for (const auto& [n, text] : kNamed) {
    if (name == n) return std::string(text);
  }
  if (name.size() < 2 || name[0] != '#') return std::nullopt;
  const bool hex = name[1] == 'x' || name[1] == 'X';
  const std::string_view digits = name.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 7) return std::nullopt;
  unsigned long cp = 0;
  for (char c : digits) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) return std::nullopt;
    cp = cp * (hex ? 16 : 10) + v;
  }
  // Control characters stay written as entities: the file holds none.
  const bool control = (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') ||
                       (cp >= 0x7F && cp < 0xA0);
  if (control || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  std::string out;
  AppendUtf8(out, cp);
  return out;
}

// Where a content line's pieces of at most 75 octets end: each takes the
// most it can without cutting a UTF-8 character; continuation pieces leave
// room for their leading blank.
template <typename Piece>
void ForEachFoldedPiece(std::string_view line, Piece piece) {
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
    piece(first, line.substr(pos, take));
    pos += take;
    first = false;
  } while (pos < line.size());
}

void AppendLine(std::string& text, std::string_view line) {
  text += line;
  text += "\r\n";
}

void AppendFolded(std::string& text, std::string_view line) {
  ForEachFoldedPiece(line, [&](bool first, std::string_view piece) {
    if (!first) text += ' ';
    AppendLine(text, piece);
  });
}

// The program's own form of a property: its name alone on a line, then the
// value after a blank and a colon, folded.
void AppendProperty(std::string& text, std::string_view name, std::string_view value) {
  AppendLine(text, name);
  std::string line;
  line.reserve(value.size() + 2);
  line += " :";
  line += value;
  AppendFolded(text, line);
}

}  // namespace

std::string ExportDoneMessage(std::string_view path) {
  return "Done!!! Export to file " + SingleQuoted(path) + " Completed.";
}

std::string PlainText(std::string_view html) {
  std::string text;
  text.reserve(html.size());
  for (std::size_t i = 0; i < html.size(); ++i) {
    if (IsTagStart(html, i)) {
      const std::size_t close = html.find('>', i);
      const std::size_t reopen = html.find('<', i + 1);
      if (close != std::string_view::npos && (reopen == std::string_view::npos || reopen > close)) {
        const std::string name = TagName(html.substr(i, close - i));
        if (name == "br" || name == "p" || name == "/p") {
          if (name != "p" || !text.empty()) text += '\n';
        }
        i = close;
        continue;
      }
    }
    text += html[i];
  }
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      const std::size_t semi = text.find(';', i + 1);
      if (semi != std::string::npos && semi - i <= 10) {
        if (std::optional<std::string> c = EntityText(std::string_view(text).substr(i + 1, semi - i - 1))) {
          out += *c;
          i = semi;
          continue;
        }
      }
    }
    out += text[i];
  }
  return out;
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
  ForEachFoldedPiece(line, [&](bool first, std::string_view piece) {
    out.push_back((first ? "" : " ") + std::string(piece));
  });
  return out;
}

std::string ICalUtcStamp(std::time_t t) {
  std::tm utc{};
  gmtime_r(&t, &utc);
  std::string stamp;
  stamp.reserve(16);
  AppendZeroPadded(stamp, utc.tm_year + 1900LL, 4);
  AppendZeroPadded(stamp, utc.tm_mon + 1, 2);
  AppendZeroPadded(stamp, utc.tm_mday, 2);
  stamp += 'T';
  AppendZeroPadded(stamp, utc.tm_hour, 2);
  AppendZeroPadded(stamp, utc.tm_min, 2);
  stamp += "00Z";
  return stamp;
}

std::string ICalDate(DayNumber day) {
  const CivilDate d = DecodeDate(day);
  std::string date;
  date.reserve(15);
  AppendZeroPadded(date, d.year, 4);
  AppendZeroPadded(date, d.month, 2);
  AppendZeroPadded(date, d.day, 2);
  return date;
}

std::time_t LocalToUtc(DateTimeValue local) {
  CivilDateTime t = DecodeDateTime(local);
  t.second = 0;
  t.millisecond = 0;
  // mktime reads the zone again on every call, which was a seventh of a
  // generation run: the answers are kept per local minute for as long as TZ
  // stays what it was (a process may run again under another zone).
  struct Memo {
    std::string zone;
    bool zone_set = false;
    std::unordered_map<long long, std::time_t> utc;
    // Per local day, its midnight in UTC when the next midnight is 24 hours
    // later: the zone keeps one offset all day (zones change theirs at most
    // once a day), so every minute of it follows without mktime. Days of a
    // change (kUneven) ask mktime minute by minute.
    std::unordered_map<DayNumber, std::time_t> midnight;
  };
  constexpr std::time_t kUneven = std::numeric_limits<std::time_t>::min();
  thread_local Memo memo;
  const char* zone = std::getenv("TZ");
  if ((zone != nullptr) != memo.zone_set || (zone && memo.zone != zone)) {
    memo.zone_set = zone != nullptr;
    memo.zone = zone ? zone : "";
    memo.utc.clear();
    memo.midnight.clear();
  }
  const DayNumber day = EncodeDate(t.year, t.month, t.day);
  auto [even, new_day] = memo.midnight.try_emplace(day, kUneven);
  if (new_day) {
    const std::time_t start = ToTimeT(day);
    if (ToTimeT(day + 1) - start == 86400) even->second = start;
  }
  if (even->second != kUneven) {
    return even->second + (static_cast<std::time_t>(t.hour) * 60 + t.minute) * 60;
  }
  constexpr std::size_t kMostMinutes = 1 << 20;  // about 40 MB at worst
  if (memo.utc.size() >= kMostMinutes) memo.utc.clear();
  const long long minute =
      ((static_cast<long long>(EncodeDate(t.year, t.month, t.day)) * 24 + t.hour) * 60) +
      t.minute;
  auto [known, added] = memo.utc.try_emplace(minute, 0);
  if (added) known->second = ToTimeT(EncodeDateTime(t));
  return known->second;
}

std::string SubscribeAddress(const publish::PublishSettings& s) {
  std::string link = Trim(s.Text("iCal.Link"));
  const std::string_view placeholder = publish::kDefaultICalLink;
  if (link.size() > 9 && EqualsIgnoreCase(link.substr(0, 9), "webcal://") &&
      !EqualsIgnoreCase(link.substr(0, std::min(link.size(), placeholder.size())), placeholder)) {
    if (link.back() == '/') link += "ical.ics";
    return link;
  }
  const std::string url = CalendarUrl(s);
  std::size_t scheme = 0;
  if (EqualsIgnoreCase(url.substr(0, 7), "http://")) scheme = 7;
  if (EqualsIgnoreCase(url.substr(0, 8), "https://")) scheme = 8;
  if (scheme == 0 || url.size() <= scheme) return "";
  std::string address = "webcal://" + url.substr(scheme);
  const std::size_t page = ToLower(address).find("calendar.html");
  if (page != std::string::npos) return address.replace(page, 13, "ical.ics");
  // The folder of whatever page the address names.
  const std::size_t slash = address.rfind('/');
  return (slash < 9 ? address + "/" : address.substr(0, slash + 1)) + "ical.ics";
}

// ---- TICal ----

TICal::TICal(std::string_view address, std::string calendar_name, std::string title,
             Product product, std::time_t now, DayNumber horizon)
    : host_(ReplaceAll(address, "http://www.", "")),
      calendar_name_(std::move(calendar_name)),
      title_(std::move(title)),
      product_(std::move(product)),
      now_(now),
      horizon_(horizon),
      zone_(ZoneName(SystemZoneSources())) {}

void TICal::AddFolded(std::string_view line) { AppendFolded(items_, line); }

void TICal::Property(std::string_view name, std::string_view value) {
  AppendProperty(items_, name, value);
}

void TICal::Cover(DayNumber day) {
  if (first_timed_ > last_timed_) {
    first_timed_ = last_timed_ = day;
    return;
  }
  first_timed_ = std::min(first_timed_, day);
  last_timed_ = std::max(last_timed_, day);
}

std::string TICal::LocalStamp(DayNumber day, int minute) {
  day += minute / 1440;
  minute %= 1440;
  Cover(day);
  std::string stamp = ICalDate(day);
  stamp += 'T';
  AppendZeroPadded(stamp, minute / 60, 2);
  AppendZeroPadded(stamp, minute % 60, 2);
  stamp += "00";
  return stamp;
}

void TICal::BeginItem(const std::string& uid, std::string_view summary) {
  AppendLine(items_, "BEGIN:VEVENT");
  Property("UID", ICalText(uid));
  Property("SUMMARY", ICalText(PlainText(summary)));
}

void TICal::AddDayNote(int year, const DayRecord& row, int category, std::string_view note) {
  if (row.i_day.empty() || row.i_month.empty()) return;
  if (Trim(PlainText(note)).empty()) return;
  const std::optional<int> m = ParseInt(row.i_month), d = ParseInt(row.i_day);
  if (!m || !d || !IsValidDate(year, *m, *d)) return;
  const DayNumber day = EncodeDate(year, *m, *d);
  ++counter_;
  // The day and category name the note, so a new export updates it.
  BeginItem("A" + std::to_string(day) + "-" + std::to_string(category) + "@" + host_, note);
  Property("CATEGORIES", ICalText(PlainText(calendar_name_)));
  Property("DTSTAMP", ICalUtcStamp(now_));
  // A date, so the note lands on its day in every zone.
  Property("DTSTART;VALUE=DATE", ICalDate(day));
  Property("DTEND;VALUE=DATE", ICalDate(day + 1));
  AppendLine(items_, "END:VEVENT");
  AppendLine(items_, "");
}

void TICal::AddEvents(const std::vector<EventRecord>& events, std::string_view wanted) {
  for (const EventRecord& e : events) AddEventIf(e, wanted);
}

void TICal::AddEventIf(const EventRecord& e, std::string_view wanted) {
  if (wanted.find("," + e.calendar_id + ",") == std::string_view::npos) return;
  if (e.s_date_time.empty()) return;
  AddEvent(e);
}

void TICal::ClearItems() {
  items_.clear();
  counter_ = 0;
  first_timed_ = 1;
  last_timed_ = 0;
}

void TICal::AddEvent(const EventRecord& e) {
  const EventPlan plan(e, horizon_);
  if (!plan.occurs()) return;
  const bool timed = !plan.all_day();
  const std::string date_kind = timed ? ";TZID=" + zone_ : ";VALUE=DATE";
  // Extra and skipped days of a timed item are written in UTC: some readers
  // (libical among them) take their TZID for UTC.
  const std::string list_kind = timed ? "" : ";VALUE=DATE";
  const auto stamps = [&](std::vector<DayNumber> days) {
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    std::string out;
    for (DayNumber d : days) {
      out += out.empty() ? "" : ",";
      out += timed ? ICalUtcStamp(LocalToUtc(d + plan.start_minute() / 1440.0)) : ICalDate(d);
    }
    return out;
  };
  const std::string description = Trim(PlainText(e.description));
  const std::string location = Trim(PlainText(e.location));
  for (const Part& p : plan.parts()) {
    ++counter_;
    // The event's own ID, so a subscribed calendar updates it.
    BeginItem(calendar_name_ + e.id + p.suffix + "@" + host_, e.summary);
    // Empty texts are left out: libical refuses an empty value.
    if (!description.empty()) Property("DESCRIPTION", ICalText(description));
    if (!location.empty()) Property("LOCATION", ICalText(location));
    Property("CATEGORIES", ICalText(PlainText(calendar_name_)));
    Property("DTSTAMP", ICalUtcStamp(now_));
    Property("DTSTART" + date_kind,
             timed ? LocalStamp(p.first, plan.start_minute()) : ICalDate(p.first));
    Property("DTEND" + date_kind,
             timed ? LocalStamp(p.first, plan.end_after()) : ICalDate(p.first + plan.end_after()));
    if (p.rule) {
      std::string until;
      if (p.rule->until) {
        // UTC for a timed start, as the standard asks; the end of the last
        // day, so its repetition is in.
        until = timed ? ICalUtcStamp(LocalToUtc(*p.rule->until + EncodeTime(23, 59, 0, 0)))
                      : ICalDate(*p.rule->until);
        if (timed) Cover(*p.rule->until + 1);
      }
      AppendLine(items_, "RRULE");
      bool first = true;
      for (const std::string& part : RuleParts(*p.rule, until)) {
        AddFolded((first ? " :" : " ") + part);
        first = false;
      }
    }
    if (!p.exdates.empty()) Property("EXDATE" + list_kind, stamps(p.exdates));
    if (!p.rdates.empty()) Property("RDATE" + list_kind, stamps(p.rdates));
    AppendLine(items_, "END:VEVENT");
    AppendLine(items_, "");
  }
}

const std::string& TICal::Head() const {
  // The zone's years: none without a timed item.
  int from_year = 0, to_year = -1;
  if (first_timed_ <= last_timed_) {
    // Past the horizon the zone's last rules are taken to hold; a far end
    // of repetition does not make the zone's history longer.
    const int horizon_year = DecodeDate(horizon_).year;
    to_year = std::clamp(DecodeDate(last_timed_).year, horizon_year, horizon_year + 50);
    // From the year before the first item, so that no item's time lies
    // before the zone's first block, in any zone.
    from_year = DecodeDate(first_timed_).year - 1;
  }
  // A run's one-event files mostly need the same years: the head is made
  // again only when they change.
  if (!head_.empty() && head_years_ == std::pair(from_year, to_year)) return head_;
  head_years_ = {from_year, to_year};
  head_.clear();
  AppendLine(head_, "BEGIN:VCALENDAR");
  AppendProperty(head_, "VERSION", "2.0");
  AppendProperty(head_, "PRODID",
                 "-//" + product_.maker + "//" + product_.name + " " + product_.version + "//EN");
  AppendProperty(head_, "METHOD", "PUBLISH");
  AppendProperty(head_, "X-WR-CALNAME", ICalText(PlainText(title_)));
  if (from_year <= to_year) {
    for (const std::string& line : VTimezoneLines(zone_, from_year, to_year)) {
      AppendFolded(head_, line);
    }
  }
  AppendLine(head_, "");
  return head_;
}

std::string TICal::Text() const {
  const std::string& head = Head();
  constexpr std::string_view kEnd = "END:VCALENDAR\r\n";
  std::string text;
  text.reserve(head.size() + items_.size() + kEnd.size());
  text += head;
  text += items_;
  text += kEnd;
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

// Runs of ISO years reach five years past the last year exported, and the
// zone's rules are written at least that far: a published calendar is
// written again long before.
DayNumber HorizonAfter(int year) { return EncodeDate(std::clamp(year, 1, 9990) + 5, 12, 31); }

// The calendar's name for subscribers: the title above the calendar, else
// the favorite's name (its page name without the extension).
std::string RunTitle(const RunContext& run) {
  const std::string title = Trim(PlainText(run.s().Text("Page.Title")));
  if (!title.empty()) return title;
  const std::size_t dot = run.page_name.rfind('.');
  return dot == std::string::npos || dot == 0 ? run.page_name : run.page_name.substr(0, dot);
}

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
  TICal ical(brand.APP_CAPTION, category_name, category_name, ProductOf(brand), now,
             HorizonAfter(year));
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
  TICal ical(run.brand_short_url, run.page_name, RunTitle(run), ProductOf(brand), run.now,
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
