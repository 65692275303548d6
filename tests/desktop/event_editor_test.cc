#include "desktop/event_editor.h"

#include <filesystem>
#include <map>
#include <memory>

#include <gtest/gtest.h>

#include "app/config.h"
#include "app/dir.h"
#include "app/startup.h"
#include "app/text.h"
#include "desktop/custom_colours.h"
#include "desktop/desktop_fixture.h"
#include "desktop/event_files.h"
#include "desktop/skip_days.h"
#include "store/db.h"
#include "store/event_draft.h"
#include "store/store_startup.h"
#include "support/fake_ui.h"
#include "support/temp_root.h"

namespace almanix::desktop {
namespace {

using almanix::testing::FakeUi;
using almanix::testing::ReadAll;
using almanix::testing::WriteAll;

using testing::D;

constexpr char kAllMonths[] = ",1,2,3,4,5,6,7,8,9,10,11,12,";

// Column names as the table has them, found without regard to case.
struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return ToLower(a) < ToLower(b);
  }
};
using RowValues = std::map<std::string, std::string, NoCase>;

// Records the picture work and writes a small file where a codec would.
class FakePictureWorks : public PictureWorks {
 public:
  Status ScaleJpegTo(const std::string& from, const std::string& to, int width,
                     int height) override {
    calls.push_back("scale " + from + " -> " + to + " " + std::to_string(width) + "x" +
                    std::to_string(height));
    if (fail) return Status::IoError("cannot read the picture");
    WriteAll(to, "jpeg");
    return Status::Ok();
  }
  Status RenderIcon(const std::string& from, int drawn_at, int size,
                    const std::string& to_jpeg) override {
    calls.push_back("icon " + from + " " + std::to_string(size) +
                    (drawn_at == size ? "" : " from " + std::to_string(drawn_at)) + " -> " +
                    to_jpeg);
    if (fail) return Status::IoError("cannot read the icon");
    WriteAll(to_jpeg, "jpeg");
    return Status::Ok();
  }

  std::vector<std::string> calls;
  bool fail = false;
};

class EventEditorTest : public testing::DesktopFixture {
 protected:
  void SetUp() override {
    DesktopFixture::SetUp();
    ui_.questions.clear();
    editor_ = std::make_unique<EventEditor>(app_, data_, ui_);
  }

  // Every column of the event's row; NULL shows as "<null>".
  RowValues Row(const std::string& id) {
    store::Query q(data_.db());
    EXPECT_TRUE(q.Open(" Select * from Events where ID =" + store::SqlQuote(id)).ok());
    RowValues row;
    if (q.IsEmpty()) return row;
    for (const store::FieldDef& f : q.FieldDefs()) {
      row[f.name] = q.IsNull(f.name) ? "<null>" : q.AsString(f.name);
    }
    return row;
  }

  int EventCount() {
    store::Query q(data_.db());
    EXPECT_TRUE(q.Open(" Select * from Events ").ok());
    return q.RecordCount();
  }

  // A new event on 5 March 2010 in category 1.
  std::string NewEvent() {
    EXPECT_TRUE(editor_->LoadEvent("1", true, D(2010, 3, 5)).ok());
    EXPECT_TRUE(editor_->loaded());
    return editor_->event_id();
  }

  std::unique_ptr<EventEditor> editor_;
};

// ---- what OK stores ----

TEST_F(EventEditorTest, WeeklyOnMondayAndWednesdayNeverEnding) {
  std::string id = NewEvent();
  EventValues& v = editor_->values();
  EXPECT_EQ(v.months, std::vector<bool>(12, true));  // a new event: every month
  EXPECT_EQ(v.ends, EndsChoice::kNever);
  editor_->SetRepeats(RepeatKind::kWeekly);
  v.weekdays[1] = v.weekdays[3] = true;  // Mon, Wed
  editor_->SetInterval(2);
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_TRUE(ui_.messages.empty());

  auto row = Row(id);
  EXPECT_EQ(row["rChoice"], "W");
  EXPECT_EQ(row["rWeekly"], ",2,4,");
  EXPECT_EQ(row["rMonthly"], "");
  EXPECT_EQ(row["rActiveMonths"], kAllMonths);
  EXPECT_EQ(row["rEnds"], "9999999");
  EXPECT_EQ(row["F1"], "2");
  EXPECT_EQ(row["F3"], "");
  EXPECT_EQ(row["Calendars"], ",1,");
  EXPECT_EQ(row["Summary"], "New Event");
  EXPECT_EQ(row["sDate"], std::to_string(D(2010, 3, 5)));
  EXPECT_EQ(row["iYear"], "2010");
  EXPECT_EQ(row["iMonth"], "3");
  EXPECT_EQ(row["iDay"], "5");
}

