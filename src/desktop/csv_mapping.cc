#include "desktop/csv_mapping.h"

#include <algorithm>
#include <array>

#include "app/config.h"
#include "app/dates.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/startup.h"
#include "app/text.h"
#include "exchange/foreign_text.h"
#include "store/db.h"
#include "store/db_engine.h"

namespace almanix::desktop {
namespace {

using exchange::CsvField;

// At most this many line problems are listed; the rest are counted.
constexpr size_t kListedProblems = 20;

// A column title reduced to its letters and digits, lower case: "Start
// Date", "start_date" and "StartDate" all give "startdate".
std::string TitleKey(std::string_view title) {
  std::string key;
  for (char c : ToLower(title)) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) key.push_back(c);
  }
  return key;
}

// The column titles each value is recognised by, as spreadsheets and other
// calendars write them.
struct TitleRule {
  CsvField field;
  std::array<std::string_view, 6> keys;
};
constexpr TitleRule kTitleRules[] = {
    {CsvField::kEventName, {"eventname", "subject", "title", "summary", "name", "event"}},
    {CsvField::kEventDescription, {"eventdescription", "description", "notes", "details", "body", ""}},
    {CsvField::kEventLocation, {"eventlocation", "location", "place", "venue", "where", ""}},
    {CsvField::kURLName, {"urlname", "linkname", "linktext", "linkdescription", "", ""}},
    {CsvField::kURL, {"url", "link", "website", "web", "homepage", ""}},
    {CsvField::kStartDate, {"startdate", "date", "begindate", "start", "eventdate", ""}},
    {CsvField::kStartTime, {"starttime", "time", "begintime", "", "", ""}},
    {CsvField::kEndDate, {"enddate", "end", "", "", "", ""}},
    {CsvField::kEndTime, {"endtime", "", "", "", "", ""}},
};

// Spreadsheets save "Unicode text" as UTF-16: a byte order mark, or a NUL
// beside nearly every letter of plain text.
bool IsUtf16(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return true;
  const size_t n = std::min<size_t>(bytes.size(), 400) & ~size_t{1};
  if (n < 4) return false;
  size_t even = 0, odd = 0;
  for (size_t i = 0; i < n; i += 2) {
    if (bytes[i] == '\0') ++even;
    if (bytes[i + 1] == '\0') ++odd;
  }
  return std::max(even, odd) * 10 >= n / 2 * 9 && std::min(even, odd) == 0;
}

std::string Cut(std::string_view text, size_t width) {
  if (Utf8Length(text) <= width) return std::string(text);
  return Utf8Left(text, width) + "...";
}

}  // namespace

void LineProblemSeam::ShowMessage(std::string_view text, MessageKind kind) {
  if (collecting_ && kind != MessageKind::kInformation) {
    problems_.emplace_back(text);
    return;
  }
  ui_.ShowMessage(text, kind);
}

Answer LineProblemSeam::Ask(std::string_view text, Buttons buttons, Answer default_answer) {
  const Answer answer = ui_.Ask(text, buttons, default_answer);
  // A line's question answered "go on" leaves the line out: it is listed.
  if (collecting_ && answer != Answer::kYes) problems_.emplace_back(text);
  return answer;
}

std::vector<std::string> LineProblemSeam::TakeProblems() {
  std::vector<std::string> out;
  out.swap(problems_);
  return out;
}

std::string CsvImportReport::Text() const {
  if (!status.ok()) return status.message();
  std::string text = exchange::ImportedMessage(counts.walked, counts.lines) + "\n" +
                     std::to_string(counts.imported) + " events imported";
  if (counts.failed > 0) {
    text += ", " + std::to_string(counts.failed) + " lines could not be imported";
  }
  if (counts.skipped > 0) {
    text += ", " + std::to_string(counts.skipped) + " duplicate lines left out";
  }
  text += ".";
  if (counts.stopped) {
    text += "\nThe import stopped at line " + std::to_string(counts.walked) +
            " as asked; the events of the lines before it were kept.";
  }
  for (size_t i = 0; i < problems.size() && i < kListedProblems; ++i) {
    text += "\n" + problems[i];
  }
  if (problems.size() > kListedProblems) {
    text += "\n... and " + std::to_string(problems.size() - kListedProblems) + " more";
  }
  return text;
}

