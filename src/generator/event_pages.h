#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/dates.h"
#include "app/status.h"
#include "generator/event_slots.h"

// What the pages tell about single events, beyond the grid: schema.org
// Event data for search engines, "Add to my calendar" (a one-event calendar
// file, Google Calendar and Outlook on the web), the subscribe button, and
// Upcoming.html, the next 30 days as a plain list.
namespace almanix::generator {

struct RunContext;
struct EventRecord;

// One day an event occurs on, in one category.
struct Occurrence {
  const EventRecord* event = nullptr;
  int category = 0;
  DayNumber day = 0;
  bool all_day = false;
  DateTimeValue start = 0;  // local
  DateTimeValue end = 0;    // local; the start when the event has no end
};

// The occurrence of the event on the day, in the category.
Occurrence OccurrenceOf(const EventRecord& e, int category, DayNumber day);

// The occurrences in the categories from `first` through `last`, by day,
// then in the month query's order (start time); none while events are left
// out (quick preview, style editor).
std::vector<Occurrence> OccurrencesBetween(const RunContext& run,
                                           const std::vector<int>& categories, DayNumber first,
                                           DayNumber last);

// "2025-04-05T09:00:00" (a date alone for an all-day event).
std::string IsoLocal(DateTimeValue value, bool date_only);

// A text as a JSON string, quotes included; "</" is written "<\/" so the
// text cannot end the script element it stands in.
std::string JsonString(const std::string& text);

// The <script type="application/ld+json"> line of the events of the days
// first..last: an ItemList-free array of Event objects with name,
// startDate, endDate, location (when the event has one), description (when
// it has one) and url (the day on the month pages, absolute where the
// calendar's address is known). Empty when no event occurs.
std::string EventJsonLd(const RunContext& run, const std::vector<int>& categories,
                        DayNumber first, DayNumber last);

// The file name of an event's one-event calendar file in the output
// folder: "events/" + its ID + ".ics".
std::string EventFileName(const EventRecord& e);
// That name, with the file written through run.event_files the first time
// a page of the run links it (a page written on its own has none).
std::string LinkedEventFile(const RunContext& run, const EventRecord& e);

// The events a page has written the texts of. An event's name, details and
// place stand once per page, on its first entry; its other entries name it
// by its number on the page. One per page being written.
class AddLinkPage {
 public:
  // Forgets the events of the page before.
  void NewPage() {
    numbers_.Clear();
    count_ = 0;
    labels_made_ = false;
    aria_.Clear();
  }
  // The event's number on the page; `first` is set when this is its first
  // entry there.
  int NumberOf(const EventRecord& e, bool* first);

  // What every entry of the page repeats, made at its first: the label
  // "Add to my calendar" as HTML text and as an attribute, and an event's
  // aria-label text.
  const std::string& LabelHtml(const RunContext& run);
  const std::string& LabelAttribute(const RunContext& run);
  const std::string& AriaName(const EventRecord& e);
  // yyyymmdd of the day appended to *out; the entries of a page come day by
  // day, so the last day's digits serve the next entry.
  void AppendCompactDate(DayNumber day, std::string* out);

 private:
  void MakeLabels(const RunContext& run);

  EventSlots<int> numbers_;
  int count_ = 0;
  bool labels_made_ = false;
  std::string label_html_, label_attribute_;
  EventSlots<std::string> aria_;
  bool date_known_ = false;
  DayNumber date_day_ = 0;
  std::string date_text_;
};

// The data attributes addlinks.js makes the Google and Outlook addresses
// from, with a blank in front: data-e (the event's number on the page),
// data-t (an all-day event's date yyyymmdd, else its start in UTC and its
// length in minutes, "yyyymmddThhmm+90") and, on the
// event's first entry of the page, data-n, data-d, data-l (name, details,
// place, trimmed, escaped for an attribute).
std::string AddLinkData(const Occurrence& o, AddLinkPage& page);
// The same appended to *out: a year's list writes a million of them.
void AppendAddLinkData(const Occurrence& o, AddLinkPage& page, std::string* out);

// The "Add to my calendar" line of one occurrence: the link to the .ics file,
// which works without scripts, and the data addlinks.js adds the Google
// Calendar and Outlook links from. HTML.
std::string AddToCalendarLinks(const RunContext& run, const Occurrence& o, AddLinkPage& page);
// The same appended to *out, where the entry is being written.
void AppendAddToCalendarLinks(const RunContext& run, const Occurrence& o, AddLinkPage& page,
                              std::string* out);
// That line around its AddLinkData: the opening, and the rest, which is the
// same for every entry of the event on the page (so a page may keep it).
constexpr std::string_view kAddToCalendarOpening = "<span class=\"AddToCalendar\"";
void AppendAddToCalendarClosing(const RunContext& run, const EventRecord& e, AddLinkPage& page,
                                std::string* out);

// The same for a month page's pop-up, which lies inside the entry's own
// link where no link may stand: an empty span that carries the label, the
// file and AddLinkData; popup.js has addlinks.js turn it into the links when
// it shows the details. Without scripts the entry leads to the event list,
// which has the file's link.
std::string AddToCalendarData(const RunContext& run, const Occurrence& o, AddLinkPage& page);

// A text as an attribute value: besides the markup characters, line ends,
// tabs and other control characters as numeric references, because a
// parser turns a raw CR LF into LF, the event list turns line ends into
// "<br />", and the addresses must keep them as they are.
std::string AttributeText(std::string_view text);
void AppendAttributeText(std::string_view text, std::string* out);

// What the schema.org items of an event share on every day it occurs, made
// once per run: the escaped name, and the location and description parts.
class JsonLdTexts {
 public:
  struct Texts {
    std::string name;  // ,"name":...
    std::string rest;  // ,"location":{...},"description":...
  };
  const Texts& For(const EventRecord& e);

 private:
  EventSlots<Texts> texts_;
};

// The subscribe button (webcal:// address of ical.ics) and its QR code, or
// a line that says why there is none (the calendar's address is unknown).
std::string SubscribeBlock(const RunContext& run);

// Writes Upcoming + extension: the events of today and the next 29 days,
// with their add links and the subscribe block; no script.
Status WriteUpcomingPage(const RunContext& run, const std::string& path);

}  // namespace almanix::generator
