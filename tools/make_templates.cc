// Writes the template tables a new calendar starts from: DB/ and iDB/ under
// the given install folder, each with Events.db, Calendar2010.db and
// Year2010.db, made by the program's own table code so they always match it.
//
//   make_templates <install folder> <folder with US.ini and Canada.ini>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/config.h"
#include "app/file_util.h"
#include "store/db_engine.h"
#include "store/tables.h"
#include "store/year_tables.h"

namespace {

int Make(const std::string& folder, const std::string& config) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  almanix::store::Database db;
  if (!db.Open(folder).ok()) return 1;
  almanix::Status s = almanix::store::CreateEventsTable(db, nullptr, nullptr);
  if (!s.ok()) {
    std::fprintf(stderr, "make_templates: %s\n", s.message().c_str());
    return 1;
  }
  almanix::store::YearTables years(
      db, almanix::CategoryPresets()[almanix::kDefaultPresetIndex].names, config,
      nullptr, nullptr);
  s = years.Generate("2010");
  if (!s.ok()) {
    std::fprintf(stderr, "make_templates: %s\n", s.message().c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_templates INSTALL_FOLDER CONFIG_FOLDER\n");
    return 2;
  }
  std::string install = almanix::WithTrailingSlash(argv[1]);
  for (const char* sub : {"DB", "iDB"}) {
    if (int rc = Make(install + sub, argv[2]); rc != 0) return rc;
  }
  return 0;
}
