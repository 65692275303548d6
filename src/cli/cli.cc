#include "cli/cli.h"

#include <ostream>

#include "app/config.h"
#include "app/text.h"
#include "cli/commands.h"
#include "cli/invocation.h"
#include "cli/options.h"
#include "cli/session.h"

namespace almanix::cli {
namespace {

std::string PresetList() {
  std::string out;
  for (const CategoryPreset& p : CategoryPresets()) out += "  \"" + p.choice + "\"\n";
  return out;
}

int RunInit(const Invocation& inv, std::ostream& out, std::ostream& err) {
  if (inv.words.size() > 1) return UsageError(err, "init takes no argument " + inv.words[1]);
  std::optional<int> preset;
  if (auto name = inv.Option("--preset")) {
    const CategoryPreset* p = FindCategoryPreset(*name);
    if (p == nullptr) {
      err << "almanix: unknown calendar type \"" << *name << "\"; the types are:\n"
          << PresetList();
      return kExitUsage;
    }
    preset = static_cast<int>(p - CategoryPresets().data());
  }
  Session session(err);
  if (!session.Start(inv, err, preset)) return kExitFailed;
  if (preset && !session.app.asked_calendar_type) {
    err << "almanix: this calendar already has its categories; --preset applies to "
           "a first start only\n";
  }
  out << session.app.dir->WorkDir << "\n";
  return session.ui.errors_shown() == 0 ? kExitOk : kExitFailed;
}

// --help: the command's own usage from its table, or the group's, or the
// program's.
int Help(const Invocation& inv, std::ostream& out, std::ostream& err) {
  if (inv.command != nullptr) {
    out << UsageOf(*inv.command);
    if (inv.command->name == "init") out << PresetList();
    return kExitOk;
  }
  if (inv.words.empty()) {
    out << GeneralUsage();
    return kExitOk;
  }
  if (inv.words.size() == 1 && !GroupUsage(inv.words[0]).empty()) {
    out << GroupUsage(inv.words[0]);
    return kExitOk;
  }
  return UsageError(err, "unknown command " + inv.words[0] +
                             (inv.words.size() > 1 ? " " + inv.words[1] : ""));
}

}  // namespace

int UsageError(std::ostream& err, const std::string& problem) {
  err << "almanix: " << problem << "\n" << GeneralUsage();
  return kExitUsage;
}

int Failed(std::ostream& err, const std::string& message) {
  err << "almanix: " << message << "\n";
  return kExitFailed;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err) {
  try {
    Invocation inv;
    if (auto problem = ParseCommandLine(args, &inv)) {
      err << "almanix: " << *problem << "\n";
      if (inv.command != nullptr) {
        err << UsageOf(*inv.command);
      } else {
        err << "Try 'almanix-cli --help'.\n";
      }
      return kExitUsage;
    }
    if (inv.version) {
      out << "almanix-cli " << ProgramVersion() << "\n";
      return kExitOk;
    }
    if (inv.help) return Help(inv, out, err);
    if (inv.words.empty()) return UsageError(err, "no command given");
    if (inv.command == nullptr) {
      const std::string& word = inv.words[0];
      if (inv.words.size() == 1 && !GroupUsage(word).empty()) {
        std::string subs;
        for (const CommandSpec& c : Commands()) {
          if (c.name.starts_with(word + " ")) {
            subs += (subs.empty() ? "" : ", ") + std::string(c.name.substr(word.size() + 1));
          }
        }
        return UsageError(err, word + " needs one of: " + subs);
      }
      return UsageError(err, "unknown command " + word +
                                 (inv.words.size() > 1 && !GroupUsage(word).empty()
                                      ? " " + inv.words[1]
                                      : ""));
    }
    const std::string& command = inv.words[0];
    if (inv.command->name == "FILE.cal") return RunProgramLine(inv, out, err);
    if (command == "init") return RunInit(inv, out, err);
    if (command == "event" || command == "note" || command == "holiday") {
      return RunStoreCommand(inv, out, err);
    }
    if (command == "favorite") return RunFavoriteCommand(inv, out, err);
    if (command == "generate" || command == "publish") return RunGenerateCommand(inv, out, err);
    if (command == "export-ics") return RunICalCommand(inv, out, err);
    if (command == "schedule") return RunScheduleCommand(inv, out, err);
    if (command == "import-csv" || command == "import-ics" || command == "export-events" ||
        command == "import-events") {
      return RunExchangeCommand(inv, out, err);
    }
    return RunFileCommand(inv, out, err);
  } catch (const std::exception& e) {
    err << "almanix: " << e.what() << "\n";
    return kExitFailed;
  } catch (...) {
    err << "almanix: unexpected failure\n";
    return kExitFailed;
  }
}

}  // namespace almanix::cli
