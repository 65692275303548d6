#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_result.h"
#include "app/status.h"
#include "generator/run_context.h"

namespace almanix {
namespace publish {
class PublishEditor;
}
namespace store {
class Database;
}
}  // namespace almanix

// One generation run: the complete web calendar of the favorite open in the
// Format & Publish window, written into the build folder.
namespace almanix::generator {

// Shown when a run is asked for while another one is writing.
inline constexpr std::string_view kRunActiveMessage =
    "A calendar is being generated. Please wait until it is finished.";
// A run the person cancelled ends with this (code kCancelled).
inline constexpr std::string_view kRunCancelledMessage = "cancelled";
inline constexpr std::string_view kNoCategoriesMessage =
    "Error: No categories to publish are selected. I selected the first one.";

// What a run needs besides the window: the tables and the product texts.
struct GeneratorEnv {
  store::Database* db = nullptr;
  std::string brand_short_url;  // brand APP_URL_SHORT
  std::string program_version;
  // The wall clock, read once by whoever starts the runs (the program, a
  // test pinning it): the runs' today, the feed's and the scroller's now and
  // the iCalendar file's stamp all come from it.
  std::time_t now = 0;
  // Shows a page in the "Browser Preview" window; empty: nothing is shown.
  std::function<void(const std::string& path)> show_page;
};

class Generator {
 public:
  Generator(publish::PublishEditor& editor, GeneratorEnv env);

  // One run into `output` (every caller passes the build folder); the main
  // page is written at main_page_path. An empty style name means the style
  // selected in the window. Every step runs; the result counts every file
  // written or copied and keeps each one that failed ("could not save " is
  // logged for it), so a caller publishes nothing unless it is ok. Stopped
  // (kRunActiveMessage) while another run is active anywhere in the
  // program, when the tables cannot be read or the output folder cannot be
  // made, and (kCancelled, kRunCancelledMessage) when the seam says the
  // person cancelled: it is asked before every page and every year.
  RunResult GenerateCalendar(const std::string& output, const std::string& main_page_path,
                             std::string_view style_name);
  // Checks and prepares the settings, runs into the build folder, gives the
  // pictures fresh names for the preview browsers and, with show, shows the
  // main page. The run's result as one Status.
  Status PreviewRun(bool show);
  // The "Preview" button: a full preview run, then the first page of the
  // last category pass shown, then the settings saved when asked to.
  Status Preview();

  // The build folder's main page: BuildDir + page name + extension.
  std::string MainPagePath() const;

  RunState& state() { return state_; }
  // The first month page of the last category pass.
  const std::string& first_page_path() const { return state_.first_page_path; }
  // "Time:" + the last pass's time, as the main window shows it.
  const std::string& time_label() const { return time_label_; }
  // The clock of the next runs, for an owner that keeps the generator.
  void set_now(std::time_t now) { env_.now = now; }

  // Whether a run is writing now.
  static bool Running();

 private:
  void Run(const std::string& output, const std::string& main_page_path,
           std::string_view style_name, RunResult* result);

  publish::PublishEditor& editor_;
  GeneratorEnv env_;
  RunState state_;
  std::string time_label_;
};

// The lines every redirect page starts with, up to the published range
// ("pubDateRange = new Array(...);"): the head, find(a, val), the start of
// CurrMonth and the month page names with the prefix. The published years go
// into *years, in order, when asked for.
std::vector<std::string> RedirectPageOpening(const RunContext& run, std::string_view prefix,
                                             std::vector<int>* years = nullptr);

// The redirect page that sends a visitor to this month's page (prefix
// "Small" for the small calendar), or to FirstMonth.html outside the
// published range.
Status WriteRedirectPage(const RunContext& run, const std::string& path, std::string_view prefix);

}  // namespace almanix::generator
