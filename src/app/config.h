#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/ini_file.h"
#include "app/status.h"

namespace almanix {

class TDir;
class TLog;
namespace platform {
class Autostart;
class SecretStore;
struct SecretKey;
}

// One of the eight calendar types offered on first start.
struct CategoryPreset {
  std::string choice;               // as offered, e.g. "My personal calendar"
  std::vector<std::string> names;   // category 1 first; may be shorter than 30
};
const std::vector<CategoryPreset>& CategoryPresets();
// The preset whose choice text matches (exactly, else trimmed and without
// regard to case); nullptr when none does.
const CategoryPreset* FindCategoryPreset(std::string_view choice);
// Index of "My personal calendar", the default type.
inline constexpr int kDefaultPresetIndex = 1;

// The product texts of brand.ini, section BRAND; a missing key is empty.
struct Brand {
  std::string APP_VERSION;
  std::string APP_NAME;
  std::string APP_CAPTION;
  std::string APP_URL;
  std::string APP_URL_FORUM;
  std::string APP_MAKER;
  std::string APP_URL_HELP;
  std::string APP_URL_SHORT;
};
// Never fails: a missing or garbled file gives empty values.
Brand LoadBrand(const std::string& path);

// The title the platform shows for the running program, whatever the brand.
inline constexpr std::string_view kApplicationTitle = "Web Almanix";

// "major.minor.release" of this build.
std::string ProgramVersion();

// What the program remembers about the user and the machine: application.ini
// in ConfigDir. Fields are named after their keys.
class TConfig {
 public:
  // Loads application.ini (defaults for what is missing or garbled) and
  // writes it straight back so every key is present. Errors are logged and
  // swallowed. dir must outlive the config. With a secret store the SMTP
  // password lives there and application.ini keeps none (a password an
  // older file holds is read, and moves there on the next save); without
  // one it is kept scrambled in the file, as older versions did.
  TConfig(TDir& dir, TLog* log, platform::Autostart* autostart,
          std::string executable = "", platform::SecretStore* secrets = nullptr);

  // Reads every key (defaults for the rest) and applies the side effects on
  // the folders: AttachmentsDir, RecentWorkDirs, RecentCalendarFiles,
  // StartupDir.
  Status Load();
  // Writes every key in the fixed order and flushes the file.
  Status Save();

  // Start with the session through the autostart entry.
  Status RegisterStartup();
  Status removeStartup();

  // The file read at creation; a later working-directory switch does not
  // move it.
  const std::string& path() const { return path_; }

  // Section Application.
  std::vector<std::string> CalendarList;
  std::string Country = "US";
  bool AutoStart = false;
  bool AutoSizeGrid = true;
  bool ShowCalendarPanel = false;
  std::string DataFolder;
  std::string ImportCal = "https://www.example.org/calendarfolder/calendar.cal";
  int Left = 2;
  int Top = 2;
  int Heigth = 600;
  int Width = 800;
  // Section EmailReminder.
  std::string smtp_host;
  std::string smtp_port = "25";
  std::string smtp_userid;
  std::string smtp_YourName;
  std::string smtp_EmailAddress;
  std::string smtp_password;  // clear text; only the file holds it scrambled
  std::string RemindEmail = "reminders@example.org";
  int RemindDay = 2;
  int RemindHour = 0;
  bool RemindEnabled = true;
  // Section Import.
  std::string ImportFilePath;
  // Shown by the settings window, stored nowhere.
  int UpdateHour = 0;

  // The attachment root used when DataFolder names no existing folder.
  std::string DefaultDataFolder() const;

 private:
  void Log(bool error, const std::string& message) const;
  platform::SecretKey SmtpKey() const;

  TDir& dir_;
  TLog* log_;
  platform::Autostart* autostart_;
  std::string executable_;
  std::string path_;
  IniFile ini_;
  platform::SecretStore* secrets_;
  // The store could not be asked at load: an empty password then means
  // "unknown", and the save leaves the stored one alone.
  bool smtp_password_unread_ = false;
};

}  // namespace almanix
