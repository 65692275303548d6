#include "desktop/main_grid.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "app/config.h"
#include "app/dir.h"
#include "desktop/desktop_fixture.h"
#include "desktop/grid_rules.h"
#include "store/db_engine.h"
#include "support/temp_root.h"

namespace almanix::desktop {
namespace {

using testing::D;

// ---- the grid arithmetic ----

TEST(GridRules, MonthRowCountsAndHiddenRowCaption) {
  // March 2010 starts on a Monday: five rows; May 2010 on a Saturday with 31
  // days: six; February 2009 fills exactly four weeks from a Sunday.
  EXPECT_EQ(MonthGridRows(D(2010, 3, 17)), 5);
  EXPECT_EQ(HiddenRowCaption(MonthGridRows(D(2010, 3, 1))), "6");
  EXPECT_EQ(MonthGridRows(D(2010, 5, 1)), 6);
  EXPECT_EQ(HiddenRowCaption(MonthGridRows(D(2010, 5, 1))), "5");
  EXPECT_EQ(MonthGridRows(D(2009, 2, 1)), 5);
}

TEST(GridRules, DayViewsStartInsideTheMonth) {
  // Wednesday 3 March 2010: the week's Sunday lies in February, so day 1.
  EXPECT_EQ(ViewStartDay(7, D(2010, 3, 3)), 1);
  EXPECT_EQ(ViewStartDay(7, D(2010, 3, 25)), 21);
  // Tuesday 30 March: Sunday 28 leaves too few days, one week back.
  EXPECT_EQ(ViewStartDay(14, D(2010, 3, 30)), 21);
  EXPECT_EQ(ViewStartDay(7, D(2010, 3, 30)), 25);
  EXPECT_EQ(ViewStartDay(5, D(2010, 3, 30)), 27);
  EXPECT_EQ(ViewStartDay(3, D(2010, 3, 30)), 29);
  EXPECT_EQ(ViewStartDay(3, D(2010, 3, 12)), 12);

  EXPECT_EQ(YearQuerySql(7, 2010, D(2010, 3, 3)),
            " Select * from year2010 where iMonth='3'\n and ( \n iDay = '1'\n"
            " or iDay = '2'\n or iDay = '3'\n or iDay = '4'\n or iDay = '5'\n"
            " or iDay = '6'\n or iDay = '7'\n or iDay = '8'\n  ) \n");
  // The 14-day view of the first week also takes the fillers that align it.
  std::string first_week = YearQuerySql(14, 2010, D(2010, 3, 3));
  EXPECT_NE(first_week.find(" or iDay = '15'\n or iDay is NULL \n  ) \n"), std::string::npos);
  EXPECT_EQ(YearQuerySql(14, 2010, D(2010, 3, 17)).find("is NULL"), std::string::npos);
  EXPECT_EQ(YearQuerySql(31, 2010, D(2010, 3, 17)), " Select * from year2010 where iMonth='3'\n");
}

TEST(GridRules, ArrowsStepAcrossMonths) {
  EXPECT_EQ(StepForward(3, D(2010, 3, 1)), D(2010, 3, 4));
  EXPECT_EQ(StepForward(7, D(2010, 3, 28)), D(2010, 4, 1));
  EXPECT_EQ(StepForward(7, D(2010, 3, 7)), D(2010, 3, 14));
  // The last window of a month ends on its last day, then the next month.
  EXPECT_EQ(StepForward(3, D(2010, 3, 29)), D(2010, 4, 1));
  EXPECT_EQ(StepForward(5, D(2010, 3, 24)), D(2010, 3, 30));
  EXPECT_EQ(StepBack(7, D(2010, 3, 3)), D(2010, 2, 28));
  EXPECT_EQ(StepBack(7, D(2010, 3, 10)), D(2010, 3, 3));
  EXPECT_EQ(StepBack(3, D(2010, 1, 2)), D(2009, 12, 31));
}

TEST(GridRules, BarLinesAndLabels) {
  // Trailing blanks of a summary go; leading ones stay behind the sign.
  EXPECT_EQ(BarText({"Team meeting  "}), "\xC2\xB0 Team meeting\r\n");
  EXPECT_EQ(BarText({"  Team meeting"}), "\xC2\xB0   Team meeting\r\n");
  EXPECT_EQ(BarText({""}), "\xC2\xB0\r\n");
  EXPECT_EQ(BarHeight(BarText({"a", "b"})), 26);
  EXPECT_EQ(BarText({}), "");

  EXPECT_EQ(WeekdayLabel(0, 1024, false), "Sunday");
  EXPECT_EQ(WeekdayLabel(6, 699, false), "Sat");
  EXPECT_EQ(WeekdayLabel(3, 1024, true), "Wed");
  EXPECT_EQ(GridCaption("Work", D(2010, 3, 5)), "Work:  March 2010");
  // Only day and month are compared: today's day is red in every year.
  EXPECT_TRUE(IsTodayMark(3, 5, D(2031, 3, 5)));
  EXPECT_FALSE(IsTodayMark(3, 6, D(2031, 3, 5)));
}

// ---- the grid on real tables ----

using MainGridTest = testing::DesktopFixture;

TEST_F(MainGridTest, MonthCellsFollowTheYearTable) {
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 5)).ok());
  const auto& march = grid_->cells();
  ASSERT_EQ(march.size(), 35u);
  EXPECT_EQ(march[0].day, 0);  // one leading filler: the 1st is a Monday
  EXPECT_EQ(march[1].day, 1);
  EXPECT_EQ(march[31].day, 31);
  EXPECT_EQ(march[34].day, 0);
  EXPECT_EQ(grid_->GridRows(), 5);
  EXPECT_EQ(grid_->HiddenRowButtonCaption(), "6");
  EXPECT_TRUE(march[static_cast<size_t>(CellOf(D(2010, 3, 5)))].today);

  ASSERT_TRUE(grid_->LoadGrid(D(2010, 5, 1)).ok());
  EXPECT_EQ(grid_->cells().size(), 37u);
  EXPECT_EQ(grid_->cells().back().day, 31);
  EXPECT_EQ(grid_->GridRows(), 6);

  ASSERT_TRUE(grid_->LoadGrid(D(2009, 2, 10)).ok());
  ASSERT_EQ(grid_->cells().size(), 35u);
  EXPECT_EQ(grid_->cells()[0].day, 1);
  EXPECT_EQ(grid_->cells()[27].day, 28);
  EXPECT_EQ(grid_->YearBoxText(), "2009");
  EXPECT_EQ(grid_->Caption(), grid_->CategoryName() + ":  February 2009");
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(MainGridTest, EventLinesAndTheDayPanel) {
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
  grid_->cboCalendar_load();
  ASSERT_GE(grid_->CategoryItems().size(), 2u);
  const std::string second = grid_->CategoryItems()[1];
  Add("Team meeting  ", D(2010, 3, 5), 2, 9);
  Add("Lunch", D(2010, 3, 5), 2, 12);
  Add("Elsewhere", D(2010, 3, 5), 1, 8);

  ASSERT_TRUE(grid_->ChooseCategory(second).ok());
  EXPECT_EQ(grid_->CategoryNumber(), 2);
  int cell = CellOf(D(2010, 3, 5));
  ASSERT_GE(cell, 0);
  EXPECT_EQ(grid_->cells()[static_cast<size_t>(cell)].bar, "\xC2\xB0 Team meeting\r\n\xC2\xB0 Lunch\r\n");
  EXPECT_EQ(BarHeight(grid_->cells()[static_cast<size_t>(cell)].bar), 26);
  EXPECT_EQ(grid_->cells()[static_cast<size_t>(CellOf(D(2010, 3, 6)))].bar, "");

  // A file in the day's folder shows in the panel.
  std::string folder = app_.dir->DayFolderPath(second, "2010", "3", "5");
  std::filesystem::create_directories(folder);
  almanix::testing::WriteAll(folder + "agenda.txt", "x");

  ASSERT_TRUE(grid_->ShowDay(cell).ok());
  EXPECT_EQ(grid_->DateLabel(), "March 5");
  EXPECT_EQ(grid_->SelectedDay(), D(2010, 3, 5));
  ASSERT_EQ(grid_->DayEvents().size(), 2u);
  EXPECT_EQ(grid_->DayEvents()[0].summary, "Team meeting  ");
  EXPECT_EQ(grid_->DayEvents()[0].time, "09:00");
  EXPECT_EQ(grid_->DayEvents()[1].summary, "Lunch");
  EXPECT_EQ(grid_->DayEventListHeight(), 40);
  ASSERT_EQ(grid_->DayFiles().size(), 1u);
  EXPECT_EQ(grid_->DayFiles()[0], "agenda.txt");
  // A click on the second event line finds the event it names.
  EXPECT_EQ(grid_->EventForBarLine(cell, 1), 1);
}

