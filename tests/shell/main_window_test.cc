// The real main window under the offscreen platform, driven by clicks and
// keys as a person would, on a started program with real tables.
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QHeaderView>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include "app/dates.h"
#include "desktop/day_commands.h"
#include "desktop/main_grid.h"
#include "desktop/publish_handover.h"
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

DayNumber D(int y, int m, int d) { return EncodeDate(y, m, d); }

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    ASSERT_TRUE(testing::StartProgram(*program_, root_.path()).ok());
    window_ = testing::ShowMainWindow(*program_, ui_, 1024, 700);
    ASSERT_NE(window_, nullptr);
    // Shortcuts reach the active window only.
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    // March 2010, as the grid's own tests use it.
    ASSERT_TRUE(window_->grid().LoadGrid(D(2010, 3, 1)).ok());
    window_->grid().cboCalendar_load();
    window_->Refresh();
    ui_.messages.clear();
  }

  template <typename T>
  T* Find(const char* name) {
    T* widget = window_->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  DayCellWidget* CellOf(DayNumber day) {
    const auto& cells = window_->grid().cells();
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].date == day) return Find<DayCellWidget>(("dayCell" + std::to_string(i)).c_str());
    }
    return nullptr;
  }

  QString Lines(DayNumber day) {
    DayCellWidget* cell = CellOf(day);
    return cell ? cell->findChild<QLabel*>(QStringLiteral("eventLines"))->text() : QString();
  }

  std::string AddEvent(const std::string& summary, DayNumber day, double hour) {
    store::EventDraft draft;
    draft.summary = summary;
    draft.start = day + hour / 24;
    draft.end = day + (hour + 1) / 24;
    draft.categories = {1};
    store::Query q(program_->data.db());
    Result<std::string> id = store::AddEvent(q, draft, 1);
    EXPECT_TRUE(id.ok());
    return id.ok() ? id.value() : "";
  }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

