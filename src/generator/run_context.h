#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "publish/language_texts.h"
#include "publish/publish_settings.h"

namespace almanix {
class TDir;
class TLog;
class UiSeam;
namespace store {
class Database;
}
}  // namespace almanix

// What every page writer of one generation run reads: the favorite's
// settings and texts, the window's choices, the folders, the run state of
// the Format & Publish window and the calendar's rows.
namespace almanix::generator {

class CalendarData;

// The run state the Format & Publish window holds while it generates.
struct RunState {
  // The category being written (its number as text; empty before the first)
  // and its position among the ticked categories (-1 before the first).
  std::string current_category;
  int current_index = -1;
  // The first month page written in the current category pass.
  std::string first_page_path;
  // Set by the Preview buttons and the preview page around their runs.
  bool preview_run = false;
  // Set by "Preview" and "Open": adds the linking-help lines.
  bool full_preview = false;
  // While the style editor is open no events are rendered.
  bool style_editor_open = false;
};

struct RunContext {
  const TDir* dir = nullptr;
  const publish::PublishSettings* settings = nullptr;
  const publish::PublishWindowState* window = nullptr;
  publish::LanguageTexts language;
  publish::StyleTexts texts;
  UiSeam* ui = nullptr;
  TLog* log = nullptr;
  store::Database* db = nullptr;
  CalendarData* data = nullptr;

  std::string build_dir;         // output folder, ends in "/"
  std::string extension = ".html";  // the page extension
  std::string page_name;         // main page file name (favorite + extension)
  std::string style_name;        // the style the run writes with
  std::string tab_style;         // caption of the selected month-tab entry
  std::string action_bar_style;  // selected toolbar entry
  std::string list_style;        // selected event-list entry
  std::string brand_short_url;   // brand APP_URL_SHORT
  std::string program_version;
  bool smallest_size = false;    // the size slider is at its first preset
  DayNumber today = 0;           // the run's "today" (local date)
  RunState state;

  std::vector<int> categories;   // ticked category numbers, in list order

  const publish::PublishSettings& s() const { return *settings; }
  // Categories merged into one calendar (Contents.CategoryMerge).
  bool merged() const;
  // The month's file-name word (long form), with the category index in
  // front when categories are written one by one and more than one is
  // ticked.
  std::string MonthFileName(int month) const;
  // The file-name word alone.
  std::string MonthFileWord(int month) const;
  // The category's name in the window's category list; empty beyond it.
  std::string CategoryName(int number) const;
  // The translated phrase, or the phrase itself.
  std::string Phrase(std::string_view phrase) const { return language.Translate(phrase); }
  // The categories a day cell renders: the one being written, or all the
  // ticked ones when merged.
  std::vector<int> CellCategories() const;
  // The months of year y ticked for the run (the range of the settings).
  std::vector<int> MonthsOf(int year) const;
};

}  // namespace almanix::generator
