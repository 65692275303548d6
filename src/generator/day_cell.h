#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/dates.h"
#include "generator/calendar_data.h"
#include "generator/day_folders.h"
#include "generator/event_pages.h"

namespace almanix::store {
struct DayKey;
}

// The content of one day cell of a month page: the holiday, the notes, the
// events of each category with their time, icon, link, location and pop-up,
// the files attached to the day, and the "..." pop-up of a busy day.
namespace almanix::generator {

struct RunContext;
struct EventRecord;
struct DayRecord;

// A list that takes each text once (legend rows, holiday entries), keeping
// the order they came in.
class UniqueList {
 public:
  // False when the text was already there.
  bool Add(std::string text);
  // Adds without the check (the holiday list's separators).
  void Append(const std::string& text) { items_.push_back(text); }
  void Clear();
  const std::deque<std::string>& items() const { return items_; }
  size_t size() const { return items_.size(); }

 private:
  // The texts are kept once: the set looks at them where they stand, which
  // a deque never moves.
  std::deque<std::string> items_;
  std::unordered_set<std::string_view> seen_;
};

// The lists a run fills while it renders cells (see the small and year
// pages).
struct Legends {
  UniqueList year_legend_rows;
  UniqueList small_legend_rows;
  UniqueList year_holiday_list;
};

// One day: the row of the year table and its place in the month.
struct CellDay {
  const DayRecord* row = nullptr;
  int year = 0;
  std::string month;  // iMonth text
  std::string dow;    // DayofWeek text, 1 = Sunday
  std::string day;    // iDay text
  DayNumber date = 0;
};

class DayCellRenderer {
 public:
  DayCellRenderer(const RunContext& run, Legends& legends) : run_(run), legends_(legends) {}

  // The cell's HTML for the categories, from the month's events (the month
  // query, in its order). Empty when the day text is empty. Sets
  // event_count() and cell_color() to what the last category walk left.
  std::string RenderDayCell(const std::vector<int>& categories,
                            const std::vector<const EventRecord*>& events, const CellDay& day);
  // The entries of one category's events on the day.
  std::string RenderCategoryEvents(int category, const std::vector<const EventRecord*>& events,
                                   const store::DayKey& key, const CellDay& day);
  // The time text of an event in a cell.
  std::string CellTimeText(const EventRecord& e) const;
  // The event's own style attribute, or empty.
  static std::string EventInlineStyle(const EventRecord& e);
  // The attachment links and the picture of the day; copies the files into
  // the build folder.
  std::string DayAttachmentsHtml(const std::vector<int>& categories, const CellDay& day);
  // ".." at the smallest calendar size, the name otherwise.
  std::string FitName(const std::string& name) const;

  int event_count() const { return event_count_; }
  // A new page begins: its pop-ups carry each event's texts anew.
  void NewPage() { add_links_.NewPage(); }
  const std::string& cell_color() const { return cell_color_; }

 private:
  // The details of an entry, with add_to_calendar (AddToCalendarData) at
  // their end; empty when there is nothing to show.
  std::string PopUp(const EventRecord& e, int day_number, int dow,
                    const std::string& add_to_calendar);
  // The part of a pop-up that hangs on the event alone: its details as HTML
  // and the box's size; none when there is too little to show.
  struct PopUpBody {
    std::string html;
    int w = 0, h = 0;
    bool none = false;
  };
  PopUpBody MakePopUpBody(const EventRecord& e, bool with_add_line) const;
  // The time text hangs on the event and the settings only, and a repeating
  // event shows it on every one of its days.
  const std::string& CachedTimeText(const EventRecord& e);

  const RunContext& run_;
  Legends& legends_;
  DayFolders day_folders_;
  int event_count_ = 0;
  std::string cell_color_;
  size_t categories_in_cell_ = 0;
  EventSlots<std::string> time_texts_;
  EventSlots<PopUpBody> popups_;  // with the add line
  // The day's events (CandidatesOn), found once for all its categories.
  const DayEvents* candidates_ = nullptr;
  DayEvents scratch_;
  const void* candidates_list_ = nullptr;
  DayNumber candidates_day_ = 0;
  AddLinkPage add_links_;  // the events whose add-link texts the page has
};

// The holiday text's picture name: blanks and apostrophes removed.
std::string HolidayIconName(std::string_view holiday);

// The files of a day folder, sorted without regard to case, as the pages
// list them.
std::vector<std::string> DayFolderFiles(const std::string& folder);

// The picture of the day (prefix + "picture", ".gif" before ".jpg") found
// in the build folder, as an image floated left; empty when there is none.
std::string DayPictureHtml(const RunContext& run, const std::string& prefix);

// An event's start and end in the time pattern, lower case, each followed by
// "&nbsp;" and the time zone when the event names one; empty when not
// stored.
struct EventTimes {
  std::string start, end;
};
EventTimes FormattedTimes(const EventRecord& e, const std::string& pattern);
// "start-end", or the one that is set.
std::string JoinTimes(const EventTimes& times);

}  // namespace almanix::generator
