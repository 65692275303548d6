// The settings window opened from the main window's menu and driven as a
// person would: rename, hide and copy categories, and the main window's
// category box following.
#include <functional>
#include <memory>
#include <string>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/config.h"
#include "app/dates.h"
#include "app/dir.h"
#include "desktop/main_grid.h"
#include "desktop/settings_form.h"
#include "program/program.h"
#include "shell/main_window.h"
#include "shell/settings_window.h"
#include "shell/shell_fixture.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

using almanix::testing::ReadAll;
using almanix::testing::WriteAll;

DayNumber D(int y, int m, int d) { return EncodeDate(y, m, d); }

// Runs act on the settings window once it is up modally.
void WhenSettingsOpen(std::function<void(TfrmSettings&)> act) {
  auto tries = std::make_shared<int>(0);
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [act, tries, poll] {
    if (auto* window = dynamic_cast<TfrmSettings*>(QApplication::activeModalWidget())) {
      act(*window);
      return;
    }
    if (++*tries < 300) {
      QTimer::singleShot(10, *poll);
    } else {
      ADD_FAILURE() << "the settings window did not come up";
      if (QWidget* other = QApplication::activeModalWidget()) other->close();
    }
  };
  QTimer::singleShot(0, *poll);
}

template <typename T>
T* Child(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

class SettingsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    ASSERT_TRUE(testing::StartProgram(*program_, root_.path()).ok());
    window_ = testing::ShowMainWindow(*program_, ui_, 1024, 700);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(window_->grid().ChooseYear("2010").ok());
    window_->Refresh();
    ui_.messages.clear();
    ui_.questions.clear();
  }

  // "Calendar && Application Settings" of the Settings menu, with the
  // window driven by act before "&Close" is clicked.
  void OpenSettings(std::function<void(TfrmSettings&)> act) {
    QAction* entry = nullptr;
    for (QAction* menu : window_->menuBar()->actions()) {
      if (menu->text() != QStringLiteral("&Settings")) continue;
      for (QAction* action : menu->menu()->actions()) {
        if (action->text() == QStringLiteral("Calendar && Application Settings")) entry = action;
      }
    }
    ASSERT_NE(entry, nullptr);
    bool ran = false;
    WhenSettingsOpen([&](TfrmSettings& settings) {
      act(settings);
      ran = true;
      QTest::mouseClick(Child<QPushButton>(settings, "settingsClose"), Qt::LeftButton);
    });
    entry->trigger();
    EXPECT_TRUE(ran);
  }

  QStringList Box() {
    QStringList items;
    auto* box = window_->findChild<QComboBox*>(QStringLiteral("categories"));
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
  }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

TEST_F(SettingsWindowTest, RenamedCategoryShowsInTheMainWindowsBox) {
  QString old_name;
  OpenSettings([&](TfrmSettings& settings) {
    EXPECT_EQ(settings.windowTitle(), QStringLiteral("Application Settings:2010"));
    auto* grid = Child<QTableWidget>(settings, "categoryGrid");
    ASSERT_EQ(grid->rowCount(), 30);
    EXPECT_TRUE(grid->isColumnHidden(0));
    old_name = grid->item(2, 1)->text();
    // Typed into the name cell and committed with Enter.
    settings.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&settings));
    grid->setCurrentCell(2, 1);
    grid->editItem(grid->item(2, 1));
    auto* editor = grid->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("College"));
    EXPECT_EQ(editor->text(), QStringLiteral("College"));
    // What the delegate does when the person ends the edit.
    QMetaObject::invokeMethod(grid, "commitData", Q_ARG(QWidget*, editor));
    QTest::qWait(20);
    EXPECT_EQ(grid->item(2, 1)->text(), QStringLiteral("College"));
  });
  ASSERT_FALSE(old_name.isEmpty());
  EXPECT_TRUE(Box().contains(QStringLiteral("College")));
  EXPECT_FALSE(Box().contains(old_name));
  EXPECT_EQ(Box().indexOf(QStringLiteral("College")), 2);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SettingsWindowTest, HidingACategoryWarnsFirstAndTakesItOutOfTheBox) {
  QString hidden;
  OpenSettings([&](TfrmSettings& settings) {
    auto* grid = Child<QTableWidget>(settings, "categoryGrid");
    auto* button = Child<QPushButton>(settings, "hideShowCategories");
    ui_.answers = {Answer::kCancel};
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(grid->isColumnHidden(0));
    ui_.answers = {Answer::kOk};
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(grid->isColumnHidden(0));
    EXPECT_EQ(grid->columnWidth(0), 56);
    hidden = grid->item(1, 1)->text();
    Child<QComboBox>(settings, "visible1")->setCurrentText(QStringLiteral("False"));
  });
  ASSERT_EQ(ui_.questions.size(), 2u);
  EXPECT_EQ(ui_.questions[0].rfind("Warning!!!! This feature is provided", 0), 0u);
  EXPECT_FALSE(hidden.isEmpty());
  EXPECT_FALSE(Box().contains(hidden));
  EXPECT_EQ(Box().size(), 29);
}

