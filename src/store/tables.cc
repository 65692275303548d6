#include "store/tables.h"

#include <algorithm>
#include <optional>

#include "app/encoding.h"
#include "app/log.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "store/db_engine.h"

namespace almanix::store {
namespace {

std::vector<ColumnSpec> WithNumbered(std::vector<ColumnSpec> columns,
                                     const char* const* names, int count,
                                     const char* type) {
  for (int i = 0; i < count; ++i) columns.push_back({names[i], type});
  return columns;
}

constexpr const char* kDescriptionN[] = {
    "Description3", "Description4",  "Description5",  "Description6",
    "Description7", "Description8",  "Description9",  "Description10",
    "Description11", "Description12", "Description13", "Description14",
    "Description15"};

constexpr const char* kDataN[] = {
    "Data1",  "Data2",  "Data3",  "Data4",  "Data5",  "Data6",  "Data7",  "Data8",
    "Data9",  "Data10", "Data11", "Data12", "Data13", "Data14", "Data15", "Data16",
    "Data17", "Data18", "Data19", "Data20", "Data21", "Data22", "Data23", "Data24",
    "Data25", "Data26", "Data27", "Data28", "Data29", "Data30"};

}  // namespace

const std::vector<ColumnSpec>& EventsColumns() {
  static const std::vector<ColumnSpec> columns = WithNumbered(
      {{"ID", "autoinc"},           {"CalendarID", "char(8)"},
       {"EventID", "char(2)"},      {"iYear", "char(4)"},
       {"iDay", "char(2)"},         {"iMonth", "char(2)"},
       {"iEvent", "char(2)"},       {"iTime", "char(3)"},
       {"sDate", "char(64)"},       {"sTime", "char(32)"},
       {"sDateTime", "char(64)"},   {"eDateTime", "char(64)"},
       {"eDate", "char(64)"},       {"eTime", "char(64)"},
       {"caption", "char(64)"},     {"rChoice", "char(1)"},
       {"rWeekly", "char(24)"},     {"rMonthly", "char(128)"},
       {"rActiveMonths", "char(32)"}, {"rEnds", "char(64)"},
       {"Summary", "char(64)"},     {"Description", "char(255)"},
       {"Location", "char(255)"},   {"URL", "char(255)"},
       {"Status", "char(255)"},     {"Visible", "char(5)"},
       {"Allday", "char(1)"},       {"alarm", "char(1)"},
       {"Calendars", "char(255)"},  {"ShowStartTime", "char(1)"},
       {"ShowEndTime", "char(1)"},  {"FontColor", "char(12)"},
       {"FontSize", "char(12)"},    {"underline", "char(1)"},
       {"center", "char(1)"},       {"custom", "char(2)"},
       {"F1", "char(255)"},         {"F2", "char(255)"},
       {"F3", "char(255)"},         {"F4", "char(255)"},
       {"F5", "char(255)"},         {"IconName", "char(255)"},
       {"LinkDescription", "char(255)"}, {"LocationName", "char(255)"},
       {"TimeZone", "char(24)"},    {"LinkNewWindow", "char(1)"},
       {"AppendDate", "char(1)"},   {"AppendCategory", "char(1)"},
       {"ScrollShow", "char(1)"},   {"CellColor", "char(12)"},
       {"SlidePhoto", "char(64)"},  {"ScrollPhoto", "char(64)"}},
      kDescriptionN, 13, "char(255)");
  return columns;
}

const std::vector<ColumnSpec>& EventsUpgradeColumns() {
  static const std::vector<ColumnSpec> columns = WithNumbered(
      {{"ScrollShow", "char(1)"},    {"CellColor", "char(12)"},
       {"SlidePhoto", "char(64)"},   {"ScrollPhoto", "char(64)"},
       {"AppendDate", "char(1)"},    {"AppendCategory", "char(1)"},
       {"LinkNewWindow", "char(1)"}, {"TimeZone", "char(24)"},
       {"IconName", "char(255)"},    {"LinkDescription", "char(255)"},
       {"LocationName", "char(255)"}, {"F1", "char(255)"},
       {"F2", "char(255)"},          {"F3", "char(255)"},
       {"F4", "char(255)"},          {"F5", "char(255)"}},
      kDescriptionN, 13, "char(255)");
  return columns;
}

const std::vector<ColumnSpec>& CategoryColumns() {
  static const std::vector<ColumnSpec> columns = {{"ID", "autoinc"},
                                                  {"Name", "char(64)"},
                                                  {"Visible", "char(5)"},
                                                  {"URL", "char(12)"},
                                                  {"icon", "char(64)"}};
  return columns;
}

const std::vector<ColumnSpec>& DayColumns() {
  static const std::vector<ColumnSpec> columns = WithNumbered(
      {{"ID", "autoinc"},          {"iDay", "char(2)"},
       {"iMonth", "char(2)"},      {"ShortDay", "char(8)"},
       {"ShortMonth", "char(8)"},  {"LongDay", "char(32)"},
       {"LongMonth", "char(32)"},  {"DayofWeek", "char(8)"},
       {"WeekOfYear", "char(8)"},  {"WeekOfMonth", "char(8)"},
       {"State", "char(1)"},       {"ENABLED", "char(1)"},
       {"dt", "TIMESTAMP"},        {"Canada", "char(255)"},
       {"US", "char(255)"},        {"OtherHoliday", "char(255)"},
       {"UK", "char(255)"},        {"Bar", "char(255)"}},
      kDataN, 30, "char(255)");
  return columns;
}

std::string ColumnList(const std::vector<ColumnSpec>& columns) {
  std::string out = "( ";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) out += ", ";
    out += columns[i].name;
    out += " ";
    out += columns[i].type;
  }
  return out + ")";
}

