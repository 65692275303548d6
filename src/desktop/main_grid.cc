#include "desktop/main_grid.h"

#include <algorithm>

#include "app/comma_text.h"
#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "desktop/category_rows.h"
#include "desktop/grid_rules.h"
#include "store/db.h"
#include "store/event_queries.h"
#include "store/occurrence.h"
#include "store/year_tables.h"

namespace almanix::desktop {

namespace {

constexpr char kGridError[] = "Error when loadding the Calendar Grid.  ";
constexpr char kDegreeSign[] = "\xC2\xB0";

int ParseIntOr(std::string_view text, int fallback) {
  std::optional<int> n = ParseInt(Trim(text));
  return n ? *n : fallback;
}

// The pickers' short date format.
std::string ShortDate(DayNumber day) { return FormatDateTime("m/d/yyyy", day); }

std::string TimeText(std::string_view code) {
  std::optional<int> n = ParseInt(Trim(code));
  if (!n || *n < 0) return "";
  return FormatDateTime("hh:nn", *n / 1000000.0 + 1e-9);
}

}  // namespace

// ---- TSelected ----

std::string TSelected::YearText() const { return FormatDateTime("yyyy", date_); }
int TSelected::Year() const { return DecodeDate(DatePart(date_)).year; }
std::string TSelected::MonthText() const { return FormatDateTime("m", date_); }
int TSelected::Month() const { return DecodeDate(DatePart(date_)).month; }
std::string TSelected::MonthName() const { return FormatDateTime("mmmm", date_); }

DayNumber TSelected::NextMonth() const {
  return store::LastOfMonth(DatePart(date_)) + 1;
}

DayNumber TSelected::PriorMonth() const {
  return store::FirstOfMonth(store::FirstOfMonth(DatePart(date_)) - 1);
}

// ---- MainGrid ----

MainGrid::MainGrid(App& app, store::TDB1& data, UiSeam& ui, DateTimeValue now)
    : app_(app), data_(data), ui_(ui), display_(now) {
  picker_date_ = DatePart(now);
  today_ = DatePart(now);
  int year = DecodeDate(DatePart(now)).year;
  year_box_ = year >= kFirstYear && year <= kLastYear ? std::to_string(year)
                                                     : std::to_string(kFirstYear);
  selected_day_ = store::FirstOfMonth(picker_date_);
}

std::vector<std::string> MainGrid::YearItems() {
  std::vector<std::string> items;
  for (int y = kFirstYear; y <= kLastYear; ++y) items.push_back(std::to_string(y));
  return items;
}

void MainGrid::Log(std::string_view line) const {
  if (app_.log) app_.log->Info(line);
}

int MainGrid::CategoryNumber() const {
  return std::max(1, data_.qCalendar.RecNo());
}

std::string MainGrid::CategoryName() const {
  return data_.qCalendar.active() ? data_.qCalendar.AsString("Name") : "";
}

std::string MainGrid::CategoryID() const {
  return data_.qCalendar.active() ? data_.qCalendar.AsString("ID") : "";
}

std::string MainGrid::NoteColumn() const { return "Data" + std::to_string(CategoryNumber()); }

Status MainGrid::LoadGrid(DateTimeValue date) {
  Status s = LoadGridSteps(date);
  if (!s.ok()) ui_.ShowMessage(kGridError + s.message(), MessageKind::kError);
  return s;
}

Status MainGrid::LoadGridSteps(DateTimeValue date) {
  if (date == 0) date = store::FirstOfMonth(picker_date_);
  const DayNumber day = DatePart(date);
  const int year = DecodeDate(day).year;
  const std::string y = std::to_string(year);
  const bool year_changed = year != display_.Year();

  const bool in_range = InAllowedRange(day);
  if (!in_range) ui_.ShowMessage("Date is out of allowed range", MessageKind::kWarning);

  if (startup_logging_) Log("LoadGrid.Changing Date");
  display_.set_date(date);
  // The pickers take only days of their range; the load stops there with the
  // date already changed, so the arrows step on from it.
  if (day > LastAllowedDay()) {
    return Status::Invalid("Date exceeds maximum of " + ShortDate(LastAllowedDay()));
  }
  if (day < FirstAllowedDay()) {
    return Status::Invalid("Date is less than minimum of " + ShortDate(FirstAllowedDay()));
  }
  picker_date_ = day;

  if (startup_logging_) Log("LoadGrid.Changing Year");
  if (year_box_ != y) year_box_ = y;

  if (!data_.db().TableExists("year" + y)) {
    store::YearTables years(data_.db(), app_.config ? app_.config->CalendarList
                                                    : std::vector<std::string>{},
                            app_.dir ? app_.dir->ConfigDir : "", app_.log.get(), &ui_);
    if (!years.Generate(y).ok()) {
      ui_.ShowMessage("Could not create table for year " + y, MessageKind::kError);
    }
  }

  // The shared events query is not opened here: nothing reads it, and
  // reading every visible event at each change of year stalled the step from
  // December to January on a large calendar. The lines read their own rows.
  if (year_changed || !data_.qCalendar.active() || shown_year_ != year) {
    if (Status s = data_.qCalendar.Open("Select * from calendar" + y); !s.ok()) return s;
    if (Status s = data_.qCalendar.First(); !s.ok()) return s;
    shown_year_ = year;
  }

  if (startup_logging_) Log("LoadGrid.OpenMonth");
  if (Status s = OpenYearQuery(year); !s.ok()) return s;
  if (Status s = data_.qYear.First(); !s.ok()) return s;
  caption_ = GridCaption(CategoryName(), date);
  publish_caption_ = "Category (" + CategoryName() + ")";

  switch (view_span_) {
    case 31:
      columns_ = 7;
      rows_ = MonthGridRows(day);
      hidden_row_caption_ = HiddenRowCaption(rows_);
      break;
    case 14: columns_ = 7; rows_ = 2; break;
    case 7: columns_ = 7; rows_ = 1; break;
    case 5: columns_ = 5; rows_ = 1; break;
    default: columns_ = 3; rows_ = 1; break;
  }

  if (startup_logging_) Log("LoadGrid.Changing aDate");
  if (Status s = ReadCells(); !s.ok()) return s;
  return Panel_LoadEvets();
}

Status MainGrid::OpenYearQuery(int year) {
  return data_.qYear.Open(YearQuerySql(view_span_, year, DatePart(display_.date())));
}

Status MainGrid::ReadCells() {
  store::Query& q = data_.qYear;
  cells_.clear();
  const std::string holiday = HolidayColumn();
  const std::string note = NoteColumn();
  const int year = display_.Year();
  for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
    DayCell cell;
    cell.month = ParseIntOr(q.AsString("iMonth"), display_.Month());
    cell.day = ParseIntOr(q.AsString("iDay"), 0);
    if (cell.day > 0 && IsValidDate(year, cell.month, cell.day)) {
      cell.date = EncodeDate(year, cell.month, cell.day);
      cell.today = IsTodayMark(cell.month, cell.day, today_);
    } else {
      cell.day = 0;
    }
    cell.short_day = q.AsString("ShortDay");
    if (q.HasField(holiday)) cell.holiday = q.AsString(holiday);
    if (q.HasField(note)) cell.note = q.AsString(note);
    cells_.push_back(std::move(cell));
  }
  return q.First();
}

