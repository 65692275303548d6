#include "program/program.h"

#include "app/file_util.h"
#include "app/ui_seam.h"

namespace almanix {

Status Program::Start(const Options& options) {
  StartupOptions startup;
  startup.install_dir = options.install_dir;
  startup.root = options.root;
  startup.executable = options.executable;
  startup.hooks = &hooks;
  start_failure_shown_ = false;
  Startup(app, ui_, startup);
  if (!app.dir || !app.config) return Status::IoError("the program could not start");
  files = std::make_unique<store::CalendarFile>(app, data, ui_);
  if (options.calendar_lock_wait) files->set_lock_wait(*options.calendar_lock_wait);
  if (!options.workdir.empty()) {
    std::string folder = WithTrailingSlash(SlashPath(options.workdir));
    if (Status s = TDir::EnsureDir(folder); !s.ok()) return s;
    if (Status s = files->Working_Set(folder); !s.ok()) {
      start_failure_shown_ = true;
      return s;
    }
  }
  if (!options.calendar.empty()) {
    if (!FileExists(options.calendar)) {
      return Status::NotFound("no calendar file " + options.calendar);
    }
    if (Status s = files->File_Open(options.calendar); !s.ok()) {
      start_failure_shown_ = true;
      return s;
    }
    calendar_opened = true;
  }
  return Status::Ok();
}

Status Program::SaveBack() {
  if (!calendar_opened) return Status::Ok();
  if (app.dir->CalendarFile.empty()) {
    return Status::Invalid("the calendar file was not opened whole; not saved back");
  }
  return files->SaveCalendarFile(app.dir->CalendarFile);
}

store::YearTables Program::Years() {
  return store::YearTables(data.db(), app.config->CalendarList, app.dir->ConfigDir,
                           app.log.get(), &ui_);
}

}  // namespace almanix
