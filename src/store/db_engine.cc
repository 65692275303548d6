#include "store/db_engine.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>

#include "app/encoding.h"
#include "app/file_util.h"
#include "app/text.h"

namespace almanix::store {

Database::Prepared::~Prepared() {
  if (stmt) sqlite3_finalize(stmt);
}

namespace {

constexpr size_t kMaxAttached = 8;  // the library allows 10 at most
constexpr char kRowKey[] = "__almanix_rowid__";
// Engine steps between two looks at the step budget.
constexpr int kStepsPerCheck = 10000;
// No value or row of ours comes near this (a whole event is under 64 KB);
// a statement that makes more is stopped instead of eating the memory.
constexpr int kMaxValueBytes = 16 << 20;
constexpr char kStoppedMessage[] = "the statement ran too long and was stopped";

struct Token {
  enum Kind { kWord, kString, kQuotedName, kOther } kind;
  size_t begin, end;
  std::string text;  // words in lower case
};

// Just enough of SQL to find table names: words, literals, names in double
// quotes or brackets, and everything else one character at a time.
std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      while (i < sql.size() && sql[i] != '\n') ++i;
    } else if (c == '\'' || c == '"' || c == '[' || c == '`') {
      char close = c == '[' ? ']' : c;
      size_t start = i++;
      std::string text;
      while (i < sql.size()) {
        if (sql[i] == close) {
          if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
            text += close;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        text += sql[i++];
      }
      tokens.push_back({c == '\'' ? Token::kString : Token::kQuotedName, start, i,
                        c == '\'' ? text : ToLower(text)});
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
               static_cast<unsigned char>(c) >= 0x80) {
      size_t start = i;
      while (i < sql.size() &&
             (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_' ||
              sql[i] == '$' || static_cast<unsigned char>(sql[i]) >= 0x80)) {
        ++i;
      }
      tokens.push_back({Token::kWord, start, i, ToLower(sql.substr(start, i - start))});
    } else {
      tokens.push_back({Token::kOther, i, i + 1, std::string(1, c)});
      ++i;
    }
  }
  return tokens;
}

bool IsName(const Token& t) { return t.kind == Token::kWord || t.kind == Token::kQuotedName; }

std::string QuoteName(std::string_view name) {
  return "\"" + ReplaceAll(name, "\"", "\"\"") + "\"";
}

// The table names a statement reads or writes.
std::vector<std::string> TableNames(const std::vector<Token>& t) {
  std::vector<std::string> names;
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    if (t[i].kind != Token::kWord) continue;
    const std::string& w = t[i].text;
    if (w == "from" || w == "join" || w == "into" || w == "update" || w == "table") {
      size_t n = i + 1;
      if (n < t.size() && IsName(t[n])) {
        // A schema-qualified name: the table is the part after the dot.
        if (n + 2 < t.size() && t[n + 1].text == "." && IsName(t[n + 2])) n += 2;
        names.push_back(t[n].text);
      }
    }
  }
  return names;
}

FieldDef MakeField(const std::string& name, std::string declared, bool primary) {
  FieldDef f;
  f.name = name;
  std::string lower = ToLower(declared);
  if (primary && lower.find("int") != std::string::npos) {
    f.type = "autoinc";
  } else if (lower.rfind("char", 0) == 0 || lower.rfind("varchar", 0) == 0) {
    f.type = "char";
    size_t open = lower.find('('), close = lower.find(')');
    if (open != std::string::npos && close != std::string::npos && close > open) {
      f.size = ParseInt(lower.substr(open + 1, close - open - 1)).value_or(0);
    }
  } else if (lower.rfind("timestamp", 0) == 0) {
    f.type = "TIMESTAMP";
  } else {
    f.type = declared;
  }
  return f;
}

std::string FormatFloat(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

}  // namespace

std::string SqlQuote(std::string_view value) {
  return "'" + ReplaceAll(value, "'", "''") + "'";
}

// ---- Database ----

void PrepareSqlite() {
  static std::once_flag once;
  std::call_once(once, [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
  });
}

Database::Database() = default;

Database::~Database() { Close(); }

Status Database::Open(const std::string& folder) {
  if (db_ == nullptr) {
    PrepareSqlite();
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
      std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      db_ = nullptr;
      return Status::IoError(message);
    }
    sqlite3_busy_timeout(db_, 3000);
    // Table files come from archives people send: SQL must not be able to
    // corrupt them on purpose, and nothing stored in them may run code of
    // its own (we never use views or triggers).
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    sqlite3_limit(db_, SQLITE_LIMIT_SQL_LENGTH, kMaxValueBytes);
    sqlite3_limit(db_, SQLITE_LIMIT_TRIGGER_DEPTH, 1);
    sqlite3_progress_handler(db_, kStepsPerCheck, &Database::OnProgress, this);
    sqlite3_exec(db_, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
  }
  while (in_transaction()) IgnoreResult(Rollback(), "closing ends the transaction anyway");
  for (const auto& [table, schema] : attached_) {
    sqlite3_exec(db_, ("DETACH DATABASE " + QuoteName(schema)).c_str(), nullptr,
                 nullptr, nullptr);
  }
  attached_.clear();
  folder_ = WithTrailingSlash(SlashPath(folder));
  ++generation_;
  return Status::Ok();
}

