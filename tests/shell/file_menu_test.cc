// The File menu of the real main window, driven through its entries, and
// the program line of the built almanix.
#include <memory>
#include <string>

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dates.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/main_grid.h"
#include "program/program.h"
#include "shell/main_window.h"
#include "shell/shell_fixture.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

using ::testing::HasSubstr;

DayNumber D(int y, int m, int d) { return EncodeDate(y, m, d); }

// The entry with the caption anywhere under the menu; null when none.
QAction* Entry(QMenu* menu, const QString& caption) {
  for (QAction* action : menu->actions()) {
    if (action->text() == caption) return action;
    if (action->menu()) {
      if (QAction* found = Entry(action->menu(), caption)) return found;
    }
  }
  return nullptr;
}

class FileMenuWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    ASSERT_TRUE(testing::StartProgram(*program_, root_.path()).ok());
    window_ = testing::ShowMainWindow(*program_, ui_, 1024, 700);
    ASSERT_NE(window_, nullptr);
    // These tests answer the close question themselves.
    window_->set_quiet_close(false);
    ui_.messages.clear();
    ui_.questions.clear();
  }

  // Runs the File menu's entry as a click on it does.
  void Click(const char* caption) {
    QMenu* file = nullptr;
    for (QAction* action : window_->menuBar()->actions()) {
      if (action->text() == QStringLiteral("&File")) file = action->menu();
    }
    ASSERT_NE(file, nullptr);
    QAction* entry = Entry(file, QString::fromUtf8(caption));
    ASSERT_NE(entry, nullptr) << caption;
    ASSERT_TRUE(entry->isVisible()) << caption;
    entry->trigger();
  }

  std::string Status() {
    return window_->findChild<QLabel*>(QStringLiteral("statusText"))->text().toStdString();
  }

  void Note(const std::string& text) {
    desktop::MainGrid& grid = window_->grid();
    ASSERT_TRUE(grid.LoadGrid(D(2010, 3, 1)).ok());
    for (size_t i = 0; i < grid.cells().size(); ++i) {
      if (grid.cells()[i].date == D(2010, 3, 5)) {
        ASSERT_TRUE(grid.SetNote(static_cast<int>(i), text).ok());
      }
    }
  }
  std::string NoteShown() {
    desktop::MainGrid& grid = window_->grid();
    EXPECT_TRUE(grid.LoadGrid(D(2010, 3, 1)).ok());
    for (const desktop::DayCell& cell : grid.cells()) {
      if (cell.date == D(2010, 3, 5)) return cell.note;
    }
    return "";
  }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

TEST_F(FileMenuWindowTest, NewSaveAsOpenReopenAndTheQuestionOnExit) {
  EXPECT_EQ(Status(), "                            Calendar: Default");
  Click("New");
  EXPECT_EQ(ui_.questions.back(),
            "Do you want to save changes to the 'Default' calendar first ?");
  EXPECT_THAT(Status(), HasSubstr("Working in : "));
  Note("Made in a new calendar");

  const std::string cal = root_ / "team.cal";
  ui_.picks.push_back(root_ / "team");
  Click("Save As..");
  ASSERT_TRUE(FileExists(cal)) << (ui_.messages.empty() ? "" : ui_.messages.back());
  EXPECT_EQ(Status(), "                Calendar: " + cal);

  // Another new calendar; the saved one opens again through Open.
  ui_.answers.push_back(Answer::kNo);
  Click("New");
  EXPECT_EQ(NoteShown(), "");
  ui_.picks.push_back(cal);
  Click("Open");
  EXPECT_EQ(Status(), "                Calendar: " + cal);
  EXPECT_EQ(NoteShown(), "Made in a new calendar");

  // The Reopen list shows the file; its entry opens it.
  ui_.answers.push_back(Answer::kNo);
  Click("New");
  Click(cal.c_str());
  EXPECT_EQ(program_->app.dir->CalendarFile, cal);
  EXPECT_EQ(NoteShown(), "Made in a new calendar");

  // Exit asks to save the open calendar; Yes writes it.
  Note("Changed before exit");
  ui_.questions.clear();
  ui_.answers.push_back(Answer::kYes);
  Click("E&xit");
  EXPECT_THAT(ui_.questions, ::testing::ElementsAre("Save Changes to calendar \n\r" + cal));
  EXPECT_FALSE(window_->isVisible());
  window_->show();
  ui_.answers.push_back(Answer::kNo);
  Click("New");
  Click(cal.c_str());
  EXPECT_EQ(NoteShown(), "Changed before exit");
}

