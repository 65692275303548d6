#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"
#include "store/occurrence.h"

namespace almanix {
class UiSeam;
}

namespace almanix::store {

class Query;

// The occurrence columns of the query's current row.
EventRow ReadEventRow(const Query& q);

// Every row of the query parsed once, with its ID, for testing many days.
struct ParsedRow {
  std::string id;
  ParsedEvent event;
};
// Meant for a query just opened; one with an edit that cannot be posted stays
// on that row and gives the rows read so far.
std::vector<ParsedRow> ParseRows(Query& q);

// The events of one day for a category, in the asked order: opens the
// narrowing query, keeps the rows DayEventOccursOn passes and reopens the
// query on exactly those IDs. A day without a day number reads nothing.
Status DayEvents(Query& events, DayNumber day, int category,
                 std::string_view order_column);

// Opens the generator's month query for the ticked categories. With none
// ticked, says "No calendar categories selected, auto selecting the first
// one" and ticks the first (category 1).
Status OpenMonthQuery(Query& events, std::vector<int>& ticked, int month,
                      UiSeam* ui);

}  // namespace almanix::store