void Database::Close() {
  if (db_ == nullptr) return;
  sqlite3_close_v2(db_);
  db_ = nullptr;
  attached_.clear();
  transaction_depth_ = 0;
  ++generation_;
}

int Database::OnProgress(void* self) {
  auto* db = static_cast<Database*>(self);
  db->steps_taken_ += kStepsPerCheck;
  if (db->steps_taken_ <= db->step_budget_) return 0;
  db->stopped_ = true;
  return 1;  // interrupts the statement
}

std::string Database::LastError() const {
  if (stopped_) return kStoppedMessage;
  return db_ ? sqlite3_errmsg(db_) : "database not open";
}

int Database::changes() const { return db_ ? sqlite3_changes(db_) : 0; }

std::string Database::TableFile(std::string_view table) const {
  if (folder_.empty() || table.empty()) return "";
  std::string path = FindNoCase(folder_, std::string(table) + ".db");
  return FileExists(path) ? path : "";
}

namespace {

// The file as an SQLite address: "file:" and the path, the characters an
// address gives a meaning to written as %XX. An absolute path gets an empty
// authority first, so that one beginning with "//" is not read as a host.
std::string FileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = !path.empty() && path[0] == '/' ? "file://" : "file:";
  for (unsigned char c : path) {
    if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7F) {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri;
}

// A journal or log beside a table file would be rolled into it by the next
// connection that writes: what is checked must then be what the engine
// will read, so such a file is checked the ordinary way.
bool HasCompanions(const std::string& path) {
  return PathExists(path + "-journal") || PathExists(path + "-wal");
}

// A table file opened read-only on its own connection, closed on leaving.
// A file nothing else writes while it is checked (a calendar file's, just
// unpacked into the folder this program has claimed) is opened as
// unchanging: the engine then takes no locks and looks for no journal
// before each read, which was most of the system calls of a check.
class CheckConnection {
 public:
  explicit CheckConnection(const std::string& path) {
    PrepareSqlite();
    const bool unchanging = !HasCompanions(path);
    const std::string name = unchanging ? FileUri(path) + "?immutable=1" : path;
    const int flags = SQLITE_OPEN_READONLY | (unchanging ? SQLITE_OPEN_URI : 0);
    if (sqlite3_open_v2(name.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      status_ = Status::IoError(db_ ? sqlite3_errmsg(db_) : "out of memory");
      return;
    }
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  }
  ~CheckConnection() { sqlite3_close(db_); }
  CheckConnection(const CheckConnection&) = delete;
  CheckConnection& operator=(const CheckConnection&) = delete;

  const Status& status() const { return status_; }
  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
  Status status_;
};

Status QuickCheck(sqlite3* db) {
  sqlite3_stmt* stmt = nullptr;
  std::string verdict;
  if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &stmt, nullptr) == SQLITE_OK) {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      const unsigned char* v = sqlite3_column_text(stmt, 0);
      verdict = v ? reinterpret_cast<const char*>(v) : "";
    } else {
      verdict = sqlite3_errmsg(db);
    }
  } else {
    verdict = sqlite3_errmsg(db);
  }
  sqlite3_finalize(stmt);
  if (verdict == "ok") return Status::Ok();
  return Status::Invalid(verdict);
}

Status PlainTableCheck(sqlite3* db, std::string_view table, std::vector<std::string>* columns);

}  // namespace

Status Database::CheckFile(const std::string& path) {
  CheckConnection db(path);
  if (!db.status().ok()) return db.status();
  return QuickCheck(db.get());
}

Database::TableFileCheck Database::CheckTableFile(const std::string& path,
                                                  std::string_view table) {
  TableFileCheck check;
  // One connection for both: opening it (and parsing the file's schema)
  // is most of what either check costs.
  CheckConnection db(path);
  check.damage = db.status().ok() ? QuickCheck(db.get()) : db.status();
  if (check.damage.ok()) check.plain = PlainTableCheck(db.get(), table, &check.columns);
  return check;
}

