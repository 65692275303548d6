#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"

// Whether an event row falls on a day. The rules work on the stored text
// columns exactly as the tables hold them: list membership is a search for
// ",x," and day numbers compare as text. Tables written over the years hold
// odd values, and the pages they produce must not change, so the quirks of
// those text tests are kept on purpose (a skip list entry "401850" also
// skips day 40185; a text rEnds "9999999" never ends).
namespace almanix::store {

// The repetition columns of an event row, as stored.
// Members are the columns Calendars, F1, F2, F3, rChoice, rWeekly, rMonthly,
// rActiveMonths, rEnds, sDate, iMonth and iDay, in that order.
struct EventRow {
  std::string calendars;        // ",1,3," category IDs
  std::string f1;               // "Every" count, or the ordinal n
  std::string f2;               // skipped day numbers "40185,40190"
  std::string f3;               // "", "W" or "T": the weekly pattern
  std::string r_choice;         // "", "D", "W", "M" or "Y"
  std::string r_weekly;         // ",2,4," weekdays, 1 = Sunday
  std::string r_monthly;        // ",1,15," days of the month
  std::string r_active_months;  // ",1,2,3," months
  std::string r_ends;           // last day number, "9999999" = never
  std::string s_date;           // start day number
  std::string i_month;          // start month, no leading zero
  std::string i_day;            // start day of month, no leading zero
};

// ---- The text rules: the reference every faster form must match ----

// The generators' rule. c: category ID; n: day number; m, d: month and day
// without leading zeros; w: weekday 1 = Sunday .. 7 = Saturday. The day's
// year, ISO week and month grid come from n.
bool EventOccursOn(const EventRow& e, std::string_view c, std::string_view n,
                   std::string_view m, std::string_view w, std::string_view d);
// The desktop's rule: as EventOccursOn, but a weekday in rWeekly or a day in
// rMonthly counts whatever rChoice says.
bool DayEventOccursOn(const EventRow& e, std::string_view c, std::string_view n,
                      std::string_view m, std::string_view w,
                      std::string_view d);

// ---- Date operations ----

DayNumber FirstOfMonth(DayNumber day);
DayNumber LastOfMonth(DayNumber day);
// The row (1..6) of the day in a month grid whose weeks start on Sunday.
int GridRow(DayNumber day);
// Which of its weekday the day is within the month: 1 for the 1st..7th,
// 2 for the 8th..14th, and so on.
int WeekdayOrdinal(DayNumber day);
// Empty cells before the month's 1st: kind 1 is a Sunday-first grid, kind 2
// a Monday-first one; 0 for any other kind.
int LeadingBlanks(int kind, DayNumber day);

// ---- The fast form ----

// Everything about one day the rules look at, worked out once per day and
// shared by every event tested on it.
struct DayKey {
  static DayKey For(DayNumber n);

  DayNumber day = 0;
  std::string text;      // decimal day number, what the rows compare with
  int month = 0;         // 1..12
  int day_of_month = 0;  // 1..31
  int weekday = 0;       // 1 = Sunday .. 7
  int iso_week = 0;      // ISO 8601 week number
  int grid_row = 0;      // GridRow
  int ordinal = 0;       // WeekdayOrdinal
  std::string month_text;
  std::string day_text;
  std::string weekday_text;
  // The first eight bytes of `text`, big-endian, zero-padded; valid when
  // text_packed is true.
  std::uint64_t packed = 0;
  bool text_packed = false;
};

// An event row with its lists read into bit sets once, so that testing it on
// a day does no text work. OccursOn and DayOccursOn give exactly what
// EventOccursOn and DayEventOccursOn give for the day's texts.
class ParsedEvent {
 public:
  static ParsedEvent Parse(const EventRow& row);

  // The generators' rule (EventOccursOn).
  bool OccursOn(const DayKey& day, int category) const;
  // The desktop's rule (DayEventOccursOn).
  bool DayOccursOn(const DayKey& day, int category) const;

  // The day half of OccursOn: OccursOn(day, c) holds exactly when the event
  // names category c and OccursOnDay(day) holds. Lets a run find an event's
  // days once and then ask per category.
  bool OccursOnDay(const DayKey& day) const;
  // False only when no day of one month, first to last, can pass
  // OccursOnDay; true when unsure. The bounds compare as texts, whose order
  // follows the days' only among day numbers of one length.
  bool MayOccurInMonth(const DayKey& first, const DayKey& last) const;
  // The category half of OccursOn: whether Calendars names the category.
  bool InCategory(int category) const;
  // Bit c set when InCategory(c), for c of 0..63.
  std::uint64_t category_bits() const { return categories_; }

 private:
  // A text column kept for byte-wise comparison with a day's text; the
  // packed form answers when both sides fit in eight bytes.
  struct ComparableText {
    std::string text;
    std::uint64_t packed = 0;
    bool is_packed = false;
  };
  enum class Choice : std::uint8_t {
    kOther,
    kDaily,
    kWeekly,
    kMonthly,
    kYearly
  };
  enum class WeekPattern : std::uint8_t { kWeeks, kOrdinal, kGridRow, kFree };

  bool Occurs(const DayKey& day, int category, bool any_choice) const;
  bool DayMatches(const DayKey& day, bool any_choice) const;
  static int CompareWithDay(const ComparableText& text, const DayKey& day);

  std::uint64_t categories_ = 0;  // IDs 0..63 named in Calendars
  std::string calendars_;         // for IDs outside the bit set
  std::uint64_t weekdays_ = 0;    // bit w
  std::uint64_t month_days_ = 0;  // bit d
  std::uint64_t months_ = 0;      // bit m
  ComparableText ends_;
  ComparableText start_;
  std::vector<DayNumber> skipped_;  // sorted day numbers F2 skips
  Choice choice_ = Choice::kOther;
  WeekPattern pattern_ = WeekPattern::kFree;
  int every_ = 0;          // F1
  int start_value_ = 0;    // sDate as a number
  int start_week_ = 0;     // ISO week of start_value_
  int yearly_month_ = -1;  // iMonth when a plain number, else -1
  int yearly_day_ = -1;    // iDay when a plain number, else -1
};

// ---- SQL text ----

// The desktop's query for one day's events, lines joined with "\r\n";
// order_column, when not empty, sorts ascending.
std::string DayEventsSql(std::string_view n, std::string_view c,
                         std::string_view m, std::string_view d,
                         std::string_view w, std::string_view order_column);
// The rows with the given IDs ("0" stands for none).
std::string IdsSql(const std::vector<std::string>& ids,
                   std::string_view order_column);
// The rows that may fall in month m for any of the categories.
// REQUIRES: !categories.empty().
std::string MonthQuerySql(const std::vector<int>& categories, int m);
std::string MonthQuerySqlForCategory(int c, int m);

}  // namespace almanix::store
