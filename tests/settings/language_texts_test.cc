#include "settings/language_texts.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/dir.h"
#include "settings/galleries.h"
#include "support/fake_ui.h"
#include "support/fixture.h"

namespace almanix::publish {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing::ReadAll;
using testing::WriteAll;

WordList Rows(std::vector<WordRow> rows) { return WordList(std::move(rows)); }

// ---- Names ----

TEST(LanguageNamesTest, MonthFormsCountCharacters) {
  LanguageTexts texts;
  EXPECT_EQ(texts.MonthName(9, "Long"), "September");
  EXPECT_EQ(texts.MonthName(9, "Short"), "Sep");
  EXPECT_EQ(texts.MonthName(9, "long"), "Sep");  // only "Long" is the long form
  texts.mutable_months().SetValue("5", "Mai");
  texts.mutable_months().SetValue("2", "Février");
  EXPECT_EQ(texts.MonthName(5, "Short"), "Mai");
  EXPECT_EQ(texts.MonthName(2, "Short"), "Fév");
  EXPECT_EQ(texts.MonthName(13, "Long"), "");
  texts.mutable_months() = Rows({{"1", "Jan"}});
  EXPECT_EQ(texts.MonthName(12, "Long"), "");  // fewer rows than asked
}

TEST(LanguageNamesTest, WeekdayFormsAndPresets) {
  LanguageTexts texts;
  EXPECT_EQ(texts.WeekdayName(1, "Long"), "Sunday");
  EXPECT_EQ(texts.WeekdayName(4, "Short"), "Wed");
  EXPECT_EQ(texts.WeekdayName(7, "Tiny"), "S");
  texts.SetWeekdayNames({"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"});
  EXPECT_EQ(texts.WeekdayName(1, "Tiny"), "Sun");
  EXPECT_EQ(texts.WeekdayName(7, "Long"), "Sat");
  EXPECT_EQ(texts.weekdays().rows().size(), 7u);
  EXPECT_EQ(texts.WeekdayName(0, "Long"), "");
}

TEST(LanguageNamesTest, FileNameWordsAreTheirOwnList) {
  LanguageTexts texts;
  texts.mutable_file_names().SetValue("3", "maerz");
  EXPECT_EQ(texts.FileNameWord(3, "Long"), "maerz");
  EXPECT_EQ(texts.FileNameWord(3, "Short"), "mae");
  EXPECT_EQ(texts.MonthName(3, "Long"), "March");
}

// ---- Phrases and macros ----

TEST(TranslateTest, LastMatchingRowWinsWithoutRegardToCase) {
  LanguageTexts texts;
  texts.mutable_phrases() =
      Rows({{"updated", "aktualisiert"}, {"Updated", "neu"}, {"Print", ""}});
  EXPECT_EQ(texts.Translate("updated"), "neu");
  EXPECT_EQ(texts.Translate("UPDATED"), "neu");
  EXPECT_EQ(texts.Translate("Print"), "");  // an empty value is an empty text
  EXPECT_EQ(texts.Translate("Upcoming Events"), "Upcoming Events");
  EXPECT_EQ(LanguageTexts().Translate("Calendar View"), "Calendar View");
}

TEST(ExpandMacrosTest, RowsApplyInOrderWithoutRegardToCase) {
  LanguageTexts texts;
  texts.mutable_macros() =
      Rows({{"Calendar 1", "W"}, {"w", "the long text"}, {"", ""}});
  EXPECT_EQ(texts.ExpandMacros("see calendar 1 today"),
            "see the long text today");
  // The first row has no effect on a text without its key, the second row
  // still does.
  EXPECT_EQ(texts.ExpandMacros("Wow"), "the long textothe long text");
  // A later row finds an earlier row's value whatever its case, next to
  // text that was there before.
  texts.mutable_macros() = Rows({{"x", "AbC"}, {"cab", "+"}, {"ABC", "!"}});
  EXPECT_EQ(texts.ExpandMacros("x-Xab x"), "!-Ab+ !");
}

TEST(ExpandMacrosTest, BlankTextIsUntouchedAndReplacementsAreNotRescanned) {
  LanguageTexts texts;
  texts.mutable_macros() = Rows({{" ", "_"}, {"a", "aa"}});
  EXPECT_EQ(texts.ExpandMacros(""), "");
  EXPECT_EQ(texts.ExpandMacros("   "), "   ");
  EXPECT_EQ(texts.ExpandMacros("a A"), "aa_aa");
  // Only empty rows: nothing changes, and nothing loops.
  texts.mutable_macros() = DefaultMacros();
  EXPECT_EQ(texts.ExpandMacros("Calendar 1 x"), " x");
  texts.mutable_macros() = Rows({{"", "x"}});
  EXPECT_EQ(texts.ExpandMacros("abc"), "abc");
}

// The rows applied one by one to a lowered copy of the text, the plain way:
// what the search without copies must agree with.
std::string ExpandedThePlainWay(std::string text, const std::vector<WordRow>& rows) {
  if (text.find_first_not_of(std::string("\0\t\n\r ", 5)) == std::string::npos) return text;
  const auto lower = [](std::string s) {
    for (char& c : s) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return s;
  };
  for (const WordRow& row : rows) {
    if (row.key.empty()) continue;
    const std::string key = lower(row.key), folded = lower(text);
    std::string out;
    size_t pos = 0;
    for (size_t hit = folded.find(key); hit != std::string::npos; hit = folded.find(key, pos)) {
      out += text.substr(pos, hit - pos) + row.value;
      pos = hit + key.size();
    }
    text = out + text.substr(pos);
  }
  return text;
}

// Long texts are searched sixteen places at a time: keys at every offset,
// at both ends, across those blocks, in either case, and bytes that only a
// careless fold would take for letters ("@" and "`", "[" and "{", UTF-8's
// 0xC3 and 0xE3).
TEST(ExpandMacrosTest, LongTextsAgreeWithThePlainWayAtEveryPlace) {
  const std::vector<std::vector<WordRow>> row_sets = {
      {{"Calendar 1", ""}},
      {{"cal", "CAL"}, {"lc", "-"}},
      {{"a", "b"}},
      {{"@x", "at"}, {"[y", "sq"}, {"\xC3\xA9", "e"}},
      {{"zz", "z"}, {"Z", "zz"}},
  };
  const std::string alphabet = "aAcClL1 zZ@`[{xXyY\xC3\xA9\xE3\x89\n<>\"";
  unsigned seed = 7;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const size_t length = next() % 90;
    for (size_t i = 0; i < length; ++i) {
      if (next() % 9 == 0) {
        text += next() % 2 ? "calendar 1" : "CaLeNdAr 1";
      } else {
        text += alphabet[next() % alphabet.size()];
      }
    }
    for (const std::vector<WordRow>& rows : row_sets) {
      LanguageTexts texts;
      texts.mutable_macros() = Rows(rows);
      ASSERT_EQ(texts.ExpandMacros(text), ExpandedThePlainWay(text, rows))
          << "text \"" << text << "\", first key \"" << rows[0].key << "\"";
    }
  }
  LanguageTexts texts;
  texts.mutable_macros() = Rows({{"calendar 1", "!"}});
  const std::string filler(40, '.');
  EXPECT_EQ(texts.ExpandMacros("Calendar 1" + filler + "cALENDAR 1"), "!" + filler + "!");
  EXPECT_EQ(texts.ExpandMacros(filler + "Calendar 1"), filler + "!");
  EXPECT_EQ(texts.ExpandMacros(filler + "Calendar "), filler + "Calendar ");
}