namespace {

// The CREATE TABLE text of a plain table of ours: "CREATE TABLE name(" then
// columns "name type" split by commas, the types being INTEGER PRIMARY KEY
// [AUTOINCREMENT] (autoinc), char(n), varchar(n), TIMESTAMP [TEXT] or TEXT,
// and ")". Anything else (a constraint, a default, a generated column, a
// virtual table) is not ours.
bool PlainCreateText(std::string_view sql, std::string_view table,
                     std::vector<std::string>* columns) {
  std::vector<Token> t = Tokenize(sql);
  size_t i = 0;
  auto word = [&](const char* w) {
    if (i < t.size() && t[i].kind == Token::kWord && t[i].text == w) {
      ++i;
      return true;
    }
    return false;
  };
  auto mark = [&](char c) {
    if (i < t.size() && t[i].kind == Token::kOther && t[i].text[0] == c) {
      ++i;
      return true;
    }
    return false;
  };
  auto number = [&] {
    if (i < t.size() && t[i].kind == Token::kWord && !t[i].text.empty() &&
        std::all_of(t[i].text.begin(), t[i].text.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
      ++i;
      return true;
    }
    return false;
  };
  if (!word("create") || !word("table") || i >= t.size() || !IsName(t[i]) ||
      !EqualsIgnoreCase(t[i].text, table)) {
    return false;
  }
  ++i;
  if (!mark('(')) return false;
  for (;;) {
    if (i >= t.size() || !IsName(t[i])) return false;
    columns->push_back(t[i].text);
    ++i;
    if (word("integer")) {
      if (word("primary")) {
        if (!word("key")) return false;
        word("autoincrement");
      }
    } else if (word("char") || word("varchar")) {
      if (!mark('(') || !number() || !mark(')')) return false;
    } else if (word("timestamp")) {
      word("text");
    } else if (!word("text")) {
      return false;
    }
    if (mark(',')) continue;
    if (mark(')')) break;
    return false;
  }
  return i == t.size();
}

}  // namespace

Status Database::CheckPlainTable(const std::string& path, std::string_view table,
                                 std::vector<std::string>* columns) {
  columns->clear();
  CheckConnection db(path);
  if (!db.status().ok()) return db.status();
  return PlainTableCheck(db.get(), table, columns);
}

namespace {

Status PlainTableCheck(sqlite3* db, std::string_view table, std::vector<std::string>* columns) {
  columns->clear();
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_stmt* stmt = nullptr;
  Status verdict;
  bool found = false;
  if (sqlite3_prepare_v2(db, "SELECT type, name, sql FROM sqlite_master", -1, &stmt,
                         nullptr) != SQLITE_OK) {
    verdict = Status::Invalid(sqlite3_errmsg(db));
  }
  while (verdict.ok() && stmt != nullptr) {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      verdict = Status::Invalid(sqlite3_errmsg(db));
      break;
    }
    auto text = [&](int col) {
      const unsigned char* v = sqlite3_column_text(stmt, col);
      return v ? std::string(reinterpret_cast<const char*>(v)) : std::string();
    };
    std::string type = text(0), name = text(1), sql = text(2);
    if (type == "table" && name == "sqlite_sequence" &&
        sql == "CREATE TABLE sqlite_sequence(name,seq)") {
      continue;
    }
    if (type == "table" && !found && EqualsIgnoreCase(name, table)) {
      found = true;
      if (!PlainCreateText(sql, table, columns)) {
        verdict = Status::Invalid("the table " + name + " is not a plain table: " + sql);
      }
      continue;
    }
    verdict = Status::Invalid("it holds the " + type + " " + name +
                              ", which a table file of ours never has");
  }
  sqlite3_finalize(stmt);
  if (verdict.ok() && !found) {
    verdict = Status::Invalid("it holds no table " + std::string(table));
  }
  if (!verdict.ok()) columns->clear();
  return verdict;
}

}  // namespace

Status Database::DropFiles(std::string_view table) {
  ++generation_;
  std::string name = ToLower(table);
  auto it = std::find_if(attached_.begin(), attached_.end(),
                         [&](const auto& a) { return a.first == name; });
  if (it != attached_.end()) {
    if (sqlite3_exec(db_, ("DETACH DATABASE " + QuoteName(it->second)).c_str(),
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
      return Status::IoError(LastError());
    }
    attached_.erase(it);
  }
  for (const char* ext : {".db", ".px"}) {
    std::string path = FindNoCase(folder_, std::string(table) + ext);
    if (!path.empty() && std::remove(path.c_str()) != 0) {
      return Status::IoError("Cannot delete " + path);
    }
  }
  return Status::Ok();
}

std::string Database::SchemaOf(const std::string& table) const {
  for (const auto& [name, schema] : attached_) {
    if (name == table) return schema;
  }
  return "";
}

void Database::DetachIdle() {
  while (attached_.size() >= kMaxAttached && !in_transaction()) {
    const std::string schema = attached_.back().second;
    if (sqlite3_exec(db_, ("DETACH DATABASE " + QuoteName(schema)).c_str(), nullptr,
                     nullptr, nullptr) != SQLITE_OK) {
      return;
    }
    attached_.pop_back();
  }
}

Status Database::Attach(const std::string& table, const std::string& file) {
  // A file attached again may have been changed while it was not.
  ++generation_;
  DetachIdle();
  std::string schema = "t" + std::to_string(next_schema_++);
  sqlite3_stmt* stmt = nullptr;
  std::string sql = "ATTACH DATABASE ? AS " + QuoteName(schema);
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    return Status::IoError(LastError());
  }
  sqlite3_bind_text(stmt, 1, file.c_str(), -1, SQLITE_TRANSIENT);
  int rc = sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return Status::IoError(LastError() + ": " + file);
  attached_.emplace_front(table, schema);
  return Status::Ok();
}

