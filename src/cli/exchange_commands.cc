#include <ostream>
#include <string>

#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "exchange/command_line.h"
#include "exchange/csv_import.h"
#include "exchange/event_table.h"
#include "exchange/ical_import.h"
#include "settings/publish_editor.h"

namespace almanix::cli {
namespace {

using exchange::CsvField;

std::optional<std::string> ApplyMap(const std::string& text, exchange::CsvSettings* settings) {
  for (const std::string& part : Split(text, ',')) {
    const size_t eq = part.find('=');
    if (eq == std::string::npos) return "--map wants Field=column, not " + part;
    const std::string name = Trim(part.substr(0, eq));
    std::optional<int> column = ParseInt(Trim(part.substr(eq + 1)));
    if (!column || *column < 0) return "--map: " + part + " needs a column number";
    bool known = false;
    for (int f = 0; f < exchange::kCsvFieldCount; ++f) {
      if (EqualsIgnoreCase(exchange::CsvFieldKey(static_cast<CsvField>(f)), name)) {
        settings->columns[static_cast<size_t>(f)] = *column;
        known = true;
      }
    }
    if (!known) return "--map: unknown field " + name;
  }
  return std::nullopt;
}

int ImportCsv(const Invocation& inv, std::ostream& out, std::ostream& err) {
  if (inv.words.size() != 2) return UsageError(err, "import-csv needs one FILE");
  const std::string file = AbsolutePath(inv.words[1]);
  auto category_text = inv.Option("--category");
  std::optional<int> category = category_text ? ParseInt(*category_text) : std::nullopt;
  if (!category || *category < 1 || *category > 30) {
    return UsageError(err, "import-csv needs --category N (1 to 30)");
  }
  if (!FileExists(file)) return Failed(err, exchange::MissingFileMessage(file));

  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  exchange::TfrmCSV form(*session.app.dir, *session.app.config, session.data.db(), session.ui,
                         session.app.log.get());
  form.target_category = *category;
  form.stop_on_error = inv.Flag("--stop-on-error");
  if (Status s = form.LoadFile(file); !s.ok()) return Failed(err, s.message());

  exchange::CsvSettings& settings = form.settings;
  if (auto map = inv.Option("--map")) {
    settings.columns = {};
    if (auto problem = ApplyMap(*map, &settings)) return UsageError(err, *problem);
  }
  if (auto f = inv.Option("--date-format")) {
    if (*f == "m/d/yyyy") {
      settings.date_format = exchange::CsvDateFormat::kMonthDayYear;
    } else if (*f == "d/m/yyyy") {
      settings.date_format = exchange::CsvDateFormat::kDayMonthYear;
    } else {
      return UsageError(err, "--date-format is m/d/yyyy or d/m/yyyy");
    }
  }
  if (auto f = inv.Option("--time-format")) {
    if (*f == "am/pm") {
      settings.time_format = exchange::CsvTimeFormat::kAmPm;
    } else if (*f == "24") {
      settings.time_format = exchange::CsvTimeFormat::kTwentyFour;
    } else {
      return UsageError(err, "--time-format is am/pm or 24");
    }
  }
  if (auto d = inv.Option("--duplicates")) {
    if (*d == "allow") {
      settings.duplicates = exchange::CsvDuplicates::kIgnore;
    } else if (*d == "replace") {
      settings.duplicates = exchange::CsvDuplicates::kReplace;
    } else if (*d == "skip") {
      settings.duplicates = exchange::CsvDuplicates::kSkip;
    } else {
      return UsageError(err, "--duplicates is allow, replace or skip");
    }
  }
  if (auto line = inv.Option("--start-line")) {
    std::optional<int> n = ParseInt(*line);
    if (!n || *n < 1 || *n > 9999) return UsageError(err, "--start-line wants 1 to 9999");
    settings.start_line = *n;
  }
  if (settings.column(CsvField::kEventName) == 0) {
    return UsageError(err, "import-csv needs the EventName column (--map EventName=N)");
  }

  Result<exchange::CsvImportResult> result = form.Import(file, false);
  if (!result.ok()) return Failed(err, result.status().message());
  IgnoreResult(session.app.config->Save(), "the import is done; only remembered choices are lost");
  out << result.value().imported << " events imported\n";
  if (!session.SaveBack(err)) return kExitFailed;
  return result.value().failed == 0 ? kExitOk : kExitFailed;
}

std::optional<int> CategoryOption(const Invocation& inv) {
  auto text = inv.Option("--category");
  if (!text) return std::nullopt;
  std::optional<int> n = ParseInt(*text);
  if (!n || *n < 1 || *n > 30) return -1;
  return n;
}

int EventTable(const Invocation& inv, bool import, std::ostream& out, std::ostream& err) {
  const std::string& command = inv.words[0];
  if (inv.words.size() != 2) return UsageError(err, command + " needs one FILE");
  std::optional<int> category = CategoryOption(inv);
  if (category && *category < 0) return UsageError(err, "--category wants 1 to 30");
  const bool keep = inv.Flag("--keep-categories");
  if (import && keep == category.has_value()) {
    return UsageError(err, "import-events needs --category N or --keep-categories");
  }
  const std::string file = AbsolutePath(inv.words[1]);
  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  if (import) {
    RunResult rows("rows", "could not be imported");
    Result<int> n = exchange::ImportEvents(session.data.db(), file, category, session.ui, &rows);
    if (!n.ok()) return Failed(err, n.status().message());
    out << n.value() << " events imported\n";
    if (!session.SaveBack(err)) return kExitFailed;
    // The rows that could be written are kept; the ones left out are named.
    return rows.ok() ? kExitOk : Failed(err, rows.Summary());
  }
  if (Status s = exchange::ExportEvents(session.data.db(), file, category, session.ui); !s.ok()) {
    return Failed(err, s.message());
  }
  out << file << "\n";
  return kExitOk;
}

// "-p": the Format & Publish window of the current category (the first),
// its saved settings published, the window closed.
Status PublishCurrentCategory(Session& session, const Invocation& inv, std::ostream& out,
                              std::ostream& err) {
  TDir& dir = *session.app.dir;
  publish::PublishEditor probe(dir, session.app.config->Country, nullptr, &session.ui,
                               session.Year());
  if (!SetUpEditor(session, inv, "Calendar.html", &probe, err)) {
    return Status::Invalid("the publish settings could not be set up");
  }
  if (probe.window.chkCalendars.items.empty()) return Status::NotFound("no categories");
  const std::string name = probe.window.chkCalendars.items.front() + ".html";
  // Without saved settings there is nothing to publish with: defaults would
  // send nothing anywhere and still look like success.
  const std::string favorite = publish::FavoriteName(publish::CompletePageName(name));
  if (!DirectoryExists(WithTrailingSlash(dir.FavoritesDir) + favorite + "/")) {
    return Status::NotFound("there is no favorite " + favorite +
                            " with saved settings to publish; make it with: favorite create " +
                            favorite);
  }
  publish::PublishEditor editor(dir, session.app.config->Country, session.app.log.get(),
                                &session.ui, session.Year());
  if (!SetUpEditor(session, inv, name, &editor, err)) {
    return Status::Invalid("the publish settings could not be set up");
  }
  Status s = PublishWithSavedSettings(session, inv, editor, err);
  if (s.ok()) out << "published " << editor.Favorite() << "\n";
  return s;
}

int ImportIcs(const Invocation& inv, std::ostream& out, std::ostream& err) {
  if (inv.words.size() != 2) return UsageError(err, "import-ics needs one FILE");
  std::optional<int> category = CategoryOption(inv);
  if (!category || *category < 0) return UsageError(err, "import-ics needs --category N (1 to 30)");
  const std::string file = AbsolutePath(inv.words[1]);
  if (!FileExists(file)) return Failed(err, "no file " + file);
  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  Result<exchange::IcsImportResult> r = exchange::ImportIcsFile(
      session.data.db(), file, *category, session.ui, session.app.log.get());
  if (!r.ok()) return Failed(err, r.status().message());
  out << r.value().written << " events imported\n";
  if (!session.SaveBack(err)) return kExitFailed;
  // The events that were read are kept; the others make the import a failure.
  if (r.value().not_understood > 0) {
    return Failed(err, std::to_string(r.value().not_understood) + " of " +
                           std::to_string(r.value().vevents) + " events of " + file +
                           " could not be imported");
  }
  return kExitOk;
}

}  // namespace

int RunProgramLine(const Invocation& inv, std::ostream& out, std::ostream& err) {
  if (!inv.options.empty() || !inv.flags.empty()) {
    return UsageError(err, "the calendar-file form takes only FILE.cal [FILE.csv] [-p]");
  }
  if (inv.words.size() > 3) return UsageError(err, "too many arguments after the calendar file");
  std::vector<std::string> args;
  for (const std::string& w : inv.words) args.push_back(w);
  exchange::ProgramArguments parsed = exchange::ParseProgramArguments(args);
  if (!parsed.calendar.empty()) parsed.calendar = AbsolutePath(parsed.calendar);
  if (!parsed.csv.empty()) parsed.csv = AbsolutePath(parsed.csv);
  if (!FileExists(parsed.calendar)) return Failed(err, "no calendar file " + parsed.calendar);
  if (args.size() > 1 && parsed.csv.empty() && !parsed.publish) {
    return Failed(err, "no CSV file " + ReplaceAll(args[1], "\"", ""));
  }

  Session session(err);
  if (!session.Start(inv, err)) return kExitFailed;
  exchange::ProgramSteps steps;
  steps.open_calendar = [&](const std::string& path) { return session.files->File_Open(path); };
  int failed_lines = 0;
  steps.import_csv = [&](const std::string& path) -> Status {
    exchange::TfrmCSV form(*session.app.dir, *session.app.config, session.data.db(),
                           session.ui, session.app.log.get());
    form.target_category = 1;
    if (Status s = form.LoadFile(path); !s.ok()) return s;
    // Without saved choices every line would fail on its blank name.
    if (form.settings.column(CsvField::kEventName) == 0) {
      return Status::Invalid("no column choices are saved for " + path +
                             "; choose them once with: almanix-cli import-csv " + path +
                             " --category 1 --map EventName=N,StartDate=N,... (later runs use "
                             "them)");
    }
    Result<exchange::CsvImportResult> r = form.Import(path, true);
    if (!r.ok()) return r.status();
    IgnoreResult(session.app.config->Save(), "the import is done; only remembered choices are lost");
    out << r.value().imported << " events imported\n";
    failed_lines = r.value().failed;
    return Status::Ok();
  };
  steps.save_calendar = [&]() {
    return session.files->SaveCalendarFile(session.app.dir->CalendarFile);
  };
  steps.publish = [&]() { return PublishCurrentCategory(session, inv, out, err); };
  exchange::ProgramRun run = exchange::RunProgramArguments(parsed, steps);
  if (!run.status.ok()) return session.Fail(err, run.status.message());
  // The lines that were imported are saved; the others make the run a
  // failure all the same.
  if (failed_lines > 0) {
    return Failed(err, std::to_string(failed_lines) + " lines of " + parsed.csv +
                           " could not be imported");
  }
  return kExitOk;
}

int RunExchangeCommand(const Invocation& inv, std::ostream& out, std::ostream& err) {
  const std::string& command = inv.words[0];
  if (command == "import-csv") return ImportCsv(inv, out, err);
  if (command == "import-ics") return ImportIcs(inv, out, err);
  if (command == "export-events" || command == "import-events") {
    return EventTable(inv, command == "import-events", out, err);
  }
  return UsageError(err, "unknown command " + command);
}

}  // namespace almanix::cli
