#include "app/comma_text.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace almanix;

using Items = std::vector<std::string>;

TEST(SplitCommaTextTest, EmptyItemsAndCommas) {
  EXPECT_EQ(SplitCommaText(""), Items{});
  EXPECT_EQ(SplitCommaText("   "), Items{});
  EXPECT_EQ(SplitCommaText("a"), (Items{"a"}));
  EXPECT_EQ(SplitCommaText("a,"), (Items{"a", ""}));
  EXPECT_EQ(SplitCommaText(",a"), (Items{"", "a"}));
  EXPECT_EQ(SplitCommaText(","), (Items{"", ""}));
  EXPECT_EQ(SplitCommaText(",,"), (Items{"", "", ""}));
  EXPECT_EQ(SplitCommaText("a,,b"), (Items{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText("a, "), (Items{"a", ""}));
}

TEST(SplitCommaTextTest, BlanksAroundUnquotedItems) {
  EXPECT_EQ(SplitCommaText("a, b"), (Items{"a", "b"}));
  EXPECT_EQ(SplitCommaText("  a  ,\t b \r\n"), (Items{"a", "b"}));
  // A blank inside an unquoted item does not split it.
  EXPECT_EQ(SplitCommaText("Phys ed,Art"), (Items{"Phys ed", "Art"}));
  EXPECT_EQ(SplitCommaText("a\"b,c"), (Items{"a\"b", "c"}));
}

TEST(SplitCommaTextTest, QuotedItems) {
  EXPECT_EQ(SplitCommaText("\"Morning Shift\""), (Items{"Morning Shift"}));
  EXPECT_EQ(SplitCommaText("\"a,b\",c"), (Items{"a,b", "c"}));
  EXPECT_EQ(SplitCommaText("\"say \"\"hi\"\"\""), (Items{"say \"hi\""}));
  EXPECT_EQ(SplitCommaText("\"\""), (Items{""}));
  EXPECT_EQ(SplitCommaText("\"\",\"\""), (Items{"", ""}));
  EXPECT_EQ(SplitCommaText("\" padded \" , x"), (Items{" padded ", "x"}));
  EXPECT_EQ(SplitCommaText("\"two\nlines\""), (Items{"two\nlines"}));
  // A missing closing quote takes the rest of the text.
  EXPECT_EQ(SplitCommaText("\"open, still"), (Items{"open, still"}));
}

TEST(SplitCommaTextTest, TextAfterAClosingQuoteStartsANewItem) {
  EXPECT_EQ(SplitCommaText("\"a\"b,c"), (Items{"a", "b", "c"}));
  EXPECT_EQ(SplitCommaText("\"a\" b"), (Items{"a", "b"}));
  EXPECT_EQ(SplitCommaText("\"a\"\"b\" \"c\""), (Items{"a\"b", "c"}));
}

TEST(JoinCommaTextTest, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(JoinCommaText({}), "");
  EXPECT_EQ(JoinCommaText({""}), "\"\"");
  EXPECT_EQ(JoinCommaText({"", ""}), ",");
  EXPECT_EQ(JoinCommaText({"Morning Shift"}), "\"Morning Shift\"");
  EXPECT_EQ(JoinCommaText({"a", "b,c", "say \"hi\""}),
            "a,\"b,c\",\"say \"\"hi\"\"\"");
  EXPECT_EQ(JoinCommaText({"tab\there"}), "\"tab\there\"");
  EXPECT_EQ(JoinCommaText({"Caf\xC3\xA9"}), "Caf\xC3\xA9");
}

TEST(CommaTextTest, SettingsListWithTrailingEmptyItems) {
  Items items = {"Announcements", "Staff", "Employees"};
  items.resize(30);
  const std::string text = JoinCommaText(items);
  EXPECT_EQ(text, "Announcements,Staff,Employees" + std::string(27, ','));
  EXPECT_EQ(SplitCommaText(text), items);
  EXPECT_EQ(SplitCommaText(text).size(), 30u);
}

TEST(CommaTextTest, AwkwardListsRoundTrip) {
  const std::vector<Items> lists = {
      {},
      {""},
      {"", ""},
      {"", "", ""},
      {"a", ""},
      {"", "a"},
      {" "},
      {" ", ""},
      {"\""},
      {"\"\""},
      {"\"a\"b"},
      {","},
      {",,", ""},
      {" leading", "trailing ", " both "},
      {"Morning Shift", "Phys ed", "x"},
      {"line\r\nbreak", "tab\t"},
      {std::string("nul\0byte", 8), std::string(1, '\0')},
      {"\x01", "\x7F", "\xFF", "\xC3\xA9t\xC3\xA9"},
      {"a=b", "[section]", ";comment"},
      {"'single'", "back\\slash"},
  };
  for (const Items& list : lists) {
    const std::string text = JoinCommaText(list);
    EXPECT_EQ(SplitCommaText(text), list) << ::testing::PrintToString(text);
  }
}

TEST(CommaTextTest, RandomListsRoundTrip) {
  // Items built from the characters the reader treats specially.
  const std::string alphabet =
      std::string("ab ,\"\t\r\n\x01\xC3\xA9=;", 13) + std::string(1, '\0');
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> list_size(0, 6);
  std::uniform_int_distribution<int> item_size(0, 5);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  for (int round = 0; round < 5000; ++round) {
    Items list(list_size(random));
    for (std::string& item : list) {
      const int length = item_size(random);
      for (int i = 0; i < length; ++i) item += alphabet[pick(random)];
    }
    const std::string text = JoinCommaText(list);
    ASSERT_EQ(SplitCommaText(text), list) << ::testing::PrintToString(text);
  }
}

TEST(CommaTextTest, HostileTextDoesNotBreakTheReader) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string text(static_cast<std::size_t>(round % 40), '\0');
    for (char& c : text) c = static_cast<char>(byte(random));
    // Whatever the reader makes of it writes back and reads the same again.
    const Items items = SplitCommaText(text);
    ASSERT_EQ(SplitCommaText(JoinCommaText(items)), items);
  }
}
