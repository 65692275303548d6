#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/status.h"
#include "store/db_engine.h"
#include "store/occurrence.h"

namespace almanix::desktop {

// The events of one category as the grid draws its lines from them, read
// from the Events table once and kept while the table is unchanged: every
// step through the months would otherwise scan the whole table (no index
// may live in a table file). Whether the table changed is the engine's
// stamp, not a call from each window that writes, so no path that writes
// (the event editor, the day commands, imports, undo, another process) can
// leave stale lines behind.
class CategoryRows {
 public:
  struct Row {
    store::ParsedEvent rule;
    std::string summary;
    // Texts as stored; nullopt for NULL, which no comparison passes.
    std::optional<std::string> start_day;  // sDate
    std::optional<std::string> ends;       // rEnds
  };

  // The rows whose Calendars names the category, in the order of their
  // start time, read again when the table changed since the last read.
  Result<const std::vector<Row>*> For(store::Database& db, int category);

  // The query that reads a category's rows.
  static std::string Sql(int category);

  // Forgets the rows.
  void Drop();
  // How many times the table was read.
  int reads() const { return reads_; }

 private:
  std::vector<Row> rows_;
  int category_ = 0;  // 0: nothing kept
  store::RowsStamp stamp_;
  int reads_ = 0;
};

}  // namespace almanix::desktop
