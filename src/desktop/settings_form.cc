#include "desktop/settings_form.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/config.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "desktop/main_grid.h"
#include "store/db.h"
#include "store/tables.h"
#include "store/year_tables.h"

namespace almanix::desktop {

namespace {

constexpr int kDefaultYear = 2007;

int YearOr(std::string_view text, int fallback) {
  int year = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || year > 100000) return fallback;
    year = year * 10 + (c - '0');
  }
  return text.empty() ? fallback : year;
}

std::string HolidayTypeOf(std::string_view country) {
  if (country == "Canada") return "Canada";
  if (country == "OtherHoliday") return "Other";
  return "US";
}

// What a folder box holds: "/" ends it and no slash is doubled.
std::string FolderText(std::string_view text) {
  std::string path = WithTrailingSlash(SlashPath(text));
  for (size_t at; (at = path.find("//")) != std::string::npos;) path.erase(at, 1);
  return path;
}

}  // namespace

SettingsForm::SettingsForm(App& app, store::TDB1& data, UiSeam& ui, std::string year_box)
    : app_(app),
      data_(data),
      ui_(ui),
      year_box_(std::move(year_box)),
      categories_(app, data.db(), ui),
      holidays_(data.db()) {}

void SettingsForm::Open() {
  caption_ = "Application Settings:" + year_box_;
  loading_ = true;
  const TConfig* config = app_.config.get();
  const TDir& dir = *app_.dir;
  if (config) {
    values_.holiday_type = HolidayTypeOf(config->Country);
    values_.auto_start = config->AutoStart;
    values_.auto_size_grid = config->AutoSizeGrid;
    values_.show_calendar_panel = config->ShowCalendarPanel;
    values_.reminder = {config->smtp_host,     config->smtp_port,         config->smtp_userid,
                        config->smtp_YourName, config->smtp_EmailAddress, config->smtp_password,
                        config->RemindEmail,   config->RemindDay,         config->RemindHour,
                        config->RemindEnabled};
  }
  values_.attachments_folder = dir.AttachmentsDir;
  const std::string startup = Trim(dir.StartupDir);
  values_.startup_folder =
      startup == "/" || startup.empty() || !DirectoryExists(startup) ? dir.DbDir : dir.StartupDir;
  const int year = YearOr(year_box_, kDefaultYear);
  IgnoreResult(categories_.ShowYear(year), "the grid stays empty; the page says nothing more");
  holiday_year_ = year;
  holiday_column_ = HolidayColumn(values_.holiday_type);
  IgnoreResult(holidays_.Open(" Select * from year" + std::to_string(year) + " where iDay <> ''"),
               "a year without tables shows an empty holiday grid");
  folder_map_.clear();
  if (auto bytes = ReadFileBytes(dir.ConfigDir + "folders.txt"); bytes.ok()) {
    for (const std::string& line : SplitLines(DecodeText(bytes.value()))) {
      if (Trim(line).empty()) continue;
      const size_t eq = line.find('=');
      folder_map_.push_back(eq == std::string::npos
                                ? FolderMapRow{line, ""}
                                : FolderMapRow{line.substr(0, eq), line.substr(eq + 1)});
    }
  }
  loading_ = false;
}

std::string SettingsForm::HolidayColumn(std::string_view holiday_type) {
  if (holiday_type == "Canada") return "Canada";
  if (holiday_type == "Other") return "OtherHoliday";
  return "US";
}

std::string SettingsForm::HolidayCaption(std::string_view holiday_type) {
  if (holiday_type == "Canada") return "Canada Holidays";
  if (holiday_type == "Other") return "Other Holidays";
  return "US Holidays";
}

Status SettingsForm::ShowHolidayYear(int year) {
  if (year < CategoryPage::kFirstYear || year > CategoryPage::kLastYear) {
    return Status::Invalid("no such year");
  }
  if (Status s = store::PostIfEditing(holidays_); !s.ok()) return s;
  // The category year follows; it makes the year's tables when missing.
  if (Status s = categories_.ShowYear(year); !s.ok()) return s;
  holiday_year_ = year;
  holiday_column_ = HolidayColumn(values_.holiday_type);
  return holidays_.Open(" Select * from Year" + std::to_string(year) + " where iDay <> '' ");
}

std::vector<HolidayRow> SettingsForm::HolidayRows() {
  std::vector<HolidayRow> rows;
  holiday_column_ = HolidayColumn(values_.holiday_type);
  if (!holidays_.active()) return rows;
  for (Status walk = holidays_.First(); walk.ok() && !holidays_.Eof(); walk = holidays_.Next()) {
    rows.push_back({holidays_.AsString("LongMonth"), holidays_.AsString("iDay"),
                    holidays_.AsString(holiday_column_)});
  }
  return rows;
}

Status SettingsForm::SetHoliday(int row, std::string_view text) {
  if (!holidays_.active()) return Status::Invalid("no holidays shown");
  holiday_column_ = HolidayColumn(values_.holiday_type);
  if (Status s = holidays_.MoveTo(row + 1); !s.ok()) return s;
  if (Status s = holidays_.Edit(); !s.ok()) return s;
  if (Status s = holidays_.SetString(holiday_column_, text); !s.ok()) {
    holidays_.Cancel();
    return s;
  }
  return holidays_.Post();
}

Status SettingsForm::SetAutoStart(bool on) {
  values_.auto_start = on;
  if (loading_ || !app_.config) return Status::Ok();
  return on ? app_.config->RegisterStartup() : app_.config->removeStartup();
}

