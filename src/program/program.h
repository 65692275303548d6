#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "app/startup.h"
#include "app/status.h"
#include "store/calendar_file.h"
#include "store/db.h"
#include "store/store_startup.h"
#include "store/year_tables.h"

namespace almanix {

class UiSeam;

// The running program: the long-lived objects of start-up (folders,
// configuration, log), the data module with its tables, the start-up steps
// of the store and the open calendar file. The desktop, the command-line
// tool and the tests each hold one and put their own face on it.
class Program {
 public:
  explicit Program(UiSeam& ui) : ui_(ui), hooks(data, ui) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  struct Options {
    std::string install_dir;  // empty: found from the program's location
    std::string root;        // empty: ALMANIX_ROOT or the normal places
    std::string workdir;     // work in this folder ("Work in ..")
    std::string calendar;    // open this calendar file first
    std::string executable;  // written into the autostart entry
    // How long opening a calendar file waits for another program holding
    // it; none: calendar files are not locked.
    std::optional<std::chrono::milliseconds> calendar_lock_wait;
  };

  // The start-up sequence, then the working directory or calendar file the
  // options name. An error when the program could not start or the folder
  // or file could not be opened; the failing step has shown its message.
  Status Start(const Options& options);

  // Whether the failure Start returned was already shown through the seam.
  bool start_failure_shown() const { return start_failure_shown_; }

  store::YearTables Years();
  // After a change: saves the calendar file back when Start opened one.
  Status SaveBack();

  UiSeam& ui() { return ui_; }

 private:
  UiSeam& ui_;
  bool start_failure_shown_ = false;

 public:
  App app;
  store::TDB1 data;
  store::StoreStartup hooks;
  std::unique_ptr<store::CalendarFile> files;
  bool calendar_opened = false;
};

}  // namespace almanix
