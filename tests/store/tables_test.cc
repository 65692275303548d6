#include "store/tables.h"

#include <gtest/gtest.h>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "platform/system_info.h"
#include "store/db.h"
#include "store/db_engine.h"
#include "support/fake_ui.h"
#include "support/fixture.h"

namespace almanix::store {
namespace {

using testing::ReadAll;
using testing::WriteAll;

class TablesTest : public ::testing::Test {
 protected:
  TablesTest()
      : dir_(fx_.install, fx_.places, fx_.opener, fx_.trash),
        log_(dir_.LogDir, "Log", platform::SystemInfo{}) {
    EXPECT_TRUE(db_.Open(dir_.DbDir).ok());
  }
  std::string LogText() const { return ReadAll(log_.CurrentFile()); }
  int Count(const std::string& needle) const {
    std::string text = LogText();
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
      ++n;
    }
    return n;
  }

  testing::InstallFixture fx_;
  TDir dir_;
  TLog log_;
  testing::FakeUi ui_;
  Database db_;
};

TEST_F(TablesTest, EventsTableHasItsColumnsInOrder) {
  // Old files of the same name go first, the index file included.
  WriteAll(dir_.DbDir + "Events.px", "old index");
  ASSERT_TRUE(CreateEventsTable(db_, &log_, &ui_).ok());
  EXPECT_FALSE(PathExists(dir_.DbDir + "Events.px"));
  EXPECT_NE(LogText().find("\tDB1.CreateTable.Events\t"), std::string::npos);
  std::vector<FieldDef> fields = db_.TableFields("Events");
  ASSERT_EQ(fields.size(), EventsColumns().size());
  ASSERT_EQ(fields.size(), 65u);
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_EQ(fields[i].name, EventsColumns()[i].name);
  }
  EXPECT_EQ(fields[0].type, "autoinc");
  EXPECT_EQ(fields[16].name, "rWeekly");
  EXPECT_EQ(fields[16].size, 24);
  EXPECT_EQ(fields.back().name, "Description15");
  // Made again over a table with rows: the new one is empty.
  Query q(db_);
  ASSERT_TRUE(q.Open("Select * from Events").ok());
  ASSERT_TRUE(q.Append().ok());
  ASSERT_TRUE(q.Post().ok());
  ASSERT_TRUE(CreateEventsTable(db_, &log_, &ui_).ok());
  ASSERT_TRUE(q.Open("Select * from Events").ok());
  EXPECT_EQ(q.RecordCount(), 0);
}

TEST_F(TablesTest, FailedCreationShowsItsMessage) {
  Database nowhere;
  ASSERT_TRUE(nowhere.Open(fx_.root / "no/such/folder").ok());
  EXPECT_FALSE(CreateEventsTable(nowhere, &log_, &ui_).ok());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].rfind("Failed to create 'Events' . ", 0), 0u) << ui_.messages[0];
}

TEST_F(TablesTest, AnOldEventsTableIsUpgradedOnce) {
  std::vector<ColumnSpec> old(EventsColumns().begin(), EventsColumns().begin() + 36);
  ASSERT_EQ(old.back().name, std::string("custom"));
  ASSERT_TRUE(CreateTable(db_, "Events", old, &log_, &ui_).ok());
  {
    Query q(db_);
    ASSERT_TRUE(q.Open("Select * from Events").ok());
    ASSERT_TRUE(q.Append().ok());
    ASSERT_TRUE(q.SetString("Summary", "kept").ok());
    ASSERT_TRUE(q.Post().ok());
  }
  TDB1 data(&log_);
  ASSERT_TRUE(data.Init(dir_).ok());
  EXPECT_EQ(Count(".AddedField : "), 29);
  EXPECT_NE(LogText().find("\tEvents.AddedField : ScrollShow\t"), std::string::npos);
  EXPECT_NE(LogText().find("\tEvents.AddedField : Description15\t"), std::string::npos);
  ASSERT_TRUE(data.qEvents.Open("Select * from Events").ok());
  for (const ColumnSpec& c : EventsUpgradeColumns()) EXPECT_TRUE(data.qEvents.HasField(c.name)) << c.name;
  EXPECT_EQ(data.qEvents.AsString("Summary"), "kept");
  // The next start adds nothing.
  TDB1 again(&log_);
  ASSERT_TRUE(again.Init(dir_).ok());
  EXPECT_EQ(Count(".AddedField : "), 29);
  for (const char* line : {"\tDB.Current_Values:\t", "\tDB.NetFileDir: " , "\tDB.Private: "}) {
    EXPECT_NE(LogText().find(line), std::string::npos) << line;
  }
  EXPECT_NE(LogText().find("\tDB.NetFileDir: " + dir_.NetFileDir + "\t"), std::string::npos);
}