TEST_F(EventEditorTest, MonthlyOnThe1stAnd15thEndingOnNewYearsEve) {
  std::string id = NewEvent();
  EventValues& v = editor_->values();
  editor_->SetRepeats(RepeatKind::kMonthly);
  v.month_days[0] = v.month_days[14] = true;
  v.weekdays[2] = true;  // left ticked, not stored for a monthly event
  editor_->SetEndRepeat(D(2010, 12, 31));
  EXPECT_EQ(v.ends, EndsChoice::kOn);
  ASSERT_TRUE(editor_->Ok().ok());

  auto row = Row(id);
  EXPECT_EQ(row["rChoice"], "M");
  EXPECT_EQ(row["rMonthly"], ",1,15,");
  EXPECT_EQ(row["rWeekly"], "");
  EXPECT_EQ(row["rEnds"], "40543");
  EXPECT_EQ(row["F1"], "<null>");  // an interval only for daily and weekly
}

TEST_F(EventEditorTest, NeverRepeatsEmptiesEveryListLeftTicked) {
  std::string id = NewEvent();
  EventValues& v = editor_->values();
  editor_->SetRepeats(RepeatKind::kWeekly);
  v.weekdays[1] = true;
  v.month_days[4] = true;
  editor_->SetRepeats(RepeatKind::kNever);
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_TRUE(ui_.messages.empty());

  auto row = Row(id);
  EXPECT_EQ(row["rChoice"], "");
  EXPECT_EQ(row["rWeekly"], "");
  EXPECT_EQ(row["rMonthly"], "");
  EXPECT_EQ(row["rActiveMonths"], "");
  EXPECT_EQ(row["rEnds"], "9999999");
}

TEST_F(EventEditorTest, StartAtHalfPastEightInTheEvening) {
  std::string id = NewEvent();
  EXPECT_EQ(editor_->caption(), "Mar 5, 2010 Edit Event");
  editor_->SetStartTime(20, 30);
  editor_->SetEndTime(22, 0);
  ASSERT_TRUE(editor_->Ok().ok());
  auto row = Row(id);
  EXPECT_EQ(row["sTime"], "854166");
  EXPECT_EQ(row["caption"], "08:30 pm");
  EXPECT_EQ(row["eTime"], "916666");
  EXPECT_EQ(row["sDate"], "40242");
  EXPECT_EQ(row["eDate"], "40242");
  EXPECT_EQ(row["sDateTime"], store::DateValueText(D(2010, 3, 5) + EncodeTime(20, 30, 0, 0)));
}

TEST_F(EventEditorTest, AnEndDateAfterTheStartMakesADailyRepeat) {
  std::string id = NewEvent();
  editor_->SetEndDate(D(2010, 3, 8));
  const EventValues& v = editor_->values();
  EXPECT_EQ(v.repeats, RepeatKind::kDaily);
  EXPECT_EQ(v.ends, EndsChoice::kOn);
  EXPECT_EQ(v.end_repeat, D(2010, 3, 8));
  EXPECT_EQ(editor_->interval_unit(), "Days");
  EXPECT_TRUE(editor_->areas().interval);
  ASSERT_TRUE(editor_->Ok().ok());
  auto row = Row(id);
  EXPECT_EQ(row["rChoice"], "D");
  EXPECT_EQ(row["rEnds"], std::to_string(D(2010, 3, 8)));
  EXPECT_EQ(row["eDate"], std::to_string(D(2010, 3, 8)));
  EXPECT_EQ(row["F1"], "1");
  EXPECT_EQ(row["rActiveMonths"], kAllMonths);

  // The same day again is no multi-day event.
  NewEvent();
  editor_->SetEndDate(D(2010, 3, 5));
  EXPECT_EQ(editor_->values().repeats, RepeatKind::kNever);
}

TEST_F(EventEditorTest, ColoursAndTheirEmptyValues) {
  std::string id = NewEvent();
  editor_->SetFont(3);
  editor_->SetColor(ColorBox::kFont, 10, 171, 255);
  editor_->SetColor(ColorBox::kDay, 255, 0, 0);
  editor_->ClearDayColor();
  EXPECT_EQ(editor_->ColorOf(ColorBox::kBackground), "#FFFFFF");
  ASSERT_TRUE(editor_->Ok().ok());
  auto row = Row(id);
  EXPECT_EQ(row["Status"], "");
  EXPECT_EQ(row["CellColor"], "");
  EXPECT_EQ(row["FontColor"], "#0AABFF");
  EXPECT_EQ(row["Custom"], "3");

  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 3, 5), id).ok());
  editor_->SetColor(ColorBox::kBackground, 255, 255, 0);
  editor_->SetColor(ColorBox::kDay, 0, 128, 0);
  ASSERT_TRUE(editor_->Ok().ok());
  row = Row(id);
  EXPECT_EQ(row["Status"], "#FFFF00");
  EXPECT_EQ(row["CellColor"], "#008000");

  // Black text from 2R + 5G + B = 1024 up.
  EXPECT_TRUE(ColorTextIsBlack("#FFFFFF"));
  EXPECT_FALSE(ColorTextIsBlack("#000000"));
  EXPECT_TRUE(ColorTextIsBlack("#00CC04"));
  EXPECT_FALSE(ColorTextIsBlack("#00CC03"));
  EXPECT_FALSE(ColorTextIsBlack("#FF0000"));
  EXPECT_TRUE(ColorTextIsBlack(""));
  EXPECT_EQ(ColorText(300, -1, 15), "#FF000F");
}

