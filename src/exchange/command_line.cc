#include "exchange/command_line.h"

#include "app/file_util.h"
#include "app/text.h"

namespace almanix::exchange {

ProgramArguments ParseProgramArguments(const std::vector<std::string>& raw) {
  std::vector<std::string> args;
  for (const std::string& a : raw) args.push_back(ReplaceAll(a, "\"", ""));
  ProgramArguments out;
  if (!args.empty()) out.calendar = args[0];
  if (args.size() > 1 && ToLower(args[1]).find(".csv") != std::string::npos &&
      FileExists(args[1])) {
    out.csv = args[1];
  }
  for (size_t i = 1; i < args.size() && i < 3; ++i) {
    if (ToLower(args[i]) == "-p") out.publish = true;
  }
  return out;
}

ProgramRun RunProgramArguments(const ProgramArguments& args, const ProgramSteps& steps) {
  ProgramRun run;
  auto note = [&run](Status s) {
    if (!s.ok() && run.status.ok()) run.status = std::move(s);
  };
  if (!args.calendar.empty() && FileExists(args.calendar) && steps.open_calendar) {
    Status opened = steps.open_calendar(args.calendar);
    if (!opened.ok()) {
      run.status = opened;
      run.ends = !args.csv.empty() || args.publish;
      return run;
    }
  }
  if (!args.csv.empty() && steps.import_csv) {
    Status imported = steps.import_csv(args.csv);
    note(imported);
    if (imported.ok() && steps.save_calendar) note(steps.save_calendar());
    run.ends = true;
  }
  if (args.publish && steps.publish) {
    note(steps.publish());
    run.ends = true;
  }
  return run;
}

}  // namespace almanix::exchange