// A text no row changes stays where it is; one that changes gets the result.
TEST(ExpandMacrosTest, InPlaceLeavesAnUnmatchedTextAlone) {
  LanguageTexts texts;
  std::string text(200, 'x');
  const char* const bytes = text.data();
  texts.ExpandMacrosIn(&text);
  EXPECT_EQ(text.data(), bytes);
  EXPECT_EQ(text, std::string(200, 'x'));
  text += "Calendar 1";
  texts.ExpandMacrosIn(&text);
  EXPECT_EQ(text, std::string(200, 'x'));
}

// ---- Files ----

TEST(WordListTest, ReadsWindowsTextAndWritesUtf8WithCrLf) {
  testing::TempRoot root;
  WriteAll(root / "months.txt", "1=F\xE9vrier\n2=Mars=Marz\nLoose\n\n");
  Result<WordList> list = ReadWordList(root / "months.txt");
  ASSERT_TRUE(list.ok());
  EXPECT_EQ(list.value(), Rows({{"1", "Février"},
                                {"2", "Mars=Marz"},
                                {"Loose", ""},
                                {"", ""}}));
  ASSERT_TRUE(WriteWordList(root / "out.txt", list.value()).ok());
  EXPECT_EQ(ReadAll(root / "out.txt"),
            "1=Février\r\n2=Mars=Marz\r\nLoose=\r\n\r\n");
  EXPECT_EQ(ReadWordList(root / "none.txt").status().code(),
            Status::Code::kNotFound);
}

TEST(WordListTest, KeysMatchTrimmedAndLineBreaksCannotSplitARow) {
  WordList list = Rows({{" 1 ", "One"}});
  EXPECT_EQ(list.Value("1"), "One");
  list.SetValue("2", "Two\r\nThree");
  EXPECT_EQ(list.ToText(), " 1 =One\r\n2=Two  Three\r\n");
}

