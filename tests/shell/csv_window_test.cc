// The "Import From CSV" window opened from the File menu of a started
// program: the file's first lines and text, the first line to import, and
// Cancel on the progress window of a long file.
#include <memory>
#include <filesystem>
#include <functional>
#include <string>
#include <type_traits>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/config.h"
#include "app/dates.h"
#include "desktop/main_grid.h"
#include "program/program.h"
#include "shell/exchange_windows.h"
#include "shell/main_window.h"
#include "shell/qt_ui.h"
#include "shell/shell_fixture.h"
#include "store/db_engine.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

using almanix::testing::WriteAll;

template <typename T>
T* Child(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

int EventCount(Program& program) {
  store::Query q(program.data.db());
  EXPECT_TRUE(q.Open("Select * from Events").ok());
  return q.RecordCount();
}

// A started program with its main window on March 2010, whose Import
// windows run `drive` once they are up.
template <typename Ui>
class CsvWindowTest : public ::testing::Test {
 protected:
  void Start() {
    program_ = std::make_unique<Program>(ui_);
    ASSERT_TRUE(testing::StartProgram(*program_, root_.path()).ok());
    window_ = testing::ShowMainWindow(*program_, ui_, 1024, 700);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(window_->grid().LoadGrid(EncodeDate(2010, 3, 1)).ok());
    window_->grid().cboCalendar_load();
    window_->Refresh();
    if constexpr (std::is_same_v<Ui, almanix::testing::FakeUi>) {
      ui_.messages.clear();
      ui_.questions.clear();
    }
    window_->exchange().set_on_window_open([this](QDialog& dialog) {
      QTimer::singleShot(0, &dialog, [this, &dialog] {
        if (drive_) drive_(dialog);
        if (dialog.isVisible()) dialog.reject();
      });
    });
  }

  void OpenImport() {
    for (QAction* action : window_->findChildren<QAction*>()) {
      if (action->text() == QStringLiteral("Import &CSV (comma-separated values)")) {
        action->trigger();
        return;
      }
    }
    ADD_FAILURE() << "no Import CSV entry";
  }

  almanix::testing::TempRoot root_;
  Ui ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
  std::function<void(QDialog&)> drive_;
};

using CsvWindowFakeUiTest = CsvWindowTest<almanix::testing::FakeUi>;

TEST_F(CsvWindowFakeUiTest, TheFilesLinesFollowTheFirstLineToImport) {
  Start();
  const std::string path = root_ / "club.csv";
  WriteAll(path,
           "Club calendar exported 2010\n"
           "Name,When,Where\n"
           "\"Quiz, round one\",3/10/2010,Library\n"
           "Chess,3/11/2010,Cafe\n");
  ui_.picks = {path};
  ui_.answers = {Answer::kYes};
  drive_ = [&](QDialog& dialog) {
    QTest::mouseClick(Child<QPushButton>(dialog, "btnBrowse"), Qt::LeftButton);
    auto* table = Child<QTableWidget>(dialog, "csvTable");
    auto* text = Child<QPlainTextEdit>(dialog, "csvText");
    // The whole file as text; the table from line 1 on, one line a row.
    EXPECT_TRUE(text->toPlainText().startsWith(QStringLiteral("Club calendar exported 2010\n")));
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("Club calendar exported 2010"));

    // From line 3 the table, the choices and the preview show the events.
    Child<QSpinBox>(dialog, "StartLine")->setValue(3);
    ASSERT_EQ(table->rowCount(), 2);
    ASSERT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->verticalHeaderItem(0)->text(), QStringLiteral("Line 3"));
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), QStringLiteral("Field #2"));
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("Quiz, round one"));
    auto* name = Child<QComboBox>(dialog, "cboEventName");
    ASSERT_EQ(name->count(), 4);
    EXPECT_EQ(name->itemText(1), QStringLiteral("Quiz, round one (Field #1)"));
    name->setCurrentIndex(1);
    Child<QComboBox>(dialog, "cboStartDate")->setCurrentIndex(2);
    Child<QComboBox>(dialog, "cboEventLocation")->setCurrentIndex(3);
    EXPECT_TRUE(Child<QLabel>(dialog, "preview")
                    ->text()
                    .contains(QStringLiteral("Start Date: 3/10/2010  = 10 March 2010")));
    QTest::mouseClick(Child<QPushButton>(dialog, "btnImport"), Qt::LeftButton);
  };
  OpenImport();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Imported  4 out of 4 lines\n2 events imported.");
  EXPECT_EQ(EventCount(*program_), 2);

  // Next time the window opens on it with line 3 and the columns kept.
  drive_ = [&](QDialog& dialog) {
    EXPECT_EQ(Child<QLineEdit>(dialog, "csvFile")->text(), QString::fromStdString(path));
    EXPECT_EQ(Child<QSpinBox>(dialog, "StartLine")->value(), 3);
    EXPECT_EQ(Child<QComboBox>(dialog, "cboEventLocation")->currentIndex(), 3);
    EXPECT_EQ(Child<QTableWidget>(dialog, "csvTable")->rowCount(), 2);
  };
  OpenImport();
}

