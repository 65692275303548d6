// The main window's calendar panel with its category list and pop-up menu,
// "Format Calendar", "Icon to Day..." and the waiting window of a calendar
// file that opens, driven on a started program.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/dir.h"
#include "desktop/main_grid.h"
#include "program/program.h"
#include "shell/calendar_panel.h"
#include "shell/main_window.h"
#include "shell/publish_window.h"
#include "shell/settings_window.h"
#include "shell/shell_fixture.h"
#include "store/db.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

// Runs act on the modal window of type T once it is up; true once it ran.
template <typename T>
std::shared_ptr<bool> WhenModal(std::function<void(T&)> act,
                                const char* name = nullptr) {
  auto ran = std::make_shared<bool>(false);
  auto tries = std::make_shared<int>(0);
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [act, tries, poll, ran, name] {
    auto* window = dynamic_cast<T*>(QApplication::activeModalWidget());
    if (window != nullptr && (name == nullptr || window->objectName() == name)) {
      *ran = true;
      act(*window);
      return;
    }
    if (++*tries < 500) {
      QTimer::singleShot(10, *poll);
    } else {
      ADD_FAILURE() << "no modal window came up";
      if (QWidget* other = QApplication::activeModalWidget()) other->close();
    }
  };
  QTimer::singleShot(0, *poll);
  return ran;
}

class MainWindowEntriesTest : public ::testing::Test {
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

  QAction* Entry(const char* caption) {
    for (QAction* action : window_->findChildren<QAction*>()) {
      if (action->text() == QString::fromUtf8(caption)) return action;
    }
    ADD_FAILURE() << "no entry " << caption;
    return nullptr;
  }

  QListWidget* ShowPanel() {
    QAction* entry = Entry("Calendar Panel");
    if (entry == nullptr) return nullptr;
    entry->trigger();
    auto* panel = window_->findChild<CalendarPanel*>(QStringLiteral("calendarPanel"));
    EXPECT_TRUE(panel != nullptr && panel->isVisible());
    return window_->findChild<QListWidget*>(QStringLiteral("categoryList"));
  }

  QString BoxText() {
    return window_->findChild<QComboBox*>(QStringLiteral("categories"))->currentText();
  }

  void Select(DayNumber day) {
    const auto& cells = window_->grid().cells();
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].date == day) {
        ASSERT_TRUE(window_->grid().ShowDay(static_cast<int>(i)).ok());
      }
    }
    window_->Refresh();
  }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

TEST_F(MainWindowEntriesTest, TheCategoryListChoosesRenamesAndOpensTheSettings) {
  ASSERT_TRUE(program_->data.db()
                  .Execute("UPDATE calendar2010 SET Visible = 'False' WHERE ID = '2'")
                  .ok());
  QListWidget* list = ShowPanel();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 30);
  // A hidden category is a blank row: a click on it chooses nothing.
  EXPECT_TRUE(list->item(1)->text().isEmpty());
  const QString before = BoxText();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(BoxText(), before);
  const QString third = list->item(2)->text();
  ASSERT_FALSE(third.isEmpty());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(2)).center());
  EXPECT_EQ(BoxText(), third);
  EXPECT_EQ(window_->grid().CategoryNumber(), 3);

  // "&Rename Calendar" of row 4: the settings window on that row, its name
  // open for typing.
  auto* panel = window_->findChild<CalendarPanel*>(QStringLiteral("calendarPanel"));
  std::unique_ptr<QMenu> menu(panel->BuildMenu(3, window_.get()));
  ASSERT_EQ(menu->actions().size(), 3);
  EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("&Rename Calendar"));
  EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("&Hide Calendar"));
  EXPECT_EQ(menu->actions()[2]->text(), QStringLiteral("&Publish"));
  auto ran = WhenModal<TfrmSettings>([](TfrmSettings& settings) {
    EXPECT_EQ(settings.findChild<QTabWidget*>(QStringLiteral("settingsPages"))->currentIndex(),
              0);
    auto* grid = settings.findChild<QTableWidget*>(QStringLiteral("categoryGrid"));
    EXPECT_EQ(grid->currentRow(), 3);
    QTest::qWait(50);
    auto* editor = grid->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("College"));
    QMetaObject::invokeMethod(grid, "commitData", Q_ARG(QWidget*, editor));
    QTest::qWait(20);
    settings.accept();
  });
  menu->actions()[0]->trigger();
  EXPECT_TRUE(*ran);
  EXPECT_EQ(list->item(3)->text(), QStringLiteral("College"));
  EXPECT_NE(window_->findChild<QComboBox*>(QStringLiteral("categories"))
                ->findText(QStringLiteral("College")),
            -1);

  // The panel's "Edit" link opens the same window.
  ran = WhenModal<TfrmSettings>([](TfrmSettings& settings) { settings.reject(); });
  QTest::mouseClick(window_->findChild<QPushButton*>(QStringLiteral("calendarPanelEdit")),
                    Qt::LeftButton);
  EXPECT_TRUE(*ran);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(MainWindowEntriesTest, FormatCalendarAndTheListsPublishOpenTheFormatWindow) {
  QString title;
  auto ran = WhenModal<TMC>([&](TMC& window) {
    title = window.windowTitle();
    window.reject();
  });
  Entry("Format Calendar")->trigger();
  EXPECT_TRUE(*ran);
  EXPECT_FALSE(title.isEmpty());

  // "&Publish" on another row makes that category current first.
  QListWidget* list = ShowPanel();
  ASSERT_NE(list, nullptr);
  const QString fifth = list->item(4)->text();
  auto* panel = window_->findChild<CalendarPanel*>(QStringLiteral("calendarPanel"));
  std::unique_ptr<QMenu> menu(panel->BuildMenu(4, window_.get()));
  ran = WhenModal<TMC>([](TMC& window) { window.reject(); });
  menu->actions()[2]->trigger();
  EXPECT_TRUE(*ran);
  EXPECT_EQ(BoxText(), fifth);
}