TEST_F(FileMenuWindowTest, TheCloseButtonKeepsAChangedCalendarWhenCancelled) {
  const std::string cal = root_ / "team.cal";
  ui_.picks.push_back(cal);
  Click("Save As..");
  ASSERT_TRUE(FileExists(cal));
  // Unchanged: only the question of the close button.
  ui_.questions.clear();
  ui_.answers.push_back(Answer::kNo);
  window_->close();
  EXPECT_THAT(ui_.questions,
              ::testing::ElementsAre("Do you really want to end the application?"));
  EXPECT_TRUE(window_->isVisible());

  Note("Not saved yet");
  ui_.questions.clear();
  ui_.answers.insert(ui_.answers.end(), {Answer::kYes, Answer::kCancel});
  window_->close();
  EXPECT_THAT(ui_.questions,
              ::testing::ElementsAre("Do you really want to end the application?",
                                     "Save Changes to calendar \n\r" + cal));
  EXPECT_TRUE(window_->isVisible());
  ui_.answers.insert(ui_.answers.end(), {Answer::kYes, Answer::kNo});
  window_->close();
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(FileMenuWindowTest, WorkInAndBackFromTheMenu) {
  const std::string folder = root_ / "plain";
  TDir::EnsureDirQuiet(folder);
  ui_.picks.push_back(folder);
  Click("Choose directory ...");
  EXPECT_EQ(Status(), "             Working in : " + folder + "/");
  Click(("Working in: " + folder + "/ click to change").c_str());  // cancelled: stays
  EXPECT_EQ(program_->app.dir->WorkDir, folder + "/");
  Click("Default Working Directory");
  EXPECT_EQ(program_->app.dir->WorkDir, program_->app.dir->DefaultWorkDir);
  Click((folder + "/").c_str());  // the "Work in .." entry
  EXPECT_EQ(program_->app.dir->WorkDir, folder + "/");
}

// The built program's own command line.
class ProgramLineTest : public ::testing::Test {
 protected:
  int Cli(const QStringList& args, std::string* err = nullptr) {
    QProcess cli;
    QStringList all{QStringLiteral("--root"), Q(root_.path())};
    all << args;
    cli.start(QStringLiteral(ALMANIX_CLI_PATH), all);
    EXPECT_TRUE(cli.waitForFinished(60000));
    if (err) *err = cli.readAllStandardError().toStdString();
    return cli.exitCode();
  }
  static QString Q(const std::string& s) { return QString::fromStdString(s); }

  almanix::testing::TempRoot root_;
};

TEST_F(ProgramLineTest, ImportAndPublishFromTheLineThenEnd) {
  const std::string cal = root_ / "club.cal";
  const std::string site = root_ / "site/";
  ASSERT_EQ(Cli({"favorite", "create", "Work", "--categories", "1", "--set",
                 "Publish.Destination=File", "--set", Q("Publish.DirName=" + site)}),
            0);
  ASSERT_EQ(Cli({"save", Q(cal)}), 0);
  const std::string csv = root_ / "more.csv";
  almanix::testing::WriteAll(csv, "3/3/2025,Extra meeting\r\n");
  // An earlier import remembers the file's columns; the event goes again.
  ASSERT_EQ(Cli({"import-csv", Q(csv), "--category", "1", "--map", "StartDate=1,EventName=2"}), 0);
  ASSERT_EQ(Cli({"event", "delete", "1"}), 0);

  QProcess gui;
  gui.start(QStringLiteral(ALMANIX_GUI_PATH),
            {QStringLiteral("--root"), Q(root_.path()), Q(cal), Q(csv), QStringLiteral("-p")});
  ASSERT_TRUE(gui.waitForFinished(120000));
  EXPECT_EQ(gui.exitCode(), 0) << gui.readAllStandardError().toStdString();
  EXPECT_TRUE(almanix::testing::Exists(site + "Calendar.html"));

  // The import was saved into the calendar file.
  QProcess listed;
  listed.start(QStringLiteral(ALMANIX_CLI_PATH),
               {QStringLiteral("--root"), Q(root_ / "fresh/"), QStringLiteral("--calendar"),
                Q(cal), QStringLiteral("event"), QStringLiteral("list"), QStringLiteral("--from"),
                QStringLiteral("2025-03-03"), QStringLiteral("--to"),
                QStringLiteral("2025-03-03")});
  ASSERT_TRUE(listed.waitForFinished(60000));
  EXPECT_THAT(listed.readAllStandardOutput().toStdString(), HasSubstr("Extra meeting"));
}

TEST_F(ProgramLineTest, APublishThatCannotRunEndsFailedWithItsReason) {
  const std::string cal = root_ / "club.cal";
  ASSERT_EQ(Cli({"save", Q(cal)}), 0);
  QProcess gui;
  gui.start(QStringLiteral(ALMANIX_GUI_PATH),
            {QStringLiteral("--root"), Q(root_.path()), Q(cal), QStringLiteral("-p")});
  ASSERT_TRUE(gui.waitForFinished(120000));
  EXPECT_EQ(gui.exitCode(), 1);
  EXPECT_THAT(gui.readAllStandardError().toStdString(), HasSubstr("there is no favorite "));

  QProcess missing;
  missing.start(QStringLiteral(ALMANIX_GUI_PATH),
                {QStringLiteral("--root"), Q(root_.path()), Q(root_ / "gone.cal"),
                 QStringLiteral("-p")});
  ASSERT_TRUE(missing.waitForFinished(120000));
  EXPECT_EQ(missing.exitCode(), 1);
  EXPECT_THAT(missing.readAllStandardError().toStdString(),
              HasSubstr("File not found: " + root_ / "gone.cal"));
}

TEST_F(ProgramLineTest, AFileOpensInTheWindowAndASecondStartLeavesItAlone) {
  const std::string cal = root_ / "club.cal";
  ASSERT_EQ(Cli({"save", Q(cal)}), 0);
  // The CLI made the first-run tables: the window asks nothing at start.
  const std::string gui_root = root_.path();
  QProcess first;
  first.start(QStringLiteral(ALMANIX_GUI_PATH), {QStringLiteral("--root"), Q(gui_root), Q(cal)});
  ASSERT_TRUE(first.waitForStarted(10000));
  // The file is open once its temporary working directory is there.
  QElapsedTimer waited;
  waited.start();
  bool opened = false;
  while (!opened && waited.elapsed() < 60000 && first.state() == QProcess::Running) {
    QTest::qWait(200);
    QProcess probe;
    probe.start(QStringLiteral("sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("find '%1' -path '*/club/*' -iname events.db | grep -q .")
                     .arg(Q(gui_root))});
    probe.waitForFinished(5000);
    opened = probe.exitCode() == 0;
  }
  ASSERT_TRUE(opened) << first.readAllStandardError().toStdString();
  QTest::qWait(500);

  QProcess second;
  second.start(QStringLiteral(ALMANIX_GUI_PATH), {QStringLiteral("--root"), Q(gui_root), Q(cal)});
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitCode(), 1);
  EXPECT_THAT(second.readAllStandardError().toStdString(),
              HasSubstr("already running; its window was brought to the front and " + cal +
                        " was not opened"));
  EXPECT_EQ(first.state(), QProcess::Running);
  first.kill();
  first.waitForFinished(5000);
}

}  // namespace
}  // namespace almanix::shell
