#pragma once

#include <string>
#include <string_view>
#include <vector>

// A first look at an iCalendar text, before libical reads it: where each
// event's block is, on which line, what it is called, and what is wrong
// with its lines. libical quietly drops lines without a colon, rolls
// 30 February over into March and refuses a whole file for one missing
// END; this reader finds those places so the import can name them.
namespace almanix::exchange {

struct IcsBlock {
  size_t begin = 0, end = 0;  // bytes of the block, BEGIN to END line included
  int line = 0;               // line of its BEGIN
  std::string summary;        // unescaped, for messages
  std::string uid;
  bool recurrence_id = false;  // an override of one occurrence
  bool cancelled = false;      // STATUS:CANCELLED
  bool complete = false;       // its END was found
  // What is wrong with its lines: `problems` are reported and the event is
  // kept; `fatal` leaves the event out.
  std::vector<std::string> problems;
  std::vector<std::string> fatal;
};

struct IcsScan {
  bool calendar = false;  // a BEGIN:VCALENDAR or BEGIN:VEVENT was seen
  std::vector<IcsBlock> events;
  std::string zones;      // every VTIMEZONE block, one after the other
  std::string calendar_zone;  // X-WR-TIMEZONE: the zone the calendar was made in
  std::vector<std::string> file_problems;  // not inside an event
};

IcsScan ScanIcs(std::string_view text);

// "20240230" or "20240230T100000Z": false when the date or time cannot
// exist. `what` says why.
bool ValidIcsDateTime(std::string_view value, std::string* what);

}  // namespace almanix::exchange
