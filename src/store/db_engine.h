#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/status.h"

struct sqlite3;
struct sqlite3_stmt;

// The table engine: every table is its own SQLite database file in one
// folder, named after the table with ".db" and found without regard to case
// (Events.db, Calendar2010.db, Year2010.db). SQL names tables as the program
// always has ("Select * from events where ..."); the engine attaches the file
// of each table a statement names, so unqualified names just work.
//
// Column types: "autoinc" is the integer key, "char(n)" text cut to n
// characters when written through a query, "TIMESTAMP" text. Text compares
// exactly and case-sensitively, LIKE included; LOWER() is the way to ignore
// case.
namespace almanix::store {

// 'text' with inner quotes doubled: the one way values enter SQL text.
std::string SqlQuote(std::string_view value);

struct FieldDef {
  std::string name;
  std::string type;  // "autoinc", "char", "TIMESTAMP", or the declared type
  int size = 0;      // n of char(n), else 0
};

// What a cache of a table's rows compares to know they are still the
// table's rows (see Database::StampOf).
struct RowsStamp {
  std::uint64_t generation = 0;  // engine events that may change rows unseen
  std::int64_t changes = 0;      // rows written through this connection
  std::int64_t data_version = 0;  // commits of other connections to the file
  bool operator==(const RowsStamp&) const = default;
};

// Sets SQLite up for this program before its first connection: without a
// global count of its memory, which made every allocation of the library
// take a lock that nothing here reads, and without a lock on each
// connection, as no connection is ever used by two threads (the library
// still guards what connections share). Everything that opens a connection
// calls it; after the library's first use it changes nothing.
void PrepareSqlite();

class Database {
 public:
  Database();
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Points the engine at a folder of table files (trailing "/" optional).
  // Detaches every table of the previous folder.
  Status Open(const std::string& folder);
  void Close();
  bool is_open() const { return db_ != nullptr; }
  const std::string& folder() const { return folder_; }

  // The path of the table's file, found without regard to case; empty when
  // there is none.
  std::string TableFile(std::string_view table) const;
  bool TableExists(std::string_view table) const {
    return !TableFile(table).empty();
  }

  // Forgets the table and deletes its files (name.db and the index file
  // name.px of older folders), found without regard to case. Done before a
  // table is created anew.
  Status DropFiles(std::string_view table);

  // Opens a table file read-only on its own and runs SQLite's quick check;
  // an error (with SQLite's words) when the file is damaged or no table file.
  // The checks are for files nothing else writes meanwhile (a calendar
  // file's, just unpacked): they read without locks, unless a journal lies
  // beside the file.
  static Status CheckFile(const std::string& path);
  // A table file from elsewhere is trusted only as a plain table of ours:
  // one table named `table` (without regard to case) made of columns
  // "autoinc", "char(n)", "TIMESTAMP" and nothing more (no constraints,
  // defaults or generated columns), beside only SQLite's own
  // sqlite_sequence. Any view, trigger, index or other object fails, naming
  // it. On success *columns gets the column names in lower case.
  static Status CheckPlainTable(const std::string& path, std::string_view table,
                                std::vector<std::string>* columns);
  // Both checks on one connection: `damage` is CheckFile's verdict and,
  // only when that passes, `plain` and `columns` CheckPlainTable's.
  struct TableFileCheck {
    Status damage;
    Status plain;
    std::vector<std::string> columns;
  };
  static TableFileCheck CheckTableFile(const std::string& path, std::string_view table);

  // Every statement is stopped (failing with "the statement ran too long
  // and was stopped") once it has taken this many engine steps, so nothing
  // can run without end. The default is far above what any of our
  // statements takes on the largest calendars.
  static constexpr std::uint64_t kDefaultStepBudget = 100'000'000;
  void set_step_budget(std::uint64_t steps) { step_budget_ = steps; }

  // Runs a statement that returns no rows (CREATE, ALTER, DELETE, ...).
  Status Execute(std::string_view sql);
  // Runs one statement with its ? parameters bound as text (nullopt: NULL).
  Status ExecuteWith(std::string_view sql,
                     const std::vector<std::optional<std::string>>& params);
  // Runs a query and hands each row to `row` as it is read, its values as
  // texts (empty for NULL) valid only during the call: for walking many rows
  // without keeping them, as a Query does.
  Status ForEachRow(std::string_view sql,
                    const std::function<void(const std::vector<std::string_view>&)>& row);
  // Number of rows the last Execute changed.
  int changes() const;

