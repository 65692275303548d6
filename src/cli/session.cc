#include "cli/session.h"

#include <ostream>

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
  if (!inv.workdir.empty()) {
    std::string folder = WithTrailingSlash(SlashPath(inv.workdir));
    if (Status s = TDir::EnsureDir(folder); !s.ok()) {
      err << "almanix: " << s.message() << "\n";
      return false;
    }
    if (Status s = hooks.WorkingSet(app, folder); !s.ok()) {
      err << "almanix: " << s.message() << "\n";
      return false;
    }
  }
  return true;
}

store::YearTables Session::Years() {
  return store::YearTables(data.db(), app.config->CalendarList, app.dir->ConfigDir,
                           app.log.get(), &ui);
}

}  // namespace almanix::cli