Result<std::string> Database::Route(std::string_view sql) {
  if (db_ == nullptr) return Status::Invalid("database not open");
  std::vector<Token> t = Tokenize(sql);
  bool create = t.size() >= 3 && t[0].text == "create" && t[1].text == "table" &&
                IsName(t[2]);
  for (const std::string& name : TableNames(t)) {
    auto it = std::find_if(attached_.begin(), attached_.end(),
                           [&](const auto& a) { return a.first == name; });
    if (it != attached_.end()) {
      attached_.splice(attached_.begin(), attached_, it);  // recently used
      continue;
    }
    std::string file = TableFile(name);
    if (file.empty() && create && name == t[2].text) {
      file = folder_ + std::string(sql.substr(t[2].begin, t[2].end - t[2].begin));
      if (t[2].kind == Token::kQuotedName) file = folder_ + t[2].text;
      file += ".db";
    }
    if (file.empty()) continue;  // the engine will say "no such table"
    if (Status s = Attach(name, file); !s.ok()) return s;
  }
  if (!create) return std::string(sql);

  // CREATE TABLE lands in the table's own file, with our column types.
  std::string out(sql.substr(0, t[2].begin));
  std::string spelled = t[2].kind == Token::kWord
                            ? std::string(sql.substr(t[2].begin, t[2].end - t[2].begin))
                            : t[2].text;
  out += QuoteName(SchemaOf(t[2].text)) + "." + QuoteName(spelled);
  size_t at = t[2].end;
  for (size_t i = 3; i < t.size(); ++i) {
    out += sql.substr(at, t[i].begin - at);
    std::string_view raw = sql.substr(t[i].begin, t[i].end - t[i].begin);
    if (t[i].kind == Token::kWord && t[i].text == "autoinc") {
      out += "INTEGER PRIMARY KEY AUTOINCREMENT";
    } else if (t[i].kind == Token::kWord && t[i].text == "timestamp") {
      out += "TIMESTAMP TEXT";  // text affinity: the value is kept as written
    } else {
      out += raw;
    }
    at = t[i].end;
  }
  out += sql.substr(at);
  return out;
}

Result<std::unique_ptr<Database::Prepared>> Database::Prepare(std::string_view sql) {
  // Each statement gets the whole budget.
  steps_taken_ = 0;
  stopped_ = false;
  Result<std::string> routed = Route(sql);
  if (!routed.ok()) return routed.status();
  auto prepared = std::make_unique<Prepared>();
  const std::string& text = routed.value();
  if (sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()),
                         &prepared->stmt, nullptr) != SQLITE_OK) {
    return Status::Invalid(LastError());
  }
  if (prepared->stmt == nullptr) return Status::Invalid("empty statement");
  // Writes are counted by SQLite, but CREATE, DROP and ALTER are not.
  if (!sqlite3_stmt_readonly(prepared->stmt)) ++generation_;
  return prepared;
}

Status Database::Execute(std::string_view sql) {
  auto prepared = Prepare(sql);
  if (!prepared.ok()) return prepared.status();
  int rc;
  while ((rc = sqlite3_step(prepared.value()->stmt)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) return Status::IoError(LastError());
  return Status::Ok();
}

Status Database::ForEachRow(
    std::string_view sql, const std::function<void(const std::vector<std::string_view>&)>& row) {
  auto prepared = Prepare(sql);
  if (!prepared.ok()) return prepared.status();
  sqlite3_stmt* stmt = prepared.value()->stmt;
  const int columns = sqlite3_column_count(stmt);
  std::vector<std::string_view> values(static_cast<size_t>(columns));
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) {
      const unsigned char* v = sqlite3_column_text(stmt, c);
      values[static_cast<size_t>(c)] =
          v ? std::string_view(reinterpret_cast<const char*>(v),
                               static_cast<size_t>(sqlite3_column_bytes(stmt, c)))
            : std::string_view();
    }
    row(values);
  }
  if (rc != SQLITE_DONE) return Status::IoError(LastError());
  return Status::Ok();
}

Status Database::ExecuteWith(std::string_view sql,
                             const std::vector<std::optional<std::string>>& params) {
  auto prepared = Prepare(sql);
  if (!prepared.ok()) return prepared.status();
  sqlite3_stmt* stmt = prepared.value()->stmt;
  for (size_t i = 0; i < params.size(); ++i) {
    int n = static_cast<int>(i + 1);
    if (params[i]) {
      sqlite3_bind_text(stmt, n, params[i]->data(), static_cast<int>(params[i]->size()),
                        SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_null(stmt, n);
    }
  }
  if (sqlite3_step(stmt) != SQLITE_DONE) return Status::IoError(LastError());
  return Status::Ok();
}

Status Database::Begin() {
  if (db_ == nullptr) return Status::Invalid("database not open");
  ++generation_;
  if (transaction_depth_++ > 0) return Status::Ok();
  if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
    transaction_depth_ = 0;
    return Status::IoError(LastError());
  }
  return Status::Ok();
}

Status Database::Commit() {
  if (transaction_depth_ == 0) return Status::Invalid("no transaction");
  if (--transaction_depth_ > 0) return Status::Ok();
  ++generation_;
  if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::string message = LastError();
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return Status::IoError(message);
  }
  return Status::Ok();
}