TEST_F(MainGridTest, DayViewsAndArrows) {
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
  ASSERT_TRUE(grid_->ShowDay(CellOf(D(2010, 3, 3))).ok());
  ASSERT_TRUE(grid_->SetView(7).ok());
  ASSERT_EQ(grid_->cells().size(), 8u);
  EXPECT_EQ(grid_->cells()[0].day, 1);
  EXPECT_EQ(grid_->cells()[0].short_day, "Mon");
  EXPECT_FALSE(grid_->WeekdayHeaderVisible());
  EXPECT_EQ(grid_->GridColumns(), 7);
  EXPECT_EQ(grid_->GridRows(), 1);
  // The selected day stays selected in the new view.
  EXPECT_EQ(grid_->SelectedCell(), CellOf(D(2010, 3, 3)));
  EXPECT_EQ(grid_->DateLabel(), "March 3");

  ASSERT_TRUE(grid_->Previous().ok());  // 24 February is in another month
  EXPECT_EQ(DatePart(grid_->DisplayDate()), D(2010, 2, 28));
  EXPECT_EQ(grid_->YearBoxText(), "2010");

  ASSERT_TRUE(grid_->SetView(31).ok());
  EXPECT_EQ(grid_->cells().size(), 35u);
  ASSERT_TRUE(grid_->Next().ok());
  EXPECT_EQ(DatePart(grid_->DisplayDate()), D(2010, 3, 1));
  ASSERT_TRUE(grid_->Previous().ok());
  ASSERT_TRUE(grid_->Previous().ok());
  EXPECT_EQ(DatePart(grid_->DisplayDate()), D(2010, 1, 1));
  ASSERT_TRUE(grid_->Previous().ok());
  EXPECT_EQ(grid_->YearBoxText(), "2009");
  EXPECT_EQ(DatePart(grid_->DisplayDate()), D(2009, 12, 1));
}

