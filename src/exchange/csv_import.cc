#include "exchange/csv_import.h"

#include <algorithm>
#include <span>
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
#include "exchange/foreign_text.h"
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

// The widths of the columns an import fills from the file (char(n)).
constexpr size_t kSummaryWidth = 64;
constexpr size_t kTextWidth = 255;

// A stranger's text as the columns keep it.
std::string StoredText(std::string_view value, size_t width) {
  return CutForeignText(Trim(ForeignText(ReplaceAll(value, "_", " "))), width);
}

// Trim's rule (every byte up to the blank is one), without a new string.
bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }
void TrimInPlace(std::string* text) {
  size_t end = text->size();
  while (end > 0 && Blank((*text)[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && Blank((*text)[begin])) ++begin;
  text->erase(end);
  text->erase(0, begin);
}
std::string_view TrimmedView(std::string_view text) {
  while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
  return text;
}

// The events already there, by name and start: each key's bytes in one
// text and an open-addressed table of their places, so that 100,000 rows
// cost neither an allocation apiece nor a node each.
class ExistingRows {
 public:
  // The row kept for the key (0: none), or nullptr when the key is new.
  std::int64_t* Find(std::string_view key) {
    if (slots_.empty()) return nullptr;
    const std::uint64_t hash = std::hash<std::string_view>{}(key);
    for (size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      Slot& slot = slots_[i];
      if (slot.length == kEmpty) return nullptr;
      if (slot.hash == hash && Key(slot) == key) return &slot.id;
    }
  }
  // Room for `rows` keys of about `bytes` each, made at once.
  void Reserve(size_t rows, size_t bytes) {
    keys_.reserve(rows * bytes);
    size_t size = 1024;
    while (size < rows * 2) size *= 2;
    if (size > slots_.size()) {
      count_ = 0;
      std::string keys = std::move(keys_);
      std::vector<Slot> old = std::move(slots_);
      slots_.assign(size, Slot{});
      keys_ = std::move(keys);
      for (const Slot& slot : old) {
        if (slot.length != kEmpty) Place(slot);
      }
    }
  }
  // Adds a key not there yet.
  std::int64_t* Add(std::string_view key, std::int64_t id) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    const std::uint64_t hash = std::hash<std::string_view>{}(key);
    size_t i = hash & (slots_.size() - 1);
    while (slots_[i].length != kEmpty) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = Slot{hash, static_cast<std::uint32_t>(keys_.size()),
                     static_cast<std::uint32_t>(key.size()), id};
    keys_.append(key);
    ++count_;
    return &slots_[i].id;
  }

 private:
  static constexpr std::uint32_t kEmpty = UINT32_MAX;
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t offset = 0;  // the keys stay far below 4 GB: a row's key is
                               // at most a few hundred bytes
    std::uint32_t length = kEmpty;
    std::int64_t id = 0;
  };
  std::string_view Key(const Slot& slot) const {
    return std::string_view(keys_).substr(slot.offset, slot.length);
  }
  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<size_t>(1024, old.size() * 2), Slot{});
    count_ = 0;
    for (const Slot& slot : old) {
      if (slot.length != kEmpty) Place(slot);
    }
  }
  void Place(const Slot& slot) {
    size_t i = slot.hash & (slots_.size() - 1);
    while (slots_[i].length != kEmpty) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = slot;
    ++count_;
  }

  std::string keys_;
  std::vector<Slot> slots_;
  size_t count_ = 0;
};

}  // namespace

std::string_view CsvFieldKey(CsvField field) { return kFieldKeys[static_cast<int>(field)]; }

std::string MissingFileMessage(std::string_view path) {
  return "File " + std::string(path) + " does not exist. Click browse to choose a file";
}

std::string LineErrorQuestion(int line, std::string_view reason) {
  return "Could not import event on line " + std::to_string(line) + " Reason : " +
         PrintableText(reason) + ". Should I cancel?";
}

std::string LineErrorMessage(int line, const std::vector<std::string>& fields,
                             std::string_view cause) {
  return "Error importint line " + std::to_string(line) + " " +
         PrintableText(JoinCommaText(fields)) + "\n" + PrintableText(cause);
}

std::string ImportedMessage(int walked, int lines) {
  return "Imported  " + std::to_string(walked) + " out of " + std::to_string(lines) + " lines";
}

