#include "cli/options.h"

#include <algorithm>
#include <cctype>

#include "app/text.h"

namespace almanix::cli {
namespace {

constexpr size_t kWidth = 79;

const std::vector<std::string_view>& Groups() {
  static const std::vector<std::string_view> kGroups = {"event", "note", "holiday",
                                                        "favorite"};
  return kGroups;
}

bool IsGroup(std::string_view word) {
  const auto& groups = Groups();
  return std::find(groups.begin(), groups.end(), word) != groups.end();
}

// "--name" and "-x" are options; "-5 degrees" and "-" are words.
bool LooksLikeOption(std::string_view a) {
  if (a.size() > 2 && a.substr(0, 2) == "--") return true;
  return a.size() == 2 && a[0] == '-' && std::isalpha(static_cast<unsigned char>(a[1]));
}

const OptionSpec* FindIn(const std::vector<OptionSpec>& options, std::string_view name) {
  for (const OptionSpec& o : options) {
    if (o.name == name) return &o;
  }
  return nullptr;
}

bool KnownByAnyCommand(std::string_view name) {
  for (const CommandSpec& c : Commands()) {
    if (FindIn(c.options, name)) return true;
  }
  return false;
}

// The option's name without an "=value" part.
std::string_view NameOf(std::string_view a) {
  if (a.substr(0, 2) != "--") return a;
  return a.substr(0, a.find('='));
}

std::string Rendered(const OptionSpec& o) {
  std::string text(o.name);
  if (!o.value.empty()) text += " " + std::string(o.value);
  if (!o.required) text = "[" + text + "]";
  if (o.repeats) text += "...";
  return text;
}

// The words, filled into lines of kWidth that after the first start with
// indent.
std::string Wrapped(const std::vector<std::string>& words, const std::string& first,
                    const std::string& indent) {
  std::string out = first, line = first;
  bool line_empty = true;
  for (const std::string& w : words) {
    if (w.empty()) continue;
    if (!line_empty && line.size() + 1 + w.size() > kWidth) {
      out += "\n" + indent;
      line = indent;
      line_empty = true;
    }
    const std::string piece = line_empty ? w : " " + w;
    out += piece;
    line += piece;
    line_empty = false;
  }
  return out + "\n";
}

std::string Synopsis(const CommandSpec& c, const std::string& first,
                     const std::string& indent) {
  std::vector<std::string> words = {std::string(c.name), std::string(c.args)};
  for (const OptionSpec& o : c.options) words.push_back(Rendered(o));
  words.emplace_back(c.tail);
  return Wrapped(words, first, indent);
}

}  // namespace

const std::vector<OptionSpec>& GlobalOptions() {
  static const std::vector<OptionSpec> kGlobal = {
      {"--root", "DIR"},
      {"--workdir", "DIR"},
      {"--calendar", "FILE.cal"},
      {"--year", "Y"},
      {"--progress", "", true},
      {"--version", "", true},
      {"--help", "", true},
      {"-h", "", true},
  };
  return kGlobal;
}

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> kCommands = {
      {"init", "", {{"--preset", "NAME"}}, "",
       "Seeds the data folders as a first start does and prints where the data\n"
       "is. NAME is one of these calendar types (default \"My personal calendar\"):\n"},
      {"event add",
       "",
       {{"--category", "N", false, true},
        {"--summary", "TEXT", false, true},
        {"--start", "DATE[ TIME]", false, true},
        {"--end", "DATE[ TIME]"},
        {"--allday", ""},
        {"--repeat", "daily|weekly|monthly|yearly"},
        {"--every", "N"},
        {"--pattern", "weeks|week-of-month|week-of-month-absolute"},
        {"--weekdays", "1,3"},
        {"--monthdays", "1,15"},
        {"--months", "1,2,3"},
        {"--until", "DATE"},
        {"--skip", "DATE,DATE"},
        {"--categories", "1,3"},
        {"--description", "TEXT"},
        {"--location", "TEXT"},
        {"--url", "URL"},
        {"--set", "Column=Value", true}},
       "",
       "Adds one event as the event editor stores it (weekday 1 = Sunday) and\n"
       "prints its ID. Dates are YYYY-MM-DD, times HH:MM (24-hour).\n"},
      {"event list",
       "",
       {{"--category", "N"}, {"--from", "DATE", false, true}, {"--to", "DATE", false, true}},
       "",
       "Prints every occurrence, one line each: DATE<TAB>HH:MM<TAB>ID<TAB>SUMMARY\n"
       "(--:-- for all-day events), by date then start time.\n"},
      {"event delete", "ID", {}, "", "Deletes one event.\n"},
      {"note set",
       "",
       {{"--category", "N", false, true}, {"--date", "DATE", false, true}},
       "TEXT",
       "Sets a day note.\n"},
      {"holiday set", "", {{"--date", "DATE", false, true}}, "TEXT",
       "Sets the holiday text of the holiday set the calendar shows.\n"},
      {"favorite create", "NAME", {{"--categories", "1,3"}, {"--set", "Section.Key=Value", true}},
       "",
       "Makes a new favorite with default settings, as the Format & Publish window\n"
       "saves it. --categories takes category numbers of the year's category list;\n"
       "without it, category 1 is shown. NAME is the favorite or its page name\n"
       "(Sports or Sports.html); --year Y sets up that year (default: this year).\n"},
      {"favorite set", "NAME", {}, "Section.Key=Value...",
       "Changes settings of the favorite's conf.ini, named as conf.ini names them\n"
       "(Publish.StartMonth, Formatting.TimeFormat, ...). A password\n"
       "(FTP.Password, Proxy.Password) is never taken from the command line, where\n"
       "ps shows it: FTP.Password=- takes it from ALMANIX_PASSWORD when that is\n"
       "set, else reads one line from standard input. FTP.Password= clears it.\n"},
      {"favorite show", "NAME", {}, "",
       "Prints every setting of the favorite as Section.Key=Value, passwords\n"
       "masked.\n"},
      {"generate", "NAME", {{"--out", "DIR"}, {"--extension", "html"}}, "",
       "Makes the web calendar of favorite NAME in the build folder and prints the\n"
       "path of its main page; with --out the build folder's contents are then\n"
       "copied into DIR. --extension is the page extension (html, htm, php, asp or\n"
       "pl). --year Y sets up that year (default: this year).\n"},
      {"publish", "NAME", {{"--create-remote", ""}, {"--scheduled", ""}}, "",
       "Does \"Publish Now\" with the favorite's saved destination and prints where\n"
       "the calendar went. For the destination \"Webserver\" the upload's log goes\n"
       "to stderr; a remote folder that does not exist is made only with\n"
       "--create-remote. The upload shows its progress (files and bytes) when\n"
       "stderr is a terminal or with --progress. --scheduled marks a run started\n"
       "by a schedule: its end is logged, and a failure is kept for the desktop\n"
       "to show at its next start.\n"},
      {"schedule", "[NAME]", {{"--list", ""}}, "[daily|weekly|off]",
       "Republishes favorite NAME daily or weekly without the program running,\n"
       "through a systemd user timer (a crontab line where there is no user\n"
       "systemd); off removes the schedule. --list prints every schedule, one\n"
       "line each: NAME<TAB>daily|weekly<TAB>systemd|cron<TAB>last run.\n"},
      {"import-csv",
       "FILE",
       {{"--category", "N", false, true},
        {"--map", "Field=column,..."},
        {"--date-format", "m/d/yyyy|d/m/yyyy"},
        {"--time-format", "am/pm|24"},
        {"--duplicates", "allow|replace|skip"},
        {"--start-line", "N"},
        {"--stop-on-error", ""}},
       "",
       "Imports one one-day event per line of FILE into category N. Fields for --map:\n"
       "EventName, EventDescription, EventLocation, URL, URLName, StartDate,\n"
       "StartTime, EndDate, EndTime, each given a column number (1 = first column).\n"
       "Without --map the choices saved for the file by an earlier import are used.\n"
       "A line that cannot be imported is reported and skipped; with --stop-on-error\n"
       "the import stops there (the lines before it stay imported).\n"},
      {"import-ics", "FILE", {{"--category", "N", false, true}}, "",
       "Adds every event of the iCalendar FILE to category N. Times with a zone are\n"
       "converted to local time; a repetition the calendar cannot keep as one event\n"
       "is imported as single events, and the command says so.\n"},
      {"export-ics", "", {{"--category", "N", false, true}, {"-o", "FILE", false, true}}, "",
       "Writes the day notes of category N in year Y (--year, default: this year)\n"
       "and every event made in the category to the iCalendar FILE, as the main\n"
       "window's \"Export iCal ...\" does.\n"},
      {"export-events", "FILE", {{"--category", "N"}}, "",
       "Writes every event (or those made in category N) to FILE, a table file\n"
       "named after FILE.\n"},
      {"import-events", "FILE", {{"--category", "N"}, {"--keep-categories", ""}}, "",
       "Adds the events of a table file written by export-events, into category N\n"
       "or keeping the categories the file gives them (one of the two is needed).\n"},
      {"new", "", {}, "", "Starts a new, empty calendar in a temporary working directory.\n"},
      {"save", "FILE.cal", {}, "", "Saves the working directory as one calendar file.\n"},
      {"open", "FILE.cal", {}, "",
       "Opens a calendar file into its temporary working directory.\n"},
      {"backup", "FILE.zip", {}, "", "Writes a backup archive of the working directory.\n"},
      {"FILE.cal", "[FILE.csv]", {{"-p", ""}}, "",
       "Opens the calendar file, imports the CSV file into the current category\n"
       "with the choices saved for it and saves the calendar, publishes with\n"
       "the saved settings (-p), and ends.\n"},
  };
  return kCommands;
}

