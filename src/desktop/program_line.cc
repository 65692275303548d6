#include "desktop/program_line.h"

#include "app/config.h"
#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "desktop/file_menu.h"
#include "exchange/command_line.h"
#include "exchange/csv_import.h"
#include "generator/generator.h"
#include "program/program.h"
#include "publish/destinations.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"
#include "store/year_tables.h"

namespace almanix::desktop {
namespace {

// Shows the failure and hands it on.
Status Said(UiSeam& ui, Status s) {
  ui.ShowMessage(s.message(), MessageKind::kError);
  return s;
}

Status ImportCsv(Program& program, int category, const std::string& path) {
  exchange::TfrmCSV form(*program.app.dir, *program.app.config, program.data.db(), program.ui(),
                         program.app.log.get());
  form.target_category = category;
  if (Status s = form.LoadFile(path); !s.ok()) return Said(program.ui(), s);
  // Without saved choices every line would fail on its blank name.
  if (form.settings.column(exchange::CsvField::kEventName) == 0) {
    return Said(program.ui(),
                Status::Invalid("no column choices are saved for " + path +
                                "; import it once from the File menu's Import to choose them"));
  }
  Result<exchange::CsvImportResult> r = form.Import(path, true);
  if (!r.ok()) return Said(program.ui(), r.status());
  IgnoreResult(program.app.config->Save(), "the import is done; only remembered choices are lost");
  if (r.value().failed > 0) {
    // The lines that were imported stay and are saved; the run still failed.
    return Said(program.ui(), Status::Invalid(std::to_string(r.value().failed) + " lines of " +
                                              path + " could not be imported"));
  }
  return Status::Ok();
}

Status Publish(Program& program, int category, std::time_t now,
               const publish::DesktopServices& services) {
  TDir& dir = *program.app.dir;
  const int year = DecodeDateTime(FromTimeT(now)).year;
  store::YearTables years = program.Years();
  if (Status s = years.EnsureQuiet(EncodeDate(year, 1, 1)); !s.ok()) {
    return Said(program.ui(), s);
  }
  publish::PublishEditor probe(dir, program.app.config->Country, nullptr, &program.ui(), year);
  if (Status s = probe.SetUp(program.data.db(), year, "Calendar.html", category); !s.ok()) {
    return Said(program.ui(), s);
  }
  const auto& names = probe.window.chkCalendars.items;
  if (names.empty()) return Said(program.ui(), Status::NotFound("no categories"));
  const size_t index = category >= 1 && static_cast<size_t>(category) <= names.size()
                           ? static_cast<size_t>(category - 1)
                           : 0;
  const std::string name = names[index] + ".html";
  // Without saved settings there is nothing to publish with: defaults would
  // send nothing anywhere and still look like success.
  const std::string favorite = publish::FavoriteName(publish::CompletePageName(name));
  if (!DirectoryExists(WithTrailingSlash(dir.FavoritesDir) + favorite + "/")) {
    return Said(program.ui(),
                Status::NotFound("there is no favorite " + favorite +
                                 " with saved settings to publish; save one from Format "
                                 "Calendar first"));
  }
  publish::PublishEditor editor(dir, program.app.config->Country, program.app.log.get(),
                                &program.ui(), year);
  if (Status s = editor.SetUp(program.data.db(), year, name, category); !s.ok()) {
    return Said(program.ui(), s);
  }
  // The saved settings are published as they are; nothing is written back.
  editor.window.chkAutoUpdate = false;
  generator::GeneratorEnv env;
  env.db = &program.data.db();
  env.brand_short_url = program.app.brand.APP_URL_SHORT;
  env.program_version = ProgramVersion();
  env.now = now;
  generator::Generator gen(editor, env);
  publish::PublishOptions options;
  // Nobody is at the screen to look at the folder.
  options.open_folder = false;
  options.desktop = services;
  options.ftp.create_default = Answer::kCancel;
  options.save_calendar_file = [&program](const std::string& path) {
    return program.files->SaveCalendarFile(path);
  };
  // The destinations show their own failures.
  return publish::PublishNow(editor, gen, options);
}

}  // namespace

bool ProgramLineEnds(const std::vector<std::string>& args) {
  const exchange::ProgramArguments parsed = exchange::ParseProgramArguments(args);
  return !parsed.csv.empty() || parsed.publish;
}

ProgramLineRun RunProgramLine(Program& program, FileMenu& files, int category,
                              const std::vector<std::string>& args, std::time_t now,
                              const publish::DesktopServices& services) {
  ProgramLineRun run;
  if (args.empty()) return run;
  exchange::ProgramArguments parsed = exchange::ParseProgramArguments(args);
  run.ends = !parsed.csv.empty() || parsed.publish;
  UiSeam& ui = program.ui();
  if (!FileExists(parsed.calendar)) {
    run.status = Said(ui, Status::NotFound("File not found: " + parsed.calendar));
    return run;
  }
  if (args.size() > 1 && parsed.csv.empty() && !parsed.publish) {
    run.status = Said(ui, Status::NotFound("no CSV file " + ReplaceAll(args[1], "\"", "")));
    return run;
  }
  exchange::ProgramSteps steps;
  steps.open_calendar = [&](const std::string& path) {
    Status s = program.files->File_Open(path);
    files.MarkSaved();
    return s;
  };
  steps.import_csv = [&](const std::string& path) {
    Status s = ImportCsv(program, category, path);
    // The lines that were imported are saved all the same.
    if (s.code() == Status::Code::kInvalid && FileExists(program.app.dir->CalendarFile)) {
      Status saved = program.files->SaveCalendarFile(program.app.dir->CalendarFile);
      if (saved.ok()) files.MarkSaved();
    }
    return s;
  };
  steps.save_calendar = [&] {
    Status s = program.files->SaveCalendarFile(program.app.dir->CalendarFile);
    if (s.ok()) files.MarkSaved();
    return s;
  };
  steps.publish = [&] { return Publish(program, category, now, services); };
  exchange::ProgramRun result = exchange::RunProgramArguments(parsed, steps);
  run.status = result.status;
  run.ends = run.ends || result.ends;
  return run;
}

}  // namespace almanix::desktop
