#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/run_result.h"
#include "app/status.h"

namespace almanix {
class UiSeam;
namespace store {
class Database;
}
}  // namespace almanix

// Events moved between calendars as a table file: a table with the events
// table's columns in its own file, named after the file.
namespace almanix::exchange {

// The table name of a file: its name with every ".db" removed
// ("Team.db.db" gives "Team").
std::string EventTableName(std::string_view path);

std::string ExportedMessage(std::string_view path);
std::string ImportFinishedMessage(int imported);

// "Export Events": every event (no category), or those made in the category
// (CalendarID, not Calendars), written to the file as a table of its name.
// An existing file is replaced. Shows ExportedMessage.
Status ExportEvents(store::Database& db, const std::string& path, std::optional<int> category,
                    UiSeam& ui);

// "Import Events": appends every row of the file's table to the events
// table with a new ID, every other column taken over as text; with a
// category, CalendarID and Calendars put the events in it. A row that
// cannot be written (a column the events table lacks, ...) is skipped and
// not counted. All rows in one transaction. Shows ImportFinishedMessage and
// returns the count. `rows`, when given, counts every row of the file
// ("row N", from 1) and keeps each one that was skipped, with its reason.
Result<int> ImportEvents(store::Database& db, const std::string& path,
                         std::optional<int> category, UiSeam& ui, RunResult* rows = nullptr);

}  // namespace almanix::exchange