class LanguageFilesTest : public ::testing::Test {
 protected:
  LanguageFilesTest()
      : dir_(fx_.install, fx_.places, fx_.opener, fx_.trash, &ui_) {
    std::filesystem::remove_all(dir_.LanguageDir);
  }

  testing::InstallFixture fx_;
  testing::FakeUi ui_;
  TDir dir_;
};

TEST_F(LanguageFilesTest, SaveAndLoadRoundTrip) {
  LanguageTexts texts;
  texts.mutable_phrases().SetValue("Holiday", "Feiertag");
  texts.mutable_macros() = Rows({{"%room%", "Hall B"}});
  texts.SetWeekdayNames({"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"});
  std::string folder = fx_.root / "fav/";
  std::filesystem::create_directories(folder);
  ASSERT_TRUE(texts.SaveToFolder(folder).ok());
  for (const char* f :
       {"months.txt", "weekdays.txt", "filenames.txt", "translate.txt", "macros.txt"}) {
    EXPECT_TRUE(testing::Exists(folder + f)) << f;
  }
  LanguageTexts loaded;
  loaded.mutable_months() = Rows({});
  ASSERT_TRUE(loaded.LoadFromFolder(folder, true).ok());
  EXPECT_EQ(loaded.months(), texts.months());
  EXPECT_EQ(loaded.weekdays(), texts.weekdays());
  EXPECT_EQ(loaded.phrases(), texts.phrases());
  EXPECT_EQ(loaded.macros(), texts.macros());
  EXPECT_EQ(loaded.Translate("holiday"), "Feiertag");
}

TEST_F(LanguageFilesTest, MissingRequiredFileStopsTheLoadThere) {
  std::string folder = fx_.root / "fav/";
  WriteAll(folder + "macros.txt", "x=y\r\n");
  WriteAll(folder + "months.txt", "1=Jan\r\n");
  WriteAll(folder + "translate.txt", "Events=Termine\r\n");  // after weekdays
  LanguageTexts texts;
  Status s = texts.LoadFromFolder(folder, true);
  EXPECT_EQ(s.code(), Status::Code::kNotFound);
  EXPECT_THAT(s.message(), HasSubstr("weekdays.txt"));
  EXPECT_EQ(texts.MonthName(1, "Long"), "Jan");
  EXPECT_EQ(texts.Translate("Events"), "Events");  // not reached
  // filenames.txt is optional either way; without the stop all files load.
  LanguageTexts lenient;
  ASSERT_TRUE(lenient.LoadFromFolder(folder, false).ok());
  EXPECT_EQ(lenient.Translate("Events"), "Termine");
  EXPECT_EQ(lenient.FileNameWord(1, "Long"), "January");
}

TEST_F(LanguageFilesTest, SelectingALanguageReplacesItsListsAndSetsHolidays) {
  std::string de = dir_.LanguageDir + "Deutsch/";
  WriteAll(de + "icon.bmp", "bmp");
  WriteAll(de + "months.txt", "1=Januar\r\n");
  WriteAll(de + "translate.txt", "Events=Termine\r\n");
  WriteAll(dir_.LanguageDir + "American/icon.bmp", "bmp");
  WriteAll(dir_.LanguageDir + "Canadien/icon.bmp", "bmp");
  WriteAll(dir_.LanguageDir + "English/icon.bmp", "bmp");

  LanguageTexts texts;
  texts.mutable_macros() = Rows({{"k", "v"}});
  EXPECT_EQ(texts.SelectLanguage(dir_, "Deutsch"), "None");
  EXPECT_EQ(texts.MonthName(1, "Long"), "Januar");
  EXPECT_EQ(texts.MonthName(2, "Long"), "");  // the file replaces the list
  EXPECT_EQ(texts.Translate("Events"), "Termine");
  EXPECT_EQ(texts.WeekdayName(1, "Long"), "Sunday");  // no weekdays.txt
  EXPECT_EQ(texts.macros(), Rows({{"k", "v"}}));

  EXPECT_EQ(texts.SelectLanguage(dir_, "American"), "US");
  EXPECT_EQ(texts.SelectLanguage(dir_, "Canadien"), "Canada");
  EXPECT_EQ(texts.SelectLanguage(dir_, "English"), "None");
  EXPECT_EQ(HolidaySetForLanguage("Canadian"), "None");
}

// ---- Style texts ----

