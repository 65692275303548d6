#pragma once

#include <memory>
#include <string>

#include <QDialog>

#include "app/status.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace almanix {
class App;
class UiSeam;
namespace store {
class TDB1;
}
namespace desktop {
class SettingsForm;
}
}  // namespace almanix

namespace almanix::shell {

// "Application Settings": the pages Categories, Holidays, Auto Run,
// Database and Templates over desktop::SettingsForm, and the read-only
// "Email Reminders" and "Attachments" (the folder map) pages. Closing it ("&Close"
// or the window's button) writes everything back; the main window reloads
// its categories afterwards (SettingsForm::ReloadMain).
class TfrmSettings : public QDialog {
 public:
  TfrmSettings(App& app, store::TDB1& data, UiSeam& ui, const std::string& year_box,
               QWidget* parent);
  ~TfrmSettings() override;

  desktop::SettingsForm& form() { return *form_; }
  // Opens on the "Categories" page with the row (0-based) current; with
  // edit_name its name cell is open for typing once the window shows.
  void ShowCategory(int row, bool edit_name);
  // What closing reported; shown by the main window.
  const Status& close_status() const { return close_status_; }

  void done(int result) override;

 private:
  QWidget* BuildCategories();
  QWidget* BuildHolidays();
  QWidget* BuildAutoRun();
  QWidget* BuildDatabase();
  QWidget* BuildTemplates();
  // The hidden pages: their values are shown, not edited.
  QWidget* BuildReminders();
  QWidget* BuildFolderMap();
  void FillCategories();
  void FillHolidays();
  void FillTemplates();
  void FillFolders();
  void Report(const Status& status);

  App& app_;
  UiSeam& ui_;
  std::unique_ptr<desktop::SettingsForm> form_;
  Status close_status_;
  bool filling_ = false;
  bool closed_ = false;

  QTabWidget* pages_ = nullptr;
  QTableWidget* category_grid_ = nullptr;
  QSpinBox* category_year_ = nullptr;
  QComboBox* holiday_types_ = nullptr;
  QSpinBox* holiday_year_ = nullptr;
  QTableWidget* holiday_grid_ = nullptr;
  QCheckBox* auto_start_ = nullptr;
  QCheckBox* auto_size_ = nullptr;
  QCheckBox* side_panel_ = nullptr;
  QLineEdit* startup_folder_ = nullptr;
  QLineEdit* attachments_folder_ = nullptr;
  QListWidget* templates_ = nullptr;
};

}  // namespace almanix::shell
