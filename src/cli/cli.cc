#include "cli/cli.h"

#include <ostream>

#include "app/config.h"
#include "app/text.h"
#include "cli/commands.h"
#include "cli/invocation.h"
#include "cli/session.h"

namespace almanix::cli {
namespace {

constexpr char kUsage[] =
    "usage: almanix-cli [--root DIR] [--workdir DIR] [--year Y] COMMAND ...\n"
    "\n"
    "Options:\n"
    "  --root DIR     per-user, common and temporary data under DIR\n"
    "                 (same as ALMANIX_ROOT=DIR)\n"
    "  --workdir DIR  work in that working directory, seeded from the\n"
    "                 templates when empty\n"
    "  --calendar F   open calendar file F first; a command that changes data\n"
    "                 saves it back\n"
    "  --year Y       the year the publish settings are set up for\n"
    "  --help         this text; COMMAND --help for a command's own\n"
    "\n"
    "Commands (dates YYYY-MM-DD, times HH:MM, categories 1 to 30):\n"
    "  init [--preset NAME]      first-run seeding; NAME is a calendar type\n"
    "  event add --category N --summary TEXT --start DATE[ TIME] [...]\n"
    "  event list [--category N] --from DATE --to DATE\n"
    "  event delete ID\n"
    "  note set --category N --date DATE TEXT\n"
    "  holiday set --date DATE TEXT\n"
    "  favorite create NAME [--categories 1,3] [--set Section.Key=Value]...\n"
    "  favorite set NAME Section.Key=Value...\n"
    "  favorite show NAME\n"
    "  generate NAME [--out DIR] [--extension html]\n"
    "  publish NAME [--create-remote] [--progress]\n"
    "  import-csv FILE --category N [--map Field=column,...] [...]\n"
    "  import-ics FILE --category N\n"
    "  export-ics --category N -o FILE\n"
    "  export-events FILE [--category N]\n"
    "  import-events FILE (--category N | --keep-categories)\n"
    "  new | save FILE.cal | open FILE.cal | backup FILE.zip\n"
    "  FILE.cal [FILE.csv] [-p]  open, import, save, publish, end\n";

constexpr char kFileUsage[] =
    "usage: almanix-cli new | save FILE.cal | open FILE.cal | backup FILE.zip\n"
    "\n"
    "new      starts a new, empty calendar in a temporary working directory\n"
    "save     saves the working directory as one calendar file\n"
    "open     opens a calendar file into its temporary working directory\n"
    "backup   writes a backup archive of the working directory\n";

constexpr char kInitUsage[] =
    "usage: almanix-cli init [--preset NAME]\n"
    "\n"
    "Seeds the data folders as a first start does and prints where the data\n"
    "is. NAME is one of these calendar types (default \"My personal calendar\"):\n";

bool TakesValue(const std::string& name) {
  static const char* kValued[] = {
      "--preset",   "--category", "--summary",    "--start",    "--end",
      "--repeat",   "--every",    "--pattern",    "--weekdays", "--monthdays",
      "--months",   "--until",    "--skip",       "--categories", "--description",
      "--location", "--url",      "--set",        "--date",     "--from",
      "--to",       "--out",      "--extension", "--map",   "--date-format",
      "--time-format", "--duplicates", "--start-line", "-o"};
  for (const char* v : kValued) {
    if (name == v) return true;
  }
  return false;
}

// Splits the command line; a usage error message on failure.
std::optional<std::string> Parse(const std::vector<std::string>& args,
                                 Invocation* inv) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) -> std::optional<std::string> {
      if (i + 1 >= args.size()) return a + " needs a value";
      *out = args[++i];
      return std::nullopt;
    };
    if (a == "--help" || a == "-h") {
      inv->help = true;
    } else if (a == "--root") {
      if (auto e = value(&inv->root)) return e;
    } else if (a == "--workdir") {
      if (auto e = value(&inv->workdir)) return e;
    } else if (a == "--calendar") {
      if (auto e = value(&inv->calendar)) return e;
      inv->calendar = AbsolutePath(inv->calendar);
    } else if (a == "--year") {
      std::string y;
      if (auto e = value(&y)) return e;
      inv->year = ParseInt(y);
      if (!inv->year || *inv->year < 2004 || *inv->year > 2099) {
        return "--year wants a year from 2004 to 2099, not " + y;
      }
    } else if (a.rfind("--", 0) == 0 || a == "-o") {
      if (inv->words.empty()) return "unknown option " + a;
      if (TakesValue(a)) {
        std::string v;
        if (auto e = value(&v)) return e;
        inv->options.emplace(a, v);
      } else {
        inv->flags.push_back(a);
      }
    } else {
      inv->words.push_back(a);
    }
  }
  return std::nullopt;
}

std::string PresetList() {
  std::string out;
  for (const CategoryPreset& p : CategoryPresets()) out += "  \"" + p.choice + "\"\n";
  return out;
}

int RunInit(const Invocation& inv, std::ostream& out, std::ostream& err) {
  if (!inv.flags.empty()) return UsageError(err, "init does not know " + inv.flags[0]);
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

}  // namespace

int UsageError(std::ostream& err, const std::string& problem) {
  err << "almanix: " << problem << "\n" << kUsage;
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
    if (auto problem = Parse(args, &inv)) return UsageError(err, *problem);
    if (inv.words.empty()) {
      if (inv.help) {
        out << kUsage;
        return kExitOk;
      }
      return UsageError(err, "no command given");
    }
    const std::string& command = inv.words[0];
    // The program's own form; its arguments may come in double quotes.
    if (ToLower(ReplaceAll(command, "\"", "")).ends_with(".cal")) {
      return RunProgramLine(inv, out, err);
    }
    if (command == "init") {
      if (inv.help) {
        out << kInitUsage << PresetList();
        return kExitOk;
      }
      return RunInit(inv, out, err);
    }
    if (command == "event" || command == "note" || command == "holiday") {
      return RunStoreCommand(inv, out, err);
    }
    if (command == "favorite") return RunFavoriteCommand(inv, out, err);
    if (command == "generate" || command == "publish") return RunGenerateCommand(inv, out, err);
    if (command == "export-ics") return RunICalCommand(inv, out, err);
    if (command == "import-csv" || command == "import-ics" || command == "export-events" ||
        command == "import-events") {
      return RunExchangeCommand(inv, out, err);
    }
    if (command == "new" || command == "save" || command == "open" || command == "backup") {
      if (inv.help) {
        out << kFileUsage;
        return kExitOk;
      }
      return RunFileCommand(inv, out, err);
    }
    return UsageError(err, "unknown command " + command);
  } catch (const std::exception& e) {
    err << "almanix: " << e.what() << "\n";
    return kExitFailed;
  } catch (...) {
    err << "almanix: unexpected failure\n";
    return kExitFailed;
  }
}

}  // namespace almanix::cli
