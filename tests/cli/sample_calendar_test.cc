#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/text.h"
#include "store/zip_archive.h"
#include "support/cli_runner.h"
#include "support/temp_root.h"

// The shipped sample calendar, resources/samples/club.cal, read back through
// almanix-cli as a person who downloads it would: it must still match the
// list it is made from, repeat its events on the right days, carry its
// favorite and bring the picture of the day and the attachment along.
namespace almanix {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;
using testing::ReadAll;

const std::string kSamples = std::string(ALMANIX_SOURCE_DIR) + "/resources/samples/";

struct Line {
  std::string date, time, id, summary;
};

// The "|" fields of the list's entries, trimmed; comments and blank lines left out.
std::vector<std::vector<std::string>> ListEntries() {
  std::vector<std::vector<std::string>> entries;
  for (const std::string& raw : SplitLines(ReadAll(kSamples + "club-events.txt"))) {
    std::string line = Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    for (const std::string& f : Split(line, '|')) fields.push_back(Trim(f));
    entries.push_back(fields);
  }
  return entries;
}

class SampleCalendarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A copy, so that a command saving back by mistake cannot touch the
    // shipped file.
    fs::copy_file(kSamples + "club.cal", cal_);
  }

  testing::CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", data_, "--calendar", cal_});
    return testing::RunCli(args, root_.path());
  }

  std::vector<Line> List(const std::string& from, const std::string& to,
                         const std::string& category = "") {
    std::vector<std::string> args = {"event", "list", "--from", from, "--to", to};
    if (!category.empty()) args.insert(args.end(), {"--category", category});
    testing::CliResult r = Cli(args);
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<Line> lines;
    for (const std::string& text : SplitLines(r.out)) {
      if (text.empty()) continue;
      std::vector<std::string> f = Split(text, '\t');
      if (f.size() != 4) {
        ADD_FAILURE() << "not DATE TIME ID SUMMARY: " << text;
        continue;
      }
      lines.push_back({f[0], f[1], f[2], f[3]});
    }
    return lines;
  }

  static std::vector<std::string> Days(const std::vector<Line>& lines,
                                       const std::string& summary) {
    std::vector<std::string> days;
    for (const Line& l : lines) {
      if (l.summary == summary) days.push_back(l.date);
    }
    return days;
  }

  static std::set<std::string> Times(const std::vector<Line>& lines,
                                     const std::string& summary) {
    std::set<std::string> times;
    for (const Line& l : lines) {
      if (l.summary == summary) times.insert(l.time);
    }
    return times;
  }

  testing::TempRoot root_;
  std::string data_ = root_ / "data/";
  std::string cal_ = root_ / "club.cal";
};

TEST_F(SampleCalendarTest, RepeatingEventsFallOnTheirDaysIn2025) {
  const std::vector<Line> year = List("2025-01-01", "2025-12-31");

  // Weekly on Tuesdays from 7 January to 16 December, Veterans Day skipped.
  std::vector<std::string> walks = Days(year, "Tuesday walking group");
  ASSERT_EQ(walks.size(), 49u);
  EXPECT_EQ(walks.front(), "2025-01-07");
  EXPECT_EQ(walks.back(), "2025-12-16");
  EXPECT_THAT(walks, IsSupersetOf({"2025-01-14", "2025-11-04", "2025-11-18"}));
  EXPECT_THAT(walks, Not(::testing::Contains("2025-11-11")));
  EXPECT_THAT(Times(year, "Tuesday walking group"), ElementsAre("09:30"));

  // Every second Saturday from 5 April, the last before 25 October.
  EXPECT_THAT(Days(year, "Saturday bike ride"),
              ElementsAre("2025-04-05", "2025-04-19", "2025-05-03", "2025-05-17",
                          "2025-05-31", "2025-06-14", "2025-06-28", "2025-07-12",
                          "2025-07-26", "2025-08-09", "2025-08-23", "2025-09-06",
                          "2025-09-20", "2025-10-04", "2025-10-18"));

  // Weekly in the winter months only, three evenings skipped.
  std::vector<std::string> tennis = Days(year, "Table tennis evening");
  EXPECT_EQ(tennis.size(), 23u);
  for (const std::string& day : tennis) {
    int month = ParseInt(day.substr(5, 2)).value_or(0);
    EXPECT_TRUE(month <= 3 || month >= 10) << day;
  }
  for (const char* skipped : {"2025-03-20", "2025-11-27", "2025-12-25"}) {
    EXPECT_THAT(tennis, Not(::testing::Contains(skipped)));
  }

  // The second Thursday of every month.
  EXPECT_THAT(Days(year, "Book circle"),
              ElementsAre("2025-01-09", "2025-02-13", "2025-03-13", "2025-04-10",
                          "2025-05-08", "2025-06-12", "2025-07-10", "2025-08-14",
                          "2025-09-11", "2025-10-09", "2025-11-13", "2025-12-11"));
  EXPECT_THAT(Times(year, "Book circle"), ElementsAre("18:30"));

  // The 15th, but not in July and August.
  EXPECT_THAT(Days(year, "Committee meeting"),
              ElementsAre("2025-01-15", "2025-02-15", "2025-03-15", "2025-04-15",
                          "2025-05-15", "2025-06-15", "2025-09-15", "2025-10-15",
                          "2025-11-15", "2025-12-15"));

  // Yearly since 2015, all day; a two-day event once on each day.
  EXPECT_THAT(Days(year, "Club anniversary"), ElementsAre("2025-06-07"));
  EXPECT_THAT(Times(year, "Club anniversary"), ElementsAre("--:--"));
  EXPECT_THAT(Days(year, "Summer fair"), ElementsAre("2025-08-16", "2025-08-17"));
  EXPECT_THAT(Days(List("2026-06-01", "2026-06-30"), "Club anniversary"),
              ElementsAre("2026-06-07"));
}

