#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"
#include "store/occurrence.h"

namespace almanix {
class TLog;
class UiSeam;
namespace store {
class Database;
}
}  // namespace almanix

// "Import iCal": every VEVENT of an iCalendar file becomes an event of one
// category. The file is read by libical (folded lines, escapes, time
// zones); repetition rules are put into the program's own columns where
// those give exactly the same days, and otherwise written as one-day
// events of each date.
namespace almanix::exchange {

std::string ImportIcsQuestion(std::string_view category_name);
std::string NotUnderstoodMessage(int parsed_before);
// The same, naming the event and why it was left out.
std::string NotUnderstoodMessage(int parsed_before, const std::string& summary,
                                 const std::string& why);

// One event as it will be written; a repeating rule the columns cannot hold
// gives one of these per date.
struct IcsEvent {
  std::string summary, description, location, url, uid;
  DateTimeValue start = 0, end = 0;  // local time
  bool all_day = false;
  // The repetition columns; empty r_choice for a one-day event.
  store::EventRow row;
};

struct IcsImportResult {
  int vevents = 0;   // VEVENT blocks in the file
  int written = 0;   // rows written
  int expanded = 0;  // events whose rule was written date by date
  int not_understood = 0;  // events left out (no start)
  std::vector<std::string> messages;  // what was said about single events
};

// Reads the file into rows for the category, without writing.
Result<std::vector<IcsEvent>> ReadIcsFile(const std::string& path, int category,
                                          IcsImportResult* result);
// The whole command: reads the file and writes every event in one
// transaction. Messages go through the seam.
Result<IcsImportResult> ImportIcsFile(store::Database& db, const std::string& path,
                                      int category, UiSeam& ui, TLog* log);

}  // namespace almanix::exchange
