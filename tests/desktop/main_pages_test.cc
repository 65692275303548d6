#include "desktop/main_pages.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/ini_file.h"
#include "desktop/desktop_fixture.h"
#include "store/db_engine.h"

namespace almanix::desktop {
namespace {

using testing::D;

class MainPagesTest : public testing::DesktopFixture {
 protected:
  void Favorite(const std::string& name) {
    std::filesystem::create_directories(app_.dir->FavoritesDir + name);
  }
  std::vector<std::string> Summaries(ShowEvents show, int column, const std::string& search,
                                     DayNumber today = 0) {
    Result<std::vector<EventListRow>> rows =
        ReloadEventList(data_.db(), show, column, search, today);
    EXPECT_TRUE(rows.ok());
    std::vector<std::string> out;
    if (rows.ok()) {
      for (const EventListRow& r : rows.value()) out.push_back(r.cells[4]);
    }
    return out;
  }
};

TEST_F(MainPagesTest, EventListShowsSortsAndSearches) {
  Add("Zumba", D(2010, 3, 1), 1);
  Add("Team MEETING", D(2010, 3, 9), 2);
  Add("Annual meet-up", D(2011, 1, 5), 1);
  Add("Lunch", D(2010, 3, 5), 1);

  EXPECT_EQ(Summaries(ShowEvents::kAll, 0, ""),
            (std::vector<std::string>{"Zumba", "Lunch", "Team MEETING", "Annual meet-up"}));
  EXPECT_EQ(Summaries(ShowEvents::kAll, 4, ""),
            (std::vector<std::string>{"Annual meet-up", "Lunch", "Team MEETING", "Zumba"}));
  // The search ignores case and always lists by start date.
  EXPECT_EQ(Summaries(ShowEvents::kSearch, 4, "MeeT"),
            (std::vector<std::string>{"Team MEETING", "Annual meet-up"}));
  EXPECT_EQ(Summaries(ShowEvents::kUpcoming, 0, "", D(2010, 3, 5)),
            (std::vector<std::string>{"Lunch", "Team MEETING", "Annual meet-up"}));
  // A quote in the search text stays inside its SQL string.
  EXPECT_TRUE(Summaries(ShowEvents::kSearch, 0, "it's").empty());

  Result<std::vector<EventListRow>> rows =
      ReloadEventList(data_.db(), ShowEvents::kAll, 0, "", 0);
  ASSERT_TRUE(rows.ok());
  EXPECT_EQ(rows.value()[0].cells[0], "2010");
  EXPECT_EQ(rows.value()[0].cells[1], "3");
  EXPECT_EQ(rows.value()[0].cells[2], "1");
  EXPECT_EQ(EventListTitles().size(), static_cast<size_t>(kEventListColumns));
}

TEST_F(MainPagesTest, FormatBoxAndFavoritesMenu) {
  ASSERT_TRUE(grid_->LoadGrid(D(2010, 3, 1)).ok());
  ASSERT_TRUE(data_.db().Execute("UPDATE calendar2010 SET Name = 'Work' WHERE ID = '1'").ok());
  ASSERT_TRUE(data_.db().Execute("UPDATE calendar2010 SET Name = 'Home' WHERE ID = '2'").ok());
  ASSERT_TRUE(data_.db().Execute("UPDATE calendar2010 SET Name = ' ' WHERE ID = '3'").ok());
  ASSERT_TRUE(data_.db().Execute("UPDATE calendar2010 SET Visible = 'False' WHERE ID > '3'").ok());
  Favorite("Work");
  Favorite("Family");
  EXPECT_EQ(FormatBoxItems(*app_.dir, data_.db(), "2010", "Home"),
            (std::vector<std::string>{"Family", "Work", "Work", "Home"}));
  EXPECT_EQ(FormatBoxItems(*app_.dir, data_.db(), "2010", "Garden").back(), "Garden");

  for (int i = 0; i < 23; ++i) Favorite("F" + std::string(i < 10 ? "0" : "") + std::to_string(i));
  Favorite("Tom & Jerry");
  std::vector<FavoriteEntry> menu = FavoritesMenu(*app_.dir);
  ASSERT_EQ(menu.size(), 19u);
  // Listed F00..F22, Family, Tom & Jerry, Work: the last listed comes first.
  EXPECT_EQ(menu[0].name, "Work");
  EXPECT_EQ(menu[1].caption, "Tom && Jerry");
  EXPECT_EQ(menu[1].name, "Tom & Jerry");
  EXPECT_EQ(menu[2].name, "Family");
  EXPECT_EQ(menu[18].name, "F07");  // F00..F06 are dropped
}

TEST_F(MainPagesTest, OnlineAddressAndSaveUrl) {
  EXPECT_EQ(OnlineAddress(*app_.dir, "Home"), "http://");
  Result<std::string> saved = SaveOnlineAddress(*app_.dir, "Home", "https://example.org/cal/");
  ASSERT_TRUE(saved.ok());
  EXPECT_EQ(saved.value(), "Save link to Calendar: https://example.org/cal/");
  EXPECT_FALSE(std::filesystem::exists(FavoriteFolder(*app_.dir, "Home")));

  Favorite("Work");
  ASSERT_TRUE(SaveOnlineAddress(*app_.dir, "Work", "https://example.org/club-calendar/").ok());
  EXPECT_EQ(OnlineAddress(*app_.dir, "Work"), "https://example.org/club-calendar/");
  IniFile conf(FavoriteFolder(*app_.dir, "Work") + "conf.ini");
  ASSERT_TRUE(conf.Load().ok());
  EXPECT_EQ(conf.ReadString("Publish", "URL", ""), "https://example.org/club-calendar/");
}

}  // namespace
}  // namespace almanix::desktop