Status SettingsForm::AddAutoStart() {
  if (!app_.config) return Status::Ok();
  Status s = app_.config->RegisterStartup();
  values_.auto_start = true;
  return s;
}

Status SettingsForm::RemoveAutoStart() {
  if (!app_.config) return Status::Ok();
  Status s = app_.config->removeStartup();
  values_.auto_start = false;
  return s;
}

void SettingsForm::BrowseStartup() {
  std::optional<std::string> picked =
      ui_.PickPath(PickKind::kFolder, "Select a folder", values_.startup_folder);
  if (!picked) return;
  values_.startup_folder = DirectoryExists(*picked) ? FolderText(*picked) : app_.dir->DbDir;
}

void SettingsForm::StartupDefault() { values_.startup_folder = app_.dir->UserDataDir + "DB/"; }

void SettingsForm::StartupOldDefault() { values_.startup_folder = app_.dir->InstallDir + "DB/"; }

void SettingsForm::BrowseAttachments() {
  std::optional<std::string> picked =
      ui_.PickPath(PickKind::kFolder, "Select a folder", values_.attachments_folder);
  if (!picked) return;
  values_.attachments_folder =
      DirectoryExists(*picked) ? FolderText(*picked) : app_.dir->AttachmentsDir;
}

void SettingsForm::AttachmentsDefault() {
  values_.attachments_folder = app_.dir->UserDataDir + "Attachments/";
}

void SettingsForm::AttachmentsOldDefault() {
  values_.attachments_folder = app_.dir->InstallDir + "Attachments/";
}

void SettingsForm::LeaveAttachmentsBox() {
  const std::string folder = FolderText(Trim(values_.attachments_folder));
  std::error_code ec;
  if (folder.size() > 1 && (DirectoryExists(folder) ||
                            (std::filesystem::create_directories(folder, ec) && !ec) ||
                            DirectoryExists(folder))) {
    values_.attachments_folder = folder;
  } else {
    values_.attachments_folder = app_.dir->AttachmentsDir;
  }
}

std::vector<std::string> SettingsForm::Templates() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(app_.dir->FavoritesDir, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->is_directory(ec)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

Status SettingsForm::DeleteTemplate(std::string_view name) {
  if (name.empty() || name.find('/') != std::string_view::npos || name == "." || name == "..") {
    return Status::Invalid("no such template");
  }
  const std::string folder = app_.dir->FavoritesDir + std::string(name);
  if (!DirectoryExists(folder)) return Status::Ok();
  if (!app_.dir->Zapdir1(folder)) return Status::IoError("Cannot delete " + folder);
  return Status::Ok();
}

Status SettingsForm::Close() {
  TConfig* config = app_.config.get();
  TDir& dir = *app_.dir;
  if (config) config->Country = HolidayColumn(values_.holiday_type);
  Status first = store::PostIfEditing(holidays_);
  if (Status s = categories_.MakeOneVisible(); !s.ok() && first.ok()) first = s;
  dir.StartupDir = FolderText(values_.startup_folder);
  LeaveAttachmentsBox();
  if (config) {
    config->AutoStart = values_.auto_start;
    config->AutoSizeGrid = values_.auto_size_grid;
    config->ShowCalendarPanel = values_.show_calendar_panel;
    config->DataFolder = values_.attachments_folder;
    // The hidden reminder page's values, as they were read.
    const ReminderValues& r = values_.reminder;
    config->smtp_host = r.host;
    config->smtp_port = r.port;
    config->smtp_userid = r.user;
    config->smtp_YourName = r.your_name;
    config->smtp_EmailAddress = r.email_address;
    config->smtp_password = r.password;
    config->RemindEmail = r.remind_email;
    config->RemindDay = r.remind_day;
    config->RemindHour = r.remind_hour;
    config->RemindEnabled = r.enabled;
    if (Status s = config->Save(); !s.ok() && first.ok()) first = s;
  }
  dir.AttachmentsDir = values_.attachments_folder;
  // The folder map is not offered for editing: the file stays as it is and
  // the map is read from it again.
  dir.FolderMap.clear();
  if (auto bytes = ReadFileBytes(dir.ConfigDir + "folders.txt"); bytes.ok()) {
    dir.FolderMap = SplitLines(DecodeText(bytes.value()));
  }
  return first;
}

Status SettingsForm::ReloadMain(App& app, store::TDB1& data, MainGrid& grid) {
  if (app.config) app.holiday_column = app.config->Country;
  const int current = grid.CategoryNumber();
  // Errors of the category reload are ignored: the grid's load below says
  // what is wrong with the year.
  if (data.qCalendar.Open("Select * from calendar" + grid.YearBoxText()).ok()) {
    IgnoreResult(data.qCalendar.First(), "a fresh query has nothing pending");
  }
  grid.cboCalendar_load();
  // The category worked in stays current when it is still offered (under
  // its new name after a rename).
  std::string keep;
  if (data.qCalendar.active() && data.qCalendar.MoveTo(current).ok()) {
    keep = data.qCalendar.AsString("Name");
  }
  const std::vector<std::string>& offered = grid.CategoryItems();
  if (!keep.empty() && std::find(offered.begin(), offered.end(), keep) != offered.end()) {
    return grid.ChooseCategory(keep);
  }
  IgnoreResult(data.qCalendar.First(), "the query was just read; nothing is pending");
  grid.LocateCategory(grid.CategoryBoxText());
  return grid.LoadGrid(grid.DisplayDate());
}

}  // namespace almanix::desktop
