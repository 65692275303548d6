// The grid's kept rows of a category against every way the Events table
// changes: each must show on the next step, none may leave a stale line.
#include "desktop/category_rows.h"

#include <gtest/gtest.h>

#include "app/dir.h"
#include "desktop/desktop_fixture.h"
#include "store/db_engine.h"
#include "store/tables.h"
#include "support/temp_root.h"

namespace almanix::desktop {
namespace {

using testing::D;

class CategoryRowsTest : public testing::DesktopFixture {
 protected:
  // The event lines of the day after loading its month, as a step shows them.
  std::string LinesOn(DayNumber day) {
    EXPECT_TRUE(grid_->LoadGrid(day).ok());
    int cell = CellOf(day);
    return cell < 0 ? "<not shown>" : grid_->cells()[static_cast<size_t>(cell)].bar;
  }
  static std::string Line(const std::string& summary) { return "\xC2\xB0 " + summary + "\r\n"; }

  store::Database& db() { return data_.db(); }
};

TEST_F(CategoryRowsTest, StepsReadTheTableOnceAndEveryWriteShowsOnTheNextStep) {
  const std::string id = Add("Choir", D(2010, 3, 9), 1);
  Add("Elsewhere", D(2010, 3, 9), 2);
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Choir"));
  const int reads = grid_->EventReads();
  // Stepping back and forth without a change reads nothing again.
  EXPECT_EQ(LinesOn(D(2010, 4, 1)), "");
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Choir"));
  EXPECT_EQ(grid_->EventReads(), reads);

  // A live query's post (the event editor, the day commands' paste).
  Add("Rehearsal", D(2010, 3, 9), 1, 8);
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Rehearsal") + Line("Choir"));
  store::Query q(db());
  ASSERT_TRUE(q.Open("Select * from events where ID = '" + id + "'").ok());
  ASSERT_TRUE(q.Edit().ok());
  ASSERT_TRUE(q.SetString("Summary", "Choir practice").ok());
  ASSERT_TRUE(q.Post().ok());
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Rehearsal") + Line("Choir practice"));
  ASSERT_TRUE(q.Delete().ok());
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Rehearsal"));

  // SQL run as a statement (clearing a category, undo's rewrites) and the
  // imports' prepared writer.
  ASSERT_TRUE(db().Execute("update events set Summary = 'Moved' where Summary = 'Rehearsal'").ok());
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Moved"));
  {
    store::RowWriter writer(db(), "Events");
    std::string day = std::to_string(D(2010, 3, 9));
    ASSERT_TRUE(writer
                    .Insert({{"Summary", "Imported"}, {"Calendars", ",1,"}, {"sDate", day},
                             {"rEnds", day}, {"iMonth", "3"}, {"iDay", "9"}, {"sTime", "1"}})
                    .ok());
  }
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Imported") + Line("Moved"));

  // Another category is its own set of rows.
  ASSERT_TRUE(data_.qCalendar.MoveTo(2).ok());
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Elsewhere"));
  ASSERT_TRUE(data_.qCalendar.MoveTo(1).ok());
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Imported") + Line("Moved"));
}

TEST_F(CategoryRowsTest, UndoneTransactionsOtherProcessesAndNewTablesAreSeen) {
  Add("Kept", D(2010, 3, 9), 1);
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Kept"));

  // Rows read inside a transaction that is then rolled back.
  ASSERT_TRUE(db().Begin().ok());
  Add("Undone", D(2010, 3, 9), 1, 10);
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Kept") + Line("Undone"));
  ASSERT_TRUE(db().Rollback().ok());
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("Kept"));

  // A commit of another connection (almanix-cli run beside the desktop).
  {
    store::Database other;
    ASSERT_TRUE(other.Open(app_.dir->DbDir).ok());
    ASSERT_TRUE(other.Execute("update events set Summary = 'From the CLI'").ok());
  }
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("From the CLI"));

  // The table dropped and made anew (a calendar file opened, a new calendar).
  ASSERT_TRUE(db().DropFiles("Events").ok());
  ASSERT_TRUE(store::CreateEventsTable(db(), nullptr, &ui_).ok());
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), "");
  Add("After", D(2010, 3, 9), 1);
  EXPECT_EQ(LinesOn(D(2010, 3, 9)), Line("After"));
}

TEST(RowsStamp, ChangesWithEveryKindOfWriteAndIsRefusedInATransaction) {
  almanix::testing::TempRoot root;
  store::Database db;
  ASSERT_TRUE(db.Open(root.path()).ok());
  EXPECT_FALSE(db.StampOf("T").has_value());  // no such table
  ASSERT_TRUE(db.Execute("create table T (ID autoinc, Name char(10))").ok());
  auto stamp = db.StampOf("t");
  ASSERT_TRUE(stamp.has_value());
  EXPECT_EQ(db.StampOf("T"), stamp);  // reading changes nothing
  store::Query q(db);
  ASSERT_TRUE(q.Open("Select * from T").ok());
  EXPECT_EQ(db.StampOf("T"), stamp);

  ASSERT_TRUE(q.Append().ok());
  ASSERT_TRUE(q.SetString("Name", "a").ok());
  ASSERT_TRUE(q.Post().ok());
  auto after_post = db.StampOf("T");
  EXPECT_NE(after_post, stamp);
  ASSERT_TRUE(db.Execute("alter table T add column Extra char(5)").ok());
  auto after_alter = db.StampOf("T");
  EXPECT_NE(after_alter, after_post);

  ASSERT_TRUE(db.Begin().ok());
  EXPECT_FALSE(db.StampOf("T").has_value());
  ASSERT_TRUE(db.Commit().ok());
  EXPECT_NE(db.StampOf("T"), after_alter);

  // The same folder opened again may hold other files.
  auto before_open = db.StampOf("T");
  ASSERT_TRUE(db.Open(root.path()).ok());
  EXPECT_NE(db.StampOf("T"), before_open);
}

}  // namespace
}  // namespace almanix::desktop
