#pragma once

#include <array>
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

// The records of a CSV text: lines, except that a line break inside a
// quoted field belongs to the field (spreadsheets export notes that way).
std::vector<std::string> CsvRecords(std::string_view text);
// The fields of a record: quotes group (and are dropped), commas outside
// quotes separate, each field trimmed.
std::vector<std::string> SplitCsvFields(std::string_view record);
// The sample items the column choices offer, from one record: each item +
// " (Field #" + n + ")".
std::vector<std::string> ColumnChoices(std::string_view record);

// A date or time read from a field. `error` gets the reason when the text
// cannot be read; an empty text gives 0 without an error.
DayNumber CsvDate(std::string_view text, CsvDateFormat format, std::string* error);
double CsvTime(std::string_view text, std::string* error);

// The messages of the import.
inline constexpr std::string_view kImportQuestion =
    "Are you sure you really want import this file into the selected calendar?";
std::string MissingFileMessage(std::string_view path);
std::string LineErrorQuestion(int line, std::string_view reason);
std::string ImportedMessage(int walked, int lines);

struct CsvImportResult {
  int lines = 0;     // records in the file
  int walked = 0;    // records walked through up to where the import stopped
  int imported = 0;  // rows written (inserted or replaced)
  int failed = 0;    // lines not imported because of an error
  int skipped = 0;   // duplicates left out
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
  // keeps nothing. With `quiet` the final count is not shown.
  Result<CsvImportResult> Import(const std::string& path, bool quiet);

  CsvSettings settings;
  int target_category = 1;
  // The answer a line error's question gets when the interface gives the
  // default (the command line): No goes on with the next line.
  bool stop_on_error = false;

  const std::vector<std::string>& records() const { return records_; }
  // "none" and the sample items.
  const std::vector<std::string>& choices() const { return choices_; }

 private:
  void LoadSettings(const std::string& path);

  TDir& dir_;
  TConfig& config_;
  store::Database& db_;
  UiSeam& ui_;
  TLog* log_;
  std::vector<std::string> records_;
  std::vector<std::string> choices_;
};

}  // namespace almanix::exchange