TEST_F(LanguageFilesTest, StyleTextsFromConfigThenTheFavorite) {
  WriteAll(dir_.ConfigDir + "title.txt", "Our Calendar\n");
  WriteAll(dir_.ConfigDir + "footer.txt", "<p>config footer</p>\r\n<p>2</p>");
  WriteAll(dir_.ConfigDir + "head.txt", "<meta name=\"a\">\r\n");
  StyleTexts texts;
  LanguageTexts language;
  ASSERT_TRUE(LoadWindowDefaults(dir_, &texts, &language).ok());
  EXPECT_EQ(texts.title, "Our Calendar\r\n");
  EXPECT_EQ(texts.footer, "<p>config footer</p>\r\n<p>2</p>\r\n");
  EXPECT_EQ(texts.header, "");

  std::string fav = fx_.root / "fav/";
  WriteAll(fav + "title.txt", "Sports\r\n");
  WriteAll(fav + "header.txt", "<h1>Sports</h1>\r\n");
  WriteAll(fav + "footer.txt", "");
  ASSERT_TRUE(LoadStyleTexts(fav, true, &texts).ok());
  EXPECT_EQ(texts.title, "Sports\r\n");
  EXPECT_EQ(texts.footer, "");
  EXPECT_EQ(texts.head, "<meta name=\"a\">\r\n");  // not in the favorite

  std::string saved = fx_.root / "saved/";
  std::filesystem::create_directories(saved);
  ASSERT_TRUE(SaveStyleTexts(saved, texts).ok());
  StyleTexts back;
  ASSERT_TRUE(LoadStyleTexts(saved, true, &back).ok());
  EXPECT_EQ(back, texts);
}

TEST_F(LanguageFilesTest, StyleTextsStopAtAMissingRequiredFile) {
  std::string fav = fx_.root / "fav/";
  WriteAll(fav + "title.txt", "T");
  WriteAll(fav + "caption.txt", "C");
  StyleTexts texts;
  Status s = LoadStyleTexts(fav, true, &texts);
  EXPECT_EQ(s.code(), Status::Code::kNotFound);
  EXPECT_THAT(s.message(), HasSubstr("header.txt"));
  EXPECT_EQ(texts.title, "T\r\n");
  EXPECT_EQ(texts.caption, "");
}

TEST_F(LanguageFilesTest, UnreadableDefaultFileGivesTheWindowMessage) {
  std::filesystem::create_directories(dir_.ConfigDir + "months.txt");
  StyleTexts texts;
  LanguageTexts language;
  Status s = LoadWindowDefaults(dir_, &texts, &language);
  EXPECT_FALSE(s.ok());
  EXPECT_THAT(s.message(),
              StartsWith("Error when loadding either title,header,footer,caption,"
                         "head,months,weehdays,phrases text file"));
}

// ---- Shipped defaults ----

TEST(ShippedTextsTest, ConfigFilesMatchTheBuiltInDefaultsAndUseCrLf) {
  const std::string config = std::string(ALMANIX_SOURCE_DIR) + "/resources/Config/";
  LanguageTexts shipped;
  shipped.mutable_months() = Rows({});
  ASSERT_TRUE(shipped.LoadFromFolder(config, true).ok());
  EXPECT_EQ(shipped.months(), DefaultMonthNames());
  EXPECT_EQ(shipped.file_names(), DefaultMonthNames());
  EXPECT_EQ(shipped.weekdays(), DefaultWeekdayNames());
  EXPECT_EQ(shipped.phrases(), DefaultPhrases());
  EXPECT_EQ(shipped.macros(), DefaultMacros());
  StyleTexts texts;
  ASSERT_TRUE(LoadStyleTexts(config, true, &texts).ok());
  for (const char* f : {"title.txt", "header.txt", "year_header.txt",
                        "below_title.txt", "footer.txt", "caption.txt", "head.txt",
                        "macros.txt", "months.txt", "filenames.txt",
                        "weekdays.txt", "translate.txt"}) {
    std::string bytes = ReadAll(config + f);
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\n') {
        EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << f;
      }
    }
    if (!bytes.empty()) {
      EXPECT_TRUE(bytes.ends_with("\r\n")) << f;
    }
  }
}

TEST(ShippedTextsTest, EnglishIsTheDefaultLanguageAndChangesNothing) {
  testing::InstallFixture fx;
  testing::FakeUi ui;
  TDir dir(fx.install, fx.places, fx.opener, fx.trash, &ui);
  std::filesystem::remove_all(dir.LanguageDir);
  std::filesystem::copy(std::string(ALMANIX_SOURCE_DIR) + "/resources/Common/Language",
                        dir.LanguageDir, std::filesystem::copy_options::recursive);
  std::vector<std::string> languages = ListGallery(dir, Gallery::kLanguages);
  std::optional<int> selected =
      SelectAfterListing(Gallery::kLanguages, languages, std::nullopt);
  ASSERT_TRUE(selected);
  EXPECT_EQ(languages[*selected], "English");
  LanguageTexts texts;
  EXPECT_EQ(texts.SelectLanguage(dir, "English"), "None");
  EXPECT_EQ(texts.months(), DefaultMonthNames());
  EXPECT_EQ(texts.weekdays(), DefaultWeekdayNames());
  EXPECT_EQ(texts.Translate("Linking Help"), "Linking Help");
}

}  // namespace
}  // namespace almanix::publish
