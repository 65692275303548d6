#include "store/year_tables.h"

#include <gtest/gtest.h>

#include "app/config.h"
#include "app/file_util.h"
#include "store/db_engine.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::store {
namespace {

using testing::WriteAll;

class YearTablesTest : public ::testing::Test {
 protected:
  YearTablesTest()
      : years_(db_, CategoryPresets()[kDefaultPresetIndex].names,
               std::string(ALMANIX_SOURCE_DIR) + "/resources/Config", nullptr, &ui_) {
    EXPECT_TRUE(db_.Open(root_.path()).ok());
  }
  // The rows of one month in table order: day numbers, 0 for fillers.
  std::vector<int> Month(int year, int month) {
    Query q(db_);
    EXPECT_TRUE(q.Open("Select * from year" + std::to_string(year) + " where iMonth=" +
                       SqlQuote(std::to_string(month)) + " order by ID asc ").ok());
    std::vector<int> days;
    for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
      days.push_back(q.IsNull("iDay") ? 0 : q.AsInteger("iDay"));
    }
    return days;
  }
  std::string Column(int year, int month, int day, const char* column) {
    Query q(db_);
    EXPECT_TRUE(q.Open("Select * from Year" + std::to_string(year) + " where iMonth=" +
                       SqlQuote(std::to_string(month)) + " and iDay=" +
                       SqlQuote(std::to_string(day)))
                    .ok());
    return q.AsString(column);
  }

  testing::TempRoot root_;
  Database db_;
  testing::FakeUi ui_;
  YearTables years_;
};