TEST_F(SampleCalendarTest, EventsBelongToTheirCategories) {
  const std::vector<Line> club = List("2025-09-01", "2025-09-30", "1");
  const std::vector<Line> sports = List("2025-09-01", "2025-09-30", "4");
  // The fun run is made in Sports and shown in Announcements too.
  EXPECT_THAT(Days(club, "Riverside 10K fun run"), ElementsAre("2025-09-21"));
  EXPECT_THAT(Days(sports, "Riverside 10K fun run"), ElementsAre("2025-09-21"));
  EXPECT_THAT(Days(club, "Saturday bike ride"), ElementsAre());
  EXPECT_THAT(Days(sports, "Saturday bike ride"), ElementsAre("2025-09-06", "2025-09-20"));
  EXPECT_THAT(Days(club, "Volunteer day"), ElementsAre("2025-09-06"));
  EXPECT_THAT(Days(sports, "Volunteer day"), ElementsAre());
}

TEST_F(SampleCalendarTest, HoldsEveryEventOfTheList) {
  // A list changed without making the calendar again shows up here.
  std::vector<std::string> listed;
  for (const std::vector<std::string>& entry : ListEntries()) {
    if (entry[0] == "event") listed.push_back(entry.at(5));
  }
  ASSERT_FALSE(listed.empty());
  std::set<std::string> found, ids;
  for (const Line& l : List("2025-01-01", "2025-12-31")) {
    found.insert(l.summary);
    ids.insert(l.id);
  }
  std::sort(listed.begin(), listed.end());
  EXPECT_THAT(found, ElementsAreArray(listed));
  EXPECT_EQ(ids.size(), listed.size());  // no event made twice
}

TEST_F(SampleCalendarTest, FavoriteClubPublishesTheWholeYear) {
  testing::CliResult shown = Cli({"--year", "2025", "favorite", "show", "Club"});
  ASSERT_EQ(shown.code, 0) << shown.err;
  const std::string lines = "\n" + shown.out;
  for (const char* line :
       {"Publish.Destination=File", "Publish.StartYear=2025", "Publish.EndYear=2025",
        "Publish.StartMonth=0", "Publish.EndMonth=11", "Contents.Calendars=0,3",
        "Page.Title=Riverside Community Club 2025"}) {
    EXPECT_THAT(lines, HasSubstr(std::string("\n") + line + "\n"));
  }
  EXPECT_EQ(ReadAll(cal_), ReadAll(kSamples + "club.cal"));  // reading saved nothing
}

TEST_F(SampleCalendarTest, ArchiveCarriesThePictureAttachmentNotesAndHolidays) {
  const std::string out = root_ / "unpacked/";
  Result<store::ExtractReport> report = store::ExtractArchive(cal_, out);
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_TRUE(report.value().refused.empty());
  EXPECT_EQ(report.value().skipped, 0);
  const std::string days = out + "attachments/Announcements/";
  EXPECT_EQ(ReadAll(days + "2025-4-12/picture.gif"), ReadAll(kSamples + "riverbank.gif"));
  EXPECT_EQ(ReadAll(days + "2025-3-20/agm-agenda.txt"), ReadAll(kSamples + "agm-agenda.txt"));
  EXPECT_TRUE(testing::Exists(out + "favorites/Club/conf.ini"));

  // Day notes and holidays live in the year's day rows.
  const std::string year = ReadAll(out + "db/Year2025.db");
  int texts = 0;
  for (const std::vector<std::string>& entry : ListEntries()) {
    if (entry[0] != "note" && entry[0] != "holiday") continue;
    ++texts;
    EXPECT_THAT(year, HasSubstr(entry.back()));
  }
  EXPECT_EQ(texts, 9);
}

