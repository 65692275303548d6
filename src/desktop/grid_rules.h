#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"

// The main window's grid arithmetic: which year-table rows a view shows,
// where the previous and next arrows lead, how many rows the month needs,
// and the texts drawn around the cells. Pure functions, so the window and
// the tests agree on every date.
namespace almanix::desktop {

// The years the year box lists and the month picker accepts.
inline constexpr int kFirstYear = 2004;
inline constexpr int kLastYear = 2099;

// The grid views: a month, or a run of days from the selected one.
inline constexpr int kMonthView = 31;
bool IsValidView(int view);

// True when the day lies inside the pickers' range (both end days count).
bool InAllowedRange(DayNumber day);
DayNumber FirstAllowedDay();
DayNumber LastAllowedDay();

// The first day number of the month a day view starts at (N): the Sunday of
// the date's week for 7 and 14, the date itself for 5 and 3, moved back so
// that the view stays inside the month. 1 for the month view.
int ViewStartDay(int view, DayNumber date);

// The SQL of the year query for the view, as separate lines joined by "\n".
std::string YearQuerySql(int view, int year, DayNumber date);

// Whether the date falls in the first week (row) of its month's grid.
bool InFirstWeek(DayNumber date);

// Where the day views' arrows lead from the selected day.
DayNumber StepBack(int n, DayNumber date);
DayNumber StepForward(int n, DayNumber date);

// The month view's grid rows (5 or 6) and the caption of the hidden-row
// button that toggles to the other count.
int MonthGridRows(DayNumber date);
std::string HiddenRowCaption(int rows_shown);

// The cell's event lines: "° " + summary per event, each trimmed and ended by
// CR LF; empty when the day has none.
std::string BarText(const std::vector<std::string>& summaries);
// The height of a cell's event-line box: 13 pixels a line.
int BarHeight(std::string_view bar);

// The weekday header label of column k (0 = Sunday): short names when the
// window is narrow or the date panel takes room.
std::string WeekdayLabel(int column, int window_width, bool date_panel_visible);

// "Category:  March 2010", the caption above the grid.
std::string GridCaption(std::string_view category, DateTimeValue date);

// A day number is drawn red when its day and month are today's, whatever the
// year.
bool IsTodayMark(int month, int day, DayNumber today);

}  // namespace almanix::desktop
