#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
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
// the order they came in. The texts and the table that finds them are kept
// when the list is cleared: a page's legend fills it again without asking
// the heap for each row.
class UniqueList {
 public:
  // False when the text was already there.
  bool Add(std::string_view text);
  // Adds without the check (the holiday list's separators).
  void Append(std::string_view text);
  void Clear();
  std::span<const std::string> items() const { return {texts_.data(), size_}; }
  size_t size() const { return size_; }

 private:
  void Put(std::string_view text);
  void Grow();

  std::vector<std::string> texts_;  // the first size_ are the list
  size_t size_ = 0;
  // Open addressing: 1 + the text's place, 0 for a free slot. Texts put
  // without the check are not in it.
  std::vector<uint32_t> table_;
  std::vector<size_t> hashes_;  // of each text in the table, by place
  size_t in_table_ = 0;
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
  DayCellRenderer(const RunContext& run, Legends& legends);

  // The cell's HTML for the categories, from the month's events (the month
  // query, in its order). Empty when the day text is empty. Sets
  // event_count() and cell_color() to what the last category walk left.
  // The text stays until the next call.
  const std::string& RenderDayCell(const std::vector<int>& categories,
                                   const std::vector<const EventRecord*>& events,
                                   const CellDay& day);
  // The time text of an event in a cell.
  std::string CellTimeText(const EventRecord& e) const;
  // The event's own style attribute, or empty.
  static std::string EventInlineStyle(const EventRecord& e);
  // The attachment links and the picture of the day; copies the files into
  // the build folder.
  std::string DayAttachmentsHtml(const std::vector<int>& categories, const CellDay& day);
  int event_count() const { return event_count_; }
  // A new page begins: its pop-ups carry each event's texts anew, and the
  // settings are read again.
  void NewPage();
  const std::string& cell_color() const { return cell_color_; }

 private:
  // The settings an entry reads, read once per page rather than per entry.
  struct EntrySettings {
    std::string separator;  // before the name; empty for none
    bool small_legend = false;
    bool year_legend = false;
    bool date_time_below = false;
    bool time_on_new_line = false;
    bool new_window = false;  // List.NewWindow
    bool list_box = false;
    bool list_can_create = false;
    std::string thickbox;  // ThickboxSuffix of an entry's link
    std::string url_target;  // Formatting.Target as the links write it
    bool bold = false;
    bool underline_links = false;
    bool location = false;
    bool popups = false;  // Formatting.PopUpDesc
    bool group_events = false;
  };
  // What an entry shows that hangs on the event and the run's settings
  // alone (they stay the same for a run), made on its first day: a
  // repeating event shows it on every one of its days. About 300 bytes an
  // event.
  struct EntryParts {
    std::string time;     // CellTimeText, where it stands before the link
    std::string body;     // after the link and separator: name, place, time
    std::string legend;   // the small legend row after its day
    uint32_t style = 0;       // EventInlineStyle, in styles_
    uint32_t cell_style = 0;  // the small legend's colour attribute, in styles_
    bool new_window = false;  // the list link opens a window
    bool has_url = false;
    bool coloured = false;  // a cell colour of its own
    bool has_icon = false;  // names an icon
    bool year_row_added = false;  // the year legend has the event's row
    bool made = false;
  };
  // The name as an entry shows it: bold, fitted and underlined as set.
  void AppendName(const EventRecord& e, const EntryParts& parts, std::string& out) const;
  // Appends the entries of one category's events on the day.
  void AppendCategoryEvents(int category, const std::vector<const EventRecord*>& events,
                            const store::DayKey& key, const CellDay& day, std::string& out);
  EntryParts& PartsOf(const EventRecord& e);
  // The number of an attribute text in styles_; 0 for none. Events share a
  // handful of them.
  uint32_t StyleNumber(std::string text);
  // The entry's opening link into link_.
  void MakeLink(const EventRecord& e, const EntryParts& parts, int category, const CellDay& day,
                std::string_view list_anchor);
  // LanguageTexts::MonthName(month, "Short"), asked once per run.
  const std::string& ShortMonthName(int month);
  // Appends the details of an entry, with add_to_calendar (AddToCalendarData)
  // at their end; false (nothing appended) when there is nothing to show.
  bool AppendPopUp(const EventRecord& e, int day_number, int dow,
                   const std::string& add_to_calendar, std::string& out);
  // The part of a pop-up that hangs on the event alone: its details as HTML
  // and the box's size; none when there is too little to show.
  struct PopUpBody {
    std::string html;
    int w = 0, h = 0;
    bool none = false;
  };
  PopUpBody MakePopUpBody(const EventRecord& e, bool with_add_line) const;

  const RunContext& run_;
  Legends& legends_;
  DayFolders day_folders_;
  int event_count_ = 0;
  std::string cell_color_;
  size_t categories_in_cell_ = 0;
  EntrySettings set_;
  // By the event's place in the run's data, in one array: a day's entries
  // come in no order of place, and each look-up is a fetch from memory.
  std::vector<EntryParts> parts_;
  std::unordered_map<const EventRecord*, EntryParts> loose_parts_;  // records of no place
  std::vector<std::string> styles_{std::string()};
  std::unordered_map<std::string, uint32_t> style_numbers_;
  EventSlots<PopUpBody> popups_;  // with the add line
  std::string month_names_[13];   // short names by number, made on first use
  bool month_named_[13] = {};
  std::string odd_month_name_;    // of a number outside 0-12
  // Reused for every entry: its link and its legend row.
  std::string link_, row_, events_;
  std::string cell_, out_;  // a day's cell before and after its line breaks
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
