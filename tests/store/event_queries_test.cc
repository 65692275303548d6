#include "store/event_queries.h"

#include <gtest/gtest.h>

#include "store/db_engine.h"
#include "store/event_draft.h"
#include "store/tables.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::store {
namespace {

class EventQueriesTest : public ::testing::Test {
 protected:
  EventQueriesTest() : q_(db_) {
    EXPECT_TRUE(db_.Open(root_.path()).ok());
    EXPECT_TRUE(CreateEventsTable(db_, nullptr, nullptr).ok());
    EXPECT_TRUE(q_.Open(" Select * from Events ").ok());
  }
  std::string Add(EventDraft d, int category = 1) {
    if (d.categories.empty()) d.categories = {category};
    Result<std::string> id = AddEvent(q_, d, category);
    EXPECT_TRUE(id.ok()) << id.status().message();
    return id.ok() ? id.value() : "";
  }
  static EventDraft At(int y, int m, int d, int h = 0, int mi = 0) {
    EventDraft draft;
    draft.start = draft.end = EncodeDateTime({y, m, d, h, mi, 0, 0});
    return draft;
  }
  std::vector<std::string> Column(Query& q, const char* column) {
    std::vector<std::string> out;
    for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) out.push_back(q.AsString(column));
    return out;
  }

  testing::TempRoot root_;
  Database db_;
  Query q_;
};

TEST_F(EventQueriesTest, TheEditorEncodings) {
  EventDraft weekly = At(2010, 1, 4, 20, 30);
  weekly.repeat = RepeatKind::kWeekly;
  weekly.weekdays = {2, 4};
  weekly.monthdays = {9};  // left over from another choice: emptied
  weekly.every = 2;
  weekly.categories = {1, 3};
  std::string id = Add(weekly);
  Query row(db_);
  ASSERT_TRUE(row.Open(" Select * from events where id in (" + id + ")").ok());
  EXPECT_EQ(row.AsString("rChoice"), "W");
  EXPECT_EQ(row.AsString("rWeekly"), ",2,4,");
  EXPECT_EQ(row.AsString("rMonthly"), "");
  EXPECT_EQ(row.AsString("rActiveMonths"), ",1,2,3,4,5,6,7,8,9,10,11,12,");
  EXPECT_EQ(row.AsString("rEnds"), "9999999");
  EXPECT_EQ(row.AsString("F1"), "2");
  EXPECT_EQ(row.AsString("F3"), "");
  EXPECT_EQ(row.AsString("Calendars"), ",1,3,");
  EXPECT_EQ(row.AsString("sTime"), "854166");
  EXPECT_EQ(row.AsString("caption"), "08:30 pm");
  EXPECT_EQ(row.AsString("sDate"), "40182");
  EXPECT_EQ(row.AsString("iYear"), "2010");
  EXPECT_EQ(row.AsString("iDay"), "4");
  EXPECT_EQ(row.AsString("Visible"), "True");
  EXPECT_EQ(row.AsString("ShowStartTime"), "T");
  EXPECT_EQ(row.AsString("LinkDescription"), "Link Name");
  EXPECT_EQ(row.AsString("Status"), "");
  EXPECT_EQ(row.AsString("FontSize"), "8");

  EventDraft monthly = At(2010, 1, 1);
  monthly.repeat = RepeatKind::kMonthly;
  monthly.monthdays = {1, 15};
  monthly.weekdays = {3};
  monthly.repeat_until = EncodeDate(2010, 12, 31);
  monthly.background = "#FF0000";
  ASSERT_TRUE(row.Open(" Select * from events where id in (" + Add(monthly) + ")").ok());
  EXPECT_EQ(row.AsString("rMonthly"), ",1,15,");
  EXPECT_EQ(row.AsString("rWeekly"), "");
  EXPECT_EQ(row.AsString("rEnds"), "40543");
  EXPECT_EQ(row.AsString("F1"), "");  // only Daily and Weekly write the interval
  EXPECT_EQ(row.AsString("Status"), "#FF0000");

  EventDraft once = At(2010, 3, 5, 12);
  once.weekdays = {1};
  once.categories = {};
  ASSERT_TRUE(row.Open(" Select * from events where id in (" + Add(once, 4) + ")").ok());
  EXPECT_EQ(row.AsString("rChoice"), "");
  EXPECT_EQ(row.AsString("rWeekly"), "");
  EXPECT_EQ(row.AsString("rActiveMonths"), "");
  EXPECT_EQ(row.AsString("sTime"), "500000");
  EXPECT_EQ(row.AsString("CalendarID"), "4");
  EXPECT_EQ(row.AsString("Calendars"), ",4,");
  EXPECT_EQ(ListEncoding({}), ",,");
}

