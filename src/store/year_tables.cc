#include "store/year_tables.h"

#include <array>
#include <optional>

#include "app/comma_text.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "app/log.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "store/db_engine.h"
#include "store/tables.h"

namespace almanix::store {
namespace {

struct Holiday {
  const char* column;
  const char* name;
  int month;  // 0: from the item's letter
};

// The order they are applied in: Canada first, then US; a later holiday of
// the same set on the same day replaces the earlier name.
constexpr Holiday kHolidays[] = {
    {"Canada", "New Year", 1},        {"Canada", "Good Friday", 0},
    {"Canada", "Easter Monday", 0},   {"Canada", "Victoria Day", 5},
    {"Canada", "Canada Day", 7},      {"Canada", "Civic Holiday", 8},
    {"Canada", "Labour Day", 9},      {"Canada", "Thanksgiving Day", 10},
    {"Canada", "Remembrance Day", 11}, {"Canada", "Christmas Day", 12},
    {"Canada", "Boxing Day", 12},     {"US", "New Year", 1},
    {"US", "Inauguration Day", 1},    {"US", "Martin Luther King Day", 1},
    {"US", "Presidents Day", 2},      {"US", "Good Friday", 0},
    {"US", "Memorial Day", 5},        {"US", "Independence Day", 7},
    {"US", "Labor Day", 9},           {"US", "Columbus Day", 10},
    {"US", "Election Day", 11},       {"US", "Veterans Day", 11},
    {"US", "Thanksgiving", 11},       {"US", "Christmas Day", 12},
};

struct DayRow {
  int day = 0;  // 0 for a filler row
  int month = 0;
  std::string canada, us;
};

}  // namespace

std::string DayTimestamp(DayNumber day) { return std::to_string(day); }

YearTables::YearTables(Database& db, std::vector<std::string> calendar_list,
                       std::string config_dir, TLog* log, UiSeam* ui)
    : db_(db),
      calendar_list_(std::move(calendar_list)),
      config_dir_(WithTrailingSlash(config_dir)),
      log_(log),
      ui_(ui) {}

bool YearTables::Exists(int year) const {
  return db_.TableExists("year" + std::to_string(year));
}

Status YearTables::Generate(std::string_view year_text) {
  int year = ParseInt(year_text).value_or(2010);
  if (year < 1 || year > 9999) year = 2010;
  std::string y = std::to_string(year);
  if (log_) log_->Info("DB1.GenerateTable." + y);

  Status first = CreateTable(db_, "Year" + y, DayColumns(), log_, ui_);
  Status calendar = CreateTable(db_, "Calendar" + y, CategoryColumns(), log_, ui_);
  if (first.ok()) first = calendar;

  // The grid of each month: w - 1 leading fillers, the days, and trailing
  // fillers up to 35 cells when the month fits in five weeks.
  std::vector<DayRow> rows;
  for (int m = 1; m <= 12; ++m) {
    int w = DayOfWeek(EncodeDate(year, m, 1));
    int n = DaysInMonth(year, m);
    for (int i = 0; i < w - 1; ++i) rows.push_back({0, m, "", ""});
    for (int d = 1; d <= n; ++d) rows.push_back({d, m, "", ""});
    for (int i = 0; i < 36 - w - n; ++i) rows.push_back({0, m, "", ""});
  }

  if (year >= kFirstHolidayYear) {
    IniFile files[2] = {IniFile(config_dir_ + "Canada.ini"), IniFile(config_dir_ + "US.ini")};
    IgnoreResult(files[0].Load(), "a missing holiday file leaves its dates empty");
    IgnoreResult(files[1].Load(), "a missing holiday file leaves its dates empty");
    for (const Holiday& h : kHolidays) {
      bool canada = std::string_view(h.column) == "Canada";
      std::vector<std::string> items =
          SplitCommaText(files[canada ? 0 : 1].ReadString("Holidays", h.name, ""));
      if (items.empty()) continue;
      size_t index = static_cast<size_t>(year - kFirstHolidayYear);
      if (index >= items.size()) {
        // The file ends before this year: the rest of the year stays bare.
        if (ui_) {
          ui_->ShowMessage("Could not add holidays for year : '" + y + "'",
                           MessageKind::kError);
        }
        break;
      }
      std::string item = items[index];
      int month = h.month;
      if (month == 0) {
        if (item.find('M') != std::string::npos) month = 3;
        if (item.find('A') != std::string::npos) month = 4;
        item = ReplaceAll(ReplaceAll(item, "M", ""), "A", "");
      }
      std::optional<int> day = ParseInt(item);
      if (!day) continue;
      for (DayRow& r : rows) {
        if (r.day == *day && r.month == month) {
          (canada ? r.canada : r.us) = h.name;
          break;
        }
      }
    }
  }

  Transaction tx(db_);
  if (!tx.status().ok()) return tx.status();
  if (calendar.ok()) {
    size_t count = std::min<size_t>(calendar_list_.size(), 30);
    for (size_t i = 0; i < count; ++i) {
      Status s = db_.ExecuteWith(
          "INSERT INTO Calendar" + y + " (Name, Visible) VALUES (?, ?)",
          {Utf8Left(calendar_list_[i], 64), std::string("True")});
      if (!s.ok()) return s;
    }
  }
  if (db_.TableExists("Year" + y)) {
    const std::string insert_day =
        "INSERT INTO Year" + y +
        " (iDay, iMonth, ShortDay, ShortMonth, LongDay, LongMonth, DayofWeek,"
        " ENABLED, dt, Canada, US) VALUES (?, ?, ?, ?, ?, ?, ?, 'T', ?, ?, ?)";
    const std::string insert_filler =
        "INSERT INTO Year" + y + " (iMonth, ENABLED) VALUES (?, 'F')";
    for (const DayRow& r : rows) {
      Status s;
      if (r.day == 0) {
        s = db_.ExecuteWith(insert_filler, {std::to_string(r.month)});
      } else {
        DayNumber date = EncodeDate(year, r.month, r.day);
        int w = DayOfWeek(date);
        auto text_or_null = [](const std::string& t) -> std::optional<std::string> {
          if (t.empty()) return std::nullopt;
          return t;
        };
        s = db_.ExecuteWith(
            insert_day,
            {std::to_string(r.day), std::to_string(r.month),
             std::string(ShortDayName(w)), std::string(ShortMonthName(r.month)),
             std::string(LongDayName(w)), std::string(LongMonthName(r.month)),
             std::to_string(w), DayTimestamp(date), text_or_null(r.canada),
             text_or_null(r.us)});
      }
      if (!s.ok()) return s;
    }
  }
  if (Status s = tx.Commit(); !s.ok()) return s;
  return first;
}

Status YearTables::EnsureQuiet(DayNumber date) {
  int year = DecodeDate(date).year;
  if (Exists(year)) return Status::Ok();
  Status s = Generate(std::to_string(year));
  if (!s.ok() && ui_) {
    ui_->ShowMessage("Could not create table for year " + std::to_string(year),
                     MessageKind::kError);
  }
  return s;
}

bool YearTables::EnsureAnnounced(std::string_view year_text) {
  std::string y(year_text);
  if (db_.TableExists("year" + y)) return false;
  if (ui_) {
    ui_->ShowMessage("Data for " + y +
                     " has not yet been created. Creating ... please Wait ... ");
  }
  if (!Generate(y).ok()) {
    if (ui_) ui_->ShowMessage("Could not create table for year " + y, MessageKind::kError);
    return false;
  }
  return true;
}

}  // namespace almanix::store