TEST_F(TablesTest, DescriptionSpreadsOverFifteenColumns) {
  ASSERT_TRUE(CreateEventsTable(db_, &log_, &ui_).ok());
  Query q(db_);
  ASSERT_TRUE(q.Open("Select * from Events").ok());
  auto store = [&](const std::string& text) {
    EXPECT_TRUE(q.Append().ok());
    EXPECT_TRUE(WriteDescription(q, text).ok());
    EXPECT_TRUE(q.Post().ok());
    EXPECT_TRUE(q.Refresh().ok());
    EXPECT_TRUE(q.Last().ok());
  };
  store(std::string(255, 'a'));
  EXPECT_EQ(q.AsString("Description").size(), 255u);
  EXPECT_EQ(q.AsString("F5"), "");
  store(std::string(255, 'a') + "b");
  EXPECT_EQ(q.AsString("F5"), "b");
  std::string long_text;
  for (int i = 0; i < 4000; ++i) long_text += static_cast<char>('a' + i % 26);
  store(long_text);
  EXPECT_EQ(ReadDescription(q), long_text.substr(0, 3825));
  EXPECT_EQ(q.AsString("Description3"), long_text.substr(510, 255));
  EXPECT_EQ(q.AsString("Description15"), long_text.substr(3570, 255));
  // Characters, not bytes: 300 two-byte letters.
  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "\xc3\xa9";
  store(accents);
  EXPECT_EQ(q.AsString("Description").size(), 510u);
  EXPECT_EQ(q.AsString("F5").size(), 90u);
  EXPECT_EQ(ReadDescription(q), accents);
}

TEST_F(TablesTest, GridDescriptionUsesTheFirstTwoParts) {
  ASSERT_TRUE(CreateEventsTable(db_, &log_, &ui_).ok());
  Query q(db_);
  ASSERT_TRUE(q.Open("Select * from Events").ok());
  ASSERT_TRUE(q.Append().ok());
  ASSERT_TRUE(WriteDescription(q, std::string(800, 'x')).ok());
  ASSERT_TRUE(WriteGridDescription(q, std::string(300, 'g')).ok());
  ASSERT_TRUE(q.Post().ok());
  EXPECT_EQ(ReadGridDescription(q), std::string(300, 'g'));
  EXPECT_EQ(q.AsString("Description3"), std::string(255, 'x'));  // untouched
  ASSERT_TRUE(q.Edit().ok());
  ASSERT_TRUE(WriteGridDescription(q, std::string(600, 'h')).ok());
  ASSERT_TRUE(q.Post().ok());
  EXPECT_EQ(q.AsString("F5").size(), 255u);
}

TEST_F(TablesTest, CategoryHelpers) {
  ASSERT_TRUE(CreateTable(db_, "Calendar2010", CategoryColumns(), &log_, &ui_).ok());
  Query q(db_);
  ASSERT_TRUE(q.Open("Select * from Calendar2010").ok());
  for (const char* name : {"Work", "Home", "School"}) {
    ASSERT_TRUE(q.Append().ok());
    ASSERT_TRUE(q.SetString("Name", name).ok());
    ASSERT_TRUE(q.SetString("Visible", "False").ok());
    ASSERT_TRUE(q.Post().ok());
  }
  ASSERT_TRUE(EnsureOneVisibleCategory(q).ok());
  ASSERT_TRUE(q.Refresh().ok());
  EXPECT_TRUE(q.First().ok());
  EXPECT_EQ(q.AsString("Visible"), "True");
  EXPECT_TRUE(q.Next().ok());
  EXPECT_EQ(q.AsString("Visible"), "False");

  EXPECT_TRUE(q.First().ok());
  EXPECT_TRUE(FindInQuery(q, "Name", "Home").value());
  EXPECT_EQ(q.RecNo(), 2);
  EXPECT_FALSE(FindInQuery(q, "Name", "Work").value());  // searches on from here only
  EXPECT_EQ(q.RecNo(), 1);
  EXPECT_TRUE(FindInQuery(q, "Name", "Work").value());

  ASSERT_TRUE(q.Edit().ok());
  ASSERT_TRUE(q.SetString("Name", "Office").ok());
  ASSERT_TRUE(PostIfEditing(q).ok());
  EXPECT_EQ(q.state(), Query::State::kBrowse);
  EXPECT_TRUE(PostIfEditing(q).ok());
}

}  // namespace
}  // namespace almanix::store
