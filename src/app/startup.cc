#include "app/startup.h"

#include <unistd.h>

#include <cstdlib>

#include "app/comma_text.h"
#include "app/dates.h"
#include "app/file_util.h"
#include "app/ui_seam.h"
#include "platform/secret_store.h"
#include "platform/system_info.h"

namespace almanix {

App::App() = default;
App::~App() {
  if (platform::ProgramSecretStore() == secrets.get()) platform::SetProgramSecretStore(nullptr);
}

std::string SecretsFilePath(const TDir& dir) {
  return dir.UserMakerDir + "Secrets/passwords";
}

std::string DatabaseErrorMessage() {
  return std::string(
             "Error initializing the database.\t\rMake sure that Almanix is not "
             "already running.\t\rOtherwise, you may need to install the BDE "
             "(database engine) again. \t\r ") +
         kDatabaseSetupAddress;
}

namespace {

void Info(App& app, const std::string& message) {
  if (app.log) app.log->Info(message);
}

// Runs one step; an exception escaping it counts as its failure.
template <typename Fn>
bool Guarded(Fn&& step) {
  try {
    return step();
  } catch (...) {
    return false;
  }
}

}  // namespace

void Startup(App& app, UiSeam& ui, const StartupOptions& options) {
  app.places = platform::ResolvePlaces(options.root);
  // Services already given (by a test, say) are kept.
  if (!app.opener) app.opener = std::make_unique<platform::XdgOpener>();
  if (!app.trash) app.trash = std::make_unique<platform::FreedesktopTrash>();
  if (!app.autostart) {
    app.autostart = std::make_unique<platform::Autostart>(app.places.config_home);
  }
  std::string install = options.install_dir.empty() ? platform::FindInstallDir()
                                                     : options.install_dir;

  // Folders.
  if (!Guarded([&] {
        app.dir = std::make_unique<TDir>(install, app.places, *app.opener,
                                         *app.trash, &ui);
        return true;
      })) {
    ui.ShowMessage("Error creating install directories", MessageKind::kError);
  }
  if (!app.dir) return;  // nothing below can work without its folders

  // Log.
  if (!Guarded([&] {
        app.log = std::make_unique<TLog>(app.dir->LogDir, "Log",
                                         platform::ReadSystemInfo());
        app.dir->set_log(app.log.get());
        app.log->Info(options.today_text.empty()
                          ? FormatDateTime("dddd, mmmm d, yyyy",
                                           FromTimeT(std::time(nullptr)))
                          : options.today_text);
        app.log->Info("Log Created");
        return true;
      })) {
    ui.ShowMessage("Error creating log file", MessageKind::kError);
  }
  Info(app, std::string(app.dir->CommonDataMachineWide
                            ? "Dir.CommonData machine-wide: "
                            : "Dir.CommonData per-user: ") +
                app.dir->CommonDataDir);

  // Brand.
  Info(app, "Main.Brand_Load");
  if (!Guarded([&] {
        app.brand = LoadBrand(app.dir->BrandDir + "brand.ini");
        return true;
      })) {
    ui.ShowMessage("Error Loading main form ", MessageKind::kError);
  }

  // Passwords: before the configuration, which holds the SMTP account.
  // With a root (tests, portable use) the file under it, unless the
  // Secret Service is asked for: the desktop's keyring is the real home's.
  if (!app.secrets) {
    const char* asked = std::getenv("ALMANIX_SECRETS");
    const char* root_env = std::getenv("ALMANIX_ROOT");
    platform::SecretStoreChoice choice =
        platform::SecretStoreChoiceFrom(asked != nullptr ? asked : "");
    const bool rooted = !options.root.empty() || (root_env != nullptr && *root_env != '\0');
    if (choice == platform::SecretStoreChoice::kAuto && rooted) {
      choice = platform::SecretStoreChoice::kFile;
    }
    std::string chosen;
    app.secrets = platform::OpenSecretStore(SecretsFilePath(*app.dir), choice, &chosen);
    Info(app, "Secrets.Store " + chosen);
  }
  platform::SetProgramSecretStore(app.secrets.get());

  // Configuration.
  Info(app, "Loading Config");
  if (!Guarded([&] {
        app.config = std::make_unique<TConfig>(*app.dir, app.log.get(),
                                               app.autostart.get(),
                                               options.executable, app.secrets.get());
        return true;
      })) {
    ui.ShowMessage("Error loading config File", MessageKind::kError);
  }

  // Stale lock files of the old table engine.
  Info(app, "Deleting Lock Files");
  if (!Guarded([&] {
        bool ok = true;
        for (const char* name : {"PDOXUSRS.NET", "PARADOX.LCK", "PDOXUSRS.LCK"}) {
          std::string path = app.dir->InstallDir + name;
          if (PathExists(path) && ::unlink(path.c_str()) != 0) ok = false;
        }
        return ok;
      })) {
    ui.ShowMessage(
        "Could not Delete a lock file (PDOXUSRS.LCK,PARADOX.LCK, PDOXUSRS.NET) "
        "in Application directory " +
            app.dir->InstallDir + " Exit, and delete the file by hand",
        MessageKind::kError);
  }

  // Database paths.
  Info(app, "Setting Database Paths");
  if (Guarded([&] {
        return !options.hooks || options.hooks->InitDatabasePaths(app).ok();
      })) {
    Info(app, "Paths Set");
  } else {
    ui.ShowMessage(DatabaseErrorMessage(), MessageKind::kError);
    IgnoreResult(app.dir->OpenInBrowser(kDatabaseSetupAddress),
                 "the message shown names the address");
  }

  Info(app, "Defaulting Month/Year");
  if (app.config) app.holiday_column = app.config->Country;

  // Only the step's mark: the desktop looks up a category's icon where it
  // shows one, so no command pays for finding them all.
  Info(app, "Loading Icons");

  // First start: which kind of calendar is this? Asked too when the seeded
  // templates brought a 2010 table, which is then made anew for the answer.
  Info(app, "new install");
  bool had_2010 = !FindNoCase(app.dir->DbDir, "year2010.db").empty();
  if (app.config && (!had_2010 || app.dir->FirstRun)) {
    if (!Guarded([&] {
          std::vector<std::string> choices;
          for (const CategoryPreset& p : CategoryPresets()) choices.push_back(p.choice);
          auto picked = ui.Choose("What type of calendar do you want to keep?",
                                  choices, kDefaultPresetIndex);
          app.asked_calendar_type = true;
          int index = picked.value_or(kDefaultPresetIndex);
          if (index < 0 || index >= static_cast<int>(choices.size())) {
            index = kDefaultPresetIndex;
          }
          app.config->CalendarList = CategoryPresets()[index].names;
          Info(app, "Config.save");
          if (!app.config->Save().ok()) return false;
          // Only logged: starting with the session stays the person's choice.
          Info(app, "Config.RegisterStartup");
          return true;
        })) {
      ui.ShowMessage("Error creating new last year table : " +
                         JoinCommaText(app.config->CalendarList),
                     MessageKind::kError);
    }
  }

  // The first tables.
  bool remake_2010 = app.asked_calendar_type && had_2010;
  if (options.hooks &&
      (remake_2010 || FindNoCase(app.dir->DbDir, "year2010.db").empty())) {
    if (!Guarded([&] { return options.hooks->CreateYearTable(app, 2010).ok(); })) {
      ui.ShowMessage("Error creating this year table", MessageKind::kError);
    }
  }
  if (options.hooks && FindNoCase(app.dir->DbDir, "events.db").empty()) {
    if (!Guarded([&] { return options.hooks->CreateEventsTable(app).ok(); })) {
      ui.ShowMessage("Error creating events table", MessageKind::kError);
    }
  }

  // The working directory chosen for the start.
  const std::string& startup = app.dir->StartupDir;
  if (!startup.empty() && DirectoryExists(startup) &&
      WithTrailingSlash(startup) != app.dir->DbDir) {
    Guarded([&] {
      return (options.hooks ? options.hooks->WorkingSet(app, startup)
                            : SwitchWorkDir(app, startup))
          .ok();
    });
  }
}

Status SwitchWorkDir(App& app, const std::string& folder) {
  std::string path = WithTrailingSlash(SlashPath(folder));
  Info(app, "main.Working_Set" + path);
  app.dir->SetWorkDir(path);
  return Status::Ok();
}

}  // namespace almanix
