#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/dir.h"
#include "app/log.h"
#include "app/status.h"
#include "platform/autostart.h"
#include "platform/opener.h"
#include "platform/places.h"
#include "platform/secret_store.h"
#include "platform/trash.h"

namespace almanix {

class UiSeam;

// The steps of start-up that belong to the table store and the working
// directory. Each reports its own failure; the start-up sequence shows that
// step's message and goes on.
class StartupHooks {
 public:
  virtual ~StartupHooks() = default;
  // Points the table engine at DbDir.
  virtual Status InitDatabasePaths(class App& app) = 0;
  virtual Status CreateYearTable(App& app, int year) = 0;
  virtual Status CreateEventsTable(App& app) = 0;
  // Switches the working directory and reloads what depends on it.
  virtual Status WorkingSet(App& app, const std::string& folder) = 0;
};

// The long-lived objects of one running program, built by Startup and kept
// until the end. The desktop and the CLI both hold exactly one.
class App {
 public:
  App();
  ~App();

  platform::Places places;
  std::unique_ptr<platform::Opener> opener;
  std::unique_ptr<platform::Trash> trash;
  std::unique_ptr<platform::Autostart> autostart;
  std::unique_ptr<TDir> dir;
  std::unique_ptr<TLog> log;
  // Where passwords live; also the program's store (ProgramSecretStore)
  // while this App lives.
  std::unique_ptr<platform::SecretStore> secrets;
  Brand brand;
  std::unique_ptr<TConfig> config;
  // Filled by the start-up steps for the desktop to use.
  std::string holiday_column;          // the year-table column the day panel shows
  bool asked_calendar_type = false;
};

struct StartupOptions {
  std::string install_dir;   // empty: found from the program's location
  std::string root;          // empty: ALMANIX_ROOT or the normal places
  std::string executable;    // written into the autostart entry
  std::string today_text;    // empty: the clock's long date
  StartupHooks* hooks = nullptr;  // null: the store steps are skipped
};

// The window-free start-up sequence, run by the desktop and the CLI alike:
// folders, log, brand, configuration, lock-file clean-up, database paths,
// the first-run calendar-type question, the first tables and the start-up
// folder. Every step is guarded on its own; a failing step shows its message
// through the seam and the sequence goes on. Never throws.
void Startup(App& app, UiSeam& ui, const StartupOptions& options);

// The file that keeps passwords where no Secret Service runs: beside the
// per-user data folder, never inside a working directory, so no calendar
// file packs it.
std::string SecretsFilePath(const TDir& dir);

// The plain working-directory switch: logs it and re-points the folders.
Status SwitchWorkDir(App& app, const std::string& folder);

// The texts the start-up steps show when they fail.
inline constexpr char kDatabaseSetupAddress[] =
    "https://packages.debian.org/bookworm/libsqlite3-0";
std::string DatabaseErrorMessage();

}  // namespace almanix