TEST_F(SettingsWindowTest, CategoriesCopiedToNextYearShowThere) {
  OpenSettings([&](TfrmSettings& settings) {
    auto* grid = Child<QTableWidget>(settings, "categoryGrid");
    grid->item(0, 1)->setText(QStringLiteral("Rehearsals"));
    ui_.answers = {Answer::kYes};
    QTest::mouseClick(Child<QPushButton>(settings, "copyCategories"), Qt::LeftButton);
    // The next year shows the copy.
    Child<QSpinBox>(settings, "categoryYear")->setValue(2011);
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("Rehearsals"));
  });
  ASSERT_EQ(ui_.questions.size(), 1u);
  EXPECT_EQ(ui_.questions[0].rfind("Are you sure you want next year to have the same", 0), 0u);
  ASSERT_TRUE(window_->grid().ChooseYear("2011").ok());
  window_->Refresh();
  EXPECT_EQ(Box().value(0), QStringLiteral("Rehearsals"));
}

TEST_F(SettingsWindowTest, HolidayTypeChosenInTheWindowReachesTheDayCells) {
  OpenSettings([&](TfrmSettings& settings) {
    auto* pages = Child<QTabWidget>(settings, "settingsPages");
    pages->setCurrentIndex(1);
    Child<QComboBox>(settings, "holidayTypes")->setCurrentText(QStringLiteral("Other"));
    auto* grid = Child<QTableWidget>(settings, "holidayGrid");
    ASSERT_EQ(grid->rowCount(), 365);
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), QStringLiteral("Other Holidays"));
    grid->item(31, 2)->setText(QStringLiteral("Groundhog"));  // 1 February
  });
  EXPECT_EQ(program_->app.holiday_column, "OtherHoliday");
  ASSERT_TRUE(window_->grid().LoadGrid(D(2010, 2, 1)).ok());
  bool found = false;
  for (const auto& cell : window_->grid().cells()) {
    if (cell.date == D(2010, 2, 1)) found = cell.holiday == "Groundhog";
  }
  EXPECT_TRUE(found);
}

TEST_F(SettingsWindowTest, HiddenPagesShowTheirValuesAndLeaveThemAsTheyWere) {
  TConfig& config = *program_->app.config;
  config.smtp_host = "mail.example.org";
  config.smtp_password = "s3cret";
  config.RemindDay = 4;
  ASSERT_TRUE(config.Save().ok());
  const std::string folders = "Work=" + root_.path() + "shared/\r\n";
  WriteAll(program_->app.dir->ConfigDir + "folders.txt", folders);
  OpenSettings([&](TfrmSettings& settings) {
    auto* pages = Child<QTabWidget>(settings, "settingsPages");
    ASSERT_EQ(pages->count(), 7);
    EXPECT_EQ(pages->tabText(5), QStringLiteral("Email Reminders"));
    EXPECT_EQ(pages->tabText(6), QStringLiteral("Attachments"));
    auto* host = Child<QLineEdit>(settings, "smtp_host");
    EXPECT_EQ(host->text(), QStringLiteral("mail.example.org"));
    EXPECT_TRUE(host->isReadOnly());
    EXPECT_EQ(Child<QLineEdit>(settings, "smtp_password")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Child<QLineEdit>(settings, "RemindDay")->text(), QStringLiteral("4"));
    auto* map = Child<QTableWidget>(settings, "folderMap");
    ASSERT_EQ(map->rowCount(), 1);
    EXPECT_EQ(map->item(0, 0)->text(), QStringLiteral("Work"));
    EXPECT_EQ(map->item(0, 1)->text(), QString::fromStdString(root_.path() + "shared/"));
  });
  EXPECT_EQ(ReadAll(program_->app.dir->ConfigDir + "folders.txt"), folders);
  ASSERT_TRUE(config.Load().ok());
  EXPECT_EQ(config.smtp_host, "mail.example.org");
  EXPECT_EQ(config.smtp_password, "s3cret");
  EXPECT_EQ(config.RemindDay, 4);
}

TEST(DesktopScreenshots, SettingsWindow) {
  const std::string out = testing::ScreenshotDir();
  if (out.empty()) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  almanix::testing::TempRoot root;
  almanix::testing::FakeUi ui;
  Program program(ui);
  ASSERT_TRUE(testing::StartProgram(program, root.path(), testing::SampleCalendar()).ok());
  std::unique_ptr<TfrmMain> shown = testing::ShowMainWindow(program, ui, 1024, 700);
  ASSERT_NE(shown, nullptr);
  TfrmMain& window = *shown;
  ASSERT_TRUE(window.grid().ChooseYear("2025").ok());
  TfrmSettings settings(program.app, program.data, ui, "2025", &window);
  settings.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
  QTest::qWait(300);
  ASSERT_TRUE(settings.grab().save(QString::fromStdString(out) + "/settings-window.png"));
  settings.reject();
}

}  // namespace
}  // namespace almanix::shell
