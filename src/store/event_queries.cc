#include "store/event_queries.h"

#include "app/ui_seam.h"
#include "store/db_engine.h"

namespace almanix::store {

EventRow ReadEventRow(const Query& q) {
  EventRow e;
  e.calendars = q.AsString("Calendars");
  e.f1 = q.AsString("F1");
  e.f2 = q.AsString("F2");
  e.f3 = q.AsString("F3");
  e.r_choice = q.AsString("rChoice");
  e.r_weekly = q.AsString("rWeekly");
  e.r_monthly = q.AsString("rMonthly");
  e.r_active_months = q.AsString("rActiveMonths");
  e.r_ends = q.AsString("rEnds");
  e.s_date = q.AsString("sDate");
  e.i_month = q.AsString("iMonth");
  e.i_day = q.AsString("iDay");
  return e;
}

std::vector<ParsedRow> ParseRows(Query& q) {
  std::vector<ParsedRow> rows;
  rows.reserve(static_cast<size_t>(q.RecordCount()));
  Status walk = q.First();
  for (; walk.ok() && !q.Eof(); walk = q.Next()) {
    rows.push_back({q.AsString("ID"), ParsedEvent::Parse(ReadEventRow(q))});
  }
  // A pending edit that cannot be posted keeps the query on its row.
  if (walk.ok()) walk = q.First();
  return rows;
}

Status DayEvents(Query& events, DayNumber day, int category,
                 std::string_view order_column) {
  CivilDate date = DecodeDate(day);
  std::string n = std::to_string(day), c = std::to_string(category);
  std::string m = std::to_string(date.month), d = std::to_string(date.day);
  std::string w = std::to_string(DayOfWeek(day));
  if (Status s = events.Open(DayEventsSql(n, c, m, d, w, order_column)); !s.ok()) {
    return s;
  }
  std::vector<std::string> ids;
  Status walk = events.First();
  for (; walk.ok() && !events.Eof(); walk = events.Next()) {
    if (DayEventOccursOn(ReadEventRow(events), c, n, m, w, d)) {
      ids.push_back(events.AsString("ID"));
    }
  }
  if (!walk.ok()) return walk;
  return events.Open(IdsSql(ids, order_column));
}

Status OpenMonthQuery(Query& events, std::vector<int>& ticked, int month,
                      UiSeam* ui) {
  if (ticked.empty()) {
    if (ui) ui->ShowMessage("No calendar categories selected, auto selecting the first one");
    ticked.push_back(1);
  }
  return events.Open(MonthQuerySql(ticked, month));
}

}  // namespace almanix::store
