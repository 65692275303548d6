#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace almanix {
class UiSeam;
}

namespace almanix::desktop {
class CsvMapping;
}

namespace almanix::shell {

// "Import From CSV": the file (the one imported last, or one chosen with
// Browse), its first lines as a table and its text, the column of each
// event value, the formats, the duplicate policy, the first line and the
// category, bound to desktop::CsvMapping. The fields show only while a
// file is loaded. The import's progress and its line questions go through
// the seam.
class CsvImportWindow : public QDialog {
 public:
  // browse is the file dialog; nullopt when it was cancelled.
  using Browse = std::function<std::optional<std::string>()>;
  CsvImportWindow(desktop::CsvMapping& mapping, UiSeam& ui, Browse browse, QWidget* parent);

  // Lines of the file the table shows, and lines the text page holds.
  static constexpr int kTableLines = 12;
  static constexpr int kTextLines = 2000;

 private:
  void ChooseFile();
  void Fill();
  void FillViews();
  void Update();
  void StartImport();

  desktop::CsvMapping& mapping_;
  UiSeam& ui_;
  Browse browse_;
  bool filling_ = false;
  QLineEdit* file_ = nullptr;
  QWidget* fields_ = nullptr;
  QTabWidget* views_ = nullptr;
  QTableWidget* table_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
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

}  // namespace almanix::shell
