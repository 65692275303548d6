#pragma once

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"

namespace almanix {
class TConfig;
class TDir;
class TLog;
class UiSeam;
namespace store {
class Database;
}
}  // namespace almanix

// "Import From CSV": one one-day event per line of a comma-separated file,
// into one category. Which column holds which value, the date and time
// formats, the duplicate policy and the first line are remembered per file.
namespace almanix::exchange {

// The nine values a column can be chosen for, in the window's order.
enum class CsvField {
  kEventName,
  kEventDescription,
  kEventLocation,
  kURL,
  kURLName,
  kStartDate,
  kStartTime,
  kEndDate,
  kEndTime,
};
inline constexpr int kCsvFieldCount = 9;
// The key of each in the per-file settings ("EventName" ...).
std::string_view CsvFieldKey(CsvField field);

enum class CsvDateFormat { kMonthDayYear, kDayMonthYear };  // "m/d/yyyy", "d/m/yyyy"
enum class CsvTimeFormat { kAmPm, kTwentyFour };             // "am/pm", "24 hour"
enum class CsvDuplicates {
  kReplace,  // "Replace duplicate entries with items imported"
  kIgnore,   // "Allow duplicate entries to be created"
  kSkip,     // "Do not import duplicate items"
};

struct CsvSettings {
  // Per field: 0 = "none", n = column n of the line.
  std::array<int, kCsvFieldCount> columns{};
  CsvDateFormat date_format = CsvDateFormat::kMonthDayYear;
  CsvTimeFormat time_format = CsvTimeFormat::kAmPm;
  CsvDuplicates duplicates = CsvDuplicates::kReplace;
  int start_line = 1;  // 1..9999

  int& column(CsvField f) { return columns[static_cast<size_t>(f)]; }
  int column(CsvField f) const { return columns[static_cast<size_t>(f)]; }
};

// A record of a CSV text: one line, or several when a quoted field holds
// line breaks (spreadsheets export notes that way). Lines are counted from 1
// as the file has them.
struct CsvRecord {
  int line = 0;       // the file line it starts on
  int last_line = 0;  // the file line it ends on
  std::string text;   // its lines joined by "\n"
  // A double quote on `line` is still open at the end of the file, or after
  // kMaxRecordLines lines: the record is that line alone, and the lines
  // after it are read as lines again.
  bool unclosed = false;
};
inline constexpr int kMaxRecordLines = 200;

struct CsvText {
  std::vector<CsvRecord> records;
  int lines = 0;  // lines of the whole file; a final line break adds none
};
// The records from file line `first_line` on; the lines before it are not
// read at all (a header may hold anything).
CsvText ReadCsvRecords(std::string_view text, int first_line = 1);
// A record as a view into the file's text, or into `joined` for one of
// several lines (joined by "\n").
struct CsvRecordView {
  int line = 0;
  int last_line = 0;
  std::string_view text;
  bool unclosed = false;
};
// What ReadCsvRecords reads, without copying the text: the views point into
// `text` and `joined`, which must outlive them. Returns the file's line count.
int ScanCsvRecords(std::string_view text, int first_line, std::deque<std::string>* joined,
                   std::vector<CsvRecordView>* records);
// The fields of a record: quotes group (and are dropped), commas outside
// quotes separate, each field trimmed.
std::vector<std::string> SplitCsvFields(std::string_view record);
// The same into `fields`, whose strings are reused line after line.
void SplitCsvFields(std::string_view record, std::vector<std::string>* fields);
// The sample items the column choices offer, from one record: each item +
// " (Field #" + n + ")".
std::vector<std::string> ColumnChoices(std::string_view record);

// A date or time read from a field; an empty text, or one of fewer than
// three (two) parts, gives 0 without an error. Parts that are not numbers
// give an Invalid status with the reason the line's question names ("Could
// not convert date. Needs format (m/d/yyyy) got ..."); numbers that make no
// date or time give NotFound ("no such date: 2/30/2008"), a line error.
// A year of one or two digits up to 98 is taken as 20yy.
Result<DayNumber> CsvDate(std::string_view text, CsvDateFormat format);
Result<double> CsvTime(std::string_view text);

// The messages of the import.
inline constexpr std::string_view kImportQuestion =
    "Are you sure you really want import this file into the selected calendar?";
std::string MissingFileMessage(std::string_view path);
std::string LineErrorQuestion(int line, std::string_view reason);
// "Error importint line " + line + " " + the fields as comma text, and the
// cause on a second line; control characters of the file are escaped.
std::string LineErrorMessage(int line, const std::vector<std::string>& fields,
                             std::string_view cause);
std::string ImportedMessage(int walked, int lines);

struct CsvImportResult {
  int lines = 0;     // lines of the file
  int walked = 0;    // file lines walked through up to where the import stopped
  int imported = 0;  // rows written (inserted or replaced)
  int failed = 0;    // lines not imported because of an error
  int skipped = 0;   // duplicates left out
  // Lines whose duplicate was not the import's to replace (another
  // category's event, a repeating or hand-made one): added beside it.
  int kept_beside = 0;
  bool stopped = false;
};

class TfrmCSV {
 public:
  TfrmCSV(TDir& dir, TConfig& config, store::Database& db, UiSeam& ui, TLog* log);

  // Loads the file: its records, the column choices from line StartLine,
  // then the file's saved settings. NotFound when the file does not exist.
  Status LoadFile(const std::string& path);
  // The per-file settings file in ImportDir: the file's name with ".csv" or
  // ".txt" replaced by ".ini" (".ini" added to any other name).
  std::string SettingsPath(const std::string& path) const;
  Status SaveSettings(const std::string& path) const;

  // "Start Import": the missing-file message, the question, the import.
  Status StartImport(const std::string& path);
  // Imports every record from StartLine into the target category, in one
  // transaction: a stop keeps the lines before it, a failure of the tables
  // or a cancel keeps nothing and is the error returned (its cause named
  // once). The progress bar moves through the seam every 20 lines. With
  // `quiet` the final count is not shown. Invalid when no column is chosen
  // for the event name.
  Result<CsvImportResult> Import(const std::string& path, bool quiet);

  CsvSettings settings;
  int target_category = 1;
  // The answer a line error's question gets when the interface gives the
  // default (the command line): No goes on with the next line.
  bool stop_on_error = false;
  // Asked between lines: true stops the import and undoes it (the person
  // pressed Cancel on the progress window). Import then returns Cancelled.
  std::function<bool()> cancel_requested;

  // The records from line 1, copied out of the text when first asked for.
  const std::vector<CsvRecord>& records() const;
  // "none" and the sample items.
  const std::vector<std::string>& choices() const { return choices_; }

 private:
  void LoadSettings(const std::string& path);

  TDir& dir_;
  TConfig& config_;
  store::Database& db_;
  UiSeam& ui_;
  TLog* log_;
  std::string text_;
  // The records as views into text_ and joined_; records() copies them.
  std::vector<CsvRecordView> views_;
  std::deque<std::string> joined_;
  mutable std::vector<CsvRecord> records_;
  mutable bool records_made_ = false;
  int lines_ = 0;  // of the whole file
  std::vector<std::string> choices_;
};

}  // namespace almanix::exchange
