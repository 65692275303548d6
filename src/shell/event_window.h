#pragma once

#include <memory>
#include <vector>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTimeEdit;
class QWidget;

namespace almanix::desktop {
class EventEditor;
class EventFiles;
class PictureWorks;
}  // namespace almanix::desktop

namespace almanix::shell {

// The event editor window ("Event", "Appearance" and "Advanced" pages)
// bound to desktop::EventEditor: every control shows a value of the editor
// and every change goes through the editor's rules.
class TfrmEvent : public QDialog {
 public:
  TfrmEvent(desktop::EventEditor& editor, desktop::PictureWorks& pictures,
            QWidget* parent = nullptr);
  ~TfrmEvent() override;

  void accept() override;
  void reject() override;

 private:
  QWidget* BuildEventPage();
  QWidget* BuildAppearancePage();
  QWidget* BuildAdvancedPage();
  // Values to controls, and the plain controls back to values.
  void Load();
  void Store();
  void ShowSkipDays();
  void PickColor(int box);

  desktop::EventEditor& editor_;
  std::unique_ptr<desktop::EventFiles> files_;
  bool syncing_ = false;

  QTabWidget* pages_ = nullptr;
  // Event page.
  QLineEdit* summary_ = nullptr;
  QLineEdit* location_ = nullptr;
  QDateEdit* start_date_ = nullptr;
  QTimeEdit* start_time_ = nullptr;
  QDateEdit* end_date_ = nullptr;
  QTimeEdit* end_time_ = nullptr;
  QCheckBox* all_day_ = nullptr;
  QCheckBox* show_start_ = nullptr;
  QCheckBox* show_end_ = nullptr;
  QComboBox* time_zone_ = nullptr;
  QComboBox* repeats_ = nullptr;
  QWidget* recurrence_ = nullptr;
  QWidget* interval_row_ = nullptr;
  QSpinBox* interval_ = nullptr;
  QLabel* interval_unit_ = nullptr;
  QComboBox* pattern_ = nullptr;
  QListWidget* weekdays_ = nullptr;
  QListWidget* month_days_ = nullptr;
  QListWidget* months_ = nullptr;
  QWidget* ends_box_ = nullptr;
  QRadioButton* never_ends_ = nullptr;
  QRadioButton* ends_on_ = nullptr;
  QDateEdit* end_repeat_ = nullptr;
  QPushButton* skipped_ = nullptr;
  QPlainTextEdit* description_ = nullptr;
  // Appearance page.
  QComboBox* font_ = nullptr;
  QWidget* font_options_ = nullptr;
  QSpinBox* font_size_ = nullptr;
  QPushButton* font_color_ = nullptr;
  QPushButton* background_ = nullptr;
  QPushButton* day_color_ = nullptr;
  QCheckBox* underline_ = nullptr;
  QCheckBox* center_ = nullptr;
  QLabel* preview_ = nullptr;
  QCheckBox* scroll_show_ = nullptr;
  QLabel* icon_ = nullptr;
  QLabel* photo_ = nullptr;
  // Advanced page.
  QLineEdit* url_ = nullptr;
  QLineEdit* link_name_ = nullptr;
  QCheckBox* new_window_ = nullptr;
  QCheckBox* append_date_ = nullptr;
  QCheckBox* append_category_ = nullptr;
  QListWidget* categories_ = nullptr;
};

}  // namespace almanix::shell