TEST_F(EventEditorTest, CancelledNewEventStaysAsNewEvent) {
  std::string id = NewEvent();
  editor_->values().summary = "Something else";
  editor_->SetRepeats(RepeatKind::kDaily);
  editor_->Cancel();
  EXPECT_FALSE(editor_->loaded());
  EXPECT_TRUE(editor_->Ok().ok());  // nothing left to write

  auto row = Row(id);
  EXPECT_EQ(row["Summary"], "New Event");
  EXPECT_EQ(row["Visible"], "True");
  EXPECT_EQ(row["CalendarID"], "1");
  EXPECT_EQ(row["iYear"], "2010");
  EXPECT_EQ(row["iMonth"], "3");
  EXPECT_EQ(row["iDay"], "5");
  EXPECT_EQ(row["URL"], "http://");
  EXPECT_EQ(row["LinkDescription"], "Link Name");
  EXPECT_EQ(row["ShowStartTime"], "T");
  EXPECT_EQ(row["Alarm"], "F");
  EXPECT_EQ(row["Allday"], "F");
  // No categories and no dates: listed, but on no day.
  EXPECT_EQ(row["Calendars"], "<null>");
  EXPECT_EQ(row["sDate"], "<null>");
  EXPECT_EQ(row["rChoice"], "<null>");

  // Opening it again shows the day it was made for.
  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 3, 5), id).ok());
  EXPECT_EQ(editor_->caption(), "Mar 5, 2010 Edit Event");
  EXPECT_EQ(editor_->values().categories.size() > 0, true);
  EXPECT_TRUE(editor_->values().category_ticks[0]);
}

TEST_F(EventEditorTest, LoadThenOkLeavesAnAddedEventUnchanged) {
  store::EventDraft draft;
  draft.summary = "Choir";
  draft.description = std::string(300, 'd') + " & <b>more</b>";
  draft.location = "Hall";
  draft.url = "http://www.example.org/choir";
  draft.start = D(2010, 3, 3) + EncodeTime(19, 45, 0, 0);
  draft.end = D(2010, 3, 3) + EncodeTime(21, 0, 0, 0);
  draft.repeat = RepeatKind::kWeekly;
  draft.every = 2;
  draft.pattern = WeeklyPattern::kWeekOfMonth;
  draft.weekdays = {4};
  draft.months = {1, 2, 3, 9, 10, 11, 12};
  draft.categories = {1, 3};
  draft.repeat_until = D(2010, 12, 15);
  draft.skipped = {D(2010, 4, 7), D(2010, 3, 17)};
  draft.font_color = "#FF0000";
  draft.background = "#FFFFCC";
  draft.cell_color = "#CCCCCC";
  draft.font_size = 11;
  draft.underline = true;
  draft.center = true;
  draft.custom = 11;
  draft.link_new_window = true;
  draft.append_category = true;
  draft.show_end_time = true;
  draft.scroll_show = true;
  draft.time_zone = "EST";
  draft.alarm = true;

  store::EventDraft plain;
  plain.summary = "Dentist";
  plain.start = D(2010, 3, 9) + EncodeTime(8, 15, 0, 0);
  plain.end = plain.start;
  plain.categories = {2};

  for (const auto& [d, category] : {std::pair{draft, 1}, std::pair{plain, 2}}) {
    store::Query q(data_.db());
    Result<std::string> id = store::AddEvent(q, d, category);
    ASSERT_TRUE(id.ok()) << id.status().message();
    const auto before = Row(id.value());

    ASSERT_TRUE(editor_->LoadEvent(std::to_string(category), false, D(2010, 3, 5), id.value()).ok());
    ASSERT_TRUE(editor_->loaded());
    EXPECT_EQ(editor_->values().summary, d.summary);
    ASSERT_TRUE(editor_->Ok().ok());
    EXPECT_EQ(Row(id.value()), before) << d.summary;
  }
  // What the load side read for the first.
  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 3, 5), "1").ok());
  const EventValues& v = editor_->values();
  EXPECT_EQ(v.repeats, RepeatKind::kWeekly);
  EXPECT_EQ(v.pattern, WeeklyPattern::kWeekOfMonth);
  EXPECT_EQ(editor_->interval_unit(), "nd");
  EXPECT_EQ(v.interval, 2);
  EXPECT_TRUE(v.weekdays[3]);
  EXPECT_TRUE(v.category_ticks[0] && v.category_ticks[2] && !v.category_ticks[1]);
  EXPECT_EQ(v.ends, EndsChoice::kOn);
  EXPECT_EQ(v.end_repeat, D(2010, 12, 15));
  EXPECT_EQ(v.font, 11);
  EXPECT_EQ(FontItems()[static_cast<size_t>(v.font)], "Georgia ");
  EXPECT_EQ(v.time_zone, "EST");
  EXPECT_EQ(v.skipped_days, std::to_string(D(2010, 4, 7)) + "," + std::to_string(D(2010, 3, 17)));
  EXPECT_EQ(editor_->caption(), "Mar 3, 2010 Edit Event");
  EXPECT_EQ(editor_->end_repeat_minimum(), D(2010, 3, 3));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(EventEditorTest, TextsAreStoredAsTyped) {
  std::string id = NewEvent();
  EventValues& v = editor_->values();
  v.summary = "Tom & Jerry";
  v.location = "Café <b>Nord</b>";
  v.description = std::string(3900, 'x');
  ASSERT_TRUE(editor_->Ok().ok());
  auto row = Row(id);
  EXPECT_EQ(row["Summary"], "Tom & Jerry");
  EXPECT_EQ(row["Location"], "Café <b>Nord</b>");
  // A second OK writes again.
  v.summary = "Tom && Jerry";
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_EQ(Row(id)["Summary"], "Tom && Jerry");
  v.summary = "Tom & Jerry";
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_EQ(row["Description"], std::string(255, 'x'));
  EXPECT_EQ(row["Description15"], std::string(255, 'x'));
  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 3, 5), id).ok());
  EXPECT_EQ(editor_->values().summary, "Tom & Jerry");
  EXPECT_EQ(editor_->values().description.size(), 3825u);
}

