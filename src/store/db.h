#pragma once

#include <string>

#include "app/status.h"
#include "store/db_engine.h"

namespace almanix {
class TDir;
class TLog;
}  // namespace almanix

namespace almanix::store {

// The data module: owns the table engine and the long-lived queries the
// windows and the generator share.
class TDB1 {
 public:
  explicit TDB1(TLog* log = nullptr);

  // "DB.init": closes the queries, points the engine at DbDir (logging the
  // folders before and after) and upgrades the events table when it exists.
  // Run at start-up and after every working-directory switch.
  Status Init(const TDir& dir);
  // "DB.Close": closes the queries and forgets the folders.
  void Close();

  void set_log(TLog* log) { log_ = log; }
  Database& db() { return db_; }
  const std::string& net_file_dir() const { return net_file_dir_; }
  const std::string& private_dir() const { return private_dir_; }

  Database db_;
  Query qYear{db_};
  Query qYearWrite{db_};
  Query qCalendar{db_};  // the category display: refuses inserts
  Query qCalendarWrite{db_};
  Query qEvents{db_};
  Query qEventsWrite{db_};
  Query qEventsWrite2{db_};
  Query qEventsNew{db_};

 private:
  void CloseQueries();

  TLog* log_;
  std::string net_file_dir_;
  std::string private_dir_;
};

}  // namespace almanix::store