TEST_F(MainWindowEntriesTest, IconToDayDrawsTheChosenSizeIntoTheDayFolder) {
  ASSERT_TRUE(window_->grid().LoadGrid(EncodeDate(2010, 3, 1)).ok());
  Select(EncodeDate(2010, 3, 5));
  const std::string icon = std::string(ALMANIX_SOURCE_DIR) + "/resources/Icons/Music.ico";
  ui_.picks = {icon};
  auto ran = WhenModal<QDialog>(
      [](QDialog& chooser) {
        EXPECT_EQ(chooser.windowTitle(), QStringLiteral("Choose icon"));
        chooser.findChild<QRadioButton*>(QStringLiteral("size32"))->click();
        chooser.accept();
      },
      "iconChooser");
  Entry("Icon to Day...")->trigger();
  EXPECT_TRUE(*ran);
  const std::string folder = window_->grid().DayFolder();
  ASSERT_FALSE(folder.empty());
  const QImage saved(QString::fromStdString(folder + "Music.bmp"));
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(saved.size(), QSize(32, 32));
  EXPECT_EQ(window_->grid().DayFiles(), std::vector<std::string>{"Music.bmp"});
  // Drawn on white: the corner is not transparent black.
  EXPECT_EQ(saved.pixelColor(0, 0).alpha(), 255);
  EXPECT_EQ(ui_.questions.front(), "Select an Icon");

  // "Cancel" in the chooser saves nothing.
  ASSERT_TRUE(std::filesystem::remove(folder + "Music.bmp"));
  ui_.picks = {icon};
  ran = WhenModal<QDialog>([](QDialog& chooser) { chooser.reject(); }, "iconChooser");
  Entry("Icon to Day...")->trigger();
  EXPECT_TRUE(*ran);
  EXPECT_FALSE(std::filesystem::exists(folder + "Music.bmp"));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(MainWindowEntriesTest, AnOpeningCalendarFileShowsTheWaitWindowForASecond) {
  const std::string path = testing::SampleCalendar();
  ui_.picks = {path};
  Entry("Open")->trigger();
  EXPECT_EQ(program_->app.dir->CalendarFile, path);
  QWidget* wait = window_->findChild<QWidget*>(QStringLiteral("waitWindow"));
  ASSERT_NE(wait, nullptr);
  EXPECT_TRUE(wait->isVisible());
  EXPECT_EQ(wait->findChild<QLabel*>()->text(), QString::fromStdString("Loading ..." + path));
  QTest::qWait(1300);
  EXPECT_EQ(window_->findChild<QWidget*>(QStringLiteral("waitWindow")), nullptr);
}

// The main window with its calendar panel, for docs/desktop/
// (tools/take_desktop_screenshots.sh).
TEST(DesktopScreenshots, CalendarPanel) {
  const std::string out = testing::ScreenshotDir();
  if (out.empty()) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  almanix::testing::TempRoot root;
  almanix::testing::FakeUi ui;
  Program program(ui);
  ASSERT_TRUE(testing::StartProgram(program, root.path(), testing::SampleCalendar()).ok());
  std::unique_ptr<TfrmMain> window = testing::ShowMainWindow(program, ui, 1180, 760);
  ASSERT_NE(window, nullptr);
  testing::ShowSampleApril(*window);
  for (QAction* action : window->findChildren<QAction*>()) {
    if (action->text() == QStringLiteral("Calendar Panel")) action->trigger();
  }
  QTest::qWait(300);
  EXPECT_TRUE(window->grab().save(QString::fromStdString(out + "/calendar-panel.png")));
}

}  // namespace
}  // namespace almanix::shell