TEST_F(CsvWindowFakeUiTest, AFileGoneSinceItWasChosenIsSaidAndNothingImported) {
  Start();
  const std::string path = root_ / "gone.csv";
  WriteAll(path, "Subject,Start Date\nFair,3/5/2010\n");
  ui_.picks = {path};
  drive_ = [&](QDialog& dialog) {
    QTest::mouseClick(Child<QPushButton>(dialog, "btnBrowse"), Qt::LeftButton);
    ASSERT_TRUE(Child<QPushButton>(dialog, "btnImport")->isEnabled());
    ASSERT_TRUE(std::filesystem::remove(path));
    QTest::mouseClick(Child<QPushButton>(dialog, "btnImport"), Qt::LeftButton);
    // The window stays for another file.
    EXPECT_TRUE(dialog.isVisible());
  };
  OpenImport();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "File " + path + " does not exist. Click browse to choose a file");
  // Only the file dialog was put; the import's question never came.
  ASSERT_EQ(ui_.questions.size(), 1u);
  EXPECT_EQ(ui_.questions[0], "Select a Comma Seperated File to Import from");
  EXPECT_EQ(EventCount(*program_), 0);
}

using CsvWindowQtUiTest = CsvWindowTest<QtUi>;

// The screen's own seam: the long file's progress window comes up and its
// Cancel undoes the whole import. (Batch: the questions take their
// defaults, so the import question is answered Yes.)
TEST_F(CsvWindowQtUiTest, CancelOnTheProgressWindowKeepsNoLine) {
  ui_.set_batch(true);
  Start();
  std::string text = "Subject,Start Date\n";
  for (int i = 0; i < 3000; ++i) text += "Rehearsal " + std::to_string(i) + ",3/5/2010\n";
  const std::string path = root_ / "season.csv";
  WriteAll(path, text);
  program_->app.config->ImportFilePath = path;

  int bar_seen = 0;
  QTimer watch;
  watch.setInterval(0);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* bar = window_->findChild<QProgressDialog*>(QStringLiteral("progressWindow"));
    if (bar == nullptr || bar_seen > 0 || bar->value() < 100) return;
    bar_seen = bar->value();
    for (QAbstractButton* button : bar->findChildren<QAbstractButton*>()) button->click();
  });
  watch.start();
  drive_ = [&](QDialog& dialog) {
    EXPECT_EQ(Child<QLineEdit>(dialog, "csvFile")->text(), QString::fromStdString(path));
    QTest::mouseClick(Child<QPushButton>(dialog, "btnImport"), Qt::LeftButton);
  };
  OpenImport();
  watch.stop();
  EXPECT_GE(bar_seen, 100);
  EXPECT_LT(bar_seen, 3000);
  EXPECT_EQ(EventCount(*program_), 0);
}

}  // namespace
}  // namespace almanix::shell