  // Groups many writes into one transaction.
  Status Begin();
  Status Commit();
  Status Rollback();
  bool in_transaction() const { return transaction_depth_ > 0; }

  // Equal stamps of a table, taken at two times, mean its rows have not
  // changed in between: any row written through this engine (in any
  // table), a transaction begun or ended, a statement that writes or
  // changes a table's columns, a new folder, a table file attached or dropped, or a commit by another
  // connection or process to the table's file gives a new stamp. nullopt
  // inside a transaction (its writes may still be undone) and when the
  // table cannot be read: nothing may be cached then.
  std::optional<RowsStamp> StampOf(std::string_view table);

  // The table's columns in creation order; empty when it cannot be read.
  std::vector<FieldDef> TableFields(std::string_view table);
  // For each column, whether the table has it (found without regard to
  // case), from the schema the engine has already read; nullopt when the
  // table cannot be read.
  std::optional<std::vector<bool>> HasColumns(std::string_view table,
                                              const std::vector<std::string>& columns);

  // The engine's side of a prepared statement; used by Query.
  struct Prepared {
    sqlite3_stmt* stmt = nullptr;
    ~Prepared();
  };
  Result<std::unique_ptr<Prepared>> Prepare(std::string_view sql);
  std::string LastError() const;
  sqlite3* handle() { return db_; }

 private:
  // Attaches the files of the tables the statement names; creates the file
  // for CREATE TABLE and qualifies the name so the table lands in it.
  Result<std::string> Route(std::string_view sql);
  Status Attach(const std::string& table, const std::string& file);
  std::string SchemaOf(const std::string& table) const;
  void DetachIdle();
  static int OnProgress(void* self);
  // A statement run again gets the whole step budget again.
  void RestartStepBudget() {
    steps_taken_ = 0;
    stopped_ = false;
  }
  friend class RowWriter;

  sqlite3* db_ = nullptr;
  std::uint64_t step_budget_ = kDefaultStepBudget;
  std::uint64_t steps_taken_ = 0;  // by the statement prepared last
  bool stopped_ = false;           // that statement ran out of steps
  std::string folder_;
  int transaction_depth_ = 0;
  std::uint64_t generation_ = 0;  // see StampOf
  // lower-case table name -> schema name; most recently used at the front.
  std::list<std::pair<std::string, std::string>> attached_;
  int next_schema_ = 0;
};

// Commits when asked to, rolls back otherwise.
class Transaction {
 public:
  explicit Transaction(Database& db) : db_(db), status_(db.Begin()) {}
  ~Transaction() {
    if (status_.ok() && !done_) IgnoreResult(db_.Rollback(), "an unfinished one is undone anyway");
  }
  Status Commit() {
    done_ = true;
    return status_.ok() ? db_.Commit() : status_;
  }
  const Status& status() const { return status_; }

 private:
  Database& db_;
  Status status_;
  bool done_ = false;
};

// A query: SQL text opened (its rows read) or executed. A query on one table
// ("Select * from T ...") is live: its current row can be edited, inserted or
// appended, then posted or cancelled. Fields are read and written by name,
// without regard to case.
class Query {
 public:
  enum class State { kInactive, kBrowse, kEdit, kInsert };

  explicit Query(Database& db) : db_(&db) {}
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  void set_database(Database& db) { db_ = &db; }
  // When set, Insert and Append fail with this message (a display query).
  void set_insert_refusal(std::string message) { insert_refusal_ = std::move(message); }

  // Closes, replaces the SQL text and reads the rows.
  Status Open(std::string_view sql);
  // Closes and runs the SQL text as a statement without rows.
  Status ExecSql(std::string_view sql);
  // Reads the rows again and stays on the same row number where possible.
  // Posts a pending edit first; when that fails nothing is read again.
  Status Refresh();
  void Close();

  bool active() const { return state_ != State::kInactive; }
  State state() const { return state_; }
  bool live() const { return !table_.empty(); }
  const std::string& sql() const { return sql_; }
  const std::string& table() const { return table_; }

  // Walking. RecNo is 1-based; 0 when there are no rows. Moving posts the
  // row being edited or inserted first. When that post fails the query does
  // not move: the edit stays on its own row, shown and ready to be posted
  // again or cancelled, and the engine's error is returned. Cancelling
  // instead would throw away what the person typed; moving on regardless
  // would show the edit on the next row. Always Ok when nothing is pending.
  Status First();
  Status Next();
  Status Prior();
  Status Last();
  // An error too when there is no row rec_no.
  Status MoveTo(int rec_no);
  bool Eof() const;
  bool Bof() const { return bof_; }
  int RecNo() const;
  int RecordCount() const { return static_cast<int>(rows_.size()); }
  bool IsEmpty() const { return rows_.empty(); }

