// Checks the committed holiday files in resources/Config against the calendar
// itself, with a reader of its own so a fault in the program's INI code cannot
// hide a fault in the data.

#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using std::chrono::day;
using std::chrono::month;
using std::chrono::sys_days;
using std::chrono::weekday;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr int kFirstYear = 2004;
constexpr int kLastYear = 2099;
constexpr int kYears = kLastYear - kFirstYear + 1;

struct HolidayFile {
  std::string raw;
  std::string section;
  std::vector<std::string> keys;  // in file order
  std::map<std::string, std::vector<std::string>> items;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> SplitCommas(const std::string& value) {
  std::vector<std::string> out(1);
  for (char c : value) {
    if (c == ',') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

HolidayFile Load(const fs::path& path) {
  HolidayFile file;
  file.raw = ReadAll(path);
  std::size_t pos = 0;
  while (pos < file.raw.size()) {
    std::size_t end = file.raw.find("\r\n", pos);
    if (end == std::string::npos) end = file.raw.size();
    const std::string line = file.raw.substr(pos, end - pos);
    pos = end + 2;
    if (line.empty()) continue;
    if (line.front() == '[') {
      file.section = line;
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    file.keys.push_back(key);
    file.items[key] = SplitCommas(line.substr(eq + 1));
  }
  return file;
}

const HolidayFile& Us() {
  static const HolidayFile file =
      Load(fs::path(ALMANIX_SOURCE_DIR) / "resources/Config/US.ini");
  return file;
}

const HolidayFile& Canada() {
  static const HolidayFile file =
      Load(fs::path(ALMANIX_SOURCE_DIR) / "resources/Config/Canada.ini");
  return file;
}

std::string Item(const HolidayFile& file, const std::string& key, int y) {
  const auto it = file.items.find(key);
  if (it == file.items.end()) return "<no key " + key + ">";
  const std::size_t index = static_cast<std::size_t>(y - kFirstYear);
  if (index >= it->second.size()) return "<no item>";
  return it->second[index];
}

// The date an item names: a plain day lies in `plain_month`, a day with a
// letter in March ("M") or April ("A"). Not ok() when the item is malformed.
year_month_day DateOf(const std::string& item, int y, unsigned plain_month) {
  unsigned d = 0;
  const char* first = item.data();
  const char* last = item.data() + item.size();
  const auto [ptr, ec] = std::from_chars(first, last, d);
  if (ec != std::errc() || ptr == first) return {};
  unsigned m = plain_month;
  if (ptr != last) {
    if (last - ptr != 1 || (*ptr != 'M' && *ptr != 'A')) return {};
    m = *ptr == 'M' ? 3 : 4;
  }
  return year{y} / month{m} / day{d};
}

TEST(HolidaysFileTest, FilesAreCrLfIniWithKeysInOrder) {
  const std::vector<std::string> us_keys = {
      "New Year",         "Inauguration Day", "Martin Luther King Day",
      "Presidents Day",   "Good Friday",      "Memorial Day",
      "Independence Day", "Labor Day",        "Columbus Day",
      "Election Day",     "Veterans Day",     "Thanksgiving",
      "Christmas Day"};
  const std::vector<std::string> canada_keys = {
      "New Year",        "Good Friday",      "Easter Monday",
      "Victoria Day",    "Canada Day",       "Civic Holiday",
      "Labour Day",      "Thanksgiving Day", "Remembrance Day",
      "Christmas Day",   "Boxing Day"};

  for (const HolidayFile* file : {&Us(), &Canada()}) {
    ASSERT_FALSE(file->raw.empty()) << "holiday file missing";
    EXPECT_EQ(file->section, "[Holidays]");
    EXPECT_EQ(file->raw.rfind("[Holidays]\r\n", 0), 0u);
    EXPECT_EQ(file->raw.substr(file->raw.size() - 2), "\r\n");
    for (std::size_t i = 0; i < file->raw.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(file->raw[i]);
      ASSERT_LT(c, 0x80u) << "non-ASCII byte at " << i;
      if (c == '\n') {
        ASSERT_TRUE(i > 0 && file->raw[i - 1] == '\r') << "bare LF at " << i;
      }
      if (c == '\r') {
        ASSERT_TRUE(i + 1 < file->raw.size() && file->raw[i + 1] == '\n')
            << "bare CR at " << i;
      }
    }
  }
  EXPECT_EQ(Us().keys, us_keys);
  EXPECT_EQ(Canada().keys, canada_keys);
}

TEST(HolidaysFileTest, EveryKeyHasOneItemPerYear) {
  for (const HolidayFile* file : {&Us(), &Canada()}) {
    ASSERT_FALSE(file->items.empty());
    for (const auto& [key, items] : file->items) {
      EXPECT_EQ(items.size(), static_cast<std::size_t>(kYears)) << key;
    }
  }
}

TEST(HolidaysFileTest, KnownDates) {
  EXPECT_EQ(Item(Us(), "Thanksgiving", 2025), "27");
  EXPECT_EQ(Item(Us(), "Election Day", 2024), "5");
  EXPECT_EQ(Item(Us(), "Election Day", 2026), "3");
  EXPECT_EQ(Item(Us(), "Election Day", 2004), "2");  // Nov 1 was the Monday
  EXPECT_EQ(Item(Us(), "Martin Luther King Day", 2026), "19");
  EXPECT_EQ(Item(Us(), "Memorial Day", 2026), "25");
  EXPECT_EQ(Item(Us(), "Inauguration Day", 2025), "20");
  EXPECT_EQ(Item(Us(), "Inauguration Day", 2026), "");

  EXPECT_EQ(Item(Canada(), "Victoria Day", 2025), "19");
  EXPECT_EQ(Item(Canada(), "Victoria Day", 2026), "18");
  EXPECT_EQ(Item(Canada(), "Victoria Day", 2004), "24");  // May 24 a Monday
  EXPECT_EQ(Item(Canada(), "Thanksgiving Day", 2025), "13");

  // Easter-based days, including ones where Friday and Monday straddle the
  // end of March and the extremes of the Easter range.
  for (const HolidayFile* file : {&Us(), &Canada()}) {
    EXPECT_EQ(Item(*file, "Good Friday", 2004), "9A");
    EXPECT_EQ(Item(*file, "Good Friday", 2005), "25M");
    EXPECT_EQ(Item(*file, "Good Friday", 2008), "21M");
    EXPECT_EQ(Item(*file, "Good Friday", 2018), "30M");  // Easter Apr 1
    EXPECT_EQ(Item(*file, "Good Friday", 2025), "18A");
    EXPECT_EQ(Item(*file, "Good Friday", 2038), "23A");  // Easter Apr 25
  }
  EXPECT_EQ(Item(Canada(), "Easter Monday", 2011), "25A");
  EXPECT_EQ(Item(Canada(), "Easter Monday", 2013), "1A");  // Easter Mar 31
  EXPECT_EQ(Item(Canada(), "Easter Monday", 2008), "24M");
}

TEST(HolidaysFileTest, FixedDaysNeverMove) {
  struct Fixed {
    const HolidayFile* file;
    const char* key;
    const char* item;
  };
  const std::vector<Fixed> fixed = {
      {&Us(), "New Year", "1"},
      {&Us(), "Independence Day", "4"},
      {&Us(), "Veterans Day", "11"},
      {&Us(), "Christmas Day", "25"},
      {&Canada(), "New Year", "1"},
      {&Canada(), "Canada Day", "1"},
      {&Canada(), "Remembrance Day", "11"},
      {&Canada(), "Christmas Day", "25"},
      {&Canada(), "Boxing Day", "26"},
  };
  for (int y = kFirstYear; y <= kLastYear; ++y) {
    for (const Fixed& f : fixed) {
      EXPECT_EQ(Item(*f.file, f.key, y), f.item) << f.key << ' ' << y;
    }
    // Inauguration only in the year after a presidential election.
    EXPECT_EQ(Item(Us(), "Inauguration Day", y), y % 4 == 1 ? "20" : "")
        << y;
  }
}

// A weekday inside a seven-day window is unique, so the window and weekday
// together pin each "n-th weekday" rule exactly.
TEST(HolidaysFileTest, WeekdayRulesHoldEveryYear) {
  struct WeekdayRule {
    const HolidayFile* file;
    const char* key;
    unsigned month;
    weekday wd;
    unsigned first_day;  // window is first_day .. first_day + 6
  };
  using std::chrono::Monday;
  using std::chrono::Thursday;
  using std::chrono::Tuesday;
  const std::vector<WeekdayRule> rules = {
      {&Us(), "Martin Luther King Day", 1, Monday, 15},
      {&Us(), "Presidents Day", 2, Monday, 15},
      {&Us(), "Memorial Day", 5, Monday, 25},
      {&Us(), "Labor Day", 9, Monday, 1},
      {&Us(), "Columbus Day", 10, Monday, 8},
      {&Us(), "Election Day", 11, Tuesday, 2},
      {&Us(), "Thanksgiving", 11, Thursday, 22},
      {&Canada(), "Victoria Day", 5, Monday, 18},
      {&Canada(), "Civic Holiday", 8, Monday, 1},
      {&Canada(), "Labour Day", 9, Monday, 1},
      {&Canada(), "Thanksgiving Day", 10, Monday, 8},
  };
  for (int y = kFirstYear; y <= kLastYear; ++y) {
    for (const WeekdayRule& r : rules) {
      const std::string item = Item(*r.file, r.key, y);
      const year_month_day date = DateOf(item, y, r.month);
      ASSERT_TRUE(date.ok()) << r.key << ' ' << y << " '" << item << "'";
      EXPECT_EQ(static_cast<unsigned>(date.month()), r.month)
          << r.key << ' ' << y << " has a month letter";
      EXPECT_EQ(weekday{sys_days{date}}, r.wd) << r.key << ' ' << y;
      const unsigned d = static_cast<unsigned>(date.day());
      EXPECT_GE(d, r.first_day) << r.key << ' ' << y;
      EXPECT_LE(d, r.first_day + 6) << r.key << ' ' << y;
    }
  }
}

TEST(HolidaysFileTest, EasterDaysAreFridayAndMondayOfOneWeekend) {
  using std::chrono::April;
  using std::chrono::Friday;
  using std::chrono::March;
  // Easter Sunday falls on March 22 .. April 25.
  const sys_days earliest_friday{year{2000} / March / 20};
  const sys_days latest_friday{year{2000} / April / 23};
  for (int y = kFirstYear; y <= kLastYear; ++y) {
    const std::string friday_item = Item(Canada(), "Good Friday", y);
    EXPECT_EQ(Item(Us(), "Good Friday", y), friday_item) << y;
    // Month 0 makes an item without its month letter fail.
    const year_month_day friday = DateOf(friday_item, y, 0);
    const year_month_day monday = DateOf(Item(Canada(), "Easter Monday", y),
                                         y, 0);
    ASSERT_TRUE(friday.ok()) << y << " '" << friday_item << "'";
    ASSERT_TRUE(monday.ok()) << y;
    EXPECT_EQ(weekday{sys_days{friday}}, Friday) << y;
    EXPECT_EQ(sys_days{monday} - sys_days{friday}, std::chrono::days{3}) << y;
    // Compare within one reference year to test only the month and day.
    const sys_days same_year{year{2000} / friday.month() / friday.day()};
    EXPECT_GE(same_year, earliest_friday) << y;
    EXPECT_LE(same_year, latest_friday) << y;
  }
}

// The template for new working directories, laid out by the build from the
// configuration template, ships the same holiday files.
TEST(HolidaysFileTest, WorkingDirectoryTemplateHasSameFiles) {
  const fs::path root(ALMANIX_SOURCE_DIR);
  const fs::path built(ALMANIX_BUILD_DATA_DIR);
  for (const char* name : {"US.ini", "Canada.ini"}) {
    const std::string config = ReadAll(root / "resources/Config" / name);
    ASSERT_FALSE(config.empty()) << name;
    EXPECT_EQ(ReadAll(built / "iCONFIG" / name), config) << name;
  }
}

}  // namespace
