#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"

namespace almanix {
class TLog;
class UiSeam;
}  // namespace almanix

namespace almanix::store {

class Database;

// The first year with holiday dates in the holiday files.
inline constexpr int kFirstHolidayYear = 2004;

// Makes and fills the per-year tables: "Calendar" + year with one row per
// category name, and "Year" + year with a row for every cell of a
// Sunday-first month grid (day rows, and filler rows whose iDay is NULL),
// the US and Canada holidays filled in from the holiday files.
class YearTables {
 public:
  // config_dir holds US.ini and Canada.ini; calendar_list names the
  // categories in order.
  YearTables(Database& db, std::vector<std::string> calendar_list,
             std::string config_dir, TLog* log, UiSeam* ui);

  void set_calendar_list(std::vector<std::string> list) { calendar_list_ = std::move(list); }

  // Creates and fills both tables of the year (log "DB1.GenerateTable." +
  // year). The text is read as a whole number, 2010 when it is not one.
  // A failing table shows its message and generation goes on; the
  // returned status is the first failure.
  Status Generate(std::string_view year_text);

  // When the year's day table is missing, generates it; a failure shows
  // "Could not create table for year " + year.
  Status EnsureQuiet(DayNumber date);
  // When missing: says so, generates and returns true; false when it
  // exists or could not be made (with its message).
  bool EnsureAnnounced(std::string_view year_text);

  bool Exists(int year) const;

 private:
  Database& db_;
  std::vector<std::string> calendar_list_;
  std::string config_dir_;
  TLog* log_;
  UiSeam* ui_;
};

// The text of the date-time value stored in a day row's dt column.
std::string DayTimestamp(DayNumber day);

}  // namespace almanix::store
