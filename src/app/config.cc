#include "app/config.h"

#include "app/comma_text.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/scramble.h"
#include "app/text.h"
#include "platform/autostart.h"
#include "platform/secret_store.h"

namespace almanix {
namespace {

constexpr char kApp[] = "Application";
constexpr char kMail[] = "EmailReminder";
constexpr char kImport[] = "Import";

// Names followed by the numbers from..to as text ("21", "22", ...).
std::vector<std::string> With(std::vector<std::string> names, int from, int to) {
  for (int n = from; n <= to; ++n) names.push_back(std::to_string(n));
  return names;
}

std::vector<std::string> Numbered(std::vector<std::string> names,
                                  const std::string& base, int count) {
  for (int n = 1; n <= count; ++n) names.push_back(base + std::to_string(n));
  return names;
}

std::vector<std::string> PadEmpty(std::vector<std::string> names, size_t size) {
  names.resize(size);
  return names;
}

// Keys whose text is not of their type: they read as the default, and the
// load says which, so a hand-edited file is not silently misread.
class TypedReader {
 public:
  explicit TypedReader(const IniFile& ini) : ini_(ini) {}

  int Integer(const char* section, const char* key, int fallback) {
    Check(section, key);
    return ini_.ReadInteger(section, key, fallback);
  }
  bool Bool(const char* section, const char* key, bool fallback) {
    Check(section, key);
    return ini_.ReadBool(section, key, fallback);
  }
  const std::string& bad() const { return bad_; }

