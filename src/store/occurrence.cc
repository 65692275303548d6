#include "store/occurrence.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/text.h"
#include "store/db_engine.h"

namespace almanix::store {
namespace {

// ",item," somewhere in the list: the one membership test the rows know.
bool ListHas(std::string_view list, std::string_view item) {
  std::string needle;
  needle.reserve(item.size() + 2);
  needle += ',';
  needle += item;
  needle += ',';
  return list.find(needle) != std::string_view::npos;
}

int WholeNumber(std::string_view text) { return ParseInt(text).value_or(0); }

// 64-bit: a day-of-month text may hold any int, "2147483647" included.
std::int64_t GridRowOf(DayNumber day, std::int64_t day_of_month) {
  const std::int64_t blanks = DayOfWeek(FirstOfMonth(day)) - 1;
  return (blanks + day_of_month - 1) / 7 + 1;
}

std::int64_t OrdinalOf(std::int64_t day_of_month) {
  return (day_of_month - 1) / 7 + 1;
}

bool EveryNthWeek(int every, int start_week, int week) {
  return std::abs(start_week - week) % every == 0;
}

bool EveryNthDay(int every, std::int64_t start, std::int64_t day) {
  return std::llabs(start - day) % every == 0;
}

bool TextOccurs(const EventRow& e, std::string_view c, std::string_view n,
                std::string_view m, std::string_view w, std::string_view d,
                bool any_choice) {
  const bool in_category = ListHas(e.calendars, c);
  if (!in_category) return false;
  const int every = WholeNumber(e.f1);
  const int start = WholeNumber(e.s_date);
  const DayNumber day = WholeNumber(n);
  const std::int64_t day_of_month = WholeNumber(d);
  const std::string_view ends_text = e.r_ends;
  const std::string_view start_text = e.s_date;

  const bool ends = ends_text >= n;
  const bool start_day = start_text == n;

  bool weekly = ListHas(e.r_weekly, w) && (any_choice || e.r_choice == "W");
  if (weekly && every > 0) {
    if (e.f3.empty()) {
      weekly = EveryNthWeek(every, IsoWeekNumber(start), IsoWeekNumber(day));
    } else if (e.f3 == "T") {
      weekly = every == GridRowOf(day, day_of_month);
    } else if (e.f3 == "W") {
      weekly = every == OrdinalOf(day_of_month);
    }
  }
  const bool monthly =
      ListHas(e.r_monthly, d) && (any_choice || e.r_choice == "M");
  const bool yearly = e.r_choice == "Y" && e.i_month == m && e.i_day == d;
  const bool daily =
      e.r_choice == "D" && (every <= 0 || EveryNthDay(every, start, day));
  const bool repeats = (weekly || monthly || yearly || daily) &&
                       start_text < n && ListHas(e.r_active_months, m);

  std::string skip_list = "," + e.f2;
  std::string skip_item = "," + std::string(n);
  const bool skipped = skip_list.find(skip_item) != std::string::npos;

  return (repeats || start_day) && ends && !skipped;
}

// The value when the text is exactly the decimal form of a non-negative
// number (what std::to_string gives), else nullopt.
std::optional<int> PlainNumber(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  if (text.size() > 1 && text.front() == '0') return std::nullopt;
  std::int64_t value = 0;
  for (const char ch : text) {
    if (ch < '0' || ch > '9') return std::nullopt;
    value = value * 10 + (ch - '0');
  }
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int>(value);
}

// The numbers 0..63 that ",x," finds in the list: the items lying between
// two commas. An item with a leading zero, blank or sign is never the text
// of a number asked about, so it sets no bit.
std::uint64_t ListBits(std::string_view list) {
  std::uint64_t bits = 0;
  std::size_t open = list.find(',');
  while (open != std::string_view::npos) {
    const std::size_t close = list.find(',', open + 1);
    if (close == std::string_view::npos) break;
    const std::optional<int> value =
        PlainNumber(list.substr(open + 1, close - open - 1));
    if (value && *value < 64) bits |= std::uint64_t{1} << *value;
    open = close;
  }
  return bits;
}

// Every day number N for which ",N" occurs in "," + list: each item's
// prefixes that are the decimal text of a number. "401850" thus skips 4,
// 40, 401, 4018, 40185 and 401850.
std::vector<DayNumber> SkippedDays(std::string_view list) {
  std::vector<DayNumber> days;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = std::min(list.find(',', begin), list.size());
    const std::string_view item = list.substr(begin, end - begin);
    // "-2147483648" is the longest text of an int.
    for (std::size_t length = 1;
         length <= std::min<std::size_t>(item.size(), 11); ++length) {
      const std::string_view prefix = item.substr(0, length);
      const std::optional<int> value = ParseInt(prefix);
      if (value && std::to_string(*value) == prefix) days.push_back(*value);
    }
    if (end == list.size()) break;
    begin = end + 1;
  }
  std::sort(days.begin(), days.end());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  return days;
}

// Zero padding sorts below every other byte, so packed values order as the
// texts do when neither holds a NUL byte.
bool Pack(std::string_view text, std::uint64_t* packed) {
  if (text.size() > 8 || text.find('\0') != std::string_view::npos) {
    return false;
  }
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    const unsigned char byte =
        i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    value = (value << 8) | byte;
  }
  *packed = value;
  return true;
}

