#pragma once

#include <iosfwd>
#include <optional>

#include "app/startup.h"
#include "cli/cli_ui.h"
#include "cli/invocation.h"
#include "store/db.h"
#include "store/store_startup.h"
#include "store/year_tables.h"

namespace almanix::cli {

// The running program behind one command: the same start-up as the desktop,
// then the working directory the command line asks for.
class Session {
 public:
  explicit Session(std::ostream& err) : ui(err), hooks(data, ui) {}

  // False (with the reason on err) when the program could not start.
  bool Start(const Invocation& inv, std::ostream& err,
             std::optional<int> calendar_type = std::nullopt);
  store::YearTables Years();

  CliUi ui;
  App app;
  store::TDB1 data;
  store::StoreStartup hooks;
};

}  // namespace almanix::cli