TEST_F(EventEditorTest, OkWarnsButSavesAnyway) {
  std::string id = NewEvent();
  EventValues& v = editor_->values();
  editor_->SetRepeats(RepeatKind::kWeekly);
  v.months.assign(12, false);
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_EQ(ui_.messages, (std::vector<std::string>{"Check at least one weekday ",
                                                    "Check at least one month "}));
  EXPECT_EQ(Row(id)["rChoice"], "W");
  EXPECT_EQ(Row(id)["rActiveMonths"], ",,");

  ui_.messages.clear();
  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 3, 5), id).ok());
  editor_->SetRepeats(RepeatKind::kMonthly);
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_EQ(ui_.messages, (std::vector<std::string>{"Check at least one month day ",
                                                    "Check at least one month "}));
  ui_.messages.clear();
  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 3, 5), id).ok());
  editor_->SetRepeats(RepeatKind::kYearly);
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_TRUE(ui_.messages.empty());
  // Unticking the current category is the one way to ",,".
  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 3, 5), id).ok());
  editor_->values().category_ticks.assign(editor_->values().category_ticks.size(), false);
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_EQ(Row(id)["Calendars"], ",,");
}

TEST_F(EventEditorTest, CustomColoursKeepTheWindowsDialogsFile) {
  const std::string config = app_.dir->ConfigDir;
  EXPECT_EQ(ReadCustomColours(config), std::vector<std::string>(16));
  // Blue-green-red values as the dialog wrote them; unused places FFFFFFFF.
  WriteAll(config + "colordialog.txt", "ColorA=0000FF\r\nColorB=FFFFFFFF\r\ncolorc=80FF00\r\n");
  std::vector<std::string> colours = ReadCustomColours(config);
  EXPECT_EQ(colours[0], "#FF0000");
  EXPECT_EQ(colours[1], "");
  EXPECT_EQ(colours[2], "#00FF80");
  colours[15] = "#0AABFF";
  ASSERT_TRUE(SaveCustomColours(config, colours).ok());
  const std::string saved = ReadAll(config + "colordialog.txt");
  EXPECT_EQ(saved.substr(0, 47), "ColorA=0000FF\r\nColorB=FFFFFFFF\r\nColorC=80FF00\r\n");
  EXPECT_NE(saved.find("ColorP=FFAB0A\r\n"), std::string::npos);
  EXPECT_EQ(ReadCustomColours(config), colours);
}

// ---- the load side on rows other writers made ----

