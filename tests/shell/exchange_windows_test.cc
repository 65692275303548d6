// The File menu's Import and Export windows under the offscreen platform,
// driven by clicks and keys on a started program with real tables.
#include "shell/exchange_windows.h"

#include <memory>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dates.h"
#include "desktop/main_grid.h"
#include "program/program.h"
#include "shell/day_cell.h"
#include "shell/main_window.h"
#include "shell/shell_fixture.h"
#include "store/db_engine.h"
#include "store/event_draft.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::shell {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using almanix::testing::ReadAll;
using almanix::testing::WriteAll;

DayNumber D(int y, int m, int d) { return EncodeDate(y, m, d); }

class ExchangeWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    ASSERT_TRUE(testing::StartProgram(*program_, root_.path()).ok());
    window_ = testing::ShowMainWindow(*program_, ui_, 1024, 700);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(window_->grid().LoadGrid(D(2010, 3, 1)).ok());
    window_->grid().cboCalendar_load();
    window_->Refresh();
    ui_.messages.clear();
    // Every window is driven once it runs its own loop.
    window_->exchange().set_on_window_open([this](QDialog& dialog) {
      ++opened_;
      QTimer::singleShot(0, &dialog, [this, &dialog] {
        if (drive_) drive_(dialog);
        if (dialog.isVisible()) dialog.reject();
      });
    });
  }

  // Runs the File menu's command as a click on its entry would.
  void Trigger(const char* caption) {
    for (QAction* action : window_->findChildren<QAction*>()) {
      if (action->text() == QString::fromUtf8(caption)) {
        action->trigger();
        return;
      }
    }
    ADD_FAILURE() << "no menu entry " << caption;
  }

  // Moves a closed box's choice by keys, as a person tabbing through does.
  static void Choose(QComboBox* box, int index) {
    ASSERT_NE(box, nullptr);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentIndex(), index);
  }

  QString Lines(DayNumber day) {
    const auto& cells = window_->grid().cells();
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].date != day) continue;
      auto* cell = window_->findChild<DayCellWidget*>(QString::fromStdString(
          "dayCell" + std::to_string(i)));
      return cell ? cell->findChild<QLabel*>(QStringLiteral("eventLines"))->text() : QString();
    }
    return QString();
  }

  int EventCount() {
    store::Query q(program_->data.db());
    EXPECT_TRUE(q.Open("Select * from Events").ok());
    return q.RecordCount();
  }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
  std::function<void(QDialog&)> drive_;
  int opened_ = 0;
};

TEST_F(ExchangeWindowsTest, CsvImportedThroughTheMappingWindowShowsInTheGrid) {
  const std::string path = root_ / "club.csv";
  WriteAll(path,
           "3/10/2010,7:00 pm,Roundtable Meeting,Town Hall\n"
           "3/12/2010,,Lunch club,Cafe\n");
  ui_.picks = {path};
  ui_.answers = {Answer::kYes};
  drive_ = [this](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Import From CSV"));
    // No file imported yet: only Browse is there to click.
    EXPECT_TRUE(dialog.findChild<QWidget*>(QStringLiteral("csvFields"))->isHidden());
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("btnBrowse")),
                      Qt::LeftButton);
    EXPECT_FALSE(dialog.findChild<QWidget*>(QStringLiteral("csvFields"))->isHidden());
    auto* import = dialog.findChild<QPushButton*>(QStringLiteral("btnImport"));
    auto* problem = dialog.findChild<QLabel*>(QStringLiteral("problem"));
    // Nothing chosen yet: the button waits for the name's column.
    EXPECT_FALSE(import->isEnabled());
    EXPECT_EQ(problem->text(), QStringLiteral("Choose the column of \"Event Name *\"."));
    Choose(dialog.findChild<QComboBox*>(QStringLiteral("cboEventName")), 3);
    Choose(dialog.findChild<QComboBox*>(QStringLiteral("cboStartDate")), 1);
    Choose(dialog.findChild<QComboBox*>(QStringLiteral("cboStartTime")), 2);
    Choose(dialog.findChild<QComboBox*>(QStringLiteral("cboEventLocation")), 4);
    EXPECT_TRUE(problem->text().isEmpty());
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("preview"))
                    ->text()
                    .contains(QStringLiteral("Start Time: 7:00 pm  = 19:00")));
    QTest::mouseClick(dialog.findChild<QRadioButton*>(QStringLiteral("duplicate_skip")),
                      Qt::LeftButton);
    ASSERT_TRUE(import->isEnabled());
    QTest::mouseClick(import, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
  };
  Trigger("Import &CSV (comma-separated values)");
  EXPECT_EQ(opened_, 1);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Imported  2 out of 2 lines\n2 events imported.");
  EXPECT_TRUE(Lines(D(2010, 3, 10)).contains(QStringLiteral("Roundtable Meeting")));
  EXPECT_TRUE(Lines(D(2010, 3, 12)).contains(QStringLiteral("Lunch club")));

  // The window opens on the same file again: the saved choices are
  // preselected, and "Do not import duplicate items" adds nothing.
  ui_.messages.clear();
  ui_.answers = {Answer::kYes};
  drive_ = [path](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("csvFile"))->text(),
              QString::fromStdString(path));
    EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("cboEventName"))->currentIndex(), 3);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>(QStringLiteral("duplicate_skip"))->isChecked());
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("btnImport")),
                      Qt::LeftButton);
  };
  Trigger("Import &CSV (comma-separated values)");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0], HasSubstr("0 events imported, 2 duplicate lines left out."));
  EXPECT_EQ(EventCount(), 2);
}

