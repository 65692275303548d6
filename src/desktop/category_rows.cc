#include "desktop/category_rows.h"

#include "store/event_queries.h"

namespace almanix::desktop {

std::string CategoryRows::Sql(int category) {
  return " Select Summary, Calendars, F1, F2, F3, rChoice, rWeekly, rMonthly, rActiveMonths, "
         "rEnds, sDate, iMonth, iDay from events where Calendars LIKE " +
         store::SqlQuote("%," + std::to_string(category) + ",%") + " order by sTime asc ";
}

Result<const std::vector<CategoryRows::Row>*> CategoryRows::For(store::Database& db,
                                                                 int category) {
  std::optional<store::RowsStamp> before = db.StampOf("events");
  if (before && category == category_ && *before == stamp_) return &rows_;

  Drop();
  store::Query events(db);
  if (Status s = events.Open(Sql(category)); !s.ok()) return s;
  ++reads_;
  const int summary = events.ColumnIndex("Summary");
  const int start_day = events.ColumnIndex("sDate");
  const int ends = events.ColumnIndex("rEnds");
  auto text = [&](const char* name, int column) -> std::optional<std::string> {
    if (events.IsNull(name)) return std::nullopt;
    return events.AsStringAt(column);
  };
  rows_.reserve(static_cast<size_t>(events.RecordCount()));
  for (Status walk = events.First(); walk.ok() && !events.Eof(); walk = events.Next()) {
    rows_.push_back({store::ParsedEvent::Parse(store::ReadEventRow(events)),
                     events.AsStringAt(summary), text("sDate", start_day),
                     text("rEnds", ends)});
  }
  // Kept only when nothing wrote in between: the stamp then stands for
  // exactly the rows read.
  if (before && db.StampOf("events") == before) {
    category_ = category;
    stamp_ = *before;
  }
  return &rows_;
}

void CategoryRows::Drop() {
  rows_.clear();
  category_ = 0;
}

}  // namespace almanix::desktop