CsvMapping::CsvMapping(App& app, store::TDB1& data, UiSeam& ui)
    : app_(app),
      data_(data),
      seam_(ui),
      form_(*app.dir, *app.config, data.db(), seam_, app.log.get()) {}

const std::vector<std::string>& CsvMapping::FieldLabels() {
  static const std::vector<std::string> labels = {
      "Event Name *", "Event Description", "Event Location", "URL",      "URL Name",
      "Start Date",   "Start Time",        "End Date",       "End Time"};
  return labels;
}

Status CsvMapping::Load(const std::string& path) {
  path_.clear();
  items_ = {"none"};
  line_count_ = 0;
  guessed_ = false;
  if (!FileExists(path)) return Status::NotFound(exchange::MissingFileMessage(path));
  Result<std::string> bytes = ReadFileBytes(path);
  if (!bytes.ok()) return bytes.status();
  if (IsUtf16(bytes.value())) {
    return Status::Invalid(path + " is saved as Unicode text (UTF-16). Save it as CSV (UTF-8 "
                                  "or Windows) and import that file.");
  }
  // A text file holds no NUL byte; a picture or an archive nearly always
  // does, and its "lines" would each be asked about.
  if (bytes.value().find('\0') != std::string::npos) {
    return Status::Invalid(path + " is not a text file of comma-separated values; choose a "
                                  ".csv or .txt file.");
  }
  if (Trim(bytes.value()).empty()) {
    return Status::Invalid(path + " is empty: there are no lines to import.");
  }
  if (Status s = form_.LoadFile(path); !s.ok()) return s;
  path_ = path;
  line_count_ = form_.records().empty() ? 0 : form_.records().back().last_line;
  if (!FileExists(form_.SettingsPath(path))) guessed_ = GuessFromHeader();
  BuildItems();
  return Status::Ok();
}

Status CsvMapping::LoadLast() {
  const std::string& last = app_.config->ImportFilePath;
  if (last.empty() || !FileExists(last)) return Status::Ok();
  return Load(last);
}

bool CsvMapping::GuessFromHeader() {
  if (form_.records().empty()) return false;
  const std::vector<std::string> titles = exchange::SplitCsvFields(form_.records().front().text);
  exchange::CsvSettings guess = form_.settings;
  guess.columns = {};
  std::vector<bool> used(titles.size(), false);
  for (const TitleRule& rule : kTitleRules) {
    // The rule's keys in order of preference: "Start Date" before "Date".
    for (std::string_view key : rule.keys) {
      if (key.empty() || guess.column(rule.field) != 0) continue;
      for (size_t i = 0; i < titles.size(); ++i) {
        if (!used[i] && TitleKey(titles[i]) == key) {
          guess.column(rule.field) = static_cast<int>(i) + 1;
          used[i] = true;
          break;
        }
      }
    }
  }
  // A name and a date make it a line of titles, not an event named "Date".
  if (guess.column(CsvField::kEventName) == 0 || guess.column(CsvField::kStartDate) == 0) {
    return false;
  }
  guess.start_line = 2;
  form_.settings = guess;
  return true;
}

void CsvMapping::BuildItems() {
  items_ = {"none"};
  const int start = settings().start_line;
  for (const exchange::CsvRecord& record : form_.records()) {
    if (record.line < start) continue;
    // The first line that holds something gives the samples.
    if (Trim(record.text).empty()) continue;
    for (const std::string& item : exchange::ColumnChoices(record.text)) {
      items_.push_back(Cut(item, kSampleWidth + 12));
    }
    break;
  }
  for (int& column : settings().columns) {
    if (column < 0 || column >= static_cast<int>(items_.size())) column = 0;
  }
}

void CsvMapping::SetStartLine(int line) {
  settings().start_line = std::clamp(line, 1, 9999);
  BuildItems();
}

void CsvMapping::LoadCategories(int year, int current) {
  categories_.clear();
  category_index_ = 0;
  store::Query q(data_.db());
  if (!q.Open(" Select * from calendar" + std::to_string(year)).ok()) return;
  int number = 0;
  for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
    ++number;
    const std::string name = q.AsString("Name");
    if (q.AsString("Visible") != "True" || name.empty()) continue;
    if (number == current) category_index_ = static_cast<int>(categories_.size());
    categories_.push_back({number, name});
  }
}

