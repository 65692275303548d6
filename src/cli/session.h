#pragma once

#include <chrono>
#include <ctime>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "app/startup.h"
#include "cli/cli_ui.h"
#include "cli/invocation.h"
#include "program/program.h"
#include "store/calendar_file.h"
#include "store/db.h"
#include "store/store_startup.h"
#include "store/year_tables.h"

namespace almanix::cli {

// How long a command waits for another program to finish with the calendar
// file given by --calendar.
inline constexpr std::chrono::seconds kCalendarLockWait{30};

// The running program behind one command: the program the desktop runs,
// with the command line's face on it (messages on stderr, answers from
// flags) and the working directory the command line asks for.
class Session {
 public:
  explicit Session(std::ostream& err) : ui(err), program(ui) {}

  // False (with the reason on err) when the program could not start.
  bool Start(const Invocation& inv, std::ostream& err,
             std::optional<int> calendar_type = std::nullopt);
  store::YearTables Years();
  // After a command that changed data: saves the calendar file back when
  // one was opened with --calendar. False (with the reason) on failure.
  bool SaveBack(std::ostream& err);
  // "almanix: " + message unless the interface has just shown it as its
  // last error, so a failure is named once; returns kExitFailed.
  int Fail(std::ostream& err, const std::string& message) const;
  // The year of `now` (local time).
  int Year() const;

  CliUi ui;
  Program program;
  // The program's parts under the names the commands use.
  App& app = program.app;
  store::TDB1& data = program.data;
  store::StoreStartup& hooks = program.hooks;
  std::unique_ptr<store::CalendarFile>& files = program.files;
  bool& calendar_opened = program.calendar_opened;
  // The command's wall clock, read once as it starts: generation, feed,
  // scroller and iCalendar stamps all take it from here.
  std::time_t now = std::time(nullptr);
};

}  // namespace almanix::cli