TEST_F(EventEditorTest, LoadsRowsFromImportsWithTheirOddValues) {
  store::Query q(data_.db());
  ASSERT_TRUE(q.Open(" Select * from Events where 1=0").ok());
  ASSERT_TRUE(q.Append().ok());
  const std::pair<const char*, const char*> columns[] = {
      {"Summary", "Imported"}, {"Calendars", ",2,45,x,"}, {"rChoice", "D"},
      {"F1", "often"},         {"rEnds", ""},              {"Custom", "F"},
      {"FontColor", "#FF0000"}, {"Center", "T"},            {"FontSize", "big"},
      {"TimeZone", "CET"},     {"rActiveMonths", ",3,13,"}, {"sDateTime", ""},
      {"F3", "T"}};
  for (const auto& [column, value] : columns) ASSERT_TRUE(q.SetString(column, value).ok());
  ASSERT_TRUE(q.Post().ok());
  const std::string id = q.AsString("ID");

  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 6, 1), id).ok());
  const EventValues& v = editor_->values();
  EXPECT_EQ(v.repeats, RepeatKind::kDaily);
  EXPECT_EQ(v.interval, 1);
  EXPECT_EQ(v.ends, EndsChoice::kNone);
  EXPECT_EQ(v.end_repeat, D(2010, 6, 1));  // no start: the day it opened on
  EXPECT_EQ(v.font, kDefaultFont);
  EXPECT_EQ(v.font_color, "#000000");  // the default font's colour
  EXPECT_FALSE(v.center);
  EXPECT_EQ(v.font_size, 8);
  EXPECT_EQ(v.time_zone, "CET");
  EXPECT_EQ(v.pattern, WeeklyPattern::kWeekOfMonthAbsolute);
  EXPECT_EQ(editor_->caption(), "Jun 1, 2010 Edit Event");
  // Category 45 is no item; the current category is ticked with the rest.
  EXPECT_TRUE(v.category_ticks[0] && v.category_ticks[1]);
  EXPECT_EQ(v.months, ListToTicks(",3,", 12));
  EXPECT_FALSE(editor_->font_options_visible());
  ASSERT_TRUE(editor_->Ok().ok());
  auto row = Row(id);
  EXPECT_EQ(row["Calendars"], ",1,2,");
  EXPECT_EQ(row["rEnds"], std::to_string(D(2010, 6, 1)));
  EXPECT_EQ(row["Custom"], "0");
  EXPECT_EQ(row["F3"], "T");
}

TEST_F(EventEditorTest, AGoneEventLeavesTheEditorBlank) {
  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 3, 5), "").ok());
  EXPECT_FALSE(editor_->loaded());
  ASSERT_TRUE(editor_->LoadEvent("1", false, D(2010, 3, 5), "4711").ok());
  EXPECT_FALSE(editor_->loaded());
  EXPECT_TRUE(editor_->Ok().ok());
  EXPECT_EQ(EventCount(), 0);
  // The category list is there all the same.
  EXPECT_FALSE(editor_->values().categories.empty());
}

// ---- the rules of the controls ----

TEST_F(EventEditorTest, RepeatsBoxAreasAndIntervalLabels) {
  struct Expected {
    RepeatKind choice;
    bool weekdays, month_days, months, ends, interval;
  };
  const Expected table[] = {{RepeatKind::kNever, false, false, false, false, false},
                       {RepeatKind::kDaily, false, false, true, true, true},
                       {RepeatKind::kWeekly, true, false, true, true, true},
                       {RepeatKind::kMonthly, false, true, true, true, false},
                       {RepeatKind::kYearly, false, false, false, true, false}};
  for (const Expected& r : table) {
    RepeatAreas a = AreasFor(r.choice);
    EXPECT_EQ(a.recurrence, r.choice != RepeatKind::kNever);
    EXPECT_EQ(a.weekdays, r.weekdays);
    EXPECT_EQ(a.pattern, r.weekdays);
    EXPECT_EQ(a.month_days, r.month_days);
    EXPECT_EQ(a.months, r.months);
    EXPECT_EQ(a.ends, r.ends);
    EXPECT_EQ(a.interval, r.interval);
  }

  NewEvent();
  editor_->SetRepeats(RepeatKind::kDaily);
  EXPECT_EQ(editor_->interval_unit(), "Days");
  // The pattern names the unit of weekly intervals only.
  editor_->SetPattern(WeeklyPattern::kWeekOfMonth);
  editor_->SetInterval(3);
  EXPECT_EQ(editor_->interval_unit(), "Days");
  editor_->SetRepeats(RepeatKind::kWeekly);
  EXPECT_EQ(editor_->interval_unit(), "rd");
  const std::pair<int, const char*> ordinals[] = {{1, "st"}, {2, "nd"}, {4, "th"},
                                                  {5, "th"}, {9, "th"}, {1, "st"}};
  for (const auto& [n, label] : ordinals) {
    editor_->SetInterval(n);
    EXPECT_EQ(editor_->interval_unit(), label) << n;
  }
  editor_->SetPattern(WeeklyPattern::kWeekOfMonthAbsolute);
  EXPECT_EQ(editor_->interval_unit(), "st");
  editor_->SetPattern(WeeklyPattern::kWeeks);
  EXPECT_EQ(editor_->interval_unit(), "");
  editor_->SetInterval(80);
  EXPECT_EQ(editor_->values().interval, 50);
}