TEST_F(MainWindowTest, ArrowsViewsAndTheCaption) {
  auto* caption = Find<QLabel>("caption");
  EXPECT_TRUE(caption->text().endsWith(QStringLiteral("March 2010")));
  QTest::mouseClick(Find<QToolButton>("next"), Qt::LeftButton);
  EXPECT_TRUE(caption->text().endsWith(QStringLiteral("April 2010")));
  QTest::mouseClick(Find<QToolButton>("previous"), Qt::LeftButton);
  QTest::mouseClick(Find<QToolButton>("previous"), Qt::LeftButton);
  EXPECT_TRUE(caption->text().endsWith(QStringLiteral("February 2010")));
  QTest::keyClick(Find<QWidget>("grid"), Qt::Key_PageDown);
  QTest::qWait(400);  // a shortcut presses its button for a moment
  EXPECT_TRUE(caption->text().endsWith(QStringLiteral("March 2010")))
      << caption->text().toStdString();

  // May 2010 needs six rows: the hidden-row button offers five.
  window_->grid().SetPickerDate(D(2010, 5, 1));
  ASSERT_TRUE(window_->grid().LoadGrid(D(2010, 5, 1)).ok());
  window_->Refresh();
  EXPECT_EQ(Find<QPushButton>("hiddenRow")->text(), QStringLiteral("5"));
  QTest::mouseClick(Find<QPushButton>("hiddenRow"), Qt::LeftButton);
  EXPECT_EQ(Find<QPushButton>("hiddenRow")->text(), QStringLiteral("6"));

  QTest::mouseClick(CellOf(D(2010, 5, 12)), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>("dateLabel")->text(), QStringLiteral("May 12"));
  QTest::mouseClick(Find<QPushButton>("view7"), Qt::LeftButton);
  EXPECT_EQ(window_->grid().ViewSpan(), 7);
  EXPECT_TRUE(CellOf(D(2010, 5, 9))->isVisible());
  EXPECT_FALSE(CellOf(D(2010, 5, 1)));
  EXPECT_TRUE(CellOf(D(2010, 5, 9))
                  ->findChild<QLabel*>(QStringLiteral("dayNumber"))
                  ->text()
                  .contains(QStringLiteral("Sun")));
  QTest::mouseClick(Find<QPushButton>("view31"), Qt::LeftButton);
  EXPECT_TRUE(CellOf(D(2010, 5, 1))->isVisible());

  // The year box reaches 2099 and makes the year's tables.
  auto* years = Find<QComboBox>("years");
  EXPECT_EQ(years->itemText(years->count() - 1), QStringLiteral("2099"));
  years->setCurrentText(QStringLiteral("2042"));
  emit years->activated(years->currentIndex());
  EXPECT_TRUE(caption->text().endsWith(QStringLiteral("January 2042")));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(MainWindowTest, PublishingHasTheDesktopsPrinterStartPageAndWallpaper) {
  const publish::DesktopServices& services = window_->handover().desktop_services();
  EXPECT_NE(services.printer, nullptr);
  EXPECT_NE(services.start_page, nullptr);
  EXPECT_NE(services.capturer, nullptr);
  EXPECT_NE(services.wallpaper, nullptr);
}

TEST_F(MainWindowTest, NotesTypedInACellAreStored) {
  DayCellWidget* cell = CellOf(D(2010, 3, 12));
  auto* note = cell->findChild<QLineEdit*>(QStringLiteral("note"));
  QTest::mouseClick(note, Qt::LeftButton);
  QTest::keyClicks(note, QStringLiteral("Tom & Jerry"));
  QTest::keyClick(note, Qt::Key_Return);
  store::Query q(program_->data.db());
  ASSERT_TRUE(q.Open("Select * from year2010 where iMonth='3' and iDay='12'").ok());
  EXPECT_EQ(q.AsString("Data1"), "Tom & Jerry");
  EXPECT_EQ(Find<QLabel>("dateLabel")->text(), QStringLiteral("March 12"));
}

TEST_F(MainWindowTest, TheSelectedPlaceShowsItsNewDayAfterTheMonthChanged) {
  ASSERT_TRUE(window_->grid().LoadGrid(D(2010, 2, 1)).ok());
  window_->Refresh();
  QTest::mouseClick(CellOf(D(2010, 2, 10)), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>("dateLabel")->text(), QStringLiteral("February 10"));
  // March 2010 begins on February's weekday: March 10 sits where February 10
  // was, and a click on it must still show March 10.
  ASSERT_TRUE(window_->grid().LoadGrid(D(2010, 3, 1)).ok());
  window_->Refresh();
  QTest::mouseClick(CellOf(D(2010, 3, 10)), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>("dateLabel")->text(), QStringLiteral("March 10"));
}

TEST_F(MainWindowTest, EventsShowInTheirCellsAndAreDeletedAndPasted) {
  AddEvent("Team meeting", D(2010, 3, 5), 9);
  ASSERT_TRUE(window_->grid().LoadGrid(D(2010, 3, 1)).ok());
  window_->Refresh();
  EXPECT_EQ(Lines(D(2010, 3, 5)), QString::fromUtf8("\xC2\xB0 Team meeting"));

  QTest::mouseClick(CellOf(D(2010, 3, 5)), Qt::LeftButton);
  auto* list = Find<QListWidget>("dayEvents");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("09:00  Team meeting"));

  // Copy here, paste on the 12th: the copy keeps its hour.
  window_->commands().CopyEvent().ok();
  QTest::mouseClick(CellOf(D(2010, 3, 12)), Qt::LeftButton);
  ASSERT_TRUE(window_->commands().PasteEvent().ok());
  window_->Refresh();
  EXPECT_EQ(Lines(D(2010, 3, 12)), QString::fromUtf8("\xC2\xB0 Team meeting"));
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("09:00  Team meeting"));

  // The Delete key asks first; No keeps the event.
  QTest::mouseClick(CellOf(D(2010, 3, 5)), Qt::LeftButton);
  ui_.answers.push_back(Answer::kNo);
  QTest::mouseClick(Find<QPushButton>("dayDelete"), Qt::LeftButton);
  EXPECT_EQ(ui_.questions.back(), "Are you sure you want to delete 'Team meeting' event?");
  EXPECT_EQ(Lines(D(2010, 3, 5)), QString::fromUtf8("\xC2\xB0 Team meeting"));
  ui_.answers.push_back(Answer::kYes);
  QTest::mouseClick(Find<QPushButton>("dayDelete"), Qt::LeftButton);
  EXPECT_EQ(Lines(D(2010, 3, 5)), QString());
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(Lines(D(2010, 3, 12)), QString::fromUtf8("\xC2\xB0 Team meeting"));
}