const CommandSpec* FindCommand(std::string_view name) {
  for (const CommandSpec& c : Commands()) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

std::string UsageOf(const CommandSpec& command) {
  return Synopsis(command, "usage: almanix-cli ", std::string(9, ' ')) + "\n" +
         std::string(command.about);
}

std::string GroupUsage(std::string_view group) {
  std::string out;
  for (const CommandSpec& c : Commands()) {
    if (c.name.substr(0, c.name.find(' ')) != group || c.name == group) continue;
    if (!out.empty()) out += "\n";
    out += UsageOf(c);
  }
  return out;
}

std::string GeneralUsage() {
  std::string out =
      "usage: almanix-cli [--root DIR] [--workdir DIR] [--calendar FILE.cal] [--year Y]\n"
      "         [--progress] COMMAND ...\n"
      "       almanix-cli --version | --help | COMMAND --help\n"
      "\n"
      "Options:\n"
      "  --root DIR           per-user, common and temporary data under DIR\n"
      "                       (same as ALMANIX_ROOT=DIR)\n"
      "  --workdir DIR        work in that working directory, seeded from the\n"
      "                       templates when empty\n"
      "  --calendar FILE.cal  open that calendar file first; a command that\n"
      "                       changes data saves it back\n"
      "  --year Y             the year the publish settings are set up for\n"
      "  --progress           show the progress of long work on stderr even\n"
      "                       when stderr is not a terminal\n"
      "  --version            the program and its version\n"
      "  --help               this text; COMMAND --help for a command's own\n"
      "\n"
      "Commands (dates YYYY-MM-DD, times HH:MM, categories 1 to 30):\n";
  for (const CommandSpec& c : Commands()) out += Synopsis(c, "  ", std::string(6, ' '));
  return out;
}

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string NearestOption(std::string_view unknown, const CommandSpec* command) {
  std::string best;
  size_t best_distance = static_cast<size_t>(-1);
  auto consider = [&](const std::vector<OptionSpec>& options) {
    for (const OptionSpec& o : options) {
      const size_t d = EditDistance(unknown, o.name);
      if (d < best_distance) {
        best = std::string(o.name);
        best_distance = d;
      }
    }
  };
  if (command) consider(command->options);
  consider(GlobalOptions());
  return best;
}

std::optional<std::string> ParseCommandLine(const std::vector<std::string>& args,
                                            Invocation* inv) {
  bool options_ended = false;
  bool awaiting_sub = false;  // a group word ("event") wants its sub-command
  auto known = [&](std::string_view a) {
    std::string_view name = NameOf(a);
    return FindIn(GlobalOptions(), name) ||
           (inv->command && FindIn(inv->command->options, name));
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options_ended && a == "--") {
      options_ended = true;
      continue;
    }
    // The program's own form keeps its "-p" (any case) where it stands.
    const bool program_argument = inv->command != nullptr && inv->command->name == "FILE.cal" &&
                                  ToLower(a) == "-p";
    if (options_ended || program_argument || !LooksLikeOption(a)) {
      inv->words.push_back(a);
      if (inv->words.size() == 1) {
        // The program's own form; its arguments may come in double quotes.
        if (ToLower(ReplaceAll(a, "\"", "")).ends_with(".cal")) {
          inv->command = FindCommand("FILE.cal");
        } else if (IsGroup(a)) {
          awaiting_sub = true;
        } else {
          inv->command = FindCommand(a);
        }
      } else if (awaiting_sub) {
        awaiting_sub = false;
        inv->command = FindCommand(inv->words[0] + " " + a);
      }
      continue;
    }

    const std::string name(NameOf(a));
    std::optional<std::string> inline_value;
    if (name.size() < a.size()) inline_value = a.substr(name.size() + 1);
    const bool global = FindIn(GlobalOptions(), name) != nullptr;
    const OptionSpec* spec = global ? FindIn(GlobalOptions(), name)
                             : inv->command ? FindIn(inv->command->options, name)
                                            : nullptr;
    if (spec == nullptr) {
      // After an unknown command the command is the problem, not its options.
      if (!inv->words.empty() && !awaiting_sub && inv->command == nullptr) {
        inv->flags.push_back(a);
        continue;
      }
      if (inv->command == nullptr && KnownByAnyCommand(name)) {
        return name + " comes after the command";
      }
      return "unknown option " + name + " (did you mean " +
             NearestOption(name, inv->command) + "?)";
    }

    std::string value;
    if (spec->value.empty()) {
      if (inline_value) return name + " takes no value";
    } else if (inline_value) {
      value = *inline_value;
    } else {
      if (i + 1 >= args.size() || known(args[i + 1])) return name + " needs a value";
      value = args[++i];
    }
    if (!spec->repeats) {
      bool seen = global ? inv->globals_given.count(name) > 0
                         : inv->options.count(name) > 0 || inv->Flag(name);
      if (seen) return name + " is given twice";
    }

    if (global) {
      inv->globals_given.insert(name);
      if (name == "--help" || name == "-h") {
        inv->help = true;
      } else if (name == "--version") {
        inv->version = true;
      } else if (name == "--progress") {
        inv->progress = true;
      } else if (name == "--root") {
        inv->root = value;
      } else if (name == "--workdir") {
        inv->workdir = value;
      } else if (name == "--calendar") {
        inv->calendar = AbsolutePath(value);
      } else if (name == "--year") {
        inv->year = ParseInt(value);
        if (!inv->year || *inv->year < 2004 || *inv->year > 2099) {
          return "--year wants a year from 2004 to 2099, not " + value;
        }
      }
    } else if (spec->value.empty()) {
      inv->flags.push_back(name);
    } else {
      inv->options.emplace(name, value);
    }
  }
  return std::nullopt;
}

}  // namespace almanix::cli
