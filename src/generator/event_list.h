#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/status.h"
#include "generator/calendar_data.h"
#include "generator/day_folders.h"
#include "generator/event_pages.h"

namespace almanix {
class FileSink;
}
namespace almanix::store {
struct DayKey;
}

// The event list pages: per year every day with notes, events or attached
// files (and the day's holiday with them), in a table the month pages link
// into by day anchors.
namespace almanix::generator {

struct RunContext;
struct EventRecord;
struct DayRecord;

class Telist {
 public:
  explicit Telist(RunContext& run) : run_(run) {}

  // One event list page for the months of a year, saved to output_file (a
  // step of the run, its Status returned). The year's list ("EventList" + year + extension) is
  // not written when List.CanCreate is off; the month pages of a style of
  // type "EventList" are the calendar itself and are always written.
  Status WriteEventListPage(const std::string& output, int year, const std::vector<int>& months,
                            const std::string& menu, const std::string& output_file,
                            std::string_view style_name);

 private:
  // Gathers the parts of the day's row into the members below; false when
  // the day has none to show. Then PutDayRow writes the row straight to the
  // page: a year's list runs to a hundred megabytes, and a day's entries
  // are not copied on their way there beyond the macros that change them.
  bool GatherDay(const DayRecord& day, int year, const std::vector<const EventRecord*>& events);
  // `row_index` counts the month's content rows from 0.
  void PutDayRow(FileSink& page, const DayRecord& day, int year, int month, int row_index);
  // Appends the entries of one category's events on the day to events_part_.
  void CategoryEntries(int category, const std::vector<const EventRecord*>& events,
                       const store::DayKey& key, const DayRecord& day);
  // An event's entry on the page but for its add link's data, which tells
  // the day: the text before that and after it, one text split at `data`
  // (one place in memory to visit per entry). The same on each of the
  // event's days, so made at its first entry of the page.
  struct EntryTexts {
    std::string text;
    size_t data = 0;
  };
  const EntryTexts& EntryTextsOf(const EventRecord& e);
  // The event's time as the list shows it.
  std::string MakeListTimeText(const EventRecord& e) const;
  // The day's attachments of every ticked category, linked under the names
  // the month pages gave them in the output folder.
  std::string Downloads(const DayRecord& day, int year);
  // Where the date of a row links to: the month page holding the month.
  std::string MonthPageHref(int year, int month, const DayRecord& day) const;

  RunContext& run_;
  DayFolders day_folders_;
  EventSlots<EntryTexts> entry_texts_;
  // The day's events (CandidatesOn), found once for all its categories.
  const DayEvents* candidates_ = nullptr;
  DayEvents scratch_;
  const void* candidates_list_ = nullptr;
  DayNumber candidates_day_ = 0;
  AddLinkPage add_links_;  // the events whose add-link texts the page has
  // The day being written (GatherDay), kept between days for their room.
  std::string holiday_part_, notes_, events_part_, downloads_part_, row_text_;
  std::string target_;  // Formatting.Target, or its default, for the page
  bool group_events_ = false;
};

// "Events.html": sends the visitor to this year's event list at today's
// anchor, or to the list without anchor outside the published months; a
// year without a list of its own goes to the first published year's list.
Status WriteEventListRedirect(const RunContext& run, const std::string& path);

}  // namespace almanix::generator
