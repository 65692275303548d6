#include "exchange/event_table.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "app/file_util.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "store/db_engine.h"

namespace almanix::exchange {
namespace fs = std::filesystem;
namespace {

std::string Quoted(std::string_view name) {
  return "\"" + ReplaceAll(name, "\"", "\"\"") + "\"";
}

// One SQLite file opened on its own, closed at the end of the scope.
class RawFile {
 public:
  RawFile(const std::string& path, int flags) {
    store::PrepareSqlite();
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      error_ = db_ ? sqlite3_errmsg(db_) : "cannot open " + path;
    }
  }
  ~RawFile() { sqlite3_close(db_); }
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  sqlite3* get() { return db_; }
  Status Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) {
      return Status::Ok();
    }
    std::string text = message ? message : "SQL failed";
    sqlite3_free(message);
    return Status::IoError(text);
  }

 private:
  sqlite3* db_ = nullptr;
  std::string error_;
};

// The tables of a file, in their order.
std::vector<std::string> Tables(sqlite3* db) {
  std::vector<std::string> names;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid",
                         -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
  }
  sqlite3_finalize(stmt);
  return names;
}

}  // namespace

std::string EventTableName(std::string_view path) {
  return ReplaceAll(BaseName(path), ".db", "");
}

std::string ExportedMessage(std::string_view path) {
  return "Events have Been Exported to " + std::string(path);
}

std::string ImportFinishedMessage(int imported) {
  return "Import finished. " + std::to_string(imported) + " events imported";
}

Status ExportEvents(store::Database& db, const std::string& path, std::optional<int> category,
                    UiSeam& ui) {
  const std::string events = db.TableFile("Events");
  if (events.empty()) return Status::NotFound("there is no events table");
  const std::string name = EventTableName(path);
  if (name.empty()) return Status::Invalid("the file " + path + " has no table name");
  // The copy is made beside the target and renamed over it once complete,
  // so a failed export never leaves half a file in the person's place.
  const std::string temp = path + ".part";
  std::error_code ec;
  fs::copy_file(events, temp, fs::copy_options::overwrite_existing, ec);
  if (ec) return Status::IoError("Cannot write " + path + ": " + ec.message());
  {
    RawFile file(temp, SQLITE_OPEN_READWRITE);
    Status s = file.ok() ? Status::Ok() : Status::IoError(file.error());
    std::string inside;
    for (const std::string& t : Tables(file.get())) {
      if (EqualsIgnoreCase(t, "Events")) inside = t;
    }
    if (s.ok() && inside.empty()) s = Status::IoError("the events file holds no events table");
    if (s.ok() && category) {
      s = file.Exec("DELETE FROM " + Quoted(inside) + " WHERE CalendarID IS NOT " +
                    store::SqlQuote(std::to_string(*category)));
      if (s.ok()) s = file.Exec("VACUUM");
    }
    if (s.ok() && inside != name) {
      s = file.Exec("ALTER TABLE " + Quoted(inside) + " RENAME TO " + Quoted(name));
    }
    if (!s.ok()) {
      fs::remove(temp, ec);
      return s;
    }
  }
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    return Status::IoError("Cannot write " + path + ": " + ec.message());
  }
  ui.ShowMessage(ExportedMessage(path));
  return Status::Ok();
}

Result<int> ImportEvents(store::Database& db, const std::string& path,
                         std::optional<int> category, UiSeam& ui, RunResult* rows_result) {
  if (!FileExists(path)) return Status::NotFound("no file " + path);
  RawFile file(path, SQLITE_OPEN_READONLY);
  if (!file.ok()) return Status::IoError(file.error());
  // The table named after the file; a file holding one table (an export
  // renamed afterwards) is read whatever the table is called.
  const std::vector<std::string> tables = Tables(file.get());
  std::string table;
  for (const std::string& t : tables) {
    if (EqualsIgnoreCase(t, EventTableName(path))) table = t;
  }
  if (table.empty() && tables.size() == 1) table = tables.front();
  if (table.empty()) {
    // A file that is no table file at all says so, not that a table is missing.
    char* error = nullptr;
    if (sqlite3_exec(file.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                     &error) != SQLITE_OK) {
      const std::string why = error ? error : "it cannot be read";
      sqlite3_free(error);
      return Status::Invalid(path + " is not an events table file: " + why);
    }
    return Status::NotFound("no such table: " + EventTableName(path) + " in " + path);
  }
  sqlite3_stmt* rows = nullptr;
  if (sqlite3_prepare_v2(file.get(), ("SELECT * FROM " + Quoted(table)).c_str(), -1, &rows,
                         nullptr) != SQLITE_OK) {
    return Status::IoError(sqlite3_errmsg(file.get()));
  }
  const int columns = sqlite3_column_count(rows);

  store::Transaction transaction(db);
  if (!transaction.status().ok()) {
    sqlite3_finalize(rows);
    return transaction.status();
  }
  store::Query q(db);
  int imported = 0;
  int row = 0;
  const std::string id = category ? std::to_string(*category) : "";
  while (sqlite3_step(rows) == SQLITE_ROW) {
    ++row;
    ui.ProcessEvents();
    Status s = q.Open("Select * from Events where 1=0");
    if (s.ok()) s = q.Append();
    // The first column is the file's own ID; the events table numbers rows.
    for (int c = 1; c < columns && s.ok(); ++c) {
      const char* name = sqlite3_column_name(rows, c);
      const unsigned char* value = sqlite3_column_text(rows, c);
      s = q.SetString(name, value ? reinterpret_cast<const char*>(value) : "");
    }
    if (s.ok() && category) {
      s = q.SetString("CalendarID", id);
      if (s.ok()) s = q.SetString("Calendars", "," + id + ",");
    }
    if (s.ok()) s = q.Post();
    if (s.ok()) {
      ++imported;
    } else {
      q.Cancel();
    }
    if (rows_result) rows_result->Step("row " + std::to_string(row), s);
  }
  sqlite3_finalize(rows);
  if (Status s = transaction.Commit(); !s.ok()) return s;
  ui.ShowMessage(ImportFinishedMessage(imported));
  return imported;
}

}  // namespace almanix::exchange