// The editor opened from the grid, typed into and closed with OK.
TEST_F(MainWindowTest, AnEventIsAddedEditedAndDeletedThroughTheEditor) {
  QTest::mouseClick(CellOf(D(2010, 3, 9)), Qt::LeftButton);
  window_->set_on_editor_open([](QDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog] {
      auto* summary = dialog.findChild<QLineEdit*>(QStringLiteral("summary"));
      summary->selectAll();
      QTest::keyClicks(summary, QStringLiteral("Choir practice"));
      dialog.findChild<QComboBox*>(QStringLiteral("repeats"))->setCurrentIndex(2);  // Weekly
      auto* weekdays = dialog.findChild<QListWidget*>(QStringLiteral("weekdays"));
      weekdays->item(2)->setCheckState(Qt::Checked);  // Tue
      auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttons"));
      QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
  });
  QTest::mouseClick(Find<QPushButton>("dayAdd"), Qt::LeftButton);
  const QString line = QString::fromUtf8("\xC2\xB0 Choir practice");
  EXPECT_EQ(Lines(D(2010, 3, 9)), line);
  EXPECT_EQ(Lines(D(2010, 3, 16)), line);
  EXPECT_EQ(Lines(D(2010, 3, 30)), line);
  EXPECT_EQ(Lines(D(2010, 3, 10)), QString());
  EXPECT_TRUE(ui_.messages.empty());

  // A double click on the line edits that event.
  window_->set_on_editor_open([](QDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog] {
      auto* summary = dialog.findChild<QLineEdit*>(QStringLiteral("summary"));
      EXPECT_EQ(summary->text(), QStringLiteral("Choir practice"));
      summary->selectAll();
      QTest::keyClicks(summary, QStringLiteral("Choir"));
      QTest::keyClick(summary, Qt::Key_Return);
    });
  });
  auto* lines = CellOf(D(2010, 3, 16))->findChild<QLabel*>(QStringLiteral("eventLines"));
  QTest::mouseDClick(lines, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
  EXPECT_EQ(Lines(D(2010, 3, 9)), QString::fromUtf8("\xC2\xB0 Choir"));

  // Escape leaves the event as it was.
  window_->set_on_editor_open([](QDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog] {
      auto* summary = dialog.findChild<QLineEdit*>(QStringLiteral("summary"));
      QTest::keyClicks(summary, QStringLiteral(" changed"));
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
  });
  QTest::mouseDClick(lines, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
  EXPECT_EQ(Lines(D(2010, 3, 16)), QString::fromUtf8("\xC2\xB0 Choir"));

  ui_.answers.push_back(Answer::kYes);
  QTest::mouseClick(Find<QPushButton>("dayDelete"), Qt::LeftButton);
  EXPECT_EQ(Lines(D(2010, 3, 9)), QString());
  EXPECT_EQ(Lines(D(2010, 3, 30)), QString());
}

TEST_F(MainWindowTest, TheEventsPageListsSearchesAndDeletes) {
  AddEvent("Zumba", D(2010, 3, 1), 9);
  AddEvent("Team MEETING", D(2010, 3, 9), 10);
  AddEvent("Annual meet-up", D(2011, 1, 5), 11);
  auto* pages = Find<QTabWidget>("pages");
  pages->setCurrentIndex(1);
  auto* list = Find<QTableWidget>("eventList");
  ASSERT_EQ(list->rowCount(), 3);
  EXPECT_EQ(list->item(0, 4)->text(), QStringLiteral("Zumba"));
  // A click on "Event Name" sorts by it.
  QTest::mouseClick(list->horizontalHeader()->viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(list->horizontalHeader()->sectionViewportPosition(4) + 5, 5));
  EXPECT_EQ(list->item(0, 4)->text(), QStringLiteral("Annual meet-up"));

  auto* search = Find<QLineEdit>("search");
  QTest::keyClicks(search, QStringLiteral("MeeT"));
  QTest::keyClick(search, Qt::Key_Return);
  EXPECT_EQ(Find<QComboBox>("showEvents")->currentText(), QStringLiteral("Search"));
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(list->item(0, 4)->text(), QStringLiteral("Team MEETING"));

  list->selectRow(0);
  ui_.answers.push_back(Answer::kYes);
  QTest::mouseClick(Find<QPushButton>("listDelete"), Qt::LeftButton);
  EXPECT_EQ(ui_.questions.back(), "Are you sure you want to delete this event?");
  ASSERT_EQ(list->rowCount(), 1);  // the search is run again
  EXPECT_EQ(list->item(0, 4)->text(), QStringLiteral("Annual meet-up"));

  pages->setCurrentIndex(0);
  EXPECT_EQ(Lines(D(2010, 3, 9)), QString());
  EXPECT_EQ(Lines(D(2010, 3, 1)), QString::fromUtf8("\xC2\xB0 Zumba"));
}

TEST_F(MainWindowTest, AFillerCellRefusesANewEvent) {
  QTest::mouseClick(Find<DayCellWidget>("dayCell0"), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>("dayAdd"), Qt::LeftButton);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Select a day on the calendar first, to add events to it");
}

// Pictures of the window on the sample calendar for docs/desktop/, taken
// under a real X server by tools/take_desktop_screenshots.sh.
TEST(DesktopScreenshots, SampleCalendar) {
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
  QTest::qWait(300);
  const QString dir = QString::fromStdString(out);
  const auto& cells = window.grid().cells();
  ASSERT_TRUE(window.grab().save(dir + "/main-month.png"));
  ASSERT_TRUE(window.grid().SetView(7).ok());
  window.Refresh();
  QTest::qWait(300);
  ASSERT_TRUE(window.grab().save(dir + "/main-7-days.png"));

  // The editor's three pages on a repeating event of the sample.
  ASSERT_TRUE(window.grid().SetView(31).ok());
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].date == D(2025, 4, 10)) {
      ASSERT_TRUE(window.grid().ShowDay(static_cast<int>(i)).ok());
    }
  }
  window.Refresh();
  window.set_on_editor_open([&dir](QDialog& dialog) {
    QTimer::singleShot(300, &dialog, [&dialog, dir] {
      auto* pages = dialog.findChild<QTabWidget*>();
      const char* names[] = {"editor-event.png", "editor-appearance.png", "editor-advanced.png"};
      for (int page = 0; page < 3; ++page) {
        pages->setCurrentIndex(page);
        QTest::qWait(200);
        dialog.grab().save(dir + "/" + names[page]);
      }
      dialog.reject();
    });
  });
  ASSERT_TRUE(window.commands().EditEvent().ok());
}