  // Fields of the current row (or of the row being edited or inserted).
  bool HasField(std::string_view name) const;
  const std::vector<FieldDef>& FieldDefs() const { return fields_; }
  std::string AsString(std::string_view name) const;
  // The column's position, found once for reading many rows by position;
  // -1 when the query has no such column.
  int ColumnIndex(std::string_view name) const { return FieldIndex(name); }
  // The value at a position of the current row; empty for NULL, no row or
  // a position of -1.
  std::string AsStringAt(int index) const;
  // The value as a whole number; fallback when it is empty or not one.
  int AsInteger(std::string_view name, int fallback = 0) const;
  double AsFloat(std::string_view name, double fallback = 0) const;
  bool IsNull(std::string_view name) const;
  // Writing needs the edit or insert state. Numbers are stored as their
  // decimal text; char(n) fields keep their first n characters.
  Status SetString(std::string_view name, std::string_view value);
  Status SetInteger(std::string_view name, long long value);
  Status SetFloat(std::string_view name, double value);
  Status SetNull(std::string_view name);

  // Live editing.
  Status Edit();
  Status Insert();
  Status Append();
  Status Post();
  void Cancel();
  // Deletes the current row from the table.
  Status Delete();

 private:
  // The row being edited or inserted.
  struct Row {
    std::int64_t rowid = 0;
    std::vector<std::optional<std::string>> values;
  };
  // A read row: all values in one buffer, so reading a month of events
  // costs a few allocations a row instead of one a field.
  struct PackedRow {
    std::int64_t rowid = 0;
    std::string data;
    std::vector<std::uint32_t> starts;  // one a field, plus the end
    std::vector<bool> nulls;
  };
  static PackedRow Pack(const Row& row);
  static Row Unpack(const PackedRow& row);
  int FieldIndex(std::string_view name) const;
  Status Load();
  // Posts the row being edited or inserted, if any.
  Status PostPending();
  // The value of field i of the current row; nullopt for NULL or no row.
  std::optional<std::string_view> Value(int i) const;
  Status RequireEditing(std::string_view name, int* index);

  Database* db_;
  std::string sql_;
  std::string run_sql_;  // the text run, with the row key asked for
  std::string table_;    // the one table of a live query
  std::vector<FieldDef> fields_;
  std::unordered_map<std::string, int> index_;  // lower-case name -> column
  std::vector<PackedRow> rows_;
  int pos_ = 0;          // index into rows_
  bool bof_ = true;
  bool eof_ = true;
  std::vector<bool> dirty_;  // columns written since Edit or Insert
  State state_ = State::kInactive;
  Row edit_;             // the row being edited or inserted
  int insert_at_ = 0;
  std::string insert_refusal_;
};

// Writes rows of one table through statements prepared once per set of
// columns, for bulk work (an import of 100,000 lines) where a live query's
// prepare-per-row would cost most of the time. Values are written as a live
// query's Post writes them: as text, char(n) columns cut to n characters.
class RowWriter {
 public:
  RowWriter(Database& db, std::string table);
  ~RowWriter();
  RowWriter(const RowWriter&) = delete;
  RowWriter& operator=(const RowWriter&) = delete;

  struct Value {
    std::string_view column;
    std::string_view text;
  };
  // Inserts a row of these values (the others NULL); returns its row key.
  Result<std::int64_t> Insert(const std::vector<Value>& values);
  // Sets these values of the row with that key; the others stay.
  Status Update(std::int64_t rowid, const std::vector<Value>& values);

 private:
  // A prepared statement and, per value, the char(n) width of its column
  // (0: not cut), found once rather than for every row.
  struct Statement {
    std::unique_ptr<Database::Prepared> prepared;
    std::vector<int> widths;
    bool update = false;
    std::vector<std::string> columns;
  };
  Result<Statement*> StatementFor(bool update, const std::vector<Value>& values);
  Status Run(Statement* statement, const std::vector<Value>& values,
             std::optional<std::int64_t> rowid);

  Database& db_;
  std::string table_;
  std::vector<FieldDef> fields_;
  // "i" or "u" and the column names -> the statement.
  std::unordered_map<std::string, std::unique_ptr<Statement>> statements_;
  // The one used last: bulk work writes the same columns row after row.
  Statement* last_ = nullptr;
};

}  // namespace almanix::store