TEST_F(YearTablesTest, MonthsAreLaidOutAsSundayFirstGrids) {
  ASSERT_TRUE(years_.Generate("2010").ok());
  std::vector<int> january = Month(2010, 1);  // starts on a Friday
  ASSERT_EQ(january.size(), 36u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(january[i], 0);
  EXPECT_EQ(january[5], 1);
  EXPECT_EQ(january[35], 31);
  std::vector<int> february = Month(2010, 2);  // starts on a Monday
  ASSERT_EQ(february.size(), 35u);
  EXPECT_EQ(february[0], 0);
  EXPECT_EQ(february[1], 1);
  EXPECT_EQ(february[28], 28);
  for (int i = 29; i < 35; ++i) EXPECT_EQ(february[i], 0);
  // May 2010 starts on a Saturday and needs 37 cells.
  EXPECT_EQ(Month(2010, 5).size(), 37u);

  Query fillers(db_);
  ASSERT_TRUE(fillers.Open("Select * from year2010 where iDay is NULL").ok());
  for (Status walk = fillers.First(); walk.ok() && !fillers.Eof(); walk = fillers.Next()) {
    EXPECT_EQ(fillers.AsString("ENABLED"), "F");
    EXPECT_TRUE(fillers.IsNull("dt"));
    EXPECT_FALSE(fillers.AsString("iMonth").empty());
  }
}

TEST_F(YearTablesTest, TheGridsDayViewQueryShape) {
  ASSERT_TRUE(years_.Generate("2010").ok());
  // The first days of January with the leading fillers, as a week view asks.
  std::string sql = " Select * from year2010 where iMonth='1'\r\n and ( \r\n iDay = '1'";
  for (int d = 2; d <= 8; ++d) sql += "\r\n or iDay = '" + std::to_string(d) + "'";
  sql += "\r\n or iDay is NULL \r\n  ) ";
  Query q(db_);
  ASSERT_TRUE(q.Open(sql).ok());
  EXPECT_EQ(q.RecordCount(), 8 + 5);
  EXPECT_TRUE(q.IsNull("iDay"));  // the fillers come first in table order
}

TEST_F(YearTablesTest, DayRowsCarryNamesAndTheTimestamp) {
  ASSERT_TRUE(years_.Generate("2010").ok());
  EXPECT_EQ(Column(2010, 1, 1, "ShortDay"), "Fri");
  EXPECT_EQ(Column(2010, 1, 1, "ShortMonth"), "Jan");
  EXPECT_EQ(Column(2010, 1, 1, "LongDay"), "Friday");
  EXPECT_EQ(Column(2010, 1, 1, "LongMonth"), "January");
  EXPECT_EQ(Column(2010, 1, 1, "DayofWeek"), "6");
  EXPECT_EQ(Column(2010, 1, 1, "ENABLED"), "T");
  EXPECT_EQ(Column(2010, 1, 1, "dt"), "40179");
  EXPECT_EQ(Column(2010, 1, 1, "WeekOfYear"), "");
  EXPECT_EQ(Column(2010, 1, 1, "Data1"), "");
}

TEST_F(YearTablesTest, CategoriesComeFromTheList) {
  years_.set_calendar_list({"Work", "", "Phys ed"});
  ASSERT_TRUE(years_.Generate("2011").ok());
  Query q(db_);
  ASSERT_TRUE(q.Open("Select * from Calendar2011 order by ID asc ").ok());
  ASSERT_EQ(q.RecordCount(), 3);
  EXPECT_EQ(q.AsString("ID"), "1");
  EXPECT_EQ(q.AsString("Name"), "Work");
  EXPECT_EQ(q.AsString("Visible"), "True");
  EXPECT_TRUE(q.Last().ok());
  EXPECT_EQ(q.AsString("ID"), "3");
  EXPECT_EQ(q.AsString("Name"), "Phys ed");
}

TEST_F(YearTablesTest, HolidaysOfBothSets) {
  ASSERT_TRUE(years_.Generate("2010").ok());
  EXPECT_EQ(Column(2010, 12, 25, "US"), "Christmas Day");
  EXPECT_EQ(Column(2010, 12, 25, "Canada"), "Christmas Day");
  EXPECT_EQ(Column(2010, 12, 26, "Canada"), "Boxing Day");
  EXPECT_EQ(Column(2010, 12, 26, "US"), "");
  EXPECT_EQ(Column(2010, 4, 2, "US"), "Good Friday");  // item 2A
  EXPECT_EQ(Column(2010, 4, 5, "Canada"), "Easter Monday");
  EXPECT_EQ(Column(2010, 5, 24, "Canada"), "Victoria Day");
  EXPECT_EQ(Column(2010, 11, 2, "US"), "Election Day");
  EXPECT_EQ(Column(2010, 1, 20, "US"), "");  // no inauguration in 2010
  ASSERT_TRUE(years_.Generate("2009").ok());
  EXPECT_EQ(Column(2009, 1, 20, "US"), "Inauguration Day");
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(YearTablesTest, LetterMonthsAndLaterNamesWin) {
  std::string config = root_ / "cfg/";
  // 2010 is the seventh item.
  WriteAll(config + "US.ini",
           "[Holidays]\r\nGood Friday=1,1,1,1,1,1,25M\r\nNew Year=1,1,1,1,1,1,1\r\n"
           "Inauguration Day=1,1,1,1,1,1,1\r\nMemorial Day=x,x,x,x,x,x,junk\r\n");
  WriteAll(config + "Canada.ini", "[Holidays]\r\nGood Friday=1,1,1,1,1,1,A2\r\n");
  YearTables years(db_, {"Work"}, config, nullptr, &ui_);
  ASSERT_TRUE(years.Generate("2010").ok());
  EXPECT_EQ(Column(2010, 3, 25, "US"), "Good Friday");
  EXPECT_EQ(Column(2010, 4, 2, "Canada"), "Good Friday");
  EXPECT_EQ(Column(2010, 1, 1, "US"), "Inauguration Day");  // applied after New Year
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(YearTablesTest, AYearPastTheHolidayFilesSaysSo) {
  ASSERT_TRUE(years_.Generate("2100").ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "Could not add holidays for year : '2100'");
  EXPECT_EQ(Column(2100, 12, 25, "US"), "");
  EXPECT_EQ(Column(2100, 1, 1, "Canada"), "");
  EXPECT_EQ(Month(2100, 1).size(), 36u);  // Friday the 1st
}

TEST_F(YearTablesTest, NoHolidaysBefore2004AndBadYearTextMeans2010) {
  ASSERT_TRUE(years_.Generate("2003").ok());
  EXPECT_EQ(Column(2003, 12, 25, "US"), "");
  EXPECT_TRUE(ui_.messages.empty());
  ASSERT_TRUE(years_.Generate("next year").ok());
  EXPECT_TRUE(FileExists(root_ / "Year2010.db"));
  EXPECT_TRUE(FileExists(root_ / "Calendar2010.db"));
}

TEST_F(YearTablesTest, EnsureMakesMissingYears) {
  EXPECT_TRUE(years_.EnsureQuiet(EncodeDate(2012, 6, 1)).ok());
  EXPECT_TRUE(years_.Exists(2012));
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(years_.EnsureAnnounced("2013"));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0],
            "Data for 2013 has not yet been created. Creating ... please Wait ... ");
  EXPECT_FALSE(years_.EnsureAnnounced("2013"));
  EXPECT_EQ(ui_.messages.size(), 1u);
  // A folder that cannot take the files.
  Database nowhere;
  ASSERT_TRUE(nowhere.Open(root_ / "missing/folder").ok());
  YearTables broken(nowhere, {"Work"}, root_.path(), nullptr, &ui_);
  EXPECT_FALSE(broken.EnsureQuiet(EncodeDate(2014, 1, 1)).ok());
  EXPECT_EQ(ui_.messages.back(), "Could not create table for year 2014");
}

}  // namespace
}  // namespace almanix::store