Status MainGrid::Panel_LoadEvets() {
  ui_.ProcessEvents();
  if (startup_logging_) Log("Panel_LoadEvets");
  const DayNumber first = store::FirstOfMonth(picker_date_);
  const int c = CategoryNumber();
  // Only events that start by the last day shown can occur on a cell; the
  // occurrence rule compares start days as texts, so the bound does too,
  // with the greatest of the cells' day texts (as SQL compared them, NULL
  // passing no comparison).
  std::string last_shown;
  for (const DayCell& cell : cells_) {
    if (cell.day > 0) last_shown = std::max(last_shown, std::to_string(cell.date));
  }
  const std::string first_text = std::to_string(first);
  const std::string sql = startup_logging_ ? CategoryRows::Sql(c) : "";
  if (startup_logging_) Log("Panel_LoadEvets.Select events from DB " + sql);
  // Read once and kept while the table is unchanged; the bounds are applied
  // here, as the query applied them.
  Result<const std::vector<CategoryRows::Row>*> rows = category_rows_.For(data_.db(), c);
  if (!rows.ok()) return rows.status();
  if (startup_logging_) Log("Panel_LoadEvets.Select events from DB " + sql);
  std::vector<const CategoryRows::Row*> candidates;
  for (const CategoryRows::Row& row : *rows.value()) {
    if (!row.ends || *row.ends < first_text) continue;
    if (row.start_day && *row.start_day > last_shown) continue;
    candidates.push_back(&row);
  }
  // The lines live with the cells only: the table's Bar column is a cache
  // nothing reads, and rewriting it would change the calendar on every look.
  for (DayCell& cell : cells_) {
    std::vector<std::string> summaries;
    if (cell.day > 0) {
      store::DayKey key = store::DayKey::For(cell.date);
      for (const CategoryRows::Row* e : candidates) {
        if (e->rule.DayOccursOn(key, c)) summaries.push_back(e->summary);
      }
    }
    cell.bar = BarText(summaries);
  }
  if (startup_logging_) Log("Panel_LoadEvets.Events Loaded");
  return Status::Ok();
}

