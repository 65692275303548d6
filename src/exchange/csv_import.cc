#include "exchange/csv_import.h"

#include <unordered_map>

#include "app/comma_text.h"
#include "app/config.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "app/log.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "store/db_engine.h"
#include "store/event_draft.h"

namespace almanix::exchange {
namespace {

constexpr std::string_view kSection = "import";
constexpr std::string_view kFieldKeys[kCsvFieldCount] = {
    "EventName", "EventDescription", "EventLocation", "URL",    "URLName",
    "StartDate", "StartTime",        "EndDate",       "EndTime"};

// "01".."09" read as "1".."9"; anything that is not a whole number is -1.
int Part(std::string_view text) {
  std::optional<int> n = ParseInt(Trim(text));
  return n && *n >= 0 ? *n : -1;
}

std::string ReplaceChars(std::string_view text, std::string_view chars, char with) {
  std::string out(text);
  for (char& c : out) {
    if (chars.find(c) != std::string_view::npos) c = with;
  }
  return out;
}

// The fallback readers for texts the field formats do not fit: ISO dates
// (2008-01-31) and 24-hour times (19:00[:00]).
std::optional<DayNumber> IsoDate(std::string_view text) {
  std::vector<std::string> parts = Split(Trim(text), '-');
  if (parts.size() != 3 || parts[0].size() != 4) return std::nullopt;
  int y = Part(parts[0]), m = Part(parts[1]), d = Part(parts[2]);
  if (!IsValidDate(y, m, d)) return std::nullopt;
  return EncodeDate(y, m, d);
}

std::optional<double> ClockTime(std::string_view text) {
  std::vector<std::string> parts = Split(Trim(text), ':');
  if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
  int h = Part(parts[0]), n = Part(parts[1]);
  int s = parts.size() == 3 ? Part(parts[2]) : 0;
  if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59) return std::nullopt;
  return EncodeTime(h, n, s, 0);
}

// A failure of one line that no question is asked about.
struct LineFailure {};

}  // namespace

std::string_view CsvFieldKey(CsvField field) { return kFieldKeys[static_cast<int>(field)]; }

std::string MissingFileMessage(std::string_view path) {
  return "File " + std::string(path) + " does not exist. Click browse to choose a file";
}

std::string LineErrorQuestion(int line, std::string_view reason) {
  return "Could not import event on line " + std::to_string(line) + " Reason : " +
         std::string(reason) + ". Should I cancel?";
}

std::string ImportedMessage(int walked, int lines) {
  return "Imported  " + std::to_string(walked) + " out of " + std::to_string(lines) + " lines";
}

std::vector<std::string> CsvRecords(std::string_view text) {
  std::vector<std::string> records;
  std::string current;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == '\n' || c == '\r')) {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      records.push_back(std::move(current));
      current.clear();
      continue;
    }
    current.push_back(c);
  }
  if (!current.empty()) records.push_back(std::move(current));
  return records;
}