bool HasBit(std::uint64_t bits, int value) {
  return value >= 0 && value < 64 && ((bits >> value) & 1) != 0;
}

std::string OrderClause(std::string_view order_column) {
  if (order_column.empty()) return "";
  return " order by " + std::string(order_column) + " asc ";
}

std::string LikeItem(std::string_view item) {
  return SqlQuote("%," + std::string(item) + ",%");
}

std::string MonthQueryRest(int m) {
  const std::string month = std::to_string(m);
  return " and ( rActiveMonths like " + LikeItem(month) +
         " ) or ( iMonth =" + SqlQuote(month) + ")" + " order by sTime asc ";
}

}  // namespace

bool EventOccursOn(const EventRow& e, std::string_view c, std::string_view n,
                   std::string_view m, std::string_view w, std::string_view d) {
  return TextOccurs(e, c, n, m, w, d, /*any_choice=*/false);
}

bool DayEventOccursOn(const EventRow& e, std::string_view c, std::string_view n,
                      std::string_view m, std::string_view w,
                      std::string_view d) {
  return TextOccurs(e, c, n, m, w, d, /*any_choice=*/true);
}

// ---- Date operations ----

DayNumber FirstOfMonth(DayNumber day) {
  const CivilDate date = DecodeDate(day);
  return EncodeDate(date.year, date.month, 1);
}

DayNumber LastOfMonth(DayNumber day) {
  const CivilDate date = DecodeDate(day);
  return EncodeDate(date.year, date.month, DaysInMonth(date.year, date.month));
}

int GridRow(DayNumber day) {
  return static_cast<int>(GridRowOf(day, DecodeDate(day).day));
}

int WeekdayOrdinal(DayNumber day) {
  return static_cast<int>(OrdinalOf(DecodeDate(day).day));
}

int LeadingBlanks(int kind, DayNumber day) {
  const int weekday = DayOfWeek(FirstOfMonth(day));  // 1 = Sunday
  switch (kind) {
    case 1:
      return weekday - 1;
    case 2:
      return (weekday + 5) % 7;
    default:
      return 0;
  }
}

// ---- The fast form ----

DayKey DayKey::For(DayNumber n) {
  DayKey key;
  const CivilDate date = DecodeDate(n);
  key.day = n;
  key.text = std::to_string(n);
  key.month = date.month;
  key.day_of_month = date.day;
  key.weekday = DayOfWeek(n);
  key.iso_week = IsoWeekNumber(n);
  key.grid_row = static_cast<int>(GridRowOf(n, date.day));
  key.ordinal = static_cast<int>(OrdinalOf(date.day));
  key.month_text = std::to_string(key.month);
  key.day_text = std::to_string(key.day_of_month);
  key.weekday_text = std::to_string(key.weekday);
  key.text_packed = Pack(key.text, &key.packed);
  return key;
}

ParsedEvent ParsedEvent::Parse(const EventRow& row) {
  ParsedEvent event;
  event.categories_ = ListBits(row.calendars);
  event.calendars_ = row.calendars;
  event.weekdays_ = ListBits(row.r_weekly);
  event.month_days_ = ListBits(row.r_monthly);
  event.months_ = ListBits(row.r_active_months);
  event.ends_.text = row.r_ends;
  event.ends_.is_packed = Pack(row.r_ends, &event.ends_.packed);
  event.start_.text = row.s_date;
  event.start_.is_packed = Pack(row.s_date, &event.start_.packed);
  event.skipped_ = SkippedDays(row.f2);

  if (row.r_choice == "D") {
    event.choice_ = Choice::kDaily;
  } else if (row.r_choice == "W") {
    event.choice_ = Choice::kWeekly;
  } else if (row.r_choice == "M") {
    event.choice_ = Choice::kMonthly;
  } else if (row.r_choice == "Y") {
    event.choice_ = Choice::kYearly;
  }
  if (row.f3.empty()) {
    event.pattern_ = WeekPattern::kWeeks;
  } else if (row.f3 == "T") {
    event.pattern_ = WeekPattern::kGridRow;
  } else if (row.f3 == "W") {
    event.pattern_ = WeekPattern::kOrdinal;
  }
  event.every_ = WholeNumber(row.f1);
  event.start_value_ = WholeNumber(row.s_date);
  event.start_week_ = IsoWeekNumber(event.start_value_);
  event.yearly_month_ = PlainNumber(row.i_month).value_or(-1);
  event.yearly_day_ = PlainNumber(row.i_day).value_or(-1);
  return event;
}

bool ParsedEvent::OccursOn(const DayKey& day, int category) const {
  return Occurs(day, category, /*any_choice=*/false);
}

