// Stepping the main window's months after an event is edited: the grid keeps
// its category's events between steps, and an edit must still show on every
// month the event falls in.
#include <memory>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

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

DayNumber D(int y, int m, int d) { return EncodeDate(y, m, d); }

class GridStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::make_unique<Program>(ui_);
    ASSERT_TRUE(testing::StartProgram(*program_, root_.path()).ok());
    // Monthly on the 9th from March 2010: a line in every month stepped to.
    store::EventDraft draft;
    draft.summary = "Board meeting";
    draft.start = D(2010, 3, 9) + 9 / 24.0;
    draft.end = D(2010, 3, 9) + 10 / 24.0;
    draft.categories = {1};
    draft.repeat = store::RepeatKind::kMonthly;
    draft.monthdays = {9};
    store::Query q(program_->data.db());
    ASSERT_TRUE(store::AddEvent(q, draft, 1).ok());
    window_ = testing::ShowMainWindow(*program_, ui_, 1024, 700);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(window_->grid().LoadGrid(D(2010, 3, 1)).ok());
    window_->grid().cboCalendar_load();
    window_->Refresh();
    ui_.messages.clear();
  }

  QString LinesOn(DayNumber day) {
    const auto& cells = window_->grid().cells();
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i].date != day) continue;
      auto* cell = window_->findChild<DayCellWidget*>(QStringLiteral("dayCell%1").arg(i));
      return cell ? cell->findChild<QLabel*>(QStringLiteral("eventLines"))->text() : QString();
    }
    return QStringLiteral("<not shown>");
  }

  void Click(const char* button) {
    QTest::mouseClick(window_->findChild<QToolButton*>(QString::fromUtf8(button)),
                      Qt::LeftButton);
  }

  almanix::testing::TempRoot root_;
  almanix::testing::FakeUi ui_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<TfrmMain> window_;
};

TEST_F(GridStepsTest, AnEditShowsInEveryMonthSteppedToAfterIt) {
  const QString before = QString::fromUtf8("\xC2\xB0 Board meeting");
  Click("next");
  EXPECT_EQ(LinesOn(D(2010, 4, 9)), before);
  Click("previous");
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), before);

  // Renamed through the editor from the cell's line in March.
  window_->set_on_editor_open([](QDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog] {
      auto* summary = dialog.findChild<QLineEdit*>(QStringLiteral("summary"));
      summary->selectAll();
      QTest::keyClicks(summary, QStringLiteral("Board"));
      QTest::keyClick(summary, Qt::Key_Return);
    });
  });
  const auto& cells = window_->grid().cells();
  int index = -1;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].date == D(2010, 3, 9)) index = static_cast<int>(i);
  }
  ASSERT_GE(index, 0);
  auto* cell = window_->findChild<DayCellWidget*>(QStringLiteral("dayCell%1").arg(index));
  QTest::mouseDClick(cell->findChild<QLabel*>(QStringLiteral("eventLines")), Qt::LeftButton,
                     Qt::NoModifier, QPoint(10, 5));

  const QString after = QString::fromUtf8("\xC2\xB0 Board");
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), after);
  Click("next");
  EXPECT_EQ(LinesOn(D(2010, 4, 9)), after);
  Click("next");
  EXPECT_EQ(LinesOn(D(2010, 5, 9)), after);
  Click("previous");
  Click("previous");
  Click("previous");
  // February comes before the first meeting.
  EXPECT_EQ(LinesOn(D(2010, 2, 9)), QString());
  Click("next");
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), after);
  EXPECT_TRUE(ui_.messages.empty());
}

}  // namespace
}  // namespace almanix::shell