Status CreateTable(Database& db, std::string_view name,
                   const std::vector<ColumnSpec>& columns, TLog* log, UiSeam* ui) {
  if (log) log->Info("DB1.CreateTable." + std::string(name));
  Status s = db.DropFiles(name);
  if (s.ok()) s = db.Execute("CREATE TABLE " + std::string(name) + ColumnList(columns));
  if (!s.ok() && ui) {
    ui->ShowMessage("Failed to create '" + std::string(name) + "' . " + s.message(),
                    MessageKind::kError);
  }
  return s;
}

Status CreateEventsTable(Database& db, TLog* log, UiSeam* ui) {
  return CreateTable(db, "Events", EventsColumns(), log, ui);
}

Status UpgradeEventsTable(Database& db, TLog* log) {
  // Each column is looked up in the schema the engine read on attaching the
  // file: listing all 65 columns (or preparing a select of them) at every
  // start cost more than the rest of opening the table.
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const ColumnSpec& c : EventsUpgradeColumns()) n.emplace_back(c.name);
    return n;
  }();
  const std::optional<std::vector<bool>> present = db.HasColumns("Events", names);
  if (!present) {
    // No such table, or no file for it: the query says which.
    Query q(db);
    if (Status s = q.Open("Select * from Events where 1=0"); !s.ok()) return s;
    return Status::Invalid("the events table cannot be read");
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if ((*present)[i]) continue;
    const ColumnSpec& c = EventsUpgradeColumns()[i];
    Status s = db.Execute(std::string("ALTER TABLE Events ADD ") + c.name + " " + c.type);
    if (!s.ok()) return s;
    if (log) log->Info(std::string("Events.AddedField : ") + c.name);
  }
  return Status::Ok();
}

const std::vector<std::string>& DescriptionColumns() {
  static const std::vector<std::string> columns = [] {
    std::vector<std::string> c{"Description", "F5"};
    for (const char* n : kDescriptionN) c.emplace_back(n);
    return c;
  }();
  return columns;
}

std::string ReadDescription(const Query& q) {
  std::string text;
  for (const std::string& column : DescriptionColumns()) text += q.AsString(column);
  return text;
}

Status WriteDescription(Query& q, std::string_view text) {
  std::string rest(text);
  for (const std::string& column : DescriptionColumns()) {
    std::string block = Utf8Left(rest, kDescriptionBlock);
    rest.erase(0, block.size());
    if (!q.HasField(column)) continue;  // an old table without the column
    if (Status s = q.SetString(column, block); !s.ok()) return s;
  }
  return Status::Ok();
}

std::string ReadGridDescription(const Query& q) {
  return q.AsString("Description") + q.AsString("F5");
}

Status WriteGridDescription(Query& q, std::string_view text) {
  std::string first = Utf8Left(text, kDescriptionBlock);
  if (Status s = q.SetString("Description", first); !s.ok()) return s;
  // F5 is a 255-character column too: what does not fit there is lost.
  return q.SetString("F5", text.substr(first.size()));
}

Status PostIfEditing(Query& q) {
  if (q.state() == Query::State::kEdit || q.state() == Query::State::kInsert) {
    return q.Post();
  }
  return Status::Ok();
}

Status EnsureOneVisibleCategory(Query& categories) {
  if (!categories.active() || categories.IsEmpty()) return Status::Ok();
  Status walk = categories.First();
  for (; walk.ok() && !categories.Eof(); walk = categories.Next()) {
    if (categories.AsString("visible") == "True") return Status::Ok();
  }
  if (!walk.ok()) return walk;
  if (Status s = categories.First(); !s.ok()) return s;
  if (Status s = categories.Edit(); !s.ok()) return s;
  if (Status s = categories.SetString("visible", "True"); !s.ok()) return s;
  return categories.Post();
}

Result<bool> FindInQuery(Query& q, std::string_view column, std::string_view value) {
  for (Status walk; !q.Eof(); walk = q.Next()) {
    if (!walk.ok()) return walk;
    if (q.AsString(column) == value) return true;
  }
  if (Status s = q.First(); !s.ok()) return s;
  return false;
}

}  // namespace almanix::store
