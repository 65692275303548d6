#pragma once

#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/dates.h"
#include "app/status.h"

namespace almanix {
class UiSeam;
struct Brand;
namespace store {
class Database;
}
namespace publish {
class PublishSettings;
}
}  // namespace almanix

// The iCalendar file of the published categories (ical.ics), and the main
// window's export of one category and year.
//
// Timed items are written in the local time of the process's zone (TZ) with
// TZID and that zone's VTIMEZONE, so a repeating event keeps its local hour
// across daylight saving for every reader; all-day events and day notes are
// dates. A repeating event keeps one repetition rule; where a rule alone
// cannot give the days the occurrence rule of the store gives (the
// week-number rhythm of "every n weeks" across a year end, week rows of
// several weekdays), the event is written as several items. Texts are the
// pages' HTML made plain text.
namespace almanix::generator {

struct RunContext;
struct EventRecord;
struct DayRecord;

// "Done!!! Export to file '" + path + "' Completed."
std::string ExportDoneMessage(std::string_view path);

// One iCalendar file being assembled.
class TICal {
 public:
  // The PRODID parts of brand.ini.
  struct Product {
    std::string maker, name, version;
  };

  // address: every "http://www." is removed to make the identifiers' host.
  // calendar_name: the identifiers' and CATEGORIES' name; title: the
  // calendar's name for subscribers (X-WR-CALNAME). now: DTSTAMP of every
  // item. Runs of "every n weeks" are cut up to the day `horizon` (a day
  // number), past which the zone's last rules are taken to hold.
  TICal(std::string_view address, std::string calendar_name, std::string title, Product product,
        std::time_t now, DayNumber horizon);

  // A day-note item for the note of category c on the row's day (of year),
  // when the row has a day and a month and the trimmed note is not empty.
  void AddDayNote(int year, const DayRecord& row, int category, std::string_view note);
  // Event items, in table order, for the events whose CalendarID wrapped in
  // commas occurs in `wanted` (",3," or ",1,4,") and whose sDateTime is not
  // empty. An event the occurrence rule gives no day at all is left out.
  void AddEvents(const std::vector<EventRecord>& events, std::string_view wanted);
  // The same for one event.
  void AddEventIf(const EventRecord& e, std::string_view wanted);
  // Drops the items, keeping the head: one calendar object serves file
  // after file, with the zone looked up once.
  void ClearItems();

  // The whole file: the header with the zone's VTIMEZONE (when a timed item
  // needs it), the items and "END:VCALENDAR", each line ending in CR LF.
  std::string Text() const;
  // Writes Text() to path. The user's own files are replaced atomically;
  // the build folder is scratch and written in place.
  Status Save(const std::string& path, bool atomically) const;

  // Items written (notes and events; an event written as several items
  // counts each).
  int count() const { return counter_; }
  // The TZID of the timed items.
  const std::string& zone() const { return zone_; }

 private:
  void Property(std::string_view name, std::string_view value);
  void AddFolded(std::string_view line);
  void AddEvent(const EventRecord& e);
  // The item's lines common to events and notes, up to DTSTAMP.
  void BeginItem(const std::string& uid, std::string_view summary);
  // A local date-time of a timed item, as "yyyymmddThhmm00".
  std::string LocalStamp(DayNumber day, int minute);
  // Widens the years the VTIMEZONE covers.
  void Cover(DayNumber day);
  // "BEGIN:VCALENDAR" up to the blank line before the items, the VTIMEZONE
  // for the years of the timed items included.
  const std::string& Head() const;

  std::string host_;
  std::string calendar_name_;
  std::string title_;
  Product product_;
  std::time_t now_;
  DayNumber horizon_;
  std::string zone_;
  int counter_ = 0;
  // The first and last local day of a timed item; none yet when first > last.
  DayNumber first_timed_ = 1, last_timed_ = 0;
  // The items' lines, each ending in CR LF.
  std::string items_;
  // The last head made, and the zone's years it covers.
  mutable std::string head_;
  mutable std::pair<int, int> head_years_;
};

// ---- The pieces of the text, exposed for tests ----

// The pages' HTML as plain text: "<br>" and "<p>" tags become line breaks,
// other tags are dropped (a "<" not followed by a letter, "/" or "!" is
// text), then the entities &amp; &lt; &gt; &quot; &apos; &nbsp; and
// numeric ones are decoded; other entities stay as written.
std::string PlainText(std::string_view html);
// Trimmed; backslash, comma and semicolon escaped with a backslash, every
// line break (CR LF, CR, LF) written as backslash and n.
std::string ICalText(std::string_view text);
// A content line cut into lines of at most 75 octets, continuation lines
// starting with one blank; a UTF-8 character is never split.
std::vector<std::string> FoldICalLine(std::string_view line);
// yyyymmddThhmm00Z of the UTC time (seconds dropped).
std::string ICalUtcStamp(std::time_t t);
// yyyymmdd of a day.
std::string ICalDate(DayNumber day);
// The UTC time of a local date-time value, to the minute.
std::time_t LocalToUtc(DateTimeValue local);
// The address of ical.ics for subscribing: iCal.Link when it is a
// "webcal://" address other than the placeholder ("ical.ics" added to a
// folder), else the public address of the calendar (Publish.URL) with
// "Calendar.html" replaced by "ical.ics" and "webcal://" for its scheme;
// empty when neither is known.
std::string SubscribeAddress(const publish::PublishSettings& settings);

// ---- The two exports ----

// The main window's "Export iCal ...": the notes of the category (number
// and name) in the year's table and the events made in the category, to
// path (replaced atomically). Moves the progress bar through the seam and
// shows the "Done!!! ..." message there, which it also returns. A failing
// read or write (an empty path, say) returns its error and shows nothing.
Result<std::string> ExportCategoryICal(store::Database& db, int category,
                                       const std::string& category_name, int year,
                                       const std::string& path, const Brand& brand, UiSeam* ui,
                                       std::time_t now);

// The generator's ical.ics for the run's ticked years, months and
// categories; copies iCal.gif of the run's toolbar style. The driver calls
// it once per year of every category pass, and every call would write the
// same file, so only the calls of the run's last pass write it.
Status WriteRunICal(const RunContext& run, const std::string& output, const std::string& path);

}  // namespace almanix::generator
