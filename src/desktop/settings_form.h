#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "desktop/categories.h"
#include "store/db_engine.h"

namespace almanix {
class App;
class UiSeam;
namespace store {
class TDB1;
}
}  // namespace almanix

namespace almanix::desktop {

class MainGrid;

// The e-mail reminder account and choices of the hidden "Email Reminders"
// page: shown as they are and written back unchanged.
struct ReminderValues {
  std::string host;
  std::string port;
  std::string user;
  std::string your_name;
  std::string email_address;
  std::string password;
  std::string remind_email;
  int remind_day = 0;   // index of the days-before choice
  int remind_hour = 0;  // index of the hour choice
  bool enabled = false;
};

// One line of the folder map (folders.txt): a category's attachment root.
struct FolderMapRow {
  std::string name;
  std::string folder;
};

// What the settings window's controls show and write back.
struct SettingsValues {
  std::string holiday_type = "US";  // "US", "Canada" or "Other"
  bool auto_start = false;
  bool auto_size_grid = true;
  bool show_calendar_panel = false;
  std::string startup_folder;
  std::string attachments_folder;
  ReminderValues reminder;
};

// One row of the holiday grid.
struct HolidayRow {
  std::string month;    // LongMonth
  std::string day;      // iDay
  std::string holiday;  // the chosen holiday column
};

// The application settings window "TfrmSettings" without its widgets: the
// pages Categories, Holidays, Auto Run, Database and Templates, and the
// hidden ones whose values are only shown: the e-mail reminder account
// (written back as read) and the folder map of folders.txt (never
// rewritten; FolderMap is read from it again on closing).
class SettingsForm {
 public:
  // year_box is the main window's year box text.
  SettingsForm(App& app, store::TDB1& data, UiSeam& ui, std::string year_box);

  // Loads every control from the configuration and opens both grids.
  void Open();
  const std::string& caption() const { return caption_; }
  SettingsValues& values() { return values_; }
  CategoryPage& categories() { return categories_; }

  // Holidays: "US" -> "US", "Canada" -> "Canada", "Other" -> "OtherHoliday".
  static std::string HolidayColumn(std::string_view holiday_type);
  // "US Holidays", "Canada Holidays", "Other Holidays".
  static std::string HolidayCaption(std::string_view holiday_type);
  // The page shown, its year spin changed or "refresh table": the
  // category year follows, the year is made when missing (announced).
  Status ShowHolidayYear(int year);
  int holiday_year() const { return holiday_year_; }
  std::vector<HolidayRow> HolidayRows();
  // Typing into the holiday cell of a row (0-based) writes the day row.
  Status SetHoliday(int row, std::string_view text);

  // Auto Run. The box's reaction is ignored while the window loads.
  Status SetAutoStart(bool on);
  Status AddAutoStart();
  Status RemoveAutoStart();

  // Database page.
  void BrowseStartup();
  void StartupDefault();
  void StartupOldDefault();
  void BrowseAttachments();
  void AttachmentsDefault();
  void AttachmentsOldDefault();
  // Leaving the attachments box: a trailing "/", doubled slashes made one,
  // the folder made when missing; AttachmentsDir again when it cannot be.
  void LeaveAttachmentsBox();

  // The "Attachments" page: the folder map as folders.txt holds it.
  const std::vector<FolderMapRow>& folder_map() const { return folder_map_; }

  // Templates page: the favorite folders, sorted.
  std::vector<std::string> Templates() const;
  // Deletes the favorite's folder with its contents (no question asked).
  Status DeleteTemplate(std::string_view name);

  // "&Close": writes every value back and saves application.ini.
  Status Close();

  // The main window's side after the window has closed: the holiday
  // column, the icons, the category query of the year box's year, the
  // category box and the grid.
  static Status ReloadMain(App& app, store::TDB1& data, MainGrid& grid);

 private:
  App& app_;
  store::TDB1& data_;
  UiSeam& ui_;
  std::string year_box_;
  std::string caption_;
  SettingsValues values_;
  CategoryPage categories_;
  store::Query holidays_;
  std::string holiday_column_;
  int holiday_year_ = 0;
  bool loading_ = false;
  std::vector<FolderMapRow> folder_map_;
};

}  // namespace almanix::desktop