TEST_F(SampleCalendarTest, GeneratedPagesShowThePictureAndTheAttachment) {
  // The day folders are named after the categories of the year's tables;
  // a wrong name would leave both files out of the pages.
  const std::string site = root_ / "site/";
  testing::CliResult made = Cli({"--year", "2025", "generate", "Club", "--out", site});
  ASSERT_EQ(made.code, 0) << made.err;
  std::string picture, pages;
  for (const fs::directory_entry& e : fs::directory_iterator(site)) {
    const std::string name = e.path().filename().string();
    if (name.ends_with("picture.gif")) picture = name;
    if (name.ends_with(".html")) pages += ReadAll(e.path().string());
  }
  ASSERT_FALSE(picture.empty());
  EXPECT_EQ(ReadAll(site + picture), ReadAll(kSamples + "riverbank.gif"));
  EXPECT_EQ(ReadAll(site + "agm-agenda.txt"), ReadAll(kSamples + "agm-agenda.txt"));
  EXPECT_THAT(pages, HasSubstr(picture));
  EXPECT_THAT(pages, HasSubstr("agm-agenda.txt"));
  EXPECT_THAT(pages, HasSubstr("Riverside Community Club 2025"));
}

// Every file a page loads (pictures, style sheets, scripts) by a relative
// name: src="x", href="x.css" and background="x".
std::set<std::string> LoadedFiles(const std::string& page) {
  std::set<std::string> names;
  for (std::string key : {"src=\"", "background=\"", "href=\""}) {
    for (size_t at = page.find(key); at != std::string::npos; at = page.find(key, at + 1)) {
      const size_t start = at + key.size();
      const std::string name = page.substr(start, page.find('"', start) - start);
      if (key == "href=\"" && !name.ends_with(".css")) continue;
      if (name.find(':') == std::string::npos && !name.empty()) names.insert(name);
    }
  }
  return names;
}

TEST_F(SampleCalendarTest, WholeRunWritesTheSiteAndEveryFileItsPagesLoad) {
  const std::string site = root_ / "site/";
  testing::CliResult made = Cli({"--year", "2025", "generate", "Club", "--out", site});
  ASSERT_EQ(made.code, 0) << made.err;
  EXPECT_EQ(made.out, site + "Club.html\n");

  std::set<std::string> files;
  for (const fs::directory_entry& e : fs::directory_iterator(site)) {
    files.insert(e.path().filename().string());
  }
  const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                           "July",    "August",   "September", "October", "November", "December"};
  std::vector<std::string> want = {"Calendar.html", "CurrentMonth.html", "Small.html",
                                   "FirstMonth.html", "LastMonth.html", "Year.html", "Club.html",
                                   "calendar.css", "small.css", "list.css", "style.css",
                                   "popup.css", "print.css", "actionbar.css", "clip.gif"};
  for (const char* m : kMonths) {
    want.push_back(std::string(m) + "2025.html");
    want.push_back("Small" + std::string(m) + "2025.html");
  }
  EXPECT_THAT(files, IsSupersetOf(want));

  // Nothing a page loads is missing from the folder.
  for (const std::string& name : files) {
    if (!name.ends_with(".html")) continue;
    for (const std::string& loaded : LoadedFiles(ReadAll(site + name))) {
      EXPECT_TRUE(files.count(loaded)) << name << " loads " << loaded;
    }
  }

  EXPECT_EQ(ReadAll(site + "FirstMonth.html"), ReadAll(site + "January2025.html"));
  EXPECT_EQ(ReadAll(site + "LastMonth.html"), ReadAll(site + "December2025.html"));
  EXPECT_EQ(ReadAll(site + "Club.html"), ReadAll(site + "January2025.html"));
  EXPECT_THAT(ReadAll(site + "Calendar.html"),
              HasSubstr("pubDateRange = new Array(\"2025-1\",\"2025-2\",\"2025-3\",\"2025-4\","
                        "\"2025-5\",\"2025-6\",\"2025-7\",\"2025-8\",\"2025-9\",\"2025-10\","
                        "\"2025-11\",\"2025-12\");"));
  const std::string april = ReadAll(site + "April2025.html");
  EXPECT_THAT(april, HasSubstr("<meta charset=\"utf-8\">"));
  EXPECT_THAT(april, HasSubstr("<div class=PageTitle>Riverside Community Club 2025</div>"));
  EXPECT_THAT(april, HasSubstr("<li id=\"current\"><a href=April2025.html>Apr</a></li>"));
  EXPECT_THAT(april, HasSubstr("Good Friday"));
  EXPECT_THAT(april, HasSubstr("Riverbank clean-up"));
  // Every line ends in CR LF.
  EXPECT_EQ(april.find("\n"), april.find("\r\n") + 1);
  for (size_t at = april.find('\n'); at != std::string::npos; at = april.find('\n', at + 1)) {
    ASSERT_EQ(april[at - 1], '\r') << "bare line feed at " << at;
  }
  // A holiday colours its day on the small page (the new-favorite holiday
  // colour); the year page lists it.
  EXPECT_THAT(ReadAll(site + "Year.html"), HasSubstr("Apr. 18 - Good Friday"));
  EXPECT_THAT(ReadAll(site + "SmallJuly2025.html"), HasSubstr("background-color:#CDEFD9;;"));
}

}  // namespace
}  // namespace almanix