Status Database::Rollback() {
  if (transaction_depth_ == 0) return Status::Invalid("no transaction");
  transaction_depth_ = 0;  // a nested rollback undoes the whole transaction
  ++generation_;
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return Status::Ok();
}

std::optional<RowsStamp> Database::StampOf(std::string_view table) {
  if (db_ == nullptr || in_transaction()) return std::nullopt;
  std::string name = ToLower(table);
  if (!Route("select * from " + QuoteName(name)).ok()) return std::nullopt;
  std::string schema = SchemaOf(name);
  if (schema.empty()) return std::nullopt;
  // Reading the pragma starts a read of the file, which is when SQLite
  // notices another connection's commit.
  std::string sql = "PRAGMA " + QuoteName(schema) + ".data_version";
  sqlite3_stmt* stmt = nullptr;
  std::optional<RowsStamp> stamp;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW) {
    stamp = RowsStamp{generation_, sqlite3_total_changes64(db_),
                      sqlite3_column_int64(stmt, 0)};
  }
  sqlite3_finalize(stmt);
  return stamp;
}

std::vector<FieldDef> Database::TableFields(std::string_view table) {
  std::vector<FieldDef> fields;
  std::string name = ToLower(table);
  // Routing attaches the file; the statement itself reads nothing.
  if (!Route("select * from " + QuoteName(name)).ok()) return fields;
  std::string schema = SchemaOf(name);
  if (schema.empty()) return fields;
  std::string sql = "PRAGMA " + QuoteName(schema) + ".table_info(" + QuoteName(name) + ")";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return fields;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    auto text = [&](int col) {
      const unsigned char* v = sqlite3_column_text(stmt, col);
      return v ? std::string(reinterpret_cast<const char*>(v)) : std::string();
    };
    fields.push_back(MakeField(text(1), text(2), sqlite3_column_int(stmt, 5) > 0));
  }
  sqlite3_finalize(stmt);
  return fields;
}