std::vector<std::string> SplitCsvFields(std::string_view record) {
  std::vector<std::string> fields;
  std::string current;
  bool quoted = false;
  for (char c : record) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.push_back(Trim(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  fields.push_back(Trim(current));
  return fields;
}

std::vector<std::string> ColumnChoices(std::string_view record) {
  std::string line(record);
  if (line.empty() || line[0] != '"') {
    line = "\"" + ReplaceAll(line, ",", "\",\"");
    line = ReplaceAll(line, ",\"\"", ",\"");
    line = ReplaceAll(line, "\"\",", "\",");
  }
  std::vector<std::string> items;
  int n = 0;
  for (const std::string& item : SplitCommaText(line)) {
    items.push_back(Trim(item + " (Field #" + std::to_string(++n)) + ")");
  }
  return items;
}

DayNumber CsvDate(std::string_view text, CsvDateFormat format, std::string* error) {
  if (Trim(text).empty()) return 0;
  std::vector<std::string> parts = SplitCommaText(ReplaceChars(text, "/-.", ','));
  if (parts.size() < 3) return 0;
  int m = Part(parts[0]), d = Part(parts[1]);
  if (format == CsvDateFormat::kDayMonthYear) std::swap(m, d);
  int y = Part(parts[2]);
  if (m < 0 || d < 0 || y < 0) {
    *error = "Could not convert date. Needs format (m/d/yyyy) got " + std::string(text);
    return 0;
  }
  if (y <= 98) y += 2000;
  if (IsValidDate(y, m, d)) return EncodeDate(y, m, d);
  if (std::optional<DayNumber> iso = IsoDate(text)) return *iso;
  throw LineFailure{};
}

double CsvTime(std::string_view text, std::string* error) {
  if (Trim(text).empty()) return 0;
  const std::string lower = ToLower(text);
  const bool am = lower.find("am") != std::string::npos;
  const bool pm = lower.find("pm") != std::string::npos;
  std::string cleaned = ReplaceAll(ReplaceAll(ReplaceChars(lower, ":-/.", ','), "am", ""), "pm", "");
  std::vector<std::string> parts = SplitCommaText(cleaned);
  if (parts.size() < 2) return 0;
  int h = Part(parts[0]), n = Part(parts[1]);
  if (am && h == 12) h = 0;
  if (pm && h >= 1 && h <= 11) h += 12;
  if (h < 0 || n < 0) {
    *error = "Could not convert time";
    return 0;
  }
  if (h <= 23 && n <= 59) return EncodeTime(h, n, 0, 0);
  if (std::optional<double> t = ClockTime(text)) return *t;
  throw LineFailure{};
}

TfrmCSV::TfrmCSV(TDir& dir, TConfig& config, store::Database& db, UiSeam& ui, TLog* log)
    : dir_(dir), config_(config), db_(db), ui_(ui), log_(log) {}

std::string TfrmCSV::SettingsPath(const std::string& path) const {
  std::string name = BaseName(path);
  const std::string lower = ToLower(name);
  if (lower.ends_with(".csv") || lower.ends_with(".txt")) {
    name = name.substr(0, name.size() - 4);
  }
  return WithTrailingSlash(dir_.ImportDir) + name + ".ini";
}

Status TfrmCSV::LoadFile(const std::string& path) {
  if (!FileExists(path)) return Status::NotFound(MissingFileMessage(path));
  Result<std::string> bytes = ReadFileBytes(path);
  if (!bytes.ok()) return bytes.status();
  records_ = CsvRecords(DecodeText(bytes.value()));
  LoadSettings(path);
  choices_ = {"none"};
  const size_t line = static_cast<size_t>(settings.start_line);
  if (line >= 1 && line <= records_.size()) {
    for (std::string& item : ColumnChoices(records_[line - 1])) choices_.push_back(item);
  }
  // A saved column beyond this file's columns falls back to "none".
  for (int& column : settings.columns) {
    if (column < 0 || column >= static_cast<int>(choices_.size())) column = 0;
  }
  return Status::Ok();
}

void TfrmCSV::LoadSettings(const std::string& path) {
  IniFile ini(SettingsPath(path));
  settings = CsvSettings{};
  if (!ini.Load().ok()) return;
  for (int i = 0; i < kCsvFieldCount; ++i) {
    settings.columns[static_cast<size_t>(i)] = ini.ReadInteger(kSection, kFieldKeys[i], 0);
  }
  auto choice = [&](std::string_view key) {
    int v = ini.ReadInteger(kSection, key, 0);
    return v == 1 ? 1 : 0;
  };
  settings.date_format = static_cast<CsvDateFormat>(choice("cboDateFormat"));
  settings.time_format = static_cast<CsvTimeFormat>(choice("cboTimeformat"));
  if (ini.ReadInteger(kSection, "duplicate_ignore", 0) == 1) {
    settings.duplicates = CsvDuplicates::kIgnore;
  } else if (ini.ReadInteger(kSection, "duplicate_skip", 0) == 1) {
    settings.duplicates = CsvDuplicates::kSkip;
  } else {
    settings.duplicates = CsvDuplicates::kReplace;
  }
  const int start = ini.ReadInteger(kSection, "StartLine", 1);
  settings.start_line = start >= 1 && start <= 9999 ? start : 1;
}

Status TfrmCSV::SaveSettings(const std::string& path) const {
  (void)TDir::EnsureDir(dir_.ImportDir);
  IniFile ini(SettingsPath(path));
  (void)ini.Load();
  ini.WriteString(kSection, "FilePath", path);
  for (int i = 0; i < kCsvFieldCount; ++i) {
    ini.WriteInteger(kSection, kFieldKeys[i], settings.columns[static_cast<size_t>(i)]);
  }
  ini.WriteInteger(kSection, "cboDateFormat", static_cast<int>(settings.date_format));
  ini.WriteInteger(kSection, "cboTimeformat", static_cast<int>(settings.time_format));
  ini.WriteInteger(kSection, "duplicate_replace", settings.duplicates == CsvDuplicates::kReplace);
  ini.WriteInteger(kSection, "duplicate_ignore", settings.duplicates == CsvDuplicates::kIgnore);
  ini.WriteInteger(kSection, "duplicate_skip", settings.duplicates == CsvDuplicates::kSkip);
  ini.WriteInteger(kSection, "StartLine", settings.start_line);
  return ini.Save();
}

Status TfrmCSV::StartImport(const std::string& path) {
  if (!FileExists(path)) {
    ui_.ShowMessage(MissingFileMessage(path), MessageKind::kError);
    return Status::NotFound(MissingFileMessage(path));
  }
  if (ui_.Ask(kImportQuestion, Buttons::kYesNo, Answer::kYes) != Answer::kYes) {
    return Status::Cancelled("import not started");
  }
  Result<CsvImportResult> r = Import(path, false);
  return r.ok() ? Status::Ok() : r.status();
}

Result<CsvImportResult> TfrmCSV::Import(const std::string& path, bool quiet) {
  if (records_.empty() || !FileExists(path)) {
    if (Status s = LoadFile(path); !s.ok()) return s;
  }
  CsvImportResult result;
  result.lines = static_cast<int>(records_.size());

  // Existing events by name and start, for the duplicate policies.
  std::unordered_map<std::string, std::string> existing;
  auto key_of = [](const std::string& summary, const std::string& start) {
    return summary + '\x1f' + start;
  };
  if (settings.duplicates != CsvDuplicates::kIgnore) {
    store::Query all(db_);
    if (Status s = all.Open("Select ID, Summary, sDateTime from Events"); !s.ok()) return s;
    for (Status walk = all.First(); walk.ok() && !all.Eof(); walk = all.Next()) {
      existing.emplace(key_of(all.AsString("Summary"), all.AsString("sDateTime")),
                       all.AsString("ID"));
    }
  }

  store::Transaction transaction(db_);
  if (!transaction.status().ok()) return transaction.status();
  store::Query q(db_);
  const std::string category = std::to_string(target_category);
  const bool twelve_hours = settings.time_format == CsvTimeFormat::kAmPm;

  const int first = std::max(1, settings.start_line);
  for (int line = first; line <= result.lines; ++line) {
    result.walked = line;
    const std::string& record = records_[static_cast<size_t>(line - 1)];
    if (Trim(record).empty()) continue;
    ui_.ProcessEvents();
    const std::vector<std::string> fields = SplitCsvFields(record);
    auto value = [&](CsvField f) -> std::string {
      const int column = settings.column(f);
      if (column <= 0 || column > static_cast<int>(fields.size())) return "";
      return fields[static_cast<size_t>(column - 1)];
    };
    std::string error;
    try {
      const std::string start_time_text = value(CsvField::kStartTime);
      const double start_time = CsvTime(start_time_text, &error);
      const double end_time = CsvTime(value(CsvField::kEndTime), &error);
      const std::string name = ReplaceAll(value(CsvField::kEventName), "_", " ");
      if (name.empty()) error = "Event name is blank.";
      const std::string description = ReplaceAll(value(CsvField::kEventDescription), "_", " ");
      const std::string location = ReplaceAll(Trim(value(CsvField::kEventLocation)), "_", " ");

      const std::string start_date_text = value(CsvField::kStartDate);
      const DayNumber start_date = CsvDate(start_date_text, settings.date_format, &error);
      // Without a readable start date the event would land on 30 December
      // 1899; the line is reported instead.
      if (start_date == 0 && error.empty()) {
        error = "Could not convert date. Needs format (m/d/yyyy) got " + start_date_text;
      }
      const DateTimeValue start = start_date + start_time;
      DayNumber end_date = start_date;
      if (settings.column(CsvField::kEndDate) != 0 && !Trim(value(CsvField::kEndDate)).empty()) {
        end_date = CsvDate(value(CsvField::kEndDate), settings.date_format, &error);
      }
      DateTimeValue end = end_date + end_time;
      if (end == 0) end = start;

      if (!error.empty()) {
        ++result.failed;
        const Answer answer = ui_.Ask(LineErrorQuestion(line, error), Buttons::kYesNo,
                                      stop_on_error ? Answer::kYes : Answer::kNo);
        if (answer == Answer::kYes) {
          result.stopped = true;
          break;
        }
        continue;
      }

      const std::string start_text = store::DateValueText(start);
      Status s;
      auto found = existing.find(key_of(name, start_text));
      if (settings.duplicates != CsvDuplicates::kIgnore && found != existing.end()) {
        if (settings.duplicates == CsvDuplicates::kSkip) {
          ++result.skipped;
          continue;
        }
        s = q.Open("Select * from Events where ID = " + store::SqlQuote(found->second));
        if (s.ok()) s = q.Edit();
      } else {
        s = q.Open("Select * from Events where 1=0");
        if (s.ok()) s = q.Append();
      }
      const bool all_day = Trim(start_time_text).empty() || start_time == end_time;
      const bool shows_end = !Trim(value(CsvField::kEndTime)).empty();
      std::string url = Trim(value(CsvField::kURL));
      if (url.empty() || ToLower(url).find("http://") == std::string::npos) url = "http://";
      const std::pair<const char*, std::string> columns[] = {
          {"CalendarID", category},
          {"Summary", name},
          {"Description", description},
          {"caption", FormatDateTime(twelve_hours ? "h:mmam/pm" : "hh:mm ", start)},
          {"Location", location},
          {"sDateTime", start_text},
          {"eDateTime", store::DateValueText(end)},
          {"sDate", std::to_string(DatePart(start))},
          {"sTime", std::to_string(store::TimeCode(start))},
          {"eTime", std::to_string(store::TimeCode(end))},
          {"eDate", std::to_string(DatePart(end))},
          {"rEnds", std::to_string(DatePart(end))},
          {"iYear", FormatDateTime("yyyy", start)},
          {"iMonth", FormatDateTime("m", start)},
          {"iDay", FormatDateTime("d", start)},
          {"Visible", "True"},
          {"Alarm", "F"},
          {"Calendars", "," + category + ","},
          {"Allday", all_day ? "T" : "F"},
          {"ShowStartTime", all_day ? "F" : "T"},
          {"ShowEndTime", !all_day && shows_end ? "T" : "F"},
          {"FontColor", "#000000"},
          {"FontSize", "8"},
          {"Underline", "F"},
          {"Center", "F"},
          {"Custom", "F"},
          {"URL", url},
      };
      for (const auto& [column, text] : columns) {
        if (s.ok()) s = q.SetString(column, text);
      }
      if (s.ok() && url != "http://") {
        const std::string link = Trim(value(CsvField::kURLName));
        s = q.SetString("LinkDescription", link.empty() ? "link" : link);
      }
      if (s.ok()) s = q.Post();
      if (!s.ok()) {
        q.Cancel();
        throw LineFailure{};
      }
      ++result.imported;
      if (found == existing.end()) existing.emplace(key_of(name, start_text), q.AsString("ID"));
    } catch (const LineFailure&) {
      ++result.failed;
      ui_.ShowMessage("Error importint line " + std::to_string(line) + " " +
                          JoinCommaText(fields),
                      MessageKind::kError);
    }
  }
  if (Status s = transaction.Commit(); !s.ok()) {
    LogTo(log_, true, "ImportCSV.Commit " + s.message());
    return s;
  }
  if (!quiet) ui_.ShowMessage(ImportedMessage(result.walked, result.lines));
  config_.ImportFilePath = path;
  (void)SaveSettings(path);
  LogTo(log_, false, "ImportCSV " + path + ": " + std::to_string(result.imported) + " events");
  return result;
}

}  // namespace almanix::exchange
