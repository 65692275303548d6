#include "store/category_tables.h"

#include <filesystem>
#include <system_error>

#include "app/file_util.h"
#include "store/db_engine.h"
#include "store/tables.h"
#include "store/year_tables.h"

namespace almanix::store {

namespace {

// The first "- old" + R name from R on that is not taken; R itself when all are.
std::string BackupPath(const std::string& folder, int next_year, int backup_number) {
  const std::string base = "Calendar" + std::to_string(next_year) + "- old";
  for (int i = 0; i < 100; ++i) {
    const int r = (backup_number + i) % 100;
    const std::string path = folder + base + std::to_string(r) + ".db";
    if (!PathExists(path)) return path;
  }
  return folder + base + std::to_string(backup_number % 100) + ".db";
}

}  // namespace

Result<std::string> CopyCategoriesToNextYear(Database& db, YearTables& years, int year,
                                             int backup_number, TLog* log, UiSeam* ui) {
  const std::string source = "Calendar" + std::to_string(year);
  const int next_year = year + 1;
  const std::string target = "Calendar" + std::to_string(next_year);
  if (!db.TableExists(source)) {
    return Status::NotFound("No categories for year " + std::to_string(year));
  }
  // What the person had for that year is kept before anything is made anew.
  std::string backup;
  if (const std::string old = db.TableFile(target); !old.empty()) {
    backup = BackupPath(WithTrailingSlash(db.folder()), next_year, backup_number);
    std::error_code ec;
    std::filesystem::copy_file(old, backup, std::filesystem::copy_options::overwrite_existing,
                               ec);
    // Without its backup the old table stays as it was.
    if (ec) return Status::IoError("Cannot copy " + old + " to " + backup + ": " + ec.message());
  }
  if (!years.Exists(next_year)) {
    if (Status s = years.Generate(std::to_string(next_year)); !s.ok()) return s;
  }
  // Each table file names its table inside, so a plain file copy would hold
  // the wrong table: the rows are copied into a new table of the right name.
  if (Status s = CreateTable(db, target, CategoryColumns(), log, ui); !s.ok()) return s;
  std::string columns;
  for (const ColumnSpec& c : CategoryColumns()) {
    columns += std::string(columns.empty() ? "" : ", ") + c.name;
  }
  if (Status s = db.Execute("insert into " + target + " (" + columns + ") select " + columns +
                            " from " + source + " order by ID");
      !s.ok()) {
    return s;
  }
  return backup;
}

}  // namespace almanix::store
