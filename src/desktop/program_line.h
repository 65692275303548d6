#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "app/status.h"
#include "publish/other_destinations.h"

namespace almanix {
class Program;
}

namespace almanix::desktop {

class FileMenu;

struct ProgramLineRun {
  Status status;
  bool ends = false;  // the program ends without asking to save
};

// Whether the arguments FILE.cal [FILE.csv] [-p] end the program once done:
// a CSV file to import or "-p" makes the run a batch without a person.
bool ProgramLineEnds(const std::vector<std::string>& args);

// The desktop's own command line, after the start-up sequence: opens the
// calendar file, imports the CSV file into the category with the file's
// saved import choices and saves the calendar back, and with "-p"
// publishes the category's favorite with its saved settings. A calendar
// file that is named but missing, or a second argument that is neither a
// CSV file nor "-p", is said and stops a batch: importing or publishing
// another calendar in its place would be worse than nothing. Every failure
// has been shown through the seam and is in the status. "-p" to "Printer",
// "HomePage" or "Desktop" works through the services given.
ProgramLineRun RunProgramLine(Program& program, FileMenu& files, int category,
                              const std::vector<std::string>& args, std::time_t now,
                              const publish::DesktopServices& services = {});

}  // namespace almanix::desktop
