#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"

namespace almanix {
class TLog;
class UiSeam;
}  // namespace almanix

// The three kinds of table of a calendar: one events table for all years,
// and per year a category table and a day table. Every column is text of a
// fixed width except the keys and the day table's time stamp.
namespace almanix::store {

class Database;
class Query;

struct ColumnSpec {
  const char* name;
  const char* type;  // "autoinc", "char(n)" or "TIMESTAMP"
};

// The columns in creation order.
const std::vector<ColumnSpec>& EventsColumns();
const std::vector<ColumnSpec>& CategoryColumns();
const std::vector<ColumnSpec>& DayColumns();
// The columns an old events table may lack, in the order they are added.
const std::vector<ColumnSpec>& EventsUpgradeColumns();

// "( ID autoinc, CalendarID char(8), ...)".
std::string ColumnList(const std::vector<ColumnSpec>& columns);

// Deletes the table's files, then runs "CREATE TABLE name( ...)" (logged
// "DB1.CreateTable." + name). On failure shows
// "Failed to create 'name' . <engine message>" and returns the error.
Status CreateTable(Database& db, std::string_view name,
                   const std::vector<ColumnSpec>& columns, TLog* log, UiSeam* ui);
Status CreateEventsTable(Database& db, TLog* log, UiSeam* ui);

// Adds each upgrade column the events table lacks, logging
// "Events.AddedField : " + column. A failing addition is returned.
Status UpgradeEventsTable(Database& db, TLog* log);

// The long description: 15 columns of 255 characters, in the order
// Description, F5, Description3 .. Description15 (3,825 characters; the
// rest is dropped).
inline constexpr int kDescriptionBlock = 255;
inline constexpr int kDescriptionBlocks = 15;
const std::vector<std::string>& DescriptionColumns();
std::string ReadDescription(const Query& q);
Status WriteDescription(Query& q, std::string_view text);
// The events grid shows Description + F5 and edits characters 1..255 into
// Description and all the rest into F5.
std::string ReadGridDescription(const Query& q);
Status WriteGridDescription(Query& q, std::string_view text);

// Posts a query that is being edited or inserted into.
Status PostIfEditing(Query& q);
// When no row of the category query is visible, makes the first one so.
Status EnsureOneVisibleCategory(Query& categories);
// Walks from the current row to the end for a row whose column has the
// text; when none does, goes back to the first row and returns false. The
// error of a move that was refused (a pending edit that cannot be posted),
// with the query still on the edited row.
Result<bool> FindInQuery(Query& q, std::string_view column, std::string_view value);

}  // namespace almanix::store