std::optional<std::vector<bool>> Database::HasColumns(std::string_view table,
                                                       const std::vector<std::string>& columns) {
  std::string name = ToLower(table);
  if (!Route("select * from " + QuoteName(name)).ok()) return std::nullopt;
  std::string schema = SchemaOf(name);
  if (schema.empty()) return std::nullopt;
  auto lookup = [&](const char* column) {
    return sqlite3_table_column_metadata(db_, schema.c_str(), name.c_str(), column, nullptr,
                                         nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
  };
  // Without a column: whether the table is there at all.
  if (!lookup(nullptr)) return std::nullopt;
  std::vector<bool> present;
  present.reserve(columns.size());
  for (const std::string& column : columns) present.push_back(lookup(column.c_str()));
  return present;
}

// ---- Query ----

void Query::Close() {
  state_ = State::kInactive;
  rows_.clear();
  fields_.clear();
  index_.clear();
  table_.clear();
  pos_ = 0;
  bof_ = eof_ = true;
  dirty_.clear();
}

Status Query::Open(std::string_view sql) {
  Close();
  sql_ = std::string(sql);
  // A live query reads one table whole-row: "select * from T [where|order]".
  std::vector<Token> t = Tokenize(sql);
  run_sql_ = sql_;
  if (t.size() >= 4 && t[0].text == "select" && t[1].text == "*" &&
      t[2].text == "from" && IsName(t[3]) &&
      (t.size() == 4 || t[4].text == "where" || t[4].text == "order")) {
    bool single = std::none_of(t.begin() + 4, t.end(), [](const Token& k) {
      return k.kind == Token::kWord &&
             (k.text == "join" || k.text == "from" || k.text == "union" ||
              k.text == "group");
    });
    if (single) {
      table_ = t[3].text;
      run_sql_ = sql_.substr(0, t[1].begin) + "_rowid_ AS " + kRowKey + ", " +
                 sql_.substr(t[1].begin);
    }
  }
  Status s = Load();
  if (!s.ok()) {
    Close();
    return s;
  }
  return First();
}

Status Query::Load() {
  auto prepared = db_->Prepare(run_sql_);
  if (!prepared.ok()) return prepared.status();
  sqlite3_stmt* stmt = prepared.value()->stmt;
  int columns = sqlite3_column_count(stmt);
  int first = live() ? 1 : 0;
  std::vector<FieldDef> table_fields;
  if (live()) table_fields = db_->TableFields(table_);
  fields_.clear();
  index_.clear();
  for (int c = first; c < columns; ++c) {
    std::string name = sqlite3_column_name(stmt, c);
    FieldDef f;
    auto match = std::find_if(table_fields.begin(), table_fields.end(),
                              [&](const FieldDef& d) { return EqualsIgnoreCase(d.name, name); });
    if (match != table_fields.end()) {
      f = *match;
    } else {
      const char* decl = sqlite3_column_decltype(stmt, c);
      f = MakeField(name, decl ? decl : "", false);
    }
    index_.emplace(ToLower(name), static_cast<int>(fields_.size()));
    fields_.push_back(f);
  }
  rows_.clear();
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    PackedRow row;
    if (live()) row.rowid = sqlite3_column_int64(stmt, 0);
    row.starts.reserve(fields_.size() + 1);
    row.nulls.resize(fields_.size());
    for (int c = first; c < columns; ++c) {
      row.starts.push_back(static_cast<std::uint32_t>(row.data.size()));
      const unsigned char* v = sqlite3_column_text(stmt, c);
      if (v == nullptr) {
        row.nulls[c - first] = true;
      } else {
        row.data.append(reinterpret_cast<const char*>(v),
                        static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
      }
    }
    row.starts.push_back(static_cast<std::uint32_t>(row.data.size()));
    rows_.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) return Status::IoError(db_->LastError());
  state_ = State::kBrowse;
  return Status::Ok();
}

Status Query::ExecSql(std::string_view sql) {
  Close();
  sql_ = std::string(sql);
  return db_->Execute(sql);
}

Status Query::Refresh() {
  if (!active()) return Status::Invalid("Query not open");
  if (Status s = PostPending(); !s.ok()) return s;
  int rec = RecNo();
  Status s = Load();
  if (!s.ok()) {
    Close();
    return s;
  }
  if (Status first = First(); !first.ok()) return first;
  if (rec > 1 && RecordCount() > 0) return MoveTo(std::min(rec, RecordCount()));
  return Status::Ok();
}

Status Query::PostPending() {
  if (state_ == State::kEdit || state_ == State::kInsert) return Post();
  return Status::Ok();
}

Status Query::First() {
  if (Status s = PostPending(); !s.ok()) return s;
  pos_ = 0;
  bof_ = true;
  eof_ = rows_.empty();
  return Status::Ok();
}

Status Query::Next() {
  if (Status s = PostPending(); !s.ok()) return s;
  bof_ = false;
  if (pos_ + 1 < static_cast<int>(rows_.size())) {
    ++pos_;
  } else {
    eof_ = true;
  }
  return Status::Ok();
}

Status Query::Prior() {
  if (Status s = PostPending(); !s.ok()) return s;
  eof_ = rows_.empty();
  if (pos_ > 0) {
    --pos_;
  } else {
    bof_ = true;
  }
  return Status::Ok();
}

Status Query::Last() {
  if (Status s = PostPending(); !s.ok()) return s;
  pos_ = std::max(0, static_cast<int>(rows_.size()) - 1);
  eof_ = true;
  bof_ = rows_.empty();
  return Status::Ok();
}

Status Query::MoveTo(int rec_no) {
  if (rec_no < 1 || rec_no > static_cast<int>(rows_.size())) {
    return Status::NotFound("no row " + std::to_string(rec_no));
  }
  if (Status s = PostPending(); !s.ok()) return s;
  pos_ = rec_no - 1;
  bof_ = false;
  eof_ = false;
  return Status::Ok();
}

bool Query::Eof() const { return !active() || eof_; }

int Query::RecNo() const { return rows_.empty() ? 0 : pos_ + 1; }

Query::PackedRow Query::Pack(const Row& row) {
  PackedRow packed;
  packed.rowid = row.rowid;
  packed.nulls.resize(row.values.size());
  for (size_t i = 0; i < row.values.size(); ++i) {
    packed.starts.push_back(static_cast<std::uint32_t>(packed.data.size()));
    if (row.values[i]) {
      packed.data += *row.values[i];
    } else {
      packed.nulls[i] = true;
    }
  }
  packed.starts.push_back(static_cast<std::uint32_t>(packed.data.size()));
  return packed;
}

Query::Row Query::Unpack(const PackedRow& packed) {
  Row row;
  row.rowid = packed.rowid;
  for (size_t i = 0; i + 1 < packed.starts.size(); ++i) {
    if (packed.nulls[i]) {
      row.values.emplace_back(std::nullopt);
    } else {
      row.values.emplace_back(
          packed.data.substr(packed.starts[i], packed.starts[i + 1] - packed.starts[i]));
    }
  }
  return row;
}

std::optional<std::string_view> Query::Value(int i) const {
  if (i < 0) return std::nullopt;
  if (state_ == State::kEdit || state_ == State::kInsert) {
    const auto& v = edit_.values[i];
    if (!v) return std::nullopt;
    return std::string_view(*v);
  }
  if (!active() || rows_.empty()) return std::nullopt;
  const PackedRow& row = rows_[pos_];
  if (row.nulls[i]) return std::nullopt;
  return std::string_view(row.data).substr(row.starts[i], row.starts[i + 1] - row.starts[i]);
}

int Query::FieldIndex(std::string_view name) const {
  auto it = index_.find(ToLower(name));
  return it == index_.end() ? -1 : it->second;
}

bool Query::HasField(std::string_view name) const { return FieldIndex(name) >= 0; }

std::string Query::AsString(std::string_view name) const {
  auto v = Value(FieldIndex(name));
  return v ? std::string(*v) : std::string();
}

std::string Query::AsStringAt(int index) const {
  auto v = Value(index);
  return v ? std::string(*v) : std::string();
}

int Query::AsInteger(std::string_view name, int fallback) const {
  return ParseInt(AsString(name)).value_or(fallback);
}

double Query::AsFloat(std::string_view name, double fallback) const {
  return ParseDouble(AsString(name)).value_or(fallback);
}

bool Query::IsNull(std::string_view name) const {
  return !Value(FieldIndex(name)).has_value();
}

Status Query::RequireEditing(std::string_view name, int* index) {
  if (state_ != State::kEdit && state_ != State::kInsert) {
    return Status::Invalid("Dataset not in edit or insert mode");
  }
  *index = FieldIndex(name);
  if (*index < 0) return Status::NotFound("Field '" + std::string(name) + "' not found");
  return Status::Ok();
}

Status Query::SetString(std::string_view name, std::string_view value) {
  int i = 0;
  if (Status s = RequireEditing(name, &i); !s.ok()) return s;
  const FieldDef& f = fields_[i];
  if (f.type == "char" && f.size > 0) {
    edit_.values[i] = Utf8Left(value, static_cast<size_t>(f.size));
  } else {
    edit_.values[i] = std::string(value);
  }
  dirty_[i] = true;
  return Status::Ok();
}

Status Query::SetInteger(std::string_view name, long long value) {
  return SetString(name, std::to_string(value));
}

Status Query::SetFloat(std::string_view name, double value) {
  return SetString(name, FormatFloat(value));
}

Status Query::SetNull(std::string_view name) {
  int i = 0;
  if (Status s = RequireEditing(name, &i); !s.ok()) return s;
  edit_.values[i].reset();
  dirty_[i] = true;
  return Status::Ok();
}

Status Query::Edit() {
  if (state_ == State::kEdit || state_ == State::kInsert) return Status::Ok();
  if (!live()) return Status::Invalid("Cannot modify a read-only dataset");
  if (rows_.empty()) return Status::Invalid("Cannot edit an empty dataset");
  edit_ = Unpack(rows_[pos_]);
  dirty_.assign(fields_.size(), false);
  state_ = State::kEdit;
  return Status::Ok();
}

Status Query::Insert() {
  if (!insert_refusal_.empty()) return Status::Invalid(insert_refusal_);
  if (!live()) return Status::Invalid("Cannot modify a read-only dataset");
  if (state_ == State::kEdit || state_ == State::kInsert) {
    if (Status s = Post(); !s.ok()) return s;
  }
  edit_ = Row{};
  edit_.values.assign(fields_.size(), std::nullopt);
  dirty_.assign(fields_.size(), false);
  insert_at_ = rows_.empty() ? 0 : pos_;
  state_ = State::kInsert;
  return Status::Ok();
}

Status Query::Append() {
  if (Status s = Insert(); !s.ok()) return s;
  insert_at_ = static_cast<int>(rows_.size());
  return Status::Ok();
}

Status Query::Post() {
  if (state_ != State::kEdit && state_ != State::kInsert) return Status::Ok();
  std::vector<int> columns;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (dirty_[i] && fields_[i].type != "autoinc") columns.push_back(static_cast<int>(i));
  }
  std::string sql;
  if (state_ == State::kEdit) {
    if (columns.empty()) {
      state_ = State::kBrowse;
      return Status::Ok();
    }
    sql = "UPDATE " + QuoteName(table_) + " SET ";
    for (size_t k = 0; k < columns.size(); ++k) {
      if (k) sql += ", ";
      sql += QuoteName(fields_[columns[k]].name) + " = ?";
    }
    sql += " WHERE _rowid_ = ?";
  } else if (columns.empty()) {
    sql = "INSERT INTO " + QuoteName(table_) + " DEFAULT VALUES";
  } else {
    sql = "INSERT INTO " + QuoteName(table_) + " (";
    std::string marks;
    for (size_t k = 0; k < columns.size(); ++k) {
      if (k) {
        sql += ", ";
        marks += ", ";
      }
      sql += QuoteName(fields_[columns[k]].name);
      marks += "?";
    }
    sql += ") VALUES (" + marks + ")";
  }
  auto prepared = db_->Prepare(sql);
  if (!prepared.ok()) return prepared.status();
  sqlite3_stmt* stmt = prepared.value()->stmt;
  int n = 1;
  for (int c : columns) {
    const auto& v = edit_.values[c];
    if (v) {
      sqlite3_bind_text(stmt, n++, v->data(), static_cast<int>(v->size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_null(stmt, n++);
    }
  }
  if (state_ == State::kEdit) sqlite3_bind_int64(stmt, n, edit_.rowid);
  if (sqlite3_step(stmt) != SQLITE_DONE) return Status::IoError(db_->LastError());
  if (state_ == State::kInsert) {
    edit_.rowid = sqlite3_last_insert_rowid(db_->handle());
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (fields_[i].type == "autoinc") edit_.values[i] = std::to_string(edit_.rowid);
    }
    rows_.insert(rows_.begin() + insert_at_, Pack(edit_));
    pos_ = insert_at_;
  } else {
    rows_[pos_] = Pack(edit_);
  }
  state_ = State::kBrowse;
  bof_ = eof_ = false;
  return Status::Ok();
}

void Query::Cancel() {
  if (state_ == State::kEdit || state_ == State::kInsert) state_ = State::kBrowse;
}

Status Query::Delete() {
  if (state_ == State::kInsert) {
    Cancel();
    return Status::Ok();
  }
  Cancel();
  if (!live()) return Status::Invalid("Cannot modify a read-only dataset");
  if (rows_.empty()) return Status::Invalid("Cannot delete from an empty dataset");
  auto prepared = db_->Prepare("DELETE FROM " + QuoteName(table_) + " WHERE _rowid_ = ?");
  if (!prepared.ok()) return prepared.status();
  sqlite3_bind_int64(prepared.value()->stmt, 1, rows_[pos_].rowid);
  if (sqlite3_step(prepared.value()->stmt) != SQLITE_DONE) {
    return Status::IoError(db_->LastError());
  }
  rows_.erase(rows_.begin() + pos_);
  if (pos_ >= static_cast<int>(rows_.size())) {
    pos_ = std::max(0, static_cast<int>(rows_.size()) - 1);
    eof_ = rows_.empty();
  }
  return Status::Ok();
}

}  // namespace almanix::store