TEST_F(EventEditorTest, DateRules) {
  NewEvent();
  EventValues& v = editor_->values();
  EXPECT_EQ(editor_->end_repeat_minimum(), D(2010, 3, 5));
  editor_->SetStartTime(9, 0);
  editor_->SetEndTime(17, 30);
  // A later start raises both minimums and carries the pickers with it.
  editor_->SetStartDate(D(2010, 3, 10));
  EXPECT_EQ(editor_->end_date_minimum(), D(2010, 3, 10));
  EXPECT_EQ(editor_->end_repeat_minimum(), D(2010, 3, 10));
  EXPECT_EQ(v.end, D(2010, 3, 10) + EncodeTime(17, 30, 0, 0));
  EXPECT_EQ(v.start, D(2010, 3, 10) + EncodeTime(9, 0, 0, 0));
  EXPECT_EQ(v.end_repeat, D(2010, 3, 10));
  EXPECT_EQ(v.repeats, RepeatKind::kNever);
  editor_->SetEndRepeat(D(2010, 1, 1));
  EXPECT_EQ(v.ends, EndsChoice::kOn);
  EXPECT_EQ(v.end_repeat, D(2010, 3, 10));

  editor_->SetAllDay(true);
  EXPECT_EQ(v.end, D(2010, 3, 10));
  EXPECT_FALSE(v.show_start_time);
  EXPECT_FALSE(v.show_end_time);
  editor_->SetAllDay(false);
  EXPECT_TRUE(v.show_start_time);
  EXPECT_TRUE(v.show_end_time);
}

TEST_F(EventEditorTest, FontRulesAndStyleLinks) {
  NewEvent();
  EventValues& v = editor_->values();
  EXPECT_FALSE(editor_->font_options_visible());
  editor_->ClickFontSize();
  EXPECT_EQ(FontItems()[static_cast<size_t>(v.font)], "Arial");
  EXPECT_TRUE(editor_->font_options_visible());
  editor_->SetFont(12);
  editor_->ClickFontSize();
  EXPECT_EQ(v.font, 12);  // a chosen font stays

  struct Link {
    StyleLink link;
    int size;
    const char* colour;
    bool center, underline, start, end;
  };
  const Link links[] = {{StyleLink::kHeading, 14, "#000000", true, true, false, false},
                        {StyleLink::kTitle, 12, "#000000", true, true, false, false},
                        {StyleLink::kBlue, 10, "#0000FF", false, false, true, false},
                        {StyleLink::kRed, 10, "#FF0000", false, false, true, false},
                        {StyleLink::kGreen, 10, "#008000", false, false, true, false},
                        {StyleLink::kOrange, 33, "#FF8000", false, false, true, false}};
  for (const Link& l : links) {
    v.font_size = 33;
    v.underline = true;
    v.center = !l.center;
    v.show_start_time = !l.start;
    v.show_end_time = true;
    editor_->ApplyStyleLink(l.link);
    EXPECT_EQ(v.font_size, l.size);
    EXPECT_EQ(v.font_color, l.colour);
    EXPECT_EQ(v.center, l.center);
    EXPECT_EQ(v.underline, l.underline);
    EXPECT_EQ(v.show_start_time, l.start);
    EXPECT_EQ(v.show_end_time, l.end);
  }

  v.center = true;
  editor_->SetFont(kDefaultFont);
  EXPECT_EQ(v.font_size, 8);
  EXPECT_EQ(v.font_color, "#000000");
  EXPECT_FALSE(v.center);
  EXPECT_FALSE(editor_->font_options_visible());
}

// ---- skipped days ----