int ScanCsvRecords(std::string_view text, int first_line, std::deque<std::string>* joined,
                   std::vector<CsvRecordView>* records) {
  // The file's lines, split at LF, CR LF or CR, and whether each holds an
  // odd number of double quotes, in one pass over the bytes.
  std::vector<std::string_view> lines;
  std::vector<bool> odd;
  {
    const char* const data = text.data();
    const size_t size = text.size();
    size_t begin = 0;
    bool quotes = false;
    for (size_t at = 0; at < size; ++at) {
      const char c = data[at];
      if (c == '"') {
        quotes = !quotes;
      } else if (c == '\n' || c == '\r') {
        lines.emplace_back(data + begin, at - begin);
        odd.push_back(quotes);
        quotes = false;
        if (c == '\r' && at + 1 < size && data[at + 1] == '\n') ++at;
        begin = at + 1;
      }
    }
    if (begin < size) {
      lines.emplace_back(data + begin, size - begin);
      odd.push_back(quotes);
    }
  }
  // A record that opens a quote ends on the next line that opens (so closes)
  // one: with the parity of every line known, each line is read once.
  std::vector<size_t> next_odd(lines.size() + 1, lines.size());
  for (size_t i = lines.size(); i-- > 0;) {
    next_odd[i] = i + 1 < lines.size() && odd[i + 1] ? i + 1 : next_odd[i + 1];
  }
  const size_t first = static_cast<size_t>(std::max(first_line, 1)) - 1;
  if (first < lines.size()) records->reserve(records->size() + lines.size() - first);
  for (size_t i = first; i < lines.size();) {
    CsvRecordView record;
    record.line = static_cast<int>(i) + 1;
    size_t last = i;
    if (odd[i]) {
      const size_t closing = next_odd[i];
      if (closing < lines.size() && closing - i < static_cast<size_t>(kMaxRecordLines)) {
        last = closing;
      } else {
        record.unclosed = true;
      }
    }
    record.last_line = static_cast<int>(last) + 1;
    if (last == i) {
      record.text = lines[i];
    } else {
      std::string& text_of = joined->emplace_back();
      for (size_t k = i; k <= last; ++k) {
        if (k > i) text_of.push_back('\n');
        text_of.append(lines[k]);
      }
      record.text = text_of;
    }
    records->push_back(record);
    i = last + 1;
  }
  return static_cast<int>(lines.size());
}

CsvText ReadCsvRecords(std::string_view text, int first_line) {
  std::deque<std::string> joined;
  std::vector<CsvRecordView> views;
  CsvText out;
  out.lines = ScanCsvRecords(text, first_line, &joined, &views);
  out.records.reserve(views.size());
  for (const CsvRecordView& v : views) {
    out.records.push_back({v.line, v.last_line, std::string(v.text), v.unclosed});
  }
  return out;
}

std::vector<std::string> SplitCsvFields(std::string_view record) {
  std::vector<std::string> fields;
  SplitCsvFields(record, &fields);
  return fields;
}

void SplitCsvFields(std::string_view record, std::vector<std::string>* fields) {
  size_t count = 0;
  auto next = [&]() -> std::string& {
    if (count == fields->size()) fields->emplace_back();
    std::string& field = (*fields)[count++];
    field.clear();
    return field;
  };
  std::string* current = &next();
  bool quoted = false;
  for (char c : record) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      TrimInPlace(current);
      current = &next();
    } else {
      current->push_back(c);
    }
  }
  TrimInPlace(current);
  fields->resize(count);
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

