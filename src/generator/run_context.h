#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "app/dates.h"
#include "app/status.h"
#include "settings/language_texts.h"
#include "settings/publish_settings.h"

namespace almanix {
class RunResult;
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

class BuildFolder;
class CalendarData;
class EventIcsFiles;
class JsonLdTexts;

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
  // Every file the run writes or copies is counted here, and each one that
  // failed is kept; none when null (a page writer used on its own).
  RunResult* result = nullptr;

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
  std::time_t now = 0;           // the run's wall clock, given by its caller
  DayNumber today = 0;           // the run's "today" (local date of now)
  RunState state;

  std::vector<int> categories;   // ticked category numbers, in list order
  // The one-event calendar files the pages link; none when null (a page
  // writer used on its own writes the files of its links itself).
  EventIcsFiles* event_files = nullptr;
  // Each event's schema.org texts, made once per run; made per page when null.
  JsonLdTexts* json_ld = nullptr;
  // build_dir held open for the run's look-ups; asked by path when null.
  BuildFolder* build_folder = nullptr;

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

  // Whether build_dir + name is a file (FileExists).
  bool BuildFileExists(const std::string& name) const;

  // ---- The run's files ----
  // Each of these is one step of the run: its outcome goes into `result`,
  // and a failure is logged "could not save " + path. They return the
  // step's Status so that a writer can pass on its first failure.

  // The outcome of writing path.
  Status Record(const std::string& path, const Status& status) const;
  // Writes the file (in place, as scratch output).
  Status SaveFile(const std::string& path, std::string_view text) const;
  // Copies a file over the target. A source that does not exist is no step
  // (the support files are optional) and gives Ok.
  Status CopyFile(const std::string& from, const std::string& to) const;
  // A file of a gallery folder, found without regard to case, copied under
  // the name the pages use; none found is no step.
  Status CopyNoCase(const std::string& folder, std::string_view name,
                    const std::string& to) const;
  // Every file directly in the source folder copied into the target.
  Status CopyFolderFiles(const std::string& source, const std::string& target) const;
};

}  // namespace almanix::generator
