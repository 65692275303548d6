#include "desktop/grid_rules.h"

#include <algorithm>

#include "app/text.h"
#include "store/occurrence.h"

namespace almanix::desktop {

namespace {

bool SameMonth(DayNumber a, DayNumber b) {
  CivilDate x = DecodeDate(a);
  CivilDate y = DecodeDate(b);
  return x.year == y.year && x.month == y.month;
}

int DaysOfMonth(DayNumber date) {
  CivilDate c = DecodeDate(date);
  return DaysInMonth(c.year, c.month);
}

std::string Quoted(int n) { return "'" + std::to_string(n) + "'"; }

// How many day numbers after N a day view selects.
int ViewReach(int view) {
  switch (view) {
    case 14: return 14;
    case 7: return 7;
    case 5: return 4;
    case 3: return 2;
    default: return 0;
  }
}

}  // namespace

bool IsValidView(int view) {
  return view == kMonthView || view == 14 || view == 7 || view == 5 || view == 3;
}

DayNumber FirstAllowedDay() { return EncodeDate(kFirstYear, 1, 1); }
DayNumber LastAllowedDay() { return EncodeDate(kLastYear, 12, 31); }

bool InAllowedRange(DayNumber day) {
  return day >= FirstAllowedDay() && day <= LastAllowedDay();
}

int ViewStartDay(int view, DayNumber date) {
  CivilDate c = DecodeDate(date);
  const int d = c.day;
  const int w = DayOfWeek(date);
  const int last = DaysInMonth(c.year, c.month);
  int n = 1;
  switch (view) {
    case 14:
    case 7:
      n = d - w < 0 ? 1 : d - w + 1;
      if (last - n < 7) n = view == 7 ? last - 6 : n - 7;
      break;
    case 5:
      n = d == 0 ? 1 : d;
      if (last - n < 5) n = last - 4;
      break;
    case 3:
      n = d;
      if (last - n < 3) n = last - 2;
      break;
    default:
      break;
  }
  return n;
}

bool InFirstWeek(DayNumber date) {
  CivilDate c = DecodeDate(date);
  int w1 = DayOfWeek(EncodeDate(c.year, c.month, 1));
  return (c.day + w1 - 2) / 7 + 1 == 1;
}

std::string YearQuerySql(int view, int year, DayNumber date) {
  CivilDate c = DecodeDate(date);
  std::vector<std::string> lines;
  lines.push_back(" Select * from year" + std::to_string(year) +
                  " where iMonth=" + Quoted(c.month));
  if (view != kMonthView && IsValidView(view)) {
    const int n = ViewStartDay(view, date);
    lines.push_back(" and ( ");
    lines.push_back(" iDay = " + Quoted(n));
    for (int i = 1; i <= ViewReach(view); ++i) lines.push_back(" or iDay = " + Quoted(n + i));
    if (view == 14 && InFirstWeek(date)) lines.push_back(" or iDay is NULL ");
    lines.push_back("  ) ");
  }
  std::string sql;
  for (const std::string& line : lines) sql += line + "\n";
  return sql;
}

DayNumber StepBack(int n, DayNumber date) {
  DayNumber p = date - n;
  if (!SameMonth(p, date)) p = store::LastOfMonth(p);
  return p;
}

DayNumber StepForward(int n, DayNumber date) {
  const int d = DecodeDate(date).day;
  const DayNumber first = store::FirstOfMonth(date);
  const DayNumber last = store::LastOfMonth(date);
  DayNumber p = first + n * ((d + 1) / n + 1);
  int k = n;
  if (n == 7 || n == 14) p = date + n;
  if (n == 5 || n == 7 || n == 14) k = 2;
  if (!SameMonth(p, date)) return store::FirstOfMonth(p);
  if (date == last - n + 1) return last + 1;
  if (DaysOfMonth(date) - DecodeDate(p).day < n) return last - k + 1;
  return p;
}

int MonthGridRows(DayNumber date) {
  CivilDate c = DecodeDate(date);
  int w1 = DayOfWeek(EncodeDate(c.year, c.month, 1));
  return w1 + DaysInMonth(c.year, c.month) - 1 > 35 ? 6 : 5;
}

std::string HiddenRowCaption(int rows_shown) { return rows_shown == 6 ? "5" : "6"; }

std::string BarText(const std::vector<std::string>& summaries) {
  std::string bar;
  for (const std::string& summary : summaries) {
    bar += Trim("\xC2\xB0 " + summary);
    bar += "\r\n";
  }
  return bar;
}

int BarHeight(std::string_view bar) {
  return 13 * static_cast<int>(std::count(bar.begin(), bar.end(), '\r'));
}

std::string WeekdayLabel(int column, int window_width, bool date_panel_visible) {
  int weekday = std::clamp(column, 0, 6) + 1;
  if (window_width < 700 || date_panel_visible) return std::string(ShortDayName(weekday));
  return std::string(LongDayName(weekday));
}

std::string GridCaption(std::string_view category, DateTimeValue date) {
  return std::string(category) + ":  " + FormatDateTime("mmmm", date) + " " +
         FormatDateTime("yyyy", date);
}

bool IsTodayMark(int month, int day, DayNumber today) {
  CivilDate c = DecodeDate(today);
  return c.month == month && c.day == day;
}

}  // namespace almanix::desktop