Status MainGrid::ShowDay(int cell_index) {
  if (cell_index < 0 || cell_index >= static_cast<int>(cells_.size())) {
    return Status::NotFound("no such day cell");
  }
  selected_cell_ = cell_index;
  const DayCell& cell = cells_[static_cast<size_t>(cell_index)];
  date_label_ = Trim(display_.MonthName() + " " + (cell.day ? std::to_string(cell.day) : ""));
  day_events_.clear();
  current_event_ = -1;
  day_files_.clear();
  day_folder_.clear();
  if (cell.day == 0) return Status::Ok();

  selected_day_ = cell.date ? cell.date : store::FirstOfMonth(DatePart(display_.date()));
  int category = ParseIntOr(CategoryID(), CategoryNumber());
  store::Query events(data_.db());
  if (Status s = store::DayEvents(events, cell.date, category, "sTime"); !s.ok()) return s;
  for (Status walk = events.First(); walk.ok() && !events.Eof(); walk = events.Next()) {
    DayEvent e;
    e.id = events.AsString("ID");
    e.summary = events.AsString("Summary");
    e.description = events.AsString("Description");
    if (events.AsString("Allday") != "T") e.time = TimeText(events.AsString("sTime"));
    day_events_.push_back(std::move(e));
  }
  if (!day_events_.empty()) current_event_ = 0;
  if (app_.dir) {
    std::string folder = app_.dir->DayFolderPath(CategoryName(), year_box_, display_.MonthText(),
                                                 std::to_string(cell.day));
    if (DirectoryExists(folder)) {
      day_folder_ = folder;
      day_files_ = SplitCommaText(TDir::ListFiles(folder, "*.*"));
    }
  }
  return Status::Ok();
}

int MainGrid::DayEventListHeight() const {
  return std::min(200, 20 * static_cast<int>(day_events_.size()));
}

int MainGrid::EventForBarLine(int cell_index, int line) const {
  if (cell_index < 0 || cell_index >= static_cast<int>(cells_.size()) || line < 0) return -1;
  std::vector<std::string> lines = SplitLines(cells_[static_cast<size_t>(cell_index)].bar);
  if (line >= static_cast<int>(lines.size())) return -1;
  std::string summary = ReplaceAll(lines[static_cast<size_t>(line)],
                                   std::string(kDegreeSign) + " ", "");
  for (size_t i = 0; i < day_events_.size(); ++i) {
    if (day_events_[i].summary == summary) return static_cast<int>(i);
  }
  return -1;
}

void MainGrid::cboCalendar_load() {
  category_items_.clear();
  Log("main.cboCalendar_load " + year_box_);
  store::Query q(data_.db());
  std::vector<std::string> names;
  if (!q.Open(" Select * from calendar" + year_box_).ok() || q.IsEmpty()) {
    Log("Error. No Categores for year " + year_box_);
  } else {
    for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
      std::string name = q.AsString("Name");
      if (q.AsString("Visible") == "True" && !name.empty()) names.push_back(name);
    }
  }
  if (names.empty() && app_.config) {
    for (const std::string& name : app_.config->CalendarList) {
      if (!name.empty()) names.push_back(name);
    }
  }
  category_items_ = names;
  if (app_.config) {
    std::vector<std::string> padded = names;
    padded.resize(std::max<size_t>(30, padded.size()));
    app_.config->CalendarList = padded;
  }
  Log("cboCalendar.Categories : " + JoinCommaText(names));
  category_box_ = names.empty() ? "" : names.front();
}

