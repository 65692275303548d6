#pragma once

#include <string>

#include "app/status.h"

namespace almanix {
class TLog;
class UiSeam;
}  // namespace almanix

namespace almanix::store {

class Database;
class YearTables;

// Gives the year after `year` the same categories (names, visibility,
// icons) as `year`. An existing category table of the next year is kept
// first as "Calendar" + (year + 1) + "- old" + R + ".db" beside the tables
// (R = backup_number 0..99, or the next free number when that file is
// there already). The next year's tables are generated first when missing,
// so a later look at that year does not make them anew over the copy.
// Returns the backup's path, empty when there was nothing to keep.
Result<std::string> CopyCategoriesToNextYear(Database& db, YearTables& years, int year,
                                             int backup_number, TLog* log, UiSeam* ui);

}  // namespace almanix::store
