#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"

namespace almanix {
class TDir;
}  // namespace almanix

// The words of a generated calendar that are not the user's data (month and
// weekday names, file-name words, fixed phrases, macros) and the HTML pieces
// the generator puts around the calendar. Both belong to a favorite and are
// stored in its folder as text files; the defaults come from ConfigDir.
namespace almanix::publish {

// One row of a two-column list: key, "=", value.
struct WordRow {
  std::string key;
  std::string value;

  bool operator==(const WordRow&) const = default;
};

// A list of key=value rows in order, as a text file holds it: one row a line,
// split at the first "="; a line without "=" is a key with an empty value.
class WordList {
 public:
  WordList() = default;
  explicit WordList(std::vector<WordRow> rows) : rows_(std::move(rows)) {}

  // Bytes of a file (UTF-8 or Windows-1252); replaces every row.
  void LoadFromText(std::string_view bytes);
  // UTF-8, one "key=value" line per row, each ending in CR LF. A row with an
  // empty key and value is written as an empty line.
  std::string ToText() const;

  // The value of the first row whose key equals `key` (without regard to
  // case, blanks around the key ignored); empty when there is none.
  std::string Value(std::string_view key) const;
  // Sets the value of the first row with that key, or appends a row.
  void SetValue(std::string_view key, std::string_view value);

  const std::vector<WordRow>& rows() const { return rows_; }
  std::vector<WordRow>& mutable_rows() { return rows_; }
  bool operator==(const WordList&) const = default;

 private:
  std::vector<WordRow> rows_;
};

// Reads a word-list file: NotFound when missing, IoError when unreadable.
Result<WordList> ReadWordList(const std::string& path);
// Writes it as UTF-8 (atomically).
Status WriteWordList(const std::string& path, const WordList& list);

// The five word lists of a favorite.
class LanguageTexts {
 public:
  static constexpr std::string_view kMonthsFile = "months.txt";
  static constexpr std::string_view kWeekdaysFile = "weekdays.txt";
  static constexpr std::string_view kFileNamesFile = "filenames.txt";
  static constexpr std::string_view kPhrasesFile = "translate.txt";
  static constexpr std::string_view kMacrosFile = "macros.txt";

  // Starts with the default rows of every list.
  LanguageTexts();

  // Row key n of the month names. "Long" gives the whole value; any other
  // form its first three characters when it is longer than three. Empty
  // when there is no such row.
  std::string MonthName(int n, std::string_view form) const;
  // n = 1 (Sunday) .. 7 (Saturday). "Long" the whole value; "Tiny" the first
  // character when longer than three (so "Sun" stays "Sun"); any other form
  // the first three characters when longer than three.
  std::string WeekdayName(int n, std::string_view form) const;
  // Like MonthName, from the file-name words.
  std::string FileNameWord(int n, std::string_view form) const;
  // The value of the last row whose key equals the phrase without regard to
  // case (an empty value gives an empty text); the phrase itself when no row
  // matches.
  std::string Translate(std::string_view phrase) const;
  // A blank text is returned as it is. Otherwise each macro row in order
  // replaces every occurrence of its key, found without regard to case, by
  // its value; later rows see the result of earlier ones. Rows with an empty
  // key do nothing.
  std::string ExpandMacros(std::string_view text) const;
  // The same on *text where it stands: a text no row matches keeps its
  // bytes where they are, without a copy.
  void ExpandMacrosIn(std::string* text) const;

  // Reads, in the favorite's order, macros.txt, months.txt, filenames.txt,
  // weekdays.txt and translate.txt from the folder; each file present
  // replaces its list. With `stop_at_missing_required`, a missing macros,
  // months, weekdays or translate file stops the load there (lists read
  // before stay) with NotFound naming the file. An unreadable file is
  // IoError and stops the load too.
  Status LoadFromFolder(const std::string& folder, bool stop_at_missing_required);
  // Writes all five files into the folder (which must exist).
  Status SaveToFolder(const std::string& folder) const;

  // Loads the language of that name from LanguageDir: each of translate.txt,
  // months.txt and weekdays.txt in its folder replaces the phrases, month
  // names or weekday names. Returns the holiday set the language implies
  // (see HolidaySetForLanguage).
  std::string SelectLanguage(const TDir& dir, std::string_view name);

  const WordList& months() const { return months_; }
  const WordList& weekdays() const { return weekdays_; }
  const WordList& file_names() const { return file_names_; }
  const WordList& phrases() const { return phrases_; }
  const WordList& macros() const { return macros_; }
  WordList& mutable_months() { return months_; }
  WordList& mutable_weekdays() { return weekdays_; }
  WordList& mutable_file_names() { return file_names_; }
  WordList& mutable_phrases() { return phrases_; }
  WordList& mutable_macros() { return macros_; }

  // Writes the seven weekday names, Sunday first, as the size presets do.
  void SetWeekdayNames(const std::vector<std::string>& names);

 private:
  WordList months_;
  WordList weekdays_;
  WordList file_names_;
  WordList phrases_;
  WordList macros_;
};

// "US" for the language "American", "Canada" for "Canadien", "None" for
// every other language (names compared without regard to case).
std::string HolidaySetForLanguage(std::string_view language);

// The default rows of each list.
WordList DefaultMonthNames();
WordList DefaultWeekdayNames();
WordList DefaultPhrases();
WordList DefaultMacros();

// The seven HTML pieces placed around the calendar. Each holds its file's
// whole text with CR LF after every line.
struct StyleTexts {
  std::string title;        // title.txt: page title text
  std::string header;       // header.txt: top of the month page body
  std::string year_header;  // year_header.txt: top of the year page
  std::string below_title;  // below_title.txt: after the calendar title
  std::string footer;       // footer.txt: bottom of every page
  std::string caption;      // caption.txt: before the month name
  std::string head;         // head.txt: inside the page head

  bool operator==(const StyleTexts&) const = default;
};

// Reads, in this order, title.txt, header.txt, year_header.txt,
// below_title.txt, footer.txt, caption.txt and head.txt; each file present
// replaces its piece. With `stop_at_missing_required`, a missing title,
// header or footer file stops the load there with NotFound naming the file.
// An unreadable file is IoError and stops the load.
Status LoadStyleTexts(const std::string& folder, bool stop_at_missing_required,
                      StyleTexts* texts);
// Writes all seven files into the folder (which must exist), as UTF-8.
Status SaveStyleTexts(const std::string& folder, const StyleTexts& texts);

// What the Format & Publish window starts from: the style texts and word
// lists of ConfigDir where the files are there, the built-in defaults
// otherwise. A file that is there but cannot be read fails with "Error when
// loadding either title,header,footer,caption,head,months,weehdays,phrases
// text file", a blank and the error text; what was read before stays. A
// "phrases.txt" in ConfigDir is not read: its rows are not weekday names.
Status LoadWindowDefaults(const TDir& dir, StyleTexts* texts,
                          LanguageTexts* language);

}  // namespace almanix::publish