bool ParsedEvent::DayOccursOn(const DayKey& day, int category) const {
  return Occurs(day, category, /*any_choice=*/true);
}

bool ParsedEvent::InCategory(int category) const {
  if (category >= 0 && category < 64) return HasBit(categories_, category);
  return ListHas(calendars_, std::to_string(category));
}

int ParsedEvent::CompareWithDay(const ComparableText& text, const DayKey& day) {
  if (text.is_packed && day.text_packed) {
    return text.packed < day.packed ? -1 : (text.packed > day.packed ? 1 : 0);
  }
  const int order = std::string_view(text.text).compare(day.text);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool ParsedEvent::OccursOnDay(const DayKey& day) const {
  return DayMatches(day, /*any_choice=*/false);
}

bool ParsedEvent::MayOccurInMonth(const DayKey& first, const DayKey& last) const {
  if (first.day < 0 || first.text.size() != last.text.size() || first.month != last.month) {
    return true;
  }
  if (CompareWithDay(ends_, first) < 0 || CompareWithDay(start_, last) > 0) return false;
  // A day other than the start day needs its month ticked.
  const bool starts_within = CompareWithDay(start_, first) >= 0;
  return starts_within || HasBit(months_, first.month);
}

bool ParsedEvent::Occurs(const DayKey& day, int category,
                         bool any_choice) const {
  // Cheapest and most often decisive tests first.
  if (!InCategory(category)) return false;
  return DayMatches(day, any_choice);
}

bool ParsedEvent::DayMatches(const DayKey& day, bool any_choice) const {
  if (CompareWithDay(ends_, day) < 0) return false;
  const int from_start = CompareWithDay(start_, day);
  bool occurs = from_start == 0;
  if (!occurs && from_start < 0 && HasBit(months_, day.month)) {
    bool weekly = HasBit(weekdays_, day.weekday) &&
                  (any_choice || choice_ == Choice::kWeekly);
    if (weekly && every_ > 0) {
      switch (pattern_) {
        case WeekPattern::kWeeks:
          weekly = EveryNthWeek(every_, start_week_, day.iso_week);
          break;
        case WeekPattern::kGridRow:
          weekly = every_ == day.grid_row;
          break;
        case WeekPattern::kOrdinal:
          weekly = every_ == day.ordinal;
          break;
        case WeekPattern::kFree:
          break;
      }
    }
    const bool monthly = HasBit(month_days_, day.day_of_month) &&
                         (any_choice || choice_ == Choice::kMonthly);
    const bool yearly = choice_ == Choice::kYearly &&
                        yearly_month_ == day.month &&
                        yearly_day_ == day.day_of_month;
    const bool daily =
        choice_ == Choice::kDaily &&
        (every_ <= 0 || EveryNthDay(every_, start_value_, day.day));
    occurs = weekly || monthly || yearly || daily;
  }
  if (!occurs) return false;
  return skipped_.empty() ||
         !std::binary_search(skipped_.begin(), skipped_.end(), day.day);
}

// ---- SQL text ----

std::string DayEventsSql(std::string_view n, std::string_view c,
                         std::string_view m, std::string_view d,
                         std::string_view w, std::string_view order_column) {
  std::vector<std::string> lines = {
      " Select * from events where rEnds >= " + SqlQuote(n),
      " and  Calendars LIKE " + LikeItem(c),
      " and  ( sDate = " + SqlQuote(n),
      "       ) or (  (",
      "                rChoice =" + SqlQuote("D"),
      "                or rMonthly  LIKE " + LikeItem(d),
      "                or rWeekly  LIKE " + LikeItem(w),
      "                ) and  (  ",
      "                        sDate < " + SqlQuote(n),
      "                        and rActiveMonths LIKE " + LikeItem(m),
      "                        ) ",
      "       ) or (   ",
      "                rChoice =" + SqlQuote("Y"),
      "                and iMonth =" + SqlQuote(m),
      "                and iDay =" + SqlQuote(d),
      "             )  ",
  };
  if (!order_column.empty()) lines.push_back(OrderClause(order_column));
  std::string sql;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) sql += "\r\n";
    sql += lines[i];
  }
  return sql;
}

std::string IdsSql(const std::vector<std::string>& ids,
                   std::string_view order_column) {
  std::string list = ids.empty() ? "0" : "";
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i > 0) list += ',';
    list += ids[i];
  }
  return " Select * from events where id in (" + list + ")" +
         OrderClause(order_column);
}

std::string MonthQuerySql(const std::vector<int>& categories, int m) {
  std::string condition;
  for (std::size_t i = 0; i < categories.size(); ++i) {
    condition += i == 0 ? " " : " or ";
    condition += "Calendars ";
    condition += "  like " + LikeItem(std::to_string(categories[i]));
  }
  return " Select * from events where ( " + condition + " ) " +
         MonthQueryRest(m);
}

std::string MonthQuerySqlForCategory(int c, int m) {
  return " Select * from events where (  Calendars like " +
         LikeItem(std::to_string(c)) + " ) " + MonthQueryRest(m);
}

}  // namespace almanix::store
