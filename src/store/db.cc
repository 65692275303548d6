#include "store/db.h"

#include "app/dir.h"
#include "app/log.h"
#include "store/tables.h"

namespace almanix::store {

TDB1::TDB1(TLog* log) : log_(log) {
  qCalendar.set_insert_refusal("Inserting not allowed");
}

void TDB1::CloseQueries() {
  for (Query* q : {&qYear, &qYearWrite, &qCalendar, &qCalendarWrite, &qEvents,
                   &qEventsWrite, &qEventsWrite2, &qEventsNew}) {
    q->Close();
  }
}

Status TDB1::Init(const TDir& dir) {
  CloseQueries();
  if (log_) {
    log_->Info("DB.Current_Values:");
    log_->Info("DB.NetFileDir: " + net_file_dir_);
    log_->Info("DB.Private: " + private_dir_);
  }
  net_file_dir_ = dir.NetFileDir;
  private_dir_ = dir.PrivateDir;  // kept for the log: SQLite needs no such folder
  if (Status s = db_.Open(dir.DbDir); !s.ok()) return s;
  if (log_) {
    log_->Info("DB.NetFileDir: " + net_file_dir_);
    log_->Info("DB.Private: " + private_dir_);
  }
  if (db_.TableExists("events")) return UpgradeEventsTable(db_, log_);
  return Status::Ok();
}

void TDB1::Close() {
  CloseQueries();
  db_.Close();
  net_file_dir_.clear();
  private_dir_.clear();
}

}  // namespace almanix::store