TEST(SkipDays, ListedAsTextSortedAndConvertedBack) {
  // 2 and 7 January 2010, a zero and junk; text order puts 31/12/2009 last.
  SkipDays dialog("40185,0,40180,x", D(2010, 3, 5));
  EXPECT_EQ(dialog.lines(), (std::vector<std::string>{"02/01/2010", "07/01/2010"}));
  EXPECT_EQ(dialog.picker(), D(2010, 3, 5));
  FakeUi ui;
  dialog.set_picker(D(2009, 12, 31));
  EXPECT_TRUE(dialog.Add(ui));
  EXPECT_FALSE(dialog.Add(ui));  // already listed
  EXPECT_EQ(dialog.lines().back(), "31/12/2009");
  dialog.Delete(0);
  dialog.Delete(7);  // no such line
  EXPECT_EQ(dialog.Close(), "40185,40178");

  EXPECT_EQ(SkipDayFromLine("xx/02/2011"), D(2011, 2, 1));
  EXPECT_EQ(SkipDayFromLine("05/xx/yyyy"), D(2000, 1, 5));
  EXPECT_EQ(SkipDayFromLine(""), D(2000, 1, 1));
  EXPECT_EQ(SkipDayFromLine("31/02/2010"), std::nullopt);
}

TEST(SkipDays, TwentyTwoDatesRefuseATwentyThird) {
  SkipDays dialog("", D(2010, 1, 1));
  FakeUi ui;
  for (int i = 0; i < kMaxSkipDays; ++i) {
    dialog.set_picker(D(2010, 1, 1) + i);
    ASSERT_TRUE(dialog.Add(ui));
  }
  dialog.set_picker(D(2010, 2, 1));
  EXPECT_FALSE(dialog.Add(ui));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Maximum of 22 Skip Days allowed"});
  EXPECT_EQ(dialog.lines().size(), 22u);
  dialog.Delete(3);
  EXPECT_TRUE(dialog.Add(ui));
}

TEST_F(EventEditorTest, SkippedDaysGoThroughTheDialogIntoF2) {
  std::string id = NewEvent();
  editor_->SetRepeats(RepeatKind::kDaily);
  SkipDays dialog = editor_->OpenSkipDays();
  EXPECT_EQ(dialog.picker(), D(2010, 3, 5));
  dialog.set_picker(D(2010, 3, 9));
  ASSERT_TRUE(dialog.Add(ui_));
  dialog.set_picker(D(2010, 3, 12));
  ASSERT_TRUE(dialog.Add(ui_));
  editor_->CloseSkipDays(dialog);
  ASSERT_TRUE(editor_->Ok().ok());
  // In the list's text order: "09/03/2010" before "12/03/2010".
  EXPECT_EQ(Row(id)["F2"], std::to_string(D(2010, 3, 9)) + "," + std::to_string(D(2010, 3, 12)));
}

// ---- icon, photos and linked files ----

class EventFilesTest : public EventEditorTest {
 protected:
  void SetUp() override {
    EventEditorTest::SetUp();
    id_ = NewEvent();
    files_ = std::make_unique<EventFiles>(*editor_, works_);
    picked_ = root_.path() + "/picked/";
    std::filesystem::create_directories(picked_);
    include_ = app_.dir->IncludeDir;
  }

  std::string Picked(const std::string& name, const std::string& bytes = "bytes") {
    WriteAll(picked_ + name, bytes);
    return picked_ + name;
  }

  std::string id_;
  FakePictureWorks works_;
  std::unique_ptr<EventFiles> files_;
  std::string picked_;
  std::string include_;
};

TEST_F(EventFilesTest, IconsAreCopiedOrDrawnIntoAJpeg) {
  ASSERT_TRUE(files_->LoadIcon(Picked("flag.png", "png")).ok());
  EXPECT_EQ(editor_->values().icon_name, "flag.png");
  EXPECT_EQ(ReadAll(include_ + "flag.png"), "png");
  EXPECT_EQ(editor_->IconPath(), include_ + "flag.png");
  EXPECT_TRUE(works_.calls.empty());

  ui_.choices.push_back(1);
  ASSERT_TRUE(files_->LoadIcon(Picked("Star.ICO")).ok());
  EXPECT_EQ(editor_->values().icon_name, "Star.jpg");
  EXPECT_EQ(ui_.offered_choices.back(), (std::vector<std::string>{"16x16", "32x32"}));
  EXPECT_EQ(works_.calls,
            std::vector<std::string>{"icon " + picked_ + "Star.ICO 32 -> " + include_ + "Star.jpg"});
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_EQ(Row(id_)["IconName"], "Star.jpg");

  // A cancelled chooser keeps the JPEG name; a failed drawing says so.
  ui_.choices.push_back(-1);
  EXPECT_FALSE(files_->LoadIcon(Picked("moon.ico")).ok());
  EXPECT_EQ(editor_->values().icon_name, "moon.jpg");
  works_.fail = true;
  EXPECT_FALSE(files_->LoadIcon(Picked("sun.ico")).ok());
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"Could not convert icon 16"});

  // Nothing happens for a file that is not there or a cancelled dialog.
  EXPECT_FALSE(files_->LoadIcon(picked_ + "gone.png").ok());
  EXPECT_EQ(editor_->values().icon_name, "sun.jpg");
  EXPECT_TRUE(files_->PickIcon().ok());
  EXPECT_EQ(ui_.questions.back(), "Select an Icon");
  files_->ClearIcon();
  EXPECT_EQ(editor_->values().icon_name, "");
  EXPECT_EQ(editor_->IconPath(), "");
}

