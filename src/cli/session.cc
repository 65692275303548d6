#include "cli/session.h"

#include <ostream>

#include "app/dates.h"
#include "app/file_util.h"
#include "platform/places.h"

namespace almanix::cli {

bool Session::Start(const Invocation& inv, std::ostream& err,
                    std::optional<int> calendar_type) {
  ui.set_choice(calendar_type);
  StartupOptions options;
  options.root = inv.root;
  options.executable = platform::ExecutableDir() + "almanix";
  options.hooks = &hooks;
  Startup(app, ui, options);
  if (!app.dir || !app.config) {
    err << "almanix: the program could not start\n";
    return false;
  }
  files = std::make_unique<store::CalendarFile>(app, data, ui);
  // Another almanix-cli may be changing the same calendar file: wait for it
  // rather than losing its changes or ours.
  files->set_lock_wait(kCalendarLockWait);
  if (!inv.workdir.empty()) {
    std::string folder = WithTrailingSlash(SlashPath(inv.workdir));
    if (Status s = TDir::EnsureDir(folder); !s.ok()) {
      err << "almanix: " << s.message() << "\n";
      return false;
    }
    if (Status s = files->Working_Set(folder); !s.ok()) return false;
  }
  if (!inv.calendar.empty()) {
    if (!FileExists(inv.calendar)) {
      err << "almanix: no calendar file " << inv.calendar << "\n";
      return false;
    }
    if (Status s = files->File_Open(inv.calendar); !s.ok()) return false;
    calendar_opened = true;
  }
  return true;
}

bool Session::SaveBack(std::ostream& err) {
  if (!calendar_opened) return true;
  if (app.dir->CalendarFile.empty()) {
    err << "almanix: the calendar file was not opened whole; not saved back\n";
    return false;
  }
  return files->SaveCalendarFile(app.dir->CalendarFile).ok();
}

int Session::Fail(std::ostream& err, const std::string& message) const {
  if (ui.last_error() == message) return kExitFailed;
  return Failed(err, message);
}

int Session::Year() const { return DecodeDateTime(FromTimeT(now)).year; }

store::YearTables Session::Years() {
  return store::YearTables(data.db(), app.config->CalendarList, app.dir->ConfigDir,
                           app.log.get(), &ui);
}

}  // namespace almanix::cli
