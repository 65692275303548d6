#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"
#include "desktop/skip_days.h"
#include "store/db_engine.h"
#include "store/event_draft.h"

namespace almanix {
class App;
class UiSeam;
}  // namespace almanix

namespace almanix::store {
class TDB1;
}  // namespace almanix::store

namespace almanix::desktop {

using store::RepeatKind;
using store::WeeklyPattern;

// The font box's items; the index is what the row's "Custom" column keeps.
const std::vector<std::string>& FontItems();
inline constexpr int kDefaultFont = 0;
inline constexpr int kArialFont = 1;
// The time zone box's items.
const std::vector<std::string>& TimeZoneItems();
inline constexpr int kMaxDescription = 3825;
inline constexpr char kNeverEnds[] = "9999999";

// "#RRGGBB" with upper-case digits.
std::string ColorText(int red, int green, int blue);
// Whether a colour box shows its text in black (2R + 5G + B >= 1024) rather
// than white. A text that is no colour counts as white, so black.
bool ColorTextIsBlack(std::string_view colour);

// "st", "nd", "rd", "th": the unit label of a week-of-the-month interval.
// nullopt for intervals that name no week (the label stays as it is).
std::optional<std::string> WeekOrdinalSuffix(int interval);

// The list encoding of ticks: ",1,3," for items 1 and 3; ",," for none.
std::string TicksToList(const std::vector<bool>& ticks);
// Every non-empty item n of the text ticks item n - 1; others are unticked
// and numbers beyond the list are left out.
std::vector<bool> ListToTicks(std::string_view list, size_t count);

enum class EndsChoice { kNone, kNever, kOn };
enum class ColorBox { kFont, kBackground, kDay };
enum class StyleLink { kHeading, kTitle, kBlue, kRed, kGreen, kOrange };

// What the editor's controls hold: the shell binds its widgets to these.
struct EventValues {
  // "Event" page.
  std::string summary;
  std::string location;
  std::string url;
  std::string link_description;
  std::string description;
  DateTimeValue start = 0;  // start date picker + start time picker
  DateTimeValue end = 0;    // end date picker + end time picker
  bool all_day = false;
  bool show_start_time = true;
  bool show_end_time = false;
  bool alarm = false;
  std::string time_zone;
  RepeatKind repeats = RepeatKind::kNever;
  int interval = 1;  // 1..50
  WeeklyPattern pattern = WeeklyPattern::kWeeks;
  std::vector<bool> weekdays = std::vector<bool>(7);    // Sun .. Sat
  std::vector<bool> month_days = std::vector<bool>(31);
  std::vector<bool> months = std::vector<bool>(12);
  std::vector<std::string> categories;  // names, in table order
  std::vector<bool> category_ticks;
  EndsChoice ends = EndsChoice::kNone;
  DayNumber end_repeat = 0;  // the end-repeat picker
  std::string skipped_days;  // F2 as stored: day numbers joined by commas
  bool link_new_window = false;
  bool append_date = false;
  bool append_category = false;
  // "Appearance" page.
  int font = kDefaultFont;
  int font_size = 8;  // 1..99
  std::string font_color = "#000000";
  std::string background = "#FFFFFF";
  std::string day_color;
  bool underline = false;
  bool center = false;
  bool scroll_show = false;
  std::string icon_name;
  std::string scroll_photo;
  std::string slide_photo;  // the hidden slideshow page
};

// Which parts of the recurrence area the repeats box shows.
struct RepeatAreas {
  bool recurrence = false;
  bool weekdays = false;
  bool month_days = false;
  bool months = false;
  bool ends = false;
  bool interval = false;
  bool pattern = false;
};
RepeatAreas AreasFor(RepeatKind choice);

// The event editor without its window: LoadEvent reads one row of the
// events table into the values, the rule methods do what the controls do
// when they change, Ok writes the values back in the editor's order and
// posts, Cancel leaves the row as it was. One editor edits one event.
class EventEditor {
 public:
  EventEditor(App& app, store::TDB1& data, UiSeam& ui);

  // category_id: the main window's current category ("ID" text); date: the
  // day the editor opens on (its year names the category table). A new
  // event's row is appended and posted at once, so it exists even when the
  // person cancels. For an existing event, event_id names the row; an empty
  // id or a row that is gone leaves the editor blank (loaded() false).
  Status LoadEvent(std::string_view category_id, bool is_new, DateTimeValue date,
                   std::string_view event_id = {});
  // "OK": shows the warnings, writes every value and posts.
  Status Ok();
  // "Cancel": the row keeps what it had (a new event its first values).
  void Cancel();

  bool loaded() const { return loaded_; }
  const std::string& event_id() const { return event_id_; }
  const std::string& caption() const { return caption_; }

  EventValues& values() { return values_; }
  const EventValues& values() const { return values_; }

  // ---- the repeats box ----
  void SetRepeats(RepeatKind choice);
  void SetPattern(WeeklyPattern pattern);
  void SetInterval(int interval);
  const RepeatAreas& areas() const { return areas_; }
  const std::string& interval_unit() const { return interval_unit_; }

  // ---- the date rules ----
  void SetStartDate(DayNumber day);
  void SetStartTime(int hour, int minute);
  void SetEndDate(DayNumber day);
  void SetEndTime(int hour, int minute);
  // Choosing a day in the end-repeat picker ticks "Ends repeating on".
  void SetEndRepeat(DayNumber day);
  void SetAllDay(bool on);
  DayNumber end_date_minimum() const { return end_minimum_; }
  DayNumber end_repeat_minimum() const { return end_repeat_minimum_; }

  // ---- the font rules ----
  void SetFont(int index);
  // A click on the size spin.
  void ClickFontSize();
  void ApplyStyleLink(StyleLink link);
  bool font_options_visible() const { return values_.font != kDefaultFont; }

  // ---- the colour boxes ----
  void SetColor(ColorBox box, int red, int green, int blue);
  const std::string& ColorOf(ColorBox box) const;
  void ClearDayColor() { values_.day_color.clear(); }

  // ---- skipped days ----
  // The "Skipped Days" window opens on F2 with its picker on the start date;
  // its Close gives F2 back.
  SkipDays OpenSkipDays() const;
  void CloseSkipDays(const SkipDays& dialog) { values_.skipped_days = dialog.Close(); }

  // IncludeDir + the picture's name when that file exists, else empty.
  std::string IconPath() const;
  std::string ScrollPhotoPath() const;
  std::string SlidePhotoPath() const;
  const std::string& include_dir() const { return include_dir_; }
  App& app() { return app_; }
  UiSeam& ui() { return ui_; }

 private:
  void ReadRow(std::string_view category_id, bool is_new);
  void ApplyRepeatsRules();
  void ApplyPatternRule();
  void ApplyFontRules();
  store::EventDraft Draft() const;
  std::string PicturePath(const std::string& name) const;

  App& app_;
  store::TDB1& data_;
  UiSeam& ui_;
  store::Query row_;
  std::string include_dir_;

  bool loaded_ = false;
  std::string event_id_;
  std::string caption_;
  EventValues values_;
  EventValues loaded_values_;  // to write only what the commands changed
  RepeatAreas areas_;
  std::string interval_unit_;
  DayNumber end_minimum_ = 0;
  DayNumber end_repeat_minimum_ = 0;
};

}  // namespace almanix::desktop