TEST_F(EventFilesTest, PhotosAreScaledOrCopiedAndAskBeforeReplacing) {
  ASSERT_TRUE(files_->FindPhoto(Picked("beach.jpg"), PhotoSlot::kScroll).ok());
  EXPECT_TRUE(editor_->values().scroll_show);
  EXPECT_EQ(editor_->values().scroll_photo, "beach.jpg");
  EXPECT_EQ(works_.calls, std::vector<std::string>{"scale " + picked_ + "beach.jpg -> " +
                                                   include_ + "beach.jpg 120x70"});
  EXPECT_TRUE(ui_.questions.empty());

  // The same name again: the question, and Cancel keeps everything.
  files_->ClearPhoto(PhotoSlot::kScroll);
  EXPECT_FALSE(files_->FindPhoto(Picked("beach.jpg"), PhotoSlot::kScroll).ok());
  EXPECT_EQ(ui_.questions,
            std::vector<std::string>{
                "File with this name already exists in the attachments folder ... replace?"});
  EXPECT_EQ(editor_->values().scroll_photo, "");
  EXPECT_EQ(works_.calls.size(), 1u);
  ui_.answers.push_back(Answer::kYes);
  ASSERT_TRUE(files_->FindPhoto(Picked("beach.jpg"), PhotoSlot::kScroll).ok());
  EXPECT_EQ(works_.calls.size(), 2u);

  ASSERT_TRUE(files_->FindPhoto(Picked("wide.jpg"), PhotoSlot::kSlide).ok());
  EXPECT_EQ(works_.calls.back(), "scale " + picked_ + "wide.jpg -> " + include_ + "wide.jpg 480x320");
  EXPECT_EQ(editor_->values().slide_photo, "wide.jpg");

  ASSERT_TRUE(files_->FindPhoto(Picked("anim.gif", "GIF89a"), PhotoSlot::kScroll).ok());
  EXPECT_EQ(ReadAll(include_ + "anim.gif"), "GIF89a");
  EXPECT_EQ(editor_->values().scroll_photo, "anim.gif");
  EXPECT_EQ(works_.calls.size(), 3u);

  // A picture the codec cannot read is never named.
  works_.fail = true;
  EXPECT_FALSE(files_->FindPhoto(Picked("broken.jpg"), PhotoSlot::kScroll).ok());
  EXPECT_EQ(editor_->values().scroll_photo, "anim.gif");

  ASSERT_TRUE(editor_->Ok().ok());
  auto row = Row(id_);
  EXPECT_EQ(row["ScrollPhoto"], "anim.gif");
  EXPECT_EQ(row["SlidePhoto"], "wide.jpg");
  EXPECT_EQ(row["ScrollShow"], "T");
}

TEST_F(EventFilesTest, LinkedFilesAndTheirClearing) {
  ASSERT_TRUE(files_->LinkFile(Picked("minutes.2010.txt", "notes")).ok());
  EventValues& v = editor_->values();
  EXPECT_EQ(v.url, "minutes.2010.txt");
  EXPECT_EQ(v.link_description, "minutes.2010");
  EXPECT_EQ(ReadAll(include_ + "minutes.2010.txt"), "notes");
  ASSERT_TRUE(editor_->Ok().ok());
  EXPECT_EQ(Row(id_)["URL"], "minutes.2010.txt");
  EXPECT_EQ(Row(id_)["LinkDescription"], "minutes.2010");

  files_->ClearLink();
  EXPECT_FALSE(std::filesystem::exists(include_ + "minutes.2010.txt"));
  EXPECT_EQ(v.url, "http://");
  EXPECT_EQ(v.link_description, "");

  // A web address is kept; a path out of the folder is never deleted.
  v.url = "http://www.example.org/";
  v.link_description = "Example";
  files_->ClearLink();
  EXPECT_EQ(v.url, "http://www.example.org/");
  WriteAll(include_ + "../outside.txt", "keep");
  v.url = "../outside.txt";
  files_->ClearLink();
  EXPECT_TRUE(std::filesystem::exists(include_ + "../outside.txt"));
  EXPECT_EQ(v.url, "http://");

  v.link_description = "Old";
  EXPECT_FALSE(files_->LinkFile(picked_ + "missing.txt").ok());
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"File could not be linked"});
  EXPECT_EQ(v.url, "http://");
  EXPECT_EQ(v.link_description, "");
}

}  // namespace
}  // namespace almanix::desktop