TEST_F(ExchangeWindowsTest, ICalendarInAndOut) {
  const std::string in = root_ / "fair.ics";
  WriteAll(in,
           "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
           "BEGIN:VEVENT\r\nUID:1@test\r\nDTSTART;VALUE=DATE:20100318\r\n"
           "DTEND;VALUE=DATE:20100319\r\nSUMMARY:County fair\r\nEND:VEVENT\r\n"
           "END:VCALENDAR\r\n");
  ui_.picks = {in};
  ui_.answers = {Answer::kYes};
  Trigger("&Import iCal ...");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0], StartsWith("1 events imported from fair.ics"));
  EXPECT_TRUE(Lines(D(2010, 3, 18)).contains(QStringLiteral("County fair")));

  const std::string out = root_ / "back.ics";
  ui_.messages.clear();
  ui_.picks = {out};
  Trigger("&Export iCal ...");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Done!!! Export to file '" + out + "' Completed.");
  const std::string text = ReadAll(out);
  EXPECT_THAT(text, StartsWith("BEGIN:VCALENDAR\r\n"));
  EXPECT_THAT(text, HasSubstr("SUMMARY\r\n :County fair\r\n"));
  // An all-day event goes out as the date it came in as.
  EXPECT_THAT(text, HasSubstr("DTSTART;VALUE=DATE\r\n :20100318\r\n"
                              "DTEND;VALUE=DATE\r\n :20100319"));
}

TEST_F(ExchangeWindowsTest, BrokenFilesGiveTheirMessageAndLeaveTheCalendarAlone) {
  store::EventDraft draft;
  draft.summary = "Kept";
  draft.start = D(2010, 3, 5) + 0.5;
  draft.end = draft.start + 0.04;
  draft.categories = {1};
  store::Query q(program_->data.db());
  ASSERT_TRUE(store::AddEvent(q, draft, 1).ok());
  const std::string junk = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(64, 'z');

  WriteAll(root_ / "photo.csv", junk);
  ui_.picks = {root_ / "photo.csv"};
  drive_ = [](QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("btnBrowse")),
                      Qt::LeftButton);
    // No mapping for a file that is no text.
    EXPECT_TRUE(dialog.findChild<QWidget*>(QStringLiteral("csvFields"))->isHidden());
    EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("btnImport"))->isEnabled());
  };
  Trigger("Import &CSV (comma-separated values)");
  EXPECT_EQ(opened_, 1);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0], HasSubstr("is not a text file"));
  drive_ = nullptr;

  WriteAll(root_ / "photo.ics", junk);
  ui_.messages.clear();
  ui_.picks = {root_ / "photo.ics"};
  ui_.answers = {Answer::kYes};
  Trigger("&Import iCal ...");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0], HasSubstr("Nothing was imported."));

  // The event table window stays open after a failure; Close ends it.
  WriteAll(root_ / "photo.db", junk);
  ui_.messages.clear();
  ui_.picks = {root_ / "photo.db"};
  drive_ = [](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Import Events to Database"));
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("action")), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("close")), Qt::LeftButton);
  };
  Trigger("Import Events");
  EXPECT_EQ(opened_, 2);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_THAT(ui_.messages[0], StartsWith("Could not import events from " + root_ / "photo.db"));

  EXPECT_EQ(EventCount(), 1);
  EXPECT_TRUE(Lines(D(2010, 3, 5)).contains(QStringLiteral("Kept")));
}

