#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "app/status.h"

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QWidget;

namespace almanix {
class Program;
class UiSeam;
}  // namespace almanix

namespace almanix::desktop {
class CsvMapping;
class ExchangeCommands;
class MainGrid;
}  // namespace almanix::desktop

namespace almanix::shell {

// "Import From CSV": the file's columns against the event values, the
// formats, the duplicate policy, the first line and the category, bound to
// desktop::CsvMapping.
class CsvImportWindow : public QDialog {
 public:
  CsvImportWindow(desktop::CsvMapping& mapping, UiSeam& ui, QWidget* parent);

 private:
  void Fill();
  void Update();
  void StartImport();

  desktop::CsvMapping& mapping_;
  UiSeam& ui_;
  bool filling_ = false;
  std::vector<QComboBox*> columns_;
  QComboBox* date_format_ = nullptr;
  QComboBox* time_format_ = nullptr;
  std::vector<QRadioButton*> duplicates_;
  QSpinBox* start_line_ = nullptr;
  QComboBox* category_ = nullptr;
  QLabel* preview_ = nullptr;
  QLabel* problem_ = nullptr;
  QPushButton* import_ = nullptr;
};

// The small window of "Export Events" and "Import Events": two choices and
// the button that runs the command. It closes when the command is done.
class EventTableWindow : public QDialog {
 public:
  // run gets whether the first choice is ticked. The window closes when
  // run succeeds, and when it was cancelled unless stay_on_cancel.
  EventTableWindow(const std::string& caption, const std::string& first_choice,
                   const std::string& second_choice, const std::string& button,
                   std::function<Status(bool first)> run, bool stay_on_cancel, QWidget* parent);
};

// The File menu's Import and Export commands on the screen.
class ExchangeWindows {
 public:
  ExchangeWindows(Program& program, UiSeam& ui, desktop::MainGrid& grid, QWidget* parent);
  ~ExchangeWindows();

  // Called with each window before it is shown modally: tests drive it.
  void set_on_window_open(std::function<void(QDialog&)> hook) { on_open_ = std::move(hook); }

  void ImportCsv();
  void ImportIcal();
  void ExportIcal();
  void ImportEvents();
  void ExportEvents();

 private:
  void Show(QDialog& window);

  Program& program_;
  UiSeam& ui_;
  desktop::MainGrid& grid_;
  QWidget* parent_;
  std::unique_ptr<desktop::ExchangeCommands> commands_;
  std::function<void(QDialog&)> on_open_;
};

}  // namespace almanix::shell