namespace {

// A run of 1 to 6 digits at `at`, moved past; -1 when there is none. Such a
// run reads as Part reads it.
int Digits(std::string_view text, size_t* at) {
  int n = 0;
  size_t k = *at;
  while (k < text.size() && k - *at < 7 && text[k] >= '0' && text[k] <= '9') {
    n = n * 10 + (text[k++] - '0');
  }
  if (k == *at || k - *at > 6) return -1;
  *at = k;
  return n;
}

bool DateSeparator(char c) { return c == '/' || c == '-' || c == '.'; }

// The common shapes, "12/31/2025" and "7:30 PM", read without the general
// splitting. Nullopt for any other shape, which the general reader takes;
// for the shapes read here both give the same.
std::optional<DayNumber> PlainDate(std::string_view text, CsvDateFormat format) {
  size_t at = 0;
  int m = Digits(text, &at);
  if (m < 0 || at >= text.size() || !DateSeparator(text[at++])) return std::nullopt;
  int d = Digits(text, &at);
  if (d < 0 || at >= text.size() || !DateSeparator(text[at++])) return std::nullopt;
  const size_t year_at = at;
  int y = Digits(text, &at);
  if (y < 0 || at != text.size()) return std::nullopt;
  if (format == CsvDateFormat::kDayMonthYear) std::swap(m, d);
  if (y <= 98 && at - year_at <= 2) y += 2000;
  if (!IsValidDate(y, m, d)) return std::nullopt;
  return EncodeDate(y, m, d);
}

std::optional<double> PlainTime(std::string_view text) {
  size_t at = 0;
  int h = Digits(text, &at);
  if (h < 0 || at >= text.size() || text[at++] != ':') return std::nullopt;
  const int n = Digits(text, &at);
  if (n < 0) return std::nullopt;
  if (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size()) {
    if (at + 2 != text.size() || (text[at + 1] != 'm' && text[at + 1] != 'M')) {
      return std::nullopt;
    }
    const char half = text[at];
    if (half == 'a' || half == 'A') {
      if (h == 12) h = 0;
    } else if (half == 'p' || half == 'P') {
      if (h >= 1 && h <= 11) h += 12;
    } else {
      return std::nullopt;
    }
  }
  if (h > 23 || n > 59) return std::nullopt;
  return EncodeTime(h, n, 0, 0);
}

}  // namespace

Result<DayNumber> CsvDate(std::string_view text, CsvDateFormat format) {
  if (std::optional<DayNumber> plain = PlainDate(text, format)) return *plain;
  if (Trim(text).empty()) return 0;
  std::vector<std::string> parts = SplitCommaText(ReplaceChars(text, "/-.", ','));
  if (parts.size() < 3) return 0;
  int m = Part(parts[0]), d = Part(parts[1]);
  if (format == CsvDateFormat::kDayMonthYear) std::swap(m, d);
  int y = Part(parts[2]);
  if (m < 0 || d < 0 || y < 0) {
    return Status::Invalid("Could not convert date. Needs format (m/d/yyyy) got " +
                           std::string(text));
  }
  // Only a short year is a year of this century: "0001" is the year 1.
  if (y <= 98 && Trim(parts[2]).size() <= 2) y += 2000;
  if (IsValidDate(y, m, d)) return EncodeDate(y, m, d);
  if (std::optional<DayNumber> iso = IsoDate(text)) return *iso;
  return Status::NotFound("no such date: " + std::string(text));
}

Result<double> CsvTime(std::string_view text) {
  if (std::optional<double> plain = PlainTime(text)) return *plain;
  if (Trim(text).empty()) return 0.0;
  const std::string lower = ToLower(text);
  const bool am = lower.find("am") != std::string::npos;
  const bool pm = lower.find("pm") != std::string::npos;
  std::string cleaned = ReplaceAll(ReplaceAll(ReplaceChars(lower, ":-/.", ','), "am", ""), "pm", "");
  std::vector<std::string> parts = SplitCommaText(cleaned);
  if (parts.size() < 2) return 0.0;
  int h = Part(parts[0]), n = Part(parts[1]);
  if (am && h == 12) h = 0;
  if (pm && h >= 1 && h <= 11) h += 12;
  if (h < 0 || n < 0) return Status::Invalid("Could not convert time");
  if (h <= 23 && n <= 59) return EncodeTime(h, n, 0, 0);
  if (std::optional<double> t = ClockTime(text)) return *t;
  return Status::NotFound("no such time: " + std::string(text));
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
  // A UTF-8 file without a mark is the text as it is: no copy.
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  if (!std::string_view(bytes.value()).starts_with(kMark) && IsValidUtf8(bytes.value())) {
    text_ = std::move(bytes.value());
  } else {
    text_ = DecodeText(bytes.value());
  }
  views_.clear();
  joined_.clear();
  records_.clear();
  records_made_ = false;
  lines_ = ScanCsvRecords(text_, 1, &joined_, &views_);
  LoadSettings(path);
  choices_ = {"none"};
  // The records from StartLine are those read from line 1 once one starts on
  // that line: where a record ends depends only on the lines from its start.
  const int start = std::max(settings.start_line, 1);
  const auto first = std::find_if(views_.begin(), views_.end(),
                                  [&](const CsvRecordView& r) { return r.line >= start; });
  if (first != views_.end() && first->line == start) {
    for (std::string& item : ColumnChoices(first->text)) choices_.push_back(item);
  } else {
    const CsvText from_start = ReadCsvRecords(text_, settings.start_line);
    if (!from_start.records.empty()) {
      for (std::string& item : ColumnChoices(from_start.records.front().text)) {
        choices_.push_back(item);
      }
    }
  }
  // A saved column beyond this file's columns falls back to "none".
  for (int& column : settings.columns) {
    if (column < 0 || column >= static_cast<int>(choices_.size())) column = 0;
  }
  return Status::Ok();
}

