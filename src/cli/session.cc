#include "cli/session.h"

#include <ostream>

#include "app/dates.h"
#include "app/file_util.h"
#include "platform/places.h"

namespace almanix::cli {

bool Session::Start(const Invocation& inv, std::ostream& err,
                    std::optional<int> calendar_type) {
  ui.set_choice(calendar_type);
  Program::Options options;
  options.root = inv.root;
  options.workdir = inv.workdir;
  options.calendar = inv.calendar;
  options.executable = platform::ExecutableDir() + "almanix";
  // Another almanix-cli may be changing the same calendar file: wait for it
  // rather than losing its changes or ours.
  options.calendar_lock_wait = kCalendarLockWait;
  Status s = program.Start(options);
  if (!s.ok() && !program.start_failure_shown()) err << "almanix: " << s.message() << "\n";
  return s.ok();
}

bool Session::SaveBack(std::ostream& err) {
  Status s = program.SaveBack();
  // The save itself shows its own failures; this one has no window to show.
  if (!s.ok() && calendar_opened && app.dir->CalendarFile.empty()) {
    err << "almanix: " << s.message() << "\n";
  }
  return s.ok();
}

int Session::Fail(std::ostream& err, const std::string& message) const {
  if (ui.last_error() == message) return kExitFailed;
  return Failed(err, message);
}

int Session::Year() const { return DecodeDateTime(FromTimeT(now)).year; }

store::YearTables Session::Years() { return program.Years(); }

}  // namespace almanix::cli