namespace almanix::store {

// ---- RowWriter ----

RowWriter::RowWriter(Database& db, std::string table)
    : db_(db), table_(std::move(table)), fields_(db.TableFields(table_)) {}

RowWriter::~RowWriter() = default;

Result<RowWriter::Statement*> RowWriter::StatementFor(bool update,
                                                      const std::vector<Value>& values) {
  auto same = [&](const Statement* s) {
    if (s == nullptr || s->update != update || s->columns.size() != values.size()) return false;
    for (size_t k = 0; k < values.size(); ++k) {
      if (s->columns[k] != values[k].column) return false;
    }
    return true;
  };
  if (same(last_)) return last_;
  std::string key(update ? "u" : "i");
  for (const Value& v : values) {
    key += '\x1f';
    key += v.column;
  }
  auto found = statements_.find(key);
  if (found != statements_.end()) return last_ = found->second.get();
  std::string sql;
  if (update) {
    sql = "UPDATE " + QuoteName(table_) + " SET ";
    for (size_t k = 0; k < values.size(); ++k) {
      if (k) sql += ", ";
      sql += QuoteName(values[k].column) + " = ?";
    }
    sql += " WHERE _rowid_ = ?";
  } else {
    sql = "INSERT INTO " + QuoteName(table_) + " (";
    std::string marks;
    for (size_t k = 0; k < values.size(); ++k) {
      if (k) {
        sql += ", ";
        marks += ", ";
      }
      sql += QuoteName(values[k].column);
      marks += "?";
    }
    sql += ") VALUES (" + marks + ")";
  }
  auto prepared = db_.Prepare(sql);
  if (!prepared.ok()) return prepared.status();
  auto statement = std::make_unique<Statement>();
  statement->prepared = std::move(prepared.value());
  statement->update = update;
  for (const Value& v : values) {
    auto field = std::find_if(fields_.begin(), fields_.end(), [&](const FieldDef& f) {
      return EqualsIgnoreCase(f.name, v.column);
    });
    if (field == fields_.end()) {
      return Status::NotFound("Field '" + std::string(v.column) + "' not found");
    }
    statement->widths.push_back(field->type == "char" ? field->size : 0);
    statement->columns.emplace_back(v.column);
  }
  Statement* kept = statement.get();
  statements_.emplace(std::move(key), std::move(statement));
  return last_ = kept;
}

Status RowWriter::Run(Statement* statement, const std::vector<Value>& values,
                      std::optional<std::int64_t> rowid) {
  sqlite3_stmt* stmt = statement->prepared->stmt;
  sqlite3_reset(stmt);
  int n = 1;
  for (size_t k = 0; k < values.size(); ++k) {
    const std::string_view text = values[k].text;
    const int width = statement->widths[k];
    if (width > 0 && text.size() > static_cast<size_t>(width)) {
      const std::string cut = Utf8Left(text, static_cast<size_t>(width));
      sqlite3_bind_text(stmt, n++, cut.data(), static_cast<int>(cut.size()), SQLITE_TRANSIENT);
    } else {
      // Bound without a copy: the step below runs before the text goes.
      sqlite3_bind_text(stmt, n++, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    }
  }
  if (rowid) sqlite3_bind_int64(stmt, n, *rowid);
  db_.RestartStepBudget();
  const int rc = sqlite3_step(stmt);
  const std::string error = rc == SQLITE_DONE ? std::string() : db_.LastError();
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  if (rc != SQLITE_DONE) return Status::IoError(error);
  return Status::Ok();
}

Result<std::int64_t> RowWriter::Insert(const std::vector<Value>& values) {
  auto statement = StatementFor(false, values);
  if (!statement.ok()) return statement.status();
  if (Status s = Run(statement.value(), values, std::nullopt); !s.ok()) return s;
  return static_cast<std::int64_t>(sqlite3_last_insert_rowid(db_.handle()));
}

Status RowWriter::Update(std::int64_t rowid, const std::vector<Value>& values) {
  auto statement = StatementFor(true, values);
  if (!statement.ok()) return statement.status();
  return Run(statement.value(), values, rowid);
}

}  // namespace almanix::store
