#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/status.h"

// The program's own command line: a calendar file to open, a CSV file to
// import into the current category (the calendar is then saved back), and
// "-p" to publish with the saved settings. After an import or "-p" the
// program ends. The desktop and almanix-cli supply the steps.
namespace almanix::exchange {

struct ProgramArguments {
  std::string calendar;  // argument 1, when given
  std::string csv;       // argument 2, when it names an existing ".csv" file
  bool publish = false;  // "-p" as argument 2 or 3
};

// Double quotes are removed from every argument first.
ProgramArguments ParseProgramArguments(const std::vector<std::string>& args);

struct ProgramSteps {
  std::function<Status(const std::string& calendar)> open_calendar;
  std::function<Status(const std::string& csv)> import_csv;
  std::function<Status()> save_calendar;
  std::function<Status()> publish;
};

struct ProgramRun {
  Status status;
  bool ends = false;  // the program ends without asking to save
};

// Opens the calendar when the file exists; imports and saves; publishes.
// A failing step is reported in the status; the later steps still run
// unless the calendar could not be opened (they would act on another one).
ProgramRun RunProgramArguments(const ProgramArguments& args, const ProgramSteps& steps);

}  // namespace almanix::exchange