TEST_F(ExchangeWindowsTest, EventTableWindowsExportAndImport) {
  store::EventDraft draft;
  draft.summary = "Choir";
  draft.start = D(2010, 3, 8) + 0.75;
  draft.end = draft.start + 0.04;
  draft.categories = {1};
  store::Query q(program_->data.db());
  ASSERT_TRUE(store::AddEvent(q, draft, 1).ok());

  ui_.picks = {root_ / "Choir"};
  drive_ = [this](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Export Events from Database"));
    auto* only = dialog.findChild<QRadioButton*>(QStringLiteral("secondChoice"));
    EXPECT_EQ(only->text(), QString::fromStdString(
                                "Only Events in the current slected category '" +
                                window_->grid().CategoryName() + "'"));
    QTest::mouseClick(only, Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("action")), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
  };
  Trigger("Export Events");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Events have Been Exported to " + root_ / "Choir.db");

  ui_.messages.clear();
  ui_.picks = {root_ / "Choir.db"};
  drive_ = [](QDialog& dialog) {
    EXPECT_TRUE(dialog.findChild<QRadioButton*>(QStringLiteral("firstChoice"))->isChecked());
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("action")), Qt::LeftButton);
  };
  Trigger("Import Events");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Import finished. 1 events imported");
  EXPECT_EQ(EventCount(), 2);
  EXPECT_EQ(Lines(D(2010, 3, 8)).count(QStringLiteral("Choir")), 2);
}

// The pictures of docs/desktop/: the CSV window on a file with titles and
// the Export Events window (tools/take_desktop_screenshots.sh).
TEST(DesktopScreenshots, ImportAndExportWindows) {
  const std::string out = testing::ScreenshotDir();
  if (out.empty()) GTEST_SKIP() << "ALMANIX_SCREENSHOT_DIR is not set";
  almanix::testing::TempRoot root;
  almanix::testing::FakeUi ui;
  Program program(ui);
  ASSERT_TRUE(testing::StartProgram(program, root.path(), testing::SampleCalendar()).ok());
  std::unique_ptr<TfrmMain> shown = testing::ShowMainWindow(program, ui, 1180, 760);
  ASSERT_NE(shown, nullptr);
  TfrmMain& window = *shown;
  testing::ShowSampleApril(window);

  WriteAll(root / "season.csv",
           "Subject,Start Date,Start Time,End Time,Location,Description\n"
           "Spring concert,4/26/2025,7:30 pm,9:00 pm,Town Hall,Choir and brass band\n"
           "Bake sale,5/3/2025,10:00 am,,Market square,\n");
  const QString dir = QString::fromStdString(out);
  window.exchange().set_on_window_open([&dir](QDialog& dialog) {
    const bool csv = dialog.windowTitle() == QStringLiteral("Import From CSV");
    if (csv) {
      QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.findChild<QPushButton*>(QStringLiteral("btnBrowse"))->click();
      });
    }
    QTimer::singleShot(300, &dialog, [&dialog, dir, csv] {
      dialog.grab().save(dir + (csv ? "/import-csv.png" : "/export-events.png"));
      dialog.reject();
    });
  });
  ui.picks = {root / "season.csv"};
  window.exchange().ImportCsv();
  window.exchange().ExportEvents();
}

}  // namespace
}  // namespace almanix::shell