// Two starts of the built program on one root: the second hands over to
// the first and ends.
TEST(DesktopProgram, ASecondStartRaisesTheFirstAndEnds) {
  almanix::testing::TempRoot root;
  const QString program = QStringLiteral(ALMANIX_GUI_PATH);
  QProcess first;
  first.start(program, {QStringLiteral("--root"), QString::fromStdString(root.path())});
  ASSERT_TRUE(first.waitForStarted(10000));
  // The first has its window when its instance socket answers.
  QElapsedTimer waited;
  waited.start();
  bool listening = false;
  while (!listening && waited.elapsed() < 60000) {
    QTest::qWait(200);
    QProcess probe;
    probe.start(QStringLiteral("sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("find '%1' -name AlmanixMutex.socket | grep -q .")
                     .arg(QString::fromStdString(root.path()))});
    probe.waitForFinished(5000);
    listening = probe.exitCode() == 0;
  }
  ASSERT_TRUE(listening) << first.readAllStandardError().toStdString();
  QTest::qWait(500);

  QProcess second;
  second.start(program, {QStringLiteral("--root"), QString::fromStdString(root.path())});
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);
  first.kill();
  first.waitForFinished(5000);
}

}  // namespace
}  // namespace almanix::shell

int main(int argc, char** argv) {
  setenv("TZ", "UTC", 1);
  setenv("LANG", "C.UTF-8", 1);
  tzset();
  QApplication app(argc, argv);
  std::setlocale(LC_ALL, "C.UTF-8");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