TEST_F(EventQueriesTest, DayEventsKeepsTheDaysRowsInStartTimeOrder) {
  EventDraft late = At(2010, 1, 5, 18);
  late.summary = "late";
  EventDraft early = At(2010, 1, 5, 8);
  early.summary = "early";
  EventDraft weekly = At(2010, 1, 4, 9);  // Mondays and Tuesdays
  weekly.summary = "weekly";
  weekly.repeat = RepeatKind::kWeekly;
  weekly.weekdays = {2, 3};
  EventDraft other = At(2010, 1, 5, 7);
  other.summary = "other category";
  Add(late);
  Add(early);
  Add(weekly);
  Add(other, 2);
  ASSERT_TRUE(DayEvents(q_, EncodeDate(2010, 1, 5), 1, "sTime").ok());
  EXPECT_EQ(Column(q_, "Summary"), (std::vector<std::string>{"early", "weekly", "late"}));
  ASSERT_TRUE(DayEvents(q_, EncodeDate(2010, 1, 6), 1, "sTime").ok());
  EXPECT_TRUE(q_.IsEmpty());
  EXPECT_NE(q_.sql().find("id in (0)"), std::string::npos);
}

TEST_F(EventQueriesTest, DayEventsFollowsTheDesktopRule) {
  // Lists that disagree with rChoice, as imports make them.
  EventDraft odd = At(2010, 1, 1);
  odd.summary = "odd";
  odd.repeat = RepeatKind::kMonthly;
  odd.monthdays = {15};
  Add(odd);
  ASSERT_TRUE(q_.Open(" Select * from Events ").ok());
  EXPECT_TRUE(q_.First().ok());
  ASSERT_TRUE(q_.Edit().ok());
  ASSERT_TRUE(q_.SetString("rWeekly", ",2,").ok());
  ASSERT_TRUE(q_.Post().ok());
  // Monday 4 January 2010: the desktop shows it, the generator would not.
  ASSERT_TRUE(DayEvents(q_, EncodeDate(2010, 1, 4), 1, "").ok());
  EXPECT_EQ(q_.RecordCount(), 1);
  ASSERT_TRUE(q_.Open(" Select * from Events ").ok());
  EXPECT_FALSE(ParseRows(q_)[0].event.OccursOn(DayKey::For(EncodeDate(2010, 1, 4)), 1));
}

TEST_F(EventQueriesTest, MonthQueryReadsEveryStartMonthAndTicksOne) {
  EventDraft march = At(2010, 3, 5);
  march.summary = "march, category 2";
  Add(march, 2);
  EventDraft jan = At(2010, 1, 5);
  jan.summary = "january";
  jan.months = {};
  Add(jan, 1);
  testing::FakeUi ui;
  std::vector<int> ticked;
  ASSERT_TRUE(OpenMonthQuery(q_, ticked, 3, &ui).ok());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "No calendar categories selected, auto selecting the first one");
  EXPECT_EQ(ticked, std::vector<int>{1});
  // "and" binds before "or": March's start month brings in category 2 too.
  EXPECT_EQ(Column(q_, "Summary"), std::vector<std::string>{"march, category 2"});
  ASSERT_TRUE(OpenMonthQuery(q_, ticked, 1, &ui).ok());
  EXPECT_EQ(Column(q_, "Summary"), std::vector<std::string>{"january"});
}

}  // namespace
}  // namespace almanix::store