const std::vector<CsvRecord>& TfrmCSV::records() const {
  if (!records_made_) {
    records_.clear();
    records_.reserve(views_.size());
    for (const CsvRecordView& v : views_) {
      records_.push_back({v.line, v.last_line, std::string(v.text), v.unclosed});
    }
    records_made_ = true;
  }
  return records_;
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
  IgnoreResult(TDir::EnsureDir(dir_.ImportDir), "saving the choices reports a missing folder");
  IniFile ini(SettingsPath(path));
  IgnoreResult(ini.Load(), "a file without saved choices takes the defaults");
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
  if (views_.empty() || !FileExists(path)) {
    if (Status s = LoadFile(path); !s.ok()) return s;
  }
  if (settings.column(CsvField::kEventName) == 0) {
    return Status::Invalid("Choose the column of \"Event Name *\" before importing " + path);
  }
  // The records from StartLine are those loaded, from the one starting on
  // that line on; only a start line inside a record reads the text again.
  const int start_line = std::max(settings.start_line, 1);
  const auto from = std::find_if(views_.begin(), views_.end(), [&](const CsvRecordView& r) {
    return r.line >= start_line;
  });
  std::deque<std::string> reread_joined;
  std::vector<CsvRecordView> reread;
  if (from == views_.end() ? start_line <= lines_ : from->line != start_line) {
    ScanCsvRecords(text_, settings.start_line, &reread_joined, &reread);
  }
  const std::span<const CsvRecordView> records =
      reread.empty() ? std::span<const CsvRecordView>(views_).subspan(
                           static_cast<size_t>(from - views_.begin()))
                     : std::span<const CsvRecordView>(reread);
  CsvImportResult result;
  result.lines = lines_;
  const std::string category = std::to_string(target_category);

  // The events already there, by name and start, for the duplicate
  // policies, each with the row "replace" may rewrite (0: none). That is
  // only a row an import of this category could have written: a one-day
  // event made in this category alone. Rewriting another would move it out
  // of its categories or flatten its repetition into one day.
  ExistingRows existing;
  std::string key;
  auto key_of = [&key](std::string_view summary, std::string_view start) -> const std::string& {
    key.assign(summary);
    key.push_back('\x1f');
    key.append(start);
    return key;
  };
  if (settings.duplicates != CsvDuplicates::kIgnore) {
    // One statement, its rows read as they come: no page of whole rows is
    // kept, and only the columns the check needs are read.
    const std::string only_this = "," + category + ",";
    // Sized once for the rows there (the greatest ID, read from the key's
    // tree without counting the rows) or the file's lines.
    size_t rows = 0;
    if (Status s = db_.ForEachRow("Select max(ID) from Events",
                                  [&](const std::vector<std::string_view>& row) {
                                    rows = static_cast<size_t>(ParseInt(row[0]).value_or(0));
                                  });
        !s.ok()) {
      return s;
    }
    existing.Reserve(std::max(rows, records.size()), 64);
    if (Status s = db_.ForEachRow(
            "Select ID, Summary, sDateTime, CalendarID, Calendars, rChoice from Events "
            "order by ID",
            [&](const std::vector<std::string_view>& row) {
              std::int64_t* id = existing.Find(key_of(row[1], row[2]));
              if (id == nullptr) id = existing.Add(key, 0);
              if (*id == 0 && TrimmedView(row[3]) == category && row[4] == only_this &&
                  TrimmedView(row[5]).empty()) {
                *id = ParseInt(row[0]).value_or(0);
              }
            });
        !s.ok()) {
      return s;
    }
  }

  store::Transaction transaction(db_);
  if (!transaction.status().ok()) return transaction.status();
  // Rows are written through statements prepared once: a prepare per line
  // was most of an import's time.
  store::RowWriter writer(db_, "Events");
  const bool twelve_hours = settings.time_format == CsvTimeFormat::kAmPm;
  constexpr std::string_view kUndone = "The import was undone: no line of the file was kept.";

  result.walked = result.lines;
  const int total = static_cast<int>(records.size());
  int done = 0;
  ui_.Progress(0, total);
  // One set of field strings for every line: their buffers are reused.
  std::vector<std::string> fields;
  for (const CsvRecordView& record : records) {
    if (++done % 20 == 0) ui_.Progress(done, total);
    if (TrimmedView(record.text).empty()) continue;
    ui_.ProcessEvents();
    if (cancel_requested && cancel_requested()) {
      ui_.Progress(0, 0);
      return Status::Cancelled("The import was cancelled: no line of the file was kept.");
    }
    const int line = record.line;
    SplitCsvFields(record.text, &fields);
    if (record.unclosed) {
      ++result.failed;
      ui_.ShowMessage(
          LineErrorMessage(line, fields,
                           result.lines - line < kMaxRecordLines
                               ? "its double quote is not closed by the end of the file; the "
                                 "lines after it were read as lines"
                               : "its double quote is not closed within " +
                                     std::to_string(kMaxRecordLines) +
                                     " lines; the lines after it were read as lines"),
          MessageKind::kError);
      continue;
    }
    static const std::string kNoValue;
    auto value = [&](CsvField f) -> const std::string& {
      const int column = settings.column(f);
      if (column <= 0 || column > static_cast<int>(fields.size())) return kNoValue;
      return fields[static_cast<size_t>(column - 1)];
    };

    // The error flag's reason (the last one set wins, as the line is read in
    // this order), and the first value that is no date or time at all.
    std::string question, line_error;
    auto note = [&](const Status& s) {
      if (s.ok()) return;
      if (s.code() == Status::Code::kInvalid) {
        question = s.message();
      } else if (line_error.empty()) {
        line_error = s.message();
      }
    };
    const std::string& start_time_text = value(CsvField::kStartTime);
    const Result<double> start_time = CsvTime(start_time_text);
    note(start_time.status());
    const std::string& end_time_text = value(CsvField::kEndTime);
    const Result<double> end_time = CsvTime(end_time_text);
    note(end_time.status());
    const std::string name = StoredText(value(CsvField::kEventName), kSummaryWidth);
    if (name.empty()) question = "Event name is blank.";

    const std::string& start_date_text = value(CsvField::kStartDate);
    const Result<DayNumber> start_date = CsvDate(start_date_text, settings.date_format);
    note(start_date.status());
    // Without a readable start date the event would land on 30 December
    // 1899; the line is reported instead.
    if (start_date.ok() && start_date.value() == 0 && question.empty()) {
      question = "Could not convert date. Needs format (m/d/yyyy) got " + start_date_text;
    }
    DayNumber end_date = start_date.value_or(0);
    if (settings.column(CsvField::kEndDate) != 0 &&
        !TrimmedView(value(CsvField::kEndDate)).empty()) {
      const Result<DayNumber> read = CsvDate(value(CsvField::kEndDate), settings.date_format);
      note(read.status());
      end_date = read.value_or(0);
    }

    if (!line_error.empty()) {
      ++result.failed;
      ui_.ShowMessage(LineErrorMessage(line, fields, line_error), MessageKind::kError);
      continue;
    }
    if (!question.empty()) {
      ++result.failed;
      const Answer answer = ui_.Ask(LineErrorQuestion(line, question), Buttons::kYesNo,
                                    stop_on_error ? Answer::kYes : Answer::kNo);
      if (answer == Answer::kYes) {
        result.stopped = true;
        result.walked = record.last_line;
        break;
      }
      continue;
    }

    const DateTimeValue start = DayAndTime(start_date.value(), start_time.value());
    DateTimeValue end = DayAndTime(end_date, end_time.value());
    if (end == 0) end = start;
    const std::string start_text = store::DateValueText(start);
    std::int64_t* found = existing.Find(key_of(name, start_text));
    if (found == nullptr) {
      // Rows imported before texts were escaped hold the file's text as is.
      const std::string raw =
          Utf8Left(Trim(ReplaceAll(value(CsvField::kEventName), "_", " ")), kSummaryWidth);
      if (raw != name) found = existing.Find(key_of(raw, start_text));
    }
    std::int64_t replace_id = 0;
    if (settings.duplicates != CsvDuplicates::kIgnore && found != nullptr) {
      if (settings.duplicates == CsvDuplicates::kSkip) {
        ++result.skipped;
        continue;
      }
      replace_id = *found;
      if (replace_id == 0) ++result.kept_beside;
    }

    const std::string description = StoredText(value(CsvField::kEventDescription), kTextWidth);
    const std::string location = StoredText(value(CsvField::kEventLocation), kTextWidth);
    const bool all_day = Trim(start_time_text).empty() || start_time.value() == end_time.value();
    const bool shows_end = !Trim(end_time_text).empty();
    std::string url = ForeignUrl(value(CsvField::kURL));
    if (ToLower(url).find("http://") == std::string::npos) url = "http://";
    const store::EventDateColumns dates = store::EventDateColumns::For(
        start, end, twelve_hours ? "h:mmam/pm" : "hh:mm ");
    const std::string calendars = "," + category + ",";
    std::vector<store::RowWriter::Value> columns = {
        {"CalendarID", category},
        {"Summary", name},
        {"Description", description},
        {"caption", dates.caption},
        {"Location", location},
        {"sDateTime", dates.s_date_time},
        {"eDateTime", dates.e_date_time},
        {"sDate", dates.s_date},
        {"sTime", dates.s_time},
        {"eTime", dates.e_time},
        {"eDate", dates.e_date},
        {"rEnds", dates.e_date},
        {"iYear", dates.i_year},
        {"iMonth", dates.i_month},
        {"iDay", dates.i_day},
        {"Visible", "True"},
        {"Alarm", "F"},
        {"Calendars", calendars},
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
    std::string link;
    if (url != "http://") {
      link = StoredText(value(CsvField::kURLName), kTextWidth);
      if (link.empty()) link = "link";
      columns.push_back({"LinkDescription", link});
    }
    Status s;
    std::int64_t id = replace_id;
    if (replace_id != 0) {
      s = writer.Update(replace_id, columns);
    } else {
      Result<std::int64_t> inserted = writer.Insert(columns);
      s = inserted.status();
      if (inserted.ok()) id = inserted.value();
    }
    if (!s.ok()) {
      // The tables failed (a full disk, a damaged file): the engine may have
      // rolled the transaction back already, and a row written after that
      // would commit on its own. Nothing more is written; nothing is kept.
      const std::string message =
          LineErrorMessage(line, fields, s.message()) + "\n" + std::string(kUndone);
      LogTo(log_, true, "ImportCSV " + PrintableText(path) + ": " + PrintableText(s.message()));
      ui_.Progress(0, 0);
      return Status::IoError(message);
    }
    ++result.imported;
    if (settings.duplicates != CsvDuplicates::kIgnore) {
      if (found == nullptr) {
        existing.Add(key_of(name, start_text), id);
      } else if (replace_id == 0) {
        *found = id;
      }
    }
  }
  ui_.Progress(0, 0);
  if (Status s = transaction.Commit(); !s.ok()) {
    LogTo(log_, true, "ImportCSV.Commit " + s.message());
    return Status::IoError("Could not import " + path + "\n" + PrintableText(s.message()) +
                           "\n" + std::string(kUndone));
  }
  if (result.kept_beside > 0) {
    ui_.ShowMessage(std::to_string(result.kept_beside) +
                        " lines matched events of another category or repeating events; those "
                        "were left as they are and the lines were added as new events",
                    MessageKind::kWarning);
  }
  if (!quiet) ui_.ShowMessage(ImportedMessage(result.walked, result.lines));
  config_.ImportFilePath = path;
  IgnoreResult(SaveSettings(path), "the import is done; the choices are a convenience");
  LogTo(log_, false, "ImportCSV " + path + ": " + std::to_string(result.imported) + " events");
  return result;
}

}  // namespace almanix::exchange