void MainGrid::LocateCategory(std::string_view name) {
  store::Query& q = data_.qCalendar;
  if (!q.active()) return;
  if (q.AsString("Name") == name) return;
  for (Status walk = q.First(); walk.ok() && !q.Eof(); walk = q.Next()) {
    if (q.AsString("Name") == category_box_) return;
  }
  IgnoreResult(q.First(), "the category display is never edited, so no post can fail");
  category_box_ = category_items_.empty() ? "" : category_items_.front();
}

Status MainGrid::Next() {
  return StepTo(view_span_ == 31 ? display_.NextMonth()
                                 : StepForward(view_span_, selected_day_));
}

Status MainGrid::Previous() {
  return StepTo(view_span_ == 31 ? display_.PriorMonth() : StepBack(view_span_, selected_day_));
}

// The arrows end as a click on the cell the grid keeps selected.
Status MainGrid::StepTo(DayNumber target) {
  if (Status s = LoadGrid(target); !s.ok()) return s;
  if (cells_.empty()) return Status::Ok();
  int last = static_cast<int>(cells_.size()) - 1;
  return ShowDay(std::clamp(selected_cell_, 0, last));
}

Status MainGrid::SetView(int view) {
  if (!IsValidView(view)) return Status::Invalid("no such view");
  view_span_ = view;
  const DayNumber selected = selected_day_;
  Status s = LoadGrid(view == 31 ? display_.date() : selected);
  if (!s.ok()) return s;
  // The selected day stays selected where the new view shows it.
  for (size_t i = 0; i < cells_.size(); ++i) {
    if (cells_[i].date == selected) return ShowDay(static_cast<int>(i));
  }
  return s;
}

Status MainGrid::ChooseYear(std::string_view year) {
  std::optional<int> y = ParseInt(year);
  if (!y || *y < kFirstYear || *y > kLastYear) return Status::Invalid("no such year");
  year_box_ = std::to_string(*y);
  Status s = LoadGrid(EncodeDate(*y, 1, 1));
  cboCalendar_load();
  return s;
}

Status MainGrid::ChooseCategory(std::string_view name) {
  category_box_ = std::string(name);
  LocateCategory(name);
  return LoadGrid(display_.date());
}

Status MainGrid::GoToday(DateTimeValue now) {
  picker_date_ = DatePart(now);
  today_ = DatePart(now);
  return LoadGrid(DatePart(now));
}

void MainGrid::ToggleHiddenRow() {
  if (view_span_ != 31) return;
  rows_ = rows_ == 6 ? 5 : 6;
  hidden_row_caption_ = HiddenRowCaption(rows_);
}

Status MainGrid::SetNote(int cell_index, std::string_view text) {
  return SetDayColumn(cell_index, NoteColumn(), text);
}

Status MainGrid::SetDayColumn(int cell_index, std::string_view column, std::string_view value) {
  if (cell_index < 0 || cell_index >= static_cast<int>(cells_.size())) {
    return Status::NotFound("no such day cell");
  }
  store::Query& q = data_.qYear;
  if (Status s = q.MoveTo(cell_index + 1); !s.ok()) return s;
  if (Status s = q.Edit(); !s.ok()) return s;
  if (Status s = q.SetString(column, value); !s.ok()) {
    q.Cancel();
    return s;
  }
  if (Status s = q.Post(); !s.ok()) {
    q.Cancel();
    return s;
  }
  DayCell& cell = cells_[static_cast<size_t>(cell_index)];
  std::string stored = q.AsString(column);
  if (EqualsIgnoreCase(column, NoteColumn())) cell.note = stored;
  if (EqualsIgnoreCase(column, HolidayColumn())) cell.holiday = stored;
  return Status::Ok();
}

std::string MainGrid::HolidayColumn() const {
  return app_.holiday_column.empty() ? "US" : app_.holiday_column;
}

void MainGrid::SelectEvent(int index) {
  current_event_ = index >= 0 && index < static_cast<int>(day_events_.size()) ? index : -1;
}

}  // namespace almanix::desktop
