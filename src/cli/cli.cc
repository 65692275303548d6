#include "cli/cli.h"

#include <map>
#include <optional>
#include <ostream>

#include "app/config.h"
#include "app/file_util.h"
#include "app/startup.h"
#include "app/text.h"
#include "cli/cli_ui.h"
#include "platform/places.h"

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
    "  --year Y       the year the publish settings are set up for\n"
    "  --help         this text; COMMAND --help for a command's own\n"
    "\n"
    "Commands:\n"
    "  init [--preset NAME]   first-run seeding; NAME is a calendar type\n";

constexpr char kInitUsage[] =
    "usage: almanix-cli init [--preset NAME]\n"
    "\n"
    "Seeds the data folders as a first start does and prints where the data\n"
    "is. NAME is one of these calendar types (default \"My personal calendar\"):\n";

struct Invocation {
  std::string root;
  std::string workdir;
  std::optional<int> year;
  bool help = false;
  std::string command;
  std::vector<std::string> args;             // positional, after the command
  std::multimap<std::string, std::string> options;  // command options
  std::vector<std::string> flags;            // command options without value
};

// Options of commands that take a value; anything else starting "--" is a
// flag.
bool TakesValue(const std::string& name) {
  static const char* kValued[] = {"--preset"};
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
    } else if (a == "--year") {
      std::string y;
      if (auto e = value(&y)) return e;
      inv->year = ParseInt(y);
      if (!inv->year || *inv->year < 2004 || *inv->year > 2099) {
        return "--year wants a year from 2004 to 2099, not " + y;
      }
    } else if (inv->command.empty() && a.rfind("--", 0) != 0) {
      inv->command = a;
    } else if (a.rfind("--", 0) == 0 && !inv->command.empty()) {
      if (TakesValue(a)) {
        std::string v;
        if (auto e = value(&v)) return e;
        inv->options.emplace(a, v);
      } else {
        inv->flags.push_back(a);
      }
    } else if (a.rfind("--", 0) == 0) {
      return "unknown option " + a;
    } else {
      inv->args.push_back(a);
    }
  }
  return std::nullopt;
}

std::string PresetList() {
  std::string out;
  for (const CategoryPreset& p : CategoryPresets()) {
    out += "  \"" + p.choice + "\"\n";
  }
  return out;
}

int Usage(std::ostream& err, const std::string& problem) {
  err << "almanix: " << problem << "\n" << kUsage;
  return kExitUsage;
}

int RunInit(const Invocation& inv, std::ostream& out, std::ostream& err) {
  for (const std::string& f : inv.flags) return Usage(err, "init does not know " + f);
  if (!inv.args.empty()) return Usage(err, "init takes no argument " + inv.args[0]);
  std::optional<int> preset;
  if (auto it = inv.options.find("--preset"); it != inv.options.end()) {
    const CategoryPreset* p = FindCategoryPreset(it->second);
    if (p == nullptr) {
      err << "almanix: unknown calendar type \"" << it->second
          << "\"; the types are:\n"
          << PresetList();
      return kExitUsage;
    }
    preset = static_cast<int>(p - CategoryPresets().data());
  }

  CliUi ui(err);
  ui.set_choice(preset);
  App app;
  StartupOptions options;
  options.root = inv.root;
  options.executable = platform::ExecutableDir() + "almanix";
  Startup(app, ui, options);
  if (!app.dir || !app.config) return kExitFailed;
  if (!inv.workdir.empty()) {
    std::string folder = WithTrailingSlash(SlashPath(inv.workdir));
    if (Status s = TDir::EnsureDir(folder); !s.ok()) {
      err << "almanix: " << s.message() << "\n";
      return kExitFailed;
    }
    (void)SwitchWorkDir(app, folder);
  }
  out << app.dir->WorkDir << "\n";
  return ui.messages_shown() == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err) {
  try {
    Invocation inv;
    if (auto problem = Parse(args, &inv)) return Usage(err, *problem);
    if (inv.command.empty()) {
      if (inv.help) {
        out << kUsage;
        return kExitOk;
      }
      return Usage(err, "no command given");
    }
    if (inv.command == "init") {
      if (inv.help) {
        out << kInitUsage << PresetList();
        return kExitOk;
      }
      return RunInit(inv, out, err);
    }
    return Usage(err, "unknown command " + inv.command);
  } catch (const std::exception& e) {
    err << "almanix: " << e.what() << "\n";
    return kExitFailed;
  } catch (...) {
    err << "almanix: unexpected failure\n";
    return kExitFailed;
  }
}

}  // namespace almanix::cli