TEST_F(MainGridTest, TheAllowedRangeEndsIn2099) {
  ASSERT_TRUE(grid_->LoadGrid(D(2004, 1, 1)).ok());
  ASSERT_TRUE(grid_->LoadGrid(D(2099, 12, 31)).ok());
  EXPECT_TRUE(ui_.messages.empty());
  size_t shown = grid_->cells().size();

  EXPECT_FALSE(grid_->Next().ok());
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0], "Date is out of allowed range");
  EXPECT_EQ(ui_.messages[1],
            "Error when loadding the Calendar Grid.  Date exceeds maximum of 12/31/2099");
  // The grid keeps December; the date moved on, so Previous steps from it.
  EXPECT_EQ(grid_->cells().size(), shown);
  EXPECT_EQ(DatePart(grid_->DisplayDate()), D(2100, 1, 1));
  EXPECT_EQ(grid_->YearBoxText(), "2099");
  ASSERT_TRUE(grid_->Previous().ok());
  EXPECT_EQ(DatePart(grid_->DisplayDate()), D(2099, 12, 1));
}

TEST_F(MainGridTest, AYearWithoutTablesGetsThem) {
  EXPECT_FALSE(data_.db().TableExists("year2042"));
  ASSERT_TRUE(grid_->ChooseYear("2042").ok());
  EXPECT_TRUE(data_.db().TableExists("year2042"));
  EXPECT_EQ(DatePart(grid_->DisplayDate()), D(2042, 1, 1));
  EXPECT_EQ(grid_->CategoryNumber(), 1);
  EXPECT_FALSE(grid_->CategoryItems().empty());
  EXPECT_EQ(grid_->CategoryBoxText(), grid_->CategoryItems().front());
}

TEST_F(MainGridTest, CategoryBoxFallsBackToTheConfiguredNames) {
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
  ASSERT_TRUE(data_.db().Execute("UPDATE calendar2010 SET Name = ''").ok());
  app_.config->CalendarList = {"Home", "Work"};
  grid_->cboCalendar_load();
  EXPECT_EQ(grid_->CategoryItems(), (std::vector<std::string>{"Home", "Work"}));
  EXPECT_EQ(app_.config->CalendarList.size(), 30u);
}

TEST_F(MainGridTest, NotesAreStoredInTheCategorysColumn) {
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
  grid_->cboCalendar_load();
  ASSERT_TRUE(grid_->ChooseCategory(grid_->CategoryItems()[1]).ok());
  int cell = CellOf(D(2010, 3, 12));
  ASSERT_TRUE(grid_->SetNote(cell, "Bring slides").ok());

  ASSERT_TRUE(grid_->LoadGrid(D(2010, 4, 1)).ok());
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
  EXPECT_EQ(grid_->cells()[static_cast<size_t>(CellOf(D(2010, 3, 12)))].note, "Bring slides");
  store::Query q(data_.db());
  ASSERT_TRUE(q.Open("Select * from year2010 where iMonth='3' and iDay='12'").ok());
  EXPECT_EQ(q.AsString("Data2"), "Bring slides");
  EXPECT_EQ(q.AsString("Data1"), "");
}

}  // namespace
}  // namespace almanix::desktop
