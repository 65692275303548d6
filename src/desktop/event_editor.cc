#include "desktop/event_editor.h"

#include <algorithm>
#include <cstdio>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "store/db.h"
#include "store/tables.h"

namespace almanix::desktop {

namespace {

constexpr int kMaxInterval = 50;
constexpr int kMaxFontSize = 99;

int ParseIntOr(std::string_view text, int fallback) {
  std::optional<int> n = ParseInt(text);
  return n ? *n : fallback;
}

// The 1-based numbers of the ticked items.
std::vector<int> Ticked(const std::vector<bool>& ticks) {
  std::vector<int> numbers;
  for (size_t i = 0; i < ticks.size(); ++i) {
    if (ticks[i]) numbers.push_back(static_cast<int>(i) + 1);
  }
  return numbers;
}

bool AnyTicked(const std::vector<bool>& ticks) {
  return std::find(ticks.begin(), ticks.end(), true) != ticks.end();
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

const std::vector<std::string>& FontItems() {
  // The trailing blanks are the box's own; the index is what is stored.
  static const std::vector<std::string> items = {
      "Default",  "Arial",    "Helvetica", "Times New Roman", "Times Courier New",
      "Courier",  "Palatino", "Garamond",  "Bookman",         "Avant Garde",
      "Verdana ", "Georgia ", "Comic Sans MS ", "Trebuchet MS ", "Arial Black ",
      "Impact "};
  return items;
}

const std::vector<std::string>& TimeZoneItems() {
  static const std::vector<std::string> items = {"", "PST", "EST", "CTR"};
  return items;
}

std::string ColorText(int red, int green, int blue) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", std::clamp(red, 0, 255),
                std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
  return buffer;
}

bool ColorTextIsBlack(std::string_view colour) {
  if (colour.size() != 7 || colour[0] != '#') return true;
  int parts[3];
  for (int i = 0; i < 3; ++i) {
    int high = HexValue(colour[1 + 2 * i]), low = HexValue(colour[2 + 2 * i]);
    if (high < 0 || low < 0) return true;
    parts[i] = high * 16 + low;
  }
  return 2 * parts[0] + 5 * parts[1] + parts[2] >= 1024;
}

std::optional<std::string> WeekOrdinalSuffix(int interval) {
  switch (interval) {
    case 1: return "st";
    case 2: return "nd";
    case 3: return "rd";
    case 4:
    case 5: return "th";
    default: return std::nullopt;
  }
}

std::string TicksToList(const std::vector<bool>& ticks) {
  return store::ListEncoding(Ticked(ticks));
}

std::vector<bool> ListToTicks(std::string_view list, size_t count) {
  std::vector<bool> ticks(count);
  for (const std::string& item : Split(list, ',')) {
    std::optional<int> n = ParseInt(item);
    if (n && *n >= 1 && static_cast<size_t>(*n) <= count) ticks[static_cast<size_t>(*n - 1)] = true;
  }
  return ticks;
}

RepeatAreas AreasFor(RepeatKind choice) {
  RepeatAreas a;
  a.recurrence = choice != RepeatKind::kNever;
  a.weekdays = choice == RepeatKind::kWeekly;
  a.pattern = choice == RepeatKind::kWeekly;
  a.month_days = choice == RepeatKind::kMonthly;
  a.months = choice == RepeatKind::kDaily || choice == RepeatKind::kWeekly ||
             choice == RepeatKind::kMonthly;
  a.ends = choice != RepeatKind::kNever;
  a.interval = choice == RepeatKind::kDaily || choice == RepeatKind::kWeekly;
  return a;
}

// ---- EventEditor ----

EventEditor::EventEditor(App& app, store::TDB1& data, UiSeam& ui)
    : app_(app), data_(data), ui_(ui), row_(data.db()) {
  if (app_.dir) include_dir_ = app_.dir->IncludeDir;
}

Status EventEditor::LoadEvent(std::string_view category_id, bool is_new, DateTimeValue date,
                              std::string_view event_id) {
  row_.Close();
  loaded_ = false;
  event_id_.clear();
  caption_.clear();
  values_ = EventValues{};

  // The category list: every category of the date's year, hidden ones too,
  // so that item n is category n.
  store::Query categories(data_.db());
  if (categories.Open(" Select * from Calendar" + FormatDateTime("yyyy", date)).ok()) {
    for (Status walk = categories.First(); walk.ok() && !categories.Eof(); walk = categories.Next()) {
      values_.categories.push_back(categories.AsString("Name"));
    }
  }
  values_.category_ticks.assign(values_.categories.size(), false);

  if (is_new) {
    // The row exists from here on, also when the person cancels.
    if (Status s = row_.Open(" Select * from Events where 1=0"); !s.ok()) return s;
    if (Status s = store::AppendNewEvent(row_, date, category_id); !s.ok()) return s;
    if (Status s = row_.Post(); !s.ok()) {
      row_.Cancel();
      return s;
    }
    event_id_ = row_.AsString("ID");
  } else {
    event_id_ = Trim(event_id);
    if (event_id_.empty()) return Status::Ok();
  }
  if (Status s = row_.Open(" Select * from Events where ID =" + store::SqlQuote(event_id_));
      !s.ok()) {
    return s;
  }
  if (row_.IsEmpty()) return Status::Ok();
  if (Status s = row_.Edit(); !s.ok()) return s;

  // The pickers open on the date until the row says otherwise.
  values_.start = date;
  values_.end = date;
  values_.end_repeat = DatePart(date);
  ReadRow(category_id, is_new);
  loaded_values_ = values_;
  loaded_ = true;
  return Status::Ok();
}

void EventEditor::ReadRow(std::string_view category_id, bool is_new) {
  const store::Query& q = row_;
  EventValues& v = values_;
  auto flag = [&](const char* column) { return q.AsString(column) == "T"; };

  v.summary = q.AsString("Summary");
  v.location = q.AsString("Location");
  v.url = q.AsString("URL");
  v.link_description = q.AsString("LinkDescription");

  v.category_ticks = ListToTicks(q.AsString("Calendars"), v.categories.size());
  v.month_days = ListToTicks(q.AsString("rMonthly"), 31);
  v.weekdays = ListToTicks(q.AsString("rWeekly"), 7);
  v.months = ListToTicks(q.AsString("rActiveMonths"), 12);
  std::optional<int> current = ParseInt(category_id);
  if (current && *current >= 1 && static_cast<size_t>(*current) <= v.categories.size()) {
    v.category_ticks[static_cast<size_t>(*current - 1)] = true;
  }
  if (is_new) v.months.assign(12, true);

  const std::string choice = q.AsString("rChoice");
  v.repeats = choice == "D"   ? RepeatKind::kDaily
              : choice == "W" ? RepeatKind::kWeekly
              : choice == "M" ? RepeatKind::kMonthly
              : choice == "Y" ? RepeatKind::kYearly
                              : RepeatKind::kNever;
  v.time_zone = q.AsString("TimeZone");

  const std::string ends = q.AsString("rEnds");
  if (!ends.empty()) v.ends = EndsChoice::kOn;
  if (ends == kNeverEnds || is_new) v.ends = EndsChoice::kNever;

  v.skipped_days = q.AsString("F2");
  if (v.repeats == RepeatKind::kDaily || v.repeats == RepeatKind::kWeekly) {
    v.interval = std::clamp(ParseIntOr(q.AsString("F1"), 1), 1, kMaxInterval);
  }
  v.alarm = flag("Alarm");
  v.all_day = flag("Allday");
  const std::string pattern = q.AsString("F3");
  v.pattern = pattern == "T"   ? WeeklyPattern::kWeekOfMonthAbsolute
              : pattern == "W" ? WeeklyPattern::kWeekOfMonth
                               : WeeklyPattern::kWeeks;

  v.font_size = std::clamp(ParseIntOr(q.AsString("FontSize"), 8), 1, kMaxFontSize);
  v.underline = flag("Underline");
  v.scroll_show = flag("ScrollShow");
  v.center = flag("Center");
  v.show_start_time = flag("ShowStartTime");
  v.show_end_time = flag("ShowEndTime");

  if (std::optional<double> s = ParseDouble(q.AsString("sDateTime"))) v.start = *s;
  v.end = v.start;
  if (std::optional<double> e = ParseDouble(q.AsString("eDateTime"))) v.end = *e;
  v.end_repeat = DatePart(v.start);
  if (v.ends == EndsChoice::kOn) {
    if (std::optional<int> day = ParseInt(ends)) v.end_repeat = *day;
  }

  if (std::string c = q.AsString("FontColor"); !c.empty()) v.font_color = c;
  if (std::string c = q.AsString("Status"); !c.empty()) v.background = c;
  if (std::string c = q.AsString("CellColor"); !c.empty()) v.day_color = c;
  v.link_new_window = flag("LinkNewWindow");
  v.append_date = flag("AppendDate");
  v.append_category = flag("AppendCategory");

  v.description = store::ReadDescription(q);

  // Imports store "F" here: no number is the default font. (The row's own
  // colours for the default font are cleared by writing the boxes on OK.)
  v.font = ParseIntOr(q.AsString("Custom"), kDefaultFont);
  if (v.font < 0 || v.font >= static_cast<int>(FontItems().size())) v.font = kDefaultFont;

  v.icon_name = q.AsString("IconName");
  v.scroll_photo = q.AsString("ScrollPhoto");
  v.slide_photo = q.AsString("SlidePhoto");

  caption_ = FormatDateTime("mmm d, yyyy", v.start) + " Edit Event";
  end_repeat_minimum_ = DatePart(v.start);
  end_minimum_ = 0;
  v.end_repeat = std::max(v.end_repeat, end_repeat_minimum_);

  ApplyRepeatsRules();
  ApplyFontRules();
}

store::EventDraft EventEditor::Draft() const {
  const EventValues& v = values_;
  store::EventDraft d;
  d.summary = v.summary;
  d.description = v.description;
  d.location = v.location;
  d.url = v.url;
  d.start = v.start;
  d.end = v.end;
  d.all_day = v.all_day;
  d.alarm = v.alarm;
  d.repeat = v.repeats;
  d.every = v.interval;
  d.pattern = v.pattern;
  d.weekdays = Ticked(v.weekdays);
  d.monthdays = Ticked(v.month_days);
  d.months = Ticked(v.months);
  d.categories = Ticked(v.category_ticks);
  if (v.ends != EndsChoice::kNever) d.repeat_until = v.end_repeat;
  d.font_color = v.font_color;
  d.background = v.background;
  d.cell_color = v.day_color;
  d.font_size = v.font_size;
  d.underline = v.underline;
  d.center = v.center;
  d.custom = v.font;
  d.link_new_window = v.link_new_window;
  d.append_date = v.append_date;
  d.append_category = v.append_category;
  d.show_start_time = v.show_start_time;
  d.show_end_time = v.show_end_time;
  d.scroll_show = v.scroll_show;
  d.time_zone = v.time_zone;
  return d;
}

Status EventEditor::Ok() {
  // A blank editor (the event was gone) has no row to write.
  if (!loaded_) return Status::Ok();
  const EventValues& v = values_;
  // Warnings only: the event is saved as it is.
  if (v.repeats == RepeatKind::kWeekly && !AnyTicked(v.weekdays)) {
    ui_.ShowMessage("Check at least one weekday ", MessageKind::kWarning);
  }
  if (v.repeats == RepeatKind::kMonthly && !AnyTicked(v.month_days)) {
    ui_.ShowMessage("Check at least one month day ", MessageKind::kWarning);
  }
  if ((v.repeats == RepeatKind::kDaily || v.repeats == RepeatKind::kWeekly ||
       v.repeats == RepeatKind::kMonthly) &&
      !AnyTicked(v.months)) {
    ui_.ShowMessage("Check at least one month ", MessageKind::kWarning);
  }

  // A second OK (the window stayed open) edits the posted row again.
  if (row_.state() == store::Query::State::kBrowse) {
    if (Status s = row_.Edit(); !s.ok()) return s;
  }
  Status s = store::WriteDraft(row_, Draft(), v.skipped_days);
  // The link and picture commands write their columns as they go; only
  // what they changed is written.
  const std::pair<const char*, std::pair<const std::string*, const std::string*>> direct[] = {
      {"LinkDescription", {&v.link_description, &loaded_values_.link_description}},
      {"IconName", {&v.icon_name, &loaded_values_.icon_name}},
      {"ScrollPhoto", {&v.scroll_photo, &loaded_values_.scroll_photo}},
      {"SlidePhoto", {&v.slide_photo, &loaded_values_.slide_photo}},
  };
  for (const auto& [column, texts] : direct) {
    if (s.ok() && *texts.first != *texts.second) s = row_.SetString(column, *texts.first);
  }
  if (s.ok()) s = row_.Post();
  if (!s.ok()) {
    row_.Cancel();
    return s;
  }
  loaded_values_ = values_;
  return Status::Ok();
}

void EventEditor::Cancel() {
  row_.Cancel();
  row_.Close();
  loaded_ = false;
}

// ---- the repeats box ----

void EventEditor::ApplyRepeatsRules() {
  areas_ = AreasFor(values_.repeats);
  if (values_.repeats == RepeatKind::kDaily) interval_unit_ = "Days";
  if (values_.repeats == RepeatKind::kWeekly) {
    interval_unit_ = "Weeks";
    ApplyPatternRule();
  }
}

void EventEditor::ApplyPatternRule() {
  if (values_.pattern == WeeklyPattern::kWeeks) {
    interval_unit_.clear();
  } else if (std::optional<std::string> suffix = WeekOrdinalSuffix(values_.interval)) {
    interval_unit_ = *suffix;
  }
}

void EventEditor::SetRepeats(RepeatKind choice) {
  values_.repeats = choice;
  ApplyRepeatsRules();
}

// The pattern only names the unit of a weekly interval; a daily one keeps
// its "Days".
void EventEditor::SetPattern(WeeklyPattern pattern) {
  values_.pattern = pattern;
  if (values_.repeats == RepeatKind::kWeekly) ApplyPatternRule();
}

void EventEditor::SetInterval(int interval) {
  values_.interval = std::clamp(interval, 1, kMaxInterval);
  if (values_.repeats == RepeatKind::kWeekly) ApplyPatternRule();
}

// ---- the date rules ----

void EventEditor::SetStartDate(DayNumber day) {
  EventValues& v = values_;
  v.start = day + TimePart(v.start);
  end_minimum_ = day;
  end_repeat_minimum_ = day;
  // The pickers keep to their minimum, as the controls do.
  if (DatePart(v.end) < day) v.end = day + TimePart(v.end);
  if (v.end_repeat < day) v.end_repeat = day;
}

void EventEditor::SetStartTime(int hour, int minute) {
  values_.start = DatePart(values_.start) + EncodeTime(hour, minute, 0, 0);
}

void EventEditor::SetEndDate(DayNumber day) {
  EventValues& v = values_;
  day = std::max(day, end_minimum_);
  v.end = day + TimePart(v.end);
  // A multi-day event is a daily repeat that ends on its last day.
  if (day > DatePart(v.start)) {
    SetRepeats(RepeatKind::kDaily);
    v.end_repeat = std::max(day, end_repeat_minimum_);
    v.ends = EndsChoice::kOn;
  }
}

void EventEditor::SetEndTime(int hour, int minute) {
  values_.end = DatePart(values_.end) + EncodeTime(hour, minute, 0, 0);
}

void EventEditor::SetEndRepeat(DayNumber day) {
  values_.end_repeat = std::max(day, end_repeat_minimum_);
  values_.ends = EndsChoice::kOn;
}

void EventEditor::SetAllDay(bool on) {
  EventValues& v = values_;
  v.all_day = on;
  if (on) v.end = DatePart(v.end);
  v.show_start_time = !on;
  v.show_end_time = !on;
}

// ---- the font rules ----

void EventEditor::ApplyFontRules() {
  if (values_.font != kDefaultFont) return;
  values_.font_size = 8;
  values_.font_color = "#000000";
  values_.center = false;
}

void EventEditor::SetFont(int index) {
  if (index < 0 || index >= static_cast<int>(FontItems().size())) index = kDefaultFont;
  values_.font = index;
  ApplyFontRules();
}

// A size needs a font: the default one turns into Arial. A font already
// chosen stays.
void EventEditor::ClickFontSize() {
  if (values_.font == kDefaultFont) SetFont(kArialFont);
}

void EventEditor::ApplyStyleLink(StyleLink link) {
  EventValues& v = values_;
  switch (link) {
    case StyleLink::kHeading:
    case StyleLink::kTitle:
      v.font_size = link == StyleLink::kHeading ? 14 : 12;
      v.font_color = "#000000";
      v.center = true;
      v.show_start_time = false;
      v.show_end_time = false;
      return;
    case StyleLink::kBlue:
    case StyleLink::kRed:
    case StyleLink::kGreen:
    case StyleLink::kOrange:
      if (link != StyleLink::kOrange) v.font_size = 10;
      v.font_color = link == StyleLink::kBlue    ? "#0000FF"
                     : link == StyleLink::kRed   ? "#FF0000"
                     : link == StyleLink::kGreen ? "#008000"
                                                 : "#FF8000";
      v.center = false;
      v.underline = false;
      v.show_start_time = true;
      v.show_end_time = false;
      return;
  }
}

// ---- the colour boxes ----

void EventEditor::SetColor(ColorBox box, int red, int green, int blue) {
  std::string text = ColorText(red, green, blue);
  switch (box) {
    case ColorBox::kFont: values_.font_color = text; break;
    case ColorBox::kBackground: values_.background = text; break;
    case ColorBox::kDay: values_.day_color = text; break;
  }
}

const std::string& EventEditor::ColorOf(ColorBox box) const {
  switch (box) {
    case ColorBox::kFont: return values_.font_color;
    case ColorBox::kBackground: return values_.background;
    case ColorBox::kDay: break;
  }
  return values_.day_color;
}

SkipDays EventEditor::OpenSkipDays() const {
  return SkipDays(values_.skipped_days, DatePart(values_.start));
}

// ---- pictures ----

std::string EventEditor::PicturePath(const std::string& name) const {
  if (name.empty() || include_dir_.empty()) return "";
  std::string path = include_dir_ + name;
  return FileExists(path) ? path : "";
}

std::string EventEditor::IconPath() const { return PicturePath(values_.icon_name); }
std::string EventEditor::ScrollPhotoPath() const { return PicturePath(values_.scroll_photo); }
std::string EventEditor::SlidePhotoPath() const { return PicturePath(values_.slide_photo); }

}  // namespace almanix::desktop
