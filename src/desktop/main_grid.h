#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"
#include "desktop/category_rows.h"

namespace almanix {
class App;
class UiSeam;
}  // namespace almanix

namespace almanix::store {
class Query;
class TDB1;
}  // namespace almanix::store

namespace almanix::desktop {

// The date the grid was last loaded for, with the parts the window shows.
class TSelected {
 public:
  explicit TSelected(DateTimeValue now) : date_(now) {}

  DateTimeValue date() const { return date_; }
  void set_date(DateTimeValue date) { date_ = date; }

  std::string YearText() const;   // "yyyy"
  int Year() const;
  std::string MonthText() const;  // "m"
  int Month() const;
  std::string MonthName() const;  // "mmmm"
  DayNumber NextMonth() const;    // first day of the month after
  DayNumber PriorMonth() const;   // first day of the month before

 private:
  DateTimeValue date_;
};

// One cell of the grid: a row of the year query as the window draws it.
struct DayCell {
  int day = 0;            // 0: a filler row, no day number
  int month = 0;
  DayNumber date = 0;     // 0 for a filler
  std::string short_day;  // shown in the day views
  std::string holiday;
  std::string bar;        // the event lines, CR LF ended
  std::string note;
  bool today = false;     // day number drawn red
};

// One event of the selected day's event list.
struct DayEvent {
  std::string id;
  std::string time;  // "hh:nn" of sTime, empty for all-day
  std::string summary;
  std::string description;
};

// The main window's state and its grid queries, without a window: the
// displayed month, the selected day, the view, the current category, the
// year and category boxes, the cells and the day panel. The desktop binds
// its widgets to these; every method runs on the interface thread.
class MainGrid {
 public:
  MainGrid(App& app, store::TDB1& data, UiSeam& ui, DateTimeValue now);

  // ---- state ----
  const TSelected& selected() const { return display_; }
  DateTimeValue DisplayDate() const { return display_.date(); }
  DayNumber SelectedDay() const { return selected_day_; }
  int ViewSpan() const { return view_span_; }
  // The date the month picker shows: LoadGrid(0) loads its month.
  DayNumber PickerDate() const { return picker_date_; }
  void SetPickerDate(DayNumber day) { picker_date_ = day; }
  void SetToday(DayNumber today) { today_ = today; }
  // While true, LoadGrid and Panel_LoadEvets write their log lines.
  void SetStartupLogging(bool on) { startup_logging_ = on; }

  // Year box: "2004" .. "2099".
  static std::vector<std::string> YearItems();
  const std::string& YearBoxText() const { return year_box_; }
  // Category box.
  const std::vector<std::string>& CategoryItems() const { return category_items_; }
  const std::string& CategoryBoxText() const { return category_box_; }

  // The current category: its number (row number of the category query,
  // at least 1), name and ID text.
  int CategoryNumber() const;
  std::string CategoryName() const;
  std::string CategoryID() const;

  // ---- the grid ----
  const std::vector<DayCell>& cells() const { return cells_; }
  int GridColumns() const { return columns_; }
  int GridRows() const { return rows_; }
  const std::string& HiddenRowButtonCaption() const { return hidden_row_caption_; }
  const std::string& Caption() const { return caption_; }
  // The "New Calendar..." entry of the Publish menu.
  const std::string& PublishMenuCaption() const { return publish_caption_; }
  bool WeekdayHeaderVisible() const { return view_span_ == 31; }

  // How many times the grid read the current category's events from the
  // table (they are kept between steps while the table is unchanged).
  int EventReads() const { return category_rows_.reads(); }

  // ---- operations ----
  // Loads the grid for the date (0: the month of the month picker). Failures
  // are shown as the window shows them; the returned status is the first.
  Status LoadGrid(DateTimeValue date);
  // Rewrites the event lines of every cell for the current category.
  Status Panel_LoadEvets();
  // Refreshes the day panel for the cell at index and sets SelectedDay.
  Status ShowDay(int cell_index);
  // Refills the category box for the shown year.
  void cboCalendar_load();
  // Makes the category named in the box current.
  void LocateCategory(std::string_view name);

  // ---- commands ----
  Status Next();
  Status Previous();
  Status SetView(int view);
  Status ChooseYear(std::string_view year);
  Status ChooseCategory(std::string_view name);
  Status GoToday(DateTimeValue now);
  // "Calendar Hidden Row": 5 <-> 6 rows of the month view.
  void ToggleHiddenRow();
  // Stores a cell's note in the current category's note column.
  Status SetNote(int cell_index, std::string_view text);
  // Writes one column of the cell's year row and posts it; the cell shows
  // the stored value afterwards.
  Status SetDayColumn(int cell_index, std::string_view column, std::string_view value);
  // The year-table column the cells' holiday box shows.
  std::string HolidayColumn() const;
  std::string NoteColumn() const;

  // ---- the day panel ----
  int SelectedCell() const { return selected_cell_; }
  const std::string& DateLabel() const { return date_label_; }
  const std::vector<DayEvent>& DayEvents() const { return day_events_; }
  // The current row of the day's event list; -1 when the list is empty.
  int CurrentEvent() const { return current_event_; }
  void SelectEvent(int index);
  // 20 pixels an event, at most 200; 0 when the day has none.
  int DayEventListHeight() const;
  const std::string& DayFolder() const { return day_folder_; }
  const std::vector<std::string>& DayFiles() const { return day_files_; }
  // The event of the day whose summary the cell's event line shows
  // (degree signs dropped); -1 when none matches.
  int EventForBarLine(int cell_index, int line) const;

 private:
  Status LoadGridSteps(DateTimeValue date);
  Status StepTo(DayNumber target);
  Status OpenYearQuery(int year);
  Status ReadCells();
  void Log(std::string_view line) const;

  App& app_;
  store::TDB1& data_;
  UiSeam& ui_;

  TSelected display_;
  DayNumber selected_day_ = 0;
  DayNumber picker_date_ = 0;
  DayNumber today_ = 0;
  int view_span_ = 31;
  bool startup_logging_ = false;
  std::string year_box_;
  std::string category_box_;
  std::vector<std::string> category_items_;
  int shown_year_ = 0;

  std::vector<DayCell> cells_;
  CategoryRows category_rows_;  // the current category's events
  int columns_ = 7;
  int rows_ = 5;
  std::string hidden_row_caption_ = "6";
  std::string caption_;
  std::string publish_caption_;

  int selected_cell_ = -1;
  std::string date_label_;
  std::vector<DayEvent> day_events_;
  int current_event_ = -1;
  std::string day_folder_;
  std::vector<std::string> day_files_;
};

}  // namespace almanix::desktop