 private:
  // Booleans are stored as whole numbers too.
  void Check(const char* section, const char* key) {
    if (!ini_.ValueExists(section, key) || ParseInt(ini_.ReadString(section, key, ""))) {
      return;
    }
    if (!bad_.empty()) bad_ += ", ";
    bad_ += key;
  }
  const IniFile& ini_;
  std::string bad_;
};

}  // namespace

const std::vector<CategoryPreset>& CategoryPresets() {
  static const std::vector<CategoryPreset> presets = {
      {"Default Calendar", PadEmpty({"Announcements", "Staff", "Employees"}, 30)},
      {"My personal calendar",
       With({"Work", "Home", "School", "Business", "Money", "Love", "TV", "Diet",
             "Exercise", "Health", "Entertainment", "Sports", "Shopping", "Food",
             "Travel", "Birthdays", "Religion", "Repairs", "Music", "Computer"},
            21, 30)},
      {"Company/business event calendar",
       With([] {
         auto names = Numbered(
             {"Announcements", "Work Schedule", "Meetings", "Birthdays",
              "Presentations", "Tasks", "Projects", "Clients", "Leads", "Ship",
              "Travel", "Repairs", "Computers", "Bills", "Contact", "Boss"},
             "Employee", 10);
         names.push_back("Charity");
         return names;
       }(), 29, 30)},
      {"School calendar ",
       With({"Announcements", "Home", "School", "Sports", "Birthdays", "Art",
             "Biology", "Business", "Computers", "Chemistry", "Drama", "English",
             "Geography", "Health", "History", "Mathematics", "Music", "Phys ed",
             "Physics", "Science", "Social Studies", "Religion", "Spanish",
             "French", "German", "Hebrew"},
            27, 30)},
      {"Sports team schedule/calendar",
       With(Numbered({"Announcements", "Coach", "Referee", "Meetings"}, "Team", 24),
            29, 30)},
      {"Church calendar",
       With({"Announcements", "Meetings", "Fundraisers", "Mass", "Prayer Services",
             "Charity", "Outreach", "Birthdays", "Weddings", "Baptisms",
             "Communions", "Funerals", "Christian", "Anglican", "Protestant",
             "Islamic", "Catholic", "Jewish", "Evangelical", "Buddhist",
             "Baptist"},
            22, 30)},
      {"Teacher's calendar",
       With(Numbered({"Announcements", "Meetings", "Home", "Personal",
                      "Lesson Plans", "Birthdays", "Sports"},
                     "Course", 9),
            17, 30)},
      {"Work Schedule",
       PadEmpty({"Morning Shift", "Afternoon Shift", "Night Shift"}, 30)},
  };
  return presets;
}

const CategoryPreset* FindCategoryPreset(std::string_view choice) {
  for (const CategoryPreset& p : CategoryPresets()) {
    if (p.choice == choice) return &p;
  }
  for (const CategoryPreset& p : CategoryPresets()) {
    if (EqualsIgnoreCase(Trim(p.choice), Trim(choice))) return &p;
  }
  return nullptr;
}

Brand LoadBrand(const std::string& path) {
  IniFile ini(path);
  IgnoreResult(ini.Load(), "a missing file leaves every value empty");
  const char* s = "BRAND";
  Brand b;
  b.APP_VERSION = ini.ReadString(s, "APP_VERSION", "");
  b.APP_NAME = ini.ReadString(s, "APP_NAME", "");
  b.APP_CAPTION = ini.ReadString(s, "APP_CAPTION", "");
  b.APP_URL = ini.ReadString(s, "APP_URL", "");
  b.APP_URL_FORUM = ini.ReadString(s, "APP_URL_FORUM", "");
  b.APP_MAKER = ini.ReadString(s, "APP_MAKER", "");
  b.APP_URL_HELP = ini.ReadString(s, "APP_URL_HELP", "");
  b.APP_URL_SHORT = ini.ReadString(s, "APP_URL_SHORT", "");
  return b;
}

TConfig::TConfig(TDir& dir, TLog* log, platform::Autostart* autostart,
                 std::string executable, platform::SecretStore* secrets)
    : dir_(dir),
      log_(log),
      autostart_(autostart),
      executable_(std::move(executable)),
      path_(dir.ConfigDir + "application.ini"),
      secrets_(secrets) {
  CalendarList = CategoryPresets()[kDefaultPresetIndex].names;
  DataFolder = DefaultDataFolder();
  try {
    if (Status s = Load(); !s.ok()) Log(true, "Config.eror when reading");
  } catch (...) {
    Log(true, "Config.eror when reading");
  }
  try {
    if (Status s = Save(); !s.ok()) Log(true, "Config.eror when saving");
  } catch (...) {
    Log(true, "Config.eror when saving");
  }
}

std::string TConfig::DefaultDataFolder() const {
  // Attachments are the user's data: they live with the per-user data, not
  // in the program's (often read-only) install folder.
  return dir_.UserDataDir + "Attachments/";
}

void TConfig::Log(bool error, const std::string& message) const {
  LogTo(log_, error, message);
}

platform::SecretKey TConfig::SmtpKey() const { return {"smtp", "", Trim(smtp_host)}; }

Status TConfig::Load() {
  ini_ = IniFile(path());
  Status read = ini_.Load();
  if (read.code() == Status::Code::kNotFound) read = Status::Ok();

  TypedReader typed(ini_);
  std::string default_list =
      JoinCommaText(CategoryPresets()[kDefaultPresetIndex].names);
  CalendarList = SplitCommaText(ini_.ReadString(kApp, "CalendarList", default_list));
  Country = ini_.ReadString(kApp, "Country", "US");
  AutoStart = typed.Bool(kApp, "AutoStart", false);
  AutoSizeGrid = typed.Bool(kApp, "AutoSizeGrid", true);
  ShowCalendarPanel = typed.Bool(kApp, "ShowCalendarPanel", false);
  DataFolder = SlashPath(ini_.ReadString(kApp, "DataFolder", DefaultDataFolder()));
  ImportCal = ini_.ReadString(
      kApp, "ImportCal", "https://www.example.org/calendarfolder/calendar.cal");
  Left = typed.Integer(kApp, "Left", 2);
  Top = typed.Integer(kApp, "Top", 2);
  Heigth = typed.Integer(kApp, "Heigth", 600);
  Width = typed.Integer(kApp, "Width", 800);
  for (int i = 0; i < 5; ++i) {
    dir_.RecentWorkDirs[i] =
        SlashPath(ini_.ReadString(kApp, "Work" + std::to_string(i + 1), ""));
  }
  for (int i = 0; i < 5; ++i) {
    dir_.RecentCalendarFiles[i] =
        SlashPath(ini_.ReadString(kApp, "Reopen" + std::to_string(i + 1), ""));
  }
  std::string startup = SlashPath(ini_.ReadString(kApp, "startup", dir_.DbDir));

  smtp_host = ini_.ReadString(kMail, "smtp_host", "");
  smtp_port = ini_.ReadString(kMail, "smtp_port", "25");
  smtp_userid = ini_.ReadString(kMail, "smtp_userid", "");
  smtp_YourName = ini_.ReadString(kMail, "smtp_YourName", "");
  smtp_EmailAddress = ini_.ReadString(kMail, "smtp_EmailAddress", "");
  smtp_password =
      DecodeScrambled(ini_.ReadString(kMail, "smtp_password", ""), kSmtpPasswordKey);
  smtp_password_unread_ = false;
  if (secrets_ != nullptr && smtp_password.empty()) {
    Result<std::optional<std::string>> found = secrets_->Lookup(SmtpKey());
    if (!found.ok()) {
      smtp_password_unread_ = true;
      Log(true, "Config.eror when reading the SMTP password: " + found.status().message());
    } else if (found.value()) {
      smtp_password = *found.value();
    }
  }
  RemindEmail = ini_.ReadString(kMail, "RemindEmail", "reminders@example.org");
  RemindDay = typed.Integer(kMail, "RemindDay", 2);
  RemindHour = typed.Integer(kMail, "RemindHour", 0);
  RemindEnabled = typed.Bool(kMail, "RemindEnabled", true);

  ImportFilePath = ini_.ReadString(kImport, "FilePath", "");

  if (!typed.bad().empty()) {
    Log(true, "Config.eror when reading: not a number: " + typed.bad());
  }

  // Side effects on the folders.
  if (DataFolder.empty() || !DirectoryExists(DataFolder)) {
    DataFolder = DefaultDataFolder();
  }
  DataFolder = WithTrailingSlash(DataFolder);
  dir_.AttachmentsDir = DataFolder;
  if (!startup.empty()) startup = WithTrailingSlash(startup);
  // A per-user folder copied whole keeps the original's absolute start-up
  // folder; opening it would write into the original. With a root, only a
  // folder inside the root is opened at start.
  if (!dir_.RootDir.empty() && DirectoryExists(startup) &&
      !IsInsideFolder(startup, dir_.RootDir)) {
    Log(false, "Config.startup outside the root, not used: " + startup);
    startup = dir_.DbDir;
  }
  dir_.StartupDir = DirectoryExists(startup) ? startup : dir_.DbDir;
  return read;
}

Status TConfig::Save() {
  ini_.set_path(path());
  ini_.WriteString(kApp, "CalendarList", JoinCommaText(CalendarList));
  ini_.WriteString(kApp, "Country", Country);
  ini_.WriteBool(kApp, "AutoStart", AutoStart);
  ini_.WriteBool(kApp, "AutoSizeGrid", AutoSizeGrid);
  ini_.WriteBool(kApp, "ShowCalendarPanel", ShowCalendarPanel);
  ini_.WriteString(kApp, "DataFolder", DataFolder);
  ini_.WriteString(kMail, "smtp_host", smtp_host);
  ini_.WriteString(kMail, "smtp_port", smtp_port);
  Status kept = Status::Ok();
  std::string stored_password = EncodeScrambled(smtp_password, kSmtpPasswordKey);
  if (secrets_ != nullptr) {
    if (!smtp_password.empty()) {
      kept = secrets_->Store(SmtpKey(), smtp_password);
    } else if (!smtp_password_unread_) {
      kept = secrets_->Remove(SmtpKey());
    }
    // A password the store refused stays where it was rather than being lost.
    if (kept.ok()) stored_password.clear();
  }
  ini_.WriteString(kMail, "smtp_password", stored_password);
  ini_.WriteString(kMail, "smtp_userid", smtp_userid);
  ini_.WriteString(kMail, "smtp_YourName", smtp_YourName);
  ini_.WriteString(kMail, "smtp_EmailAddress", smtp_EmailAddress);
  ini_.WriteString(kMail, "RemindEmail", RemindEmail);
  ini_.WriteBool(kMail, "RemindEnabled", RemindEnabled);
  ini_.WriteInteger(kMail, "RemindDay", RemindDay);
  ini_.WriteInteger(kMail, "RemindHour", RemindHour);
  ini_.WriteInteger(kApp, "Left", Left);
  ini_.WriteInteger(kApp, "Top", Top);
  ini_.WriteInteger(kApp, "Heigth", Heigth);
  ini_.WriteInteger(kApp, "Width", Width);
  for (int i = 0; i < 5; ++i) {
    ini_.WriteString(kApp, "Work" + std::to_string(i + 1), dir_.RecentWorkDirs[i]);
  }
  for (int i = 0; i < 5; ++i) {
    ini_.WriteString(kApp, "Reopen" + std::to_string(i + 1),
                     dir_.RecentCalendarFiles[i]);
  }
  ini_.WriteString(kApp, "startup", dir_.StartupDir);
  ini_.WriteString(kApp, "ImportCal", ImportCal);
  ini_.WriteString(kImport, "FilePath", ImportFilePath);
  if (Status s = TDir::EnsureDir(ParentPath(path_)); !s.ok()) return s;
  // It holds the SMTP account: for its owner's eyes only. Most runs change
  // nothing in it; those skip rewriting and syncing the same bytes.
  const std::string text = ini_.ToText();
  if (!PrivateFileHolds(path_, text)) {
    if (Status s = WritePrivateFileAtomically(path_, text); !s.ok()) return s;
  }
  if (!kept.ok()) {
    Log(true, "Config.eror when saving the SMTP password: " + kept.message());
    return kept;
  }
  return Status::Ok();
}

Status TConfig::RegisterStartup() {
  Log(false, "Config.RegisterStartup");
  if (autostart_ == nullptr) return Status::Invalid("No autostart service");
  IgnoreResult(autostart_->Remove(), "an entry that is not there is what Register wants");
  return autostart_->Register(executable_);
}

Status TConfig::removeStartup() {
  Log(false, "Config.removeStartup");
  if (autostart_ == nullptr) return Status::Ok();
  Status s = autostart_->Remove();
  if (s.ok() || s.code() == Status::Code::kNotFound) return Status::Ok();
  Log(false, "Config.removeStartup  error: " + s.message());
  return s;
}

}  // namespace almanix