std::vector<CsvSampleRow> CsvMapping::SampleRows(int count) const {
  std::vector<CsvSampleRow> rows;
  // A file that failed to load leaves no rows of the one before it.
  if (path_.empty()) return rows;
  for (const exchange::CsvRecord& r : form_.records()) {
    if (static_cast<int>(rows.size()) >= count) break;
    if (r.line < settings().start_line || Trim(r.text).empty()) continue;
    CsvSampleRow row{r.line, {}};
    for (const std::string& field : exchange::SplitCsvFields(r.text)) {
      row.fields.push_back(exchange::PrintableText(Cut(field, kSampleWidth)));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string CsvMapping::FileText(int max_lines) const {
  std::string text;
  if (path_.empty()) return text;
  int shown = 0;
  for (const exchange::CsvRecord& r : form_.records()) {
    if (r.last_line > max_lines) {
      text += "... " + std::to_string(line_count_ - shown) + " more lines\n";
      break;
    }
    text += r.text + "\n";
    shown = r.last_line;
  }
  return text;
}

std::vector<std::string> CsvMapping::Preview() const {
  std::vector<std::string> out;
  if (path_.empty()) return out;
  const exchange::CsvRecord* record = nullptr;
  for (const exchange::CsvRecord& r : form_.records()) {
    if (r.line >= settings().start_line && !Trim(r.text).empty()) {
      record = &r;
      break;
    }
  }
  if (record == nullptr) return out;
  const std::vector<std::string> fields = exchange::SplitCsvFields(record->text);
  out.push_back("Line " + std::to_string(record->line) + ":");
  const std::vector<std::string>& labels = FieldLabels();
  for (int f = 0; f < exchange::kCsvFieldCount; ++f) {
    const int column = settings().columns[static_cast<size_t>(f)];
    if (column <= 0) continue;
    const std::string value =
        column <= static_cast<int>(fields.size()) ? fields[static_cast<size_t>(column - 1)] : "";
    std::string line = labels[static_cast<size_t>(f)] + ": " + exchange::PrintableText(Cut(value, 60));
    const auto field = static_cast<CsvField>(f);
    if (field == CsvField::kStartDate || field == CsvField::kEndDate) {
      Result<DayNumber> day = exchange::CsvDate(value, settings().date_format);
      if (!day.ok()) {
        line += "  (not a date: " + day.status().message() + ")";
      } else if (day.value() != 0) {
        line += "  = " + FormatDateTime("d mmmm yyyy", day.value());
      }
    } else if (field == CsvField::kStartTime || field == CsvField::kEndTime) {
      Result<double> time = exchange::CsvTime(value);
      if (!time.ok()) {
        line += "  (not a time: " + time.status().message() + ")";
      } else if (!Trim(value).empty()) {
        line += "  = " + FormatDateTime("hh:nn", time.value());
      }
    }
    out.push_back(line);
  }
  return out;
}

std::optional<std::string> CsvMapping::Problem() const {
  if (path_.empty()) return "Choose a file to import.";
  if (settings().start_line > line_count_) {
    return "The file has " + std::to_string(line_count_) +
           " lines: the first line to import must be one of them.";
  }
  const std::vector<std::string>& labels = FieldLabels();
  if (settings().column(CsvField::kEventName) == 0) {
    return "Choose the column of \"" + labels[0] + "\".";
  }
  // Without a start date every line would be refused one by one.
  if (settings().column(CsvField::kStartDate) == 0) {
    return "Choose the column of \"" + labels[static_cast<size_t>(CsvField::kStartDate)] + "\".";
  }
  if (categories_.empty()) return "There is no category to import into.";
  return std::nullopt;
}

CsvImportReport CsvMapping::Run() {
  CsvImportReport report;
  if (std::optional<std::string> problem = Problem()) {
    report.status = Status::Invalid(*problem);
    return report;
  }
  form_.target_category =
      categories_[static_cast<size_t>(std::clamp<int>(category_index_, 0,
                                                      static_cast<int>(categories_.size()) - 1))]
          .number;
  form_.cancel_requested = cancel_check_;
  seam_.set_collecting(true);
  Result<exchange::CsvImportResult> result = form_.Import(path_, /*quiet=*/true);
  seam_.set_collecting(false);
  report.problems = seam_.TakeProblems();
  if (!result.ok()) {
    report.status = result.status();
    return report;
  }
  report.counts = result.value();
  IgnoreResult(app_.config->Save(), "the import is done; only the remembered file is lost");
  return report;
}

}  // namespace almanix::desktop
